#include "windows/win32_update_window.h"

#include <oleacc.h>

#include <cstdlib>
#include <utility>

#include "common/convert.h"
#include "common/failure.h"
#include "common/language_choice.h"
#include "platform/win32/gdi.h"
#include "platform/win32/png_pictures.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_application.h"
#include "resources/resource_ids.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

constexpr COLORREF kTeal = RGB(42, 198, 204);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kEditId = 1;
constexpr int kFirstPartId = 2;  // the send button, the close mark, the characters left
constexpr int kMaxLength = 140;
// Posted to the window by a screen reader's "press": the part's index in wParam. The press runs
// from the window's own queue, never inside the reader's call.
constexpr UINT kPressPartMessage = WM_APP + 40;
// Posted when the window is shown: the question is announced if the focus came to the box
// without the system saying so (it never left the box while the window was hidden).
constexpr UINT kAnnounceMessage = WM_APP + 41;

// A font of the given size in points (quarter points allowed) at the display's dots per inch.
HFONT MakeFont(const wchar_t* face, double points, bool bold, int dpi) {
  int height = -static_cast<int>(points * dpi / 72.0 + 0.5);
  return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

SIZE PictureSize(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

// Copies a picture into a rectangle of the canvas: pixel for pixel when it was drawn at that
// size, otherwise smoothly scaled.
void DrawPicture(HDC canvas, HDC source, HBITMAP bitmap, const ::RECT& to) {
  SIZE size = PictureSize(bitmap);
  ScopedSelection picture(source, bitmap);
  int width = to.right - to.left, height = to.bottom - to.top;
  if (size.cx == width && size.cy == height) {
    BitBlt(canvas, to.left, to.top, width, height, source, 0, 0, SRCCOPY);
  } else {
    int oldMode = SetStretchBltMode(canvas, HALFTONE);
    SetBrushOrgEx(canvas, 0, 0, nullptr);
    StretchBlt(canvas, to.left, to.top, width, height, source, 0, 0, size.cx, size.cy, SRCCOPY);
    SetStretchBltMode(canvas, oldMode);
  }
}

// The update window's description, in twips (15 to the pixel at 96 dpi): left, top, width,
// height. The background picture is 577 x 156 pixels at 96 dpi.
constexpr TwipsBox kStatusBoxArea{525, 1200, 7590, 435};
constexpr TwipsBox kCreditArea{5880, 1845, 2295, 255};
constexpr TwipsBox kCharsLeftArea{7200, 540, 975, 495};
constexpr TwipsBox kSendButtonArea{3600, 1800, 1455, 375};
constexpr TwipsBox kCloseMarkArea{8325, 60, 255, 255};
constexpr TwipsBox kFrameArea{0, 360, 8655, 2295};
constexpr TwipsBox kCountdownCaptionArea{3600, 1830, 1455, 255};
constexpr TwipsBox kHeadingArea{525, 615, 6300, 450};  // the question, part of the background picture
constexpr int kBackgroundWidthTwips = 8655, kBackgroundHeightTwips = 2340;
constexpr int kFrameLinePixels = 3;  // at 96 dpi

struct PictureSet {
  int density, background, closeMark;
};
constexpr PictureSet kPictures[] = {{96, IDB_BACKGROUND, IDB_CLOSEMARK},
                                    {120, IDB_BACKGROUND_120, IDB_CLOSEMARK_120},
                                    {144, IDB_BACKGROUND_144, IDB_CLOSEMARK_144}};

}  // namespace

int NearestPictureDensity(int dpi) {
  int best = kPictures[0].density;
  for (const auto& set : kPictures) {
    if (std::abs(set.density - dpi) <= std::abs(best - dpi)) best = set.density;
  }
  return best;
}

Win32UpdateWindow::Win32UpdateWindow() : white_(CreateSolidBrush(kWhite)), teal_(CreateSolidBrush(kTeal)) {
  // Borderless, centred on the screen; the client area is the whole window.
  int width = Px(kClientWidthTwips), height = Px(kClientHeightTwips);
  int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  Create({kUpdateWindowClass}, L"Quillet", WS_POPUP | WS_CLIPCHILDREN, 0, left, top, width, height);

  // The labels; the send button is an invisible click area.
  struct LabelLook {
    LabelIndex index;
    const char16_t* caption;
    COLORREF colour;
    UINT align;
  };
  const LabelLook looks[] = {
      {kSendButton, u"", kBlack, DT_LEFT},
      {kCountdownCaption, u"Update (15)", kWhite, DT_CENTER},
      {kCharsLeft, u"140", kGrey, DT_RIGHT},
      {kCredit, u"", kBlack, DT_RIGHT},  // in the language in use, when shown
  };
  for (const LabelLook& look : looks) {
    PaintedLabel& label = labels_[look.index];
    label.owner = hwnd();
    label.caption = look.caption;
    label.colour = look.colour;
    label.align = look.align;
  }
  frame_.owner = hwnd();
  frame_.rect = TwipsRect(kFrameArea);
  frameDpi_ = Dpi();

  // statusBox: a real single-line edit box over the painted input frame, made when the window is
  // first shown (see MakeChildren); until then the box keeps what it is given.
  statusBox_ = std::make_unique<Win32EditBox>();
  statusBox_->SetMaxLength(kMaxLength);
  SpeakLanguageInUse();
  ReadHighContrast();
  LayOut();
}

void Win32UpdateWindow::QueryHighContrastWith(Callback<bool()> query) {
  highContrastQuery_ = std::move(query);
  ReadHighContrast();
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Win32UpdateWindow::ReadHighContrast() {
  if (highContrastQuery_) {
    highContrast_ = highContrastQuery_();
    return;
  }
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  highContrast_ = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
                  (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

Win32UpdateWindow::~Win32UpdateWindow() {
  for (ChildPart& part : parts_) {
    if (part.window == nullptr) continue;
    SetWindowLongPtrW(part.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(part.original));
    SetWindowLongPtrW(part.window, GWLP_USERDATA, 0);
    part.window = nullptr;
  }
}

HWND Win32UpdateWindow::EditWindow() {
  MakeChildren();
  return statusBox_->hwnd();
}

// The edit box is the one child that needs the common controls (the manifest asks for version
// 6, which draws it): a session that never pops up never loads them. Before it, in the order of
// the children (which is also the order of Tab), the box's name; after it the send button, the
// close mark and the characters left.
void Win32UpdateWindow::MakeChildren() {
  if (statusBox_->hwnd() != nullptr) return;
  auto makeChild = [&](const wchar_t* windowClass, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0) {
    HWND child = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, 0, 0, 0, 0, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramInstance(), nullptr);
    if (child == nullptr) ThrowLastError("CreateWindowExW");
    return child;
  };
  if (questionLabel_ == nullptr) questionLabel_ = makeChild(L"STATIC", Wide(Tr(u"What are you doing?")).c_str(), SS_LEFT, -1);
  // In a mirrored window the box starts at the right, as it is; what is typed reads right to left.
  bool mirrored = (GetWindowLongW(hwnd(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
  HWND editWindow = makeChild(L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kEditId,
                              mirrored ? WS_EX_RTLREADING : 0);
  try {
    statusBox_->Attach(editWindow);
  } catch (...) {
    DestroyWindow(editWindow);
    throw;
  }
  PlaceEditBox();

  struct PartLook {
    PartIndex index;
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
    long role;
  };
  const PartLook looks[] = {
      {kSendPart, L"BUTTON", L"", WS_TABSTOP | BS_OWNERDRAW, ROLE_SYSTEM_PUSHBUTTON},  // named by SpeakLanguageInUse
      {kClosePart, L"BUTTON", L"", WS_TABSTOP | BS_OWNERDRAW, ROLE_SYSTEM_PUSHBUTTON},
      {kCharsLeftPart, L"STATIC", L"", SS_OWNERDRAW, ROLE_SYSTEM_STATICTEXT},
  };
  for (const PartLook& look : looks) {
    ChildPart& part = parts_[look.index];
    if (part.window != nullptr) continue;
    auto accessible = std::make_shared<AccessiblePart>();
    accessible->role = look.role;
    part.window = makeChild(look.windowClass, look.text, WS_VISIBLE | look.style, kFirstPartId + look.index);
    part.accessible = std::move(accessible);
    SetWindowLongPtrW(part.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    part.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(part.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32UpdateWindow::ChildProcedure)));
  }
  // What a screen reader reads, always the current state (nothing is announced as it changes).
  AccessiblePart& send = *parts_[kSendPart].accessible;
  send.name = [this] { return labels_[kCountdownCaption].caption; };
  send.description = [this] {
    return labels_[kCountdownCaption].caption != Tr(u"Update") ? Tr(u"Counting down: the window hides at 0 unless you type")
                                                               : std::u16string();
  };
  send.press = [this] { PostMessageW(hwnd(), kPressPartMessage, kSendPart, 0); };
  AccessiblePart& close = *parts_[kClosePart].accessible;
  close.name = [this] { return Tr(u"Close"); };
  close.press = [this] { PostMessageW(hwnd(), kPressPartMessage, kClosePart, 0); };
  parts_[kCharsLeftPart].accessible->name = [this] {
    const std::u16string& count = labels_[kCharsLeft].caption;
    unsigned long n = std::wcstoul(Wide(count).c_str(), nullptr, 10);
    return FillIn(Words().TrPlural(u"%1 character left", u"%1 characters left", n), {count});
  };
  PlaceParts();
  tagList_.name = [this] { return Tr(u"Tags"); };
  SpeakLanguageInUse();
}

const Catalog& Win32UpdateWindow::Words() const { return app_ ? app_->Words() : English(); }

std::u16string Win32UpdateWindow::Tr(std::u16string_view english) const { return Words().Tr(english); }

void Win32UpdateWindow::SpeakLanguageInUse() {
  // The fonts follow the language (a script the window's own face lacks is written in another).
  if (headingFont_ && LanguageTag() != fontsLanguage_) LayOut();
  labels_[kCredit].SetCaption(Tr(u"by Velmora"));
  if (questionLabel_ != nullptr) SetWindowTextW(questionLabel_, Wide(Tr(u"What are you doing?")).c_str());
  for (auto [index, name] : {std::pair{kSendPart, u"Update"}, std::pair{kClosePart, u"Close"}}) {
    ChildPart& part = parts_[index];
    if (part.window == nullptr) continue;
    SetWindowTextW(part.window, Wide(Tr(name)).c_str());
    part.accessible->defaultAction = Tr(u"Press");
  }
}

::RECT Win32UpdateWindow::PartRect(PartIndex index) const {
  switch (index) {
    case kSendPart:
      return labels_[kSendButton].rect;
    case kClosePart:
      return closeMark_.rect;
    default:
      return labels_[kCharsLeft].rect;
  }
}

void Win32UpdateWindow::PlaceParts() {
  for (int index = 0; index < kPartCount; ++index) {
    HWND window = parts_[index].window;
    if (window == nullptr) continue;
    ::RECT area = PartRect(static_cast<PartIndex>(index));
    SetWindowPos(window, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

LRESULT CALLBACK Win32UpdateWindow::ChildProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32UpdateWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    for (int index = 0; index < kPartCount; ++index) {
      if (self->parts_[index].window == hwnd) {
        return self->HandleChildMessage(self->parts_[index], static_cast<PartIndex>(index), message, wParam, lParam);
      }
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32UpdateWindow::HandleChildMessage(ChildPart& part, PartIndex index, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  WNDPROC original = part.original;
  HWND window = part.window;
  switch (message) {
    case WM_GETOBJECT:
      if (LRESULT answer = AnswerGetObject(window, wParam, lParam, part.accessible, apartment_)) return answer;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressedByMouse_ = true;
      break;
    case WM_KEYDOWN:
      if (index == kCharsLeftPart) break;
      pressedByMouse_ = false;
      if (wParam == VK_TAB) {
        SendMessageW(hwnd(), WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
        return 0;
      }
      if (wParam == VK_RETURN) {
        Guarded([&] { Press(index); });
        return 0;
      }
      if (wParam == VK_ESCAPE) {  // as in the box: hidden without sending
        Guarded([&] { Press(kClosePart); });
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\r' || wParam == L'\t' || wParam == 27) return 0;  // taken at the key's going down
      break;
    case WM_NCDESTROY:
      part.window = nullptr;
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      break;
    default:
      break;
  }
  return CallWindowProcW(original, window, message, wParam, lParam);
}

void Win32UpdateWindow::Press(PartIndex index) {
  const Callback<void()>& onClick = index == kSendPart ? labels_[kSendButton].onClick : closeMark_.onClick;
  if (onClick) onClick();
}

void Win32UpdateWindow::PlaceEditBox() {
  HWND edit = statusBox_->hwnd();
  if (edit == nullptr) return;
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), TRUE);
  ::RECT area = TwipsRect(kStatusBoxArea);
  SetWindowPos(edit, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32UpdateWindow::LayOut() {
  clientWidth_ = Px(kClientWidthTwips);
  clientHeight_ = Px(kClientHeightTwips);
  frameLineWidth_ = RoundHalfEven(static_cast<double>(kFrameLinePixels) * Dpi() / 96);
  // The pictures of another density go; those of this one are loaded when first painted.
  if (int density = NearestPictureDensity(Dpi()); density != pictureDensity_) {
    pictureDensity_ = density;
    background_.reset();
    closeMarkPicture_.reset();
  }

  UniqueIcon small = LoadProgramIcon(SmallIconSize(Dpi())), big = LoadProgramIcon(LargeIconSize(Dpi()));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  smallIcon_ = std::move(small);
  bigIcon_ = std::move(big);

  // New fonts: the edit box takes its own before the old one goes.
  // The window's own face, Arial, for English; another language is written in the system's
  // message face, which Windows links to the fonts of every script (Arial is not linked to all).
  std::wstring face = L"Arial";
  fontsLanguage_ = LanguageTag();
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (fontsLanguage_ != "en" &&
      SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    face = metrics.lfMessageFont.lfFaceName;
  UniqueFont textFont(MakeFont(face.c_str(), 9.75, false, Dpi()));
  if (HWND edit = statusBox_->hwnd()) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
  textFont_ = std::move(textFont);
  smallBoldFont_.reset(MakeFont(face.c_str(), 9, true, Dpi()));
  countFont_.reset(MakeFont(L"Times New Roman", 21.75, true, Dpi()));
  plainCountFont_.reset(MakeFont(face.c_str(), 21.75, true, Dpi()));
  headingFont_.reset(MakeFont(face.c_str(), 14.25, true, Dpi()));

  struct LabelPlace {
    LabelIndex index;
    TwipsBox area;
    HFONT font;
  };
  const LabelPlace places[] = {
      {kSendButton, kSendButtonArea, nullptr},
      {kCountdownCaption, kCountdownCaptionArea, smallBoldFont_.get()},
      {kCharsLeft, kCharsLeftArea, countFont_.get()},
      {kCredit, kCreditArea, smallBoldFont_.get()},
  };
  for (const LabelPlace& place : places) {
    labels_[place.index].rect = TwipsRect(place.area);
    labels_[place.index].font = place.font;
  }
  closeMark_.rect = TwipsRect(kCloseMarkArea);
  ::RECT frame = TwipsRect(kFrameArea);  // where the frame was moved to, at the new density
  OffsetRect(&frame, 0, MulDiv(frame_.rect.top, Dpi(), frameDpi_) - frame.top);
  frame_.rect = frame;
  frameDpi_ = Dpi();
  PlaceEditBox();
  PlaceParts();
}

void Win32UpdateWindow::LoadPictures() {
  if (background_ && closeMarkPicture_) return;
  for (const auto& set : kPictures) {
    if (set.density != pictureDensity_) continue;
    background_ = LoadPngPicture(set.background);
    closeMarkPicture_ = LoadPngPicture(set.closeMark);
  }
}

// Position and size are each converted, halves to even, as the program's other windows do.
::RECT Win32UpdateWindow::TwipsRect(const TwipsBox& box) const {
  return {Px(box.left), Px(box.top), Px(box.left) + Px(box.width), Px(box.top) + Px(box.height)};
}

void Win32UpdateWindow::PaintedLabel::SetCaption(std::u16string_view text) {
  if (caption == text) return;
  caption = text;
  RedrawWindow(owner, &rect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);  // the child over it draws it too
}

void Win32UpdateWindow::FrameOutline::SetTop(std::int32_t pixels) {
  RedrawWindow(owner, &rect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  OffsetRect(&rect, 0, pixels - rect.top);
  RedrawWindow(owner, &rect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

const Callback<void()>* Win32UpdateWindow::HitTest(POINT point) const {
  // Stacking order, top first: credit, charsLeft, sendButton, closeMark, (frame takes no clicks), countdownCaption.
  for (const ::RECT* rect : {&labels_[kCredit].rect, &labels_[kCharsLeft].rect, &labels_[kSendButton].rect,
                             &closeMark_.rect, &labels_[kCountdownCaption].rect}) {
    if (!PtInRect(rect, point)) continue;
    if (rect == &closeMark_.rect) return &closeMark_.onClick;
    for (const auto& label : labels_) {
      if (&label.rect == rect) return &label.onClick;
    }
  }
  return nullptr;
}

void Win32UpdateWindow::Paint(HDC target) { Render(target, {0, 0, clientWidth_, clientHeight_}); }

void Win32UpdateWindow::Render(HDC target, const ::RECT& area) {
  // Drawn off screen, bottom of the stacking order first, then copied in one go. Declared in
  // this order so that the surface leaves the canvas before it is deleted, and both before the
  // canvas goes.
  UniqueMemoryDc canvasDc = CompatibleDc(target);
  UniqueBitmap surface(CreateCompatibleBitmap(target, clientWidth_, clientHeight_));
  ScopedSelection surfaceSelection(canvasDc.get(), surface.get());
  HDC canvas = canvasDc.get();
  // A mirrored window (texts that read right to left) is drawn mirrored, its pictures as they are.
  bool mirrored = (GetLayout(target) & LAYOUT_RTL) != 0;
  SetLayout(canvas, mirrored ? LAYOUT_RTL | LAYOUT_BITMAPORIENTATIONPRESERVED : 0);
  if (highContrast_) {
    DrawHighContrast(canvas);
  } else {
    ::RECT client{0, 0, clientWidth_, clientHeight_};
    FillRect(canvas, &client, white_.get());

    // The picture at the window's density (its lower rows lie below the client area).
    LoadPictures();
    UniqueMemoryDc picture = CompatibleDc(target);
    SetLayout(picture.get(), 0);
    DrawPicture(canvas, picture.get(), background_.get(),
                TwipsRect({0, 0, kBackgroundWidthTwips, kBackgroundHeightTwips}));
    DrawTranslatedQuestion(canvas, mirrored);

    SetBkMode(canvas, TRANSPARENT);
    auto drawLabel = [&](const PaintedLabel& label) {
      if (label.caption.empty()) return;
      ScopedSelection font(canvas, label.font);
      SetTextColor(canvas, label.colour);
      ::RECT r = label.rect;
      std::wstring text = Wide(label.caption);
      DrawTextW(canvas, text.c_str(), static_cast<int>(text.size()), &r,
                label.align | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    };
    drawLabel(labels_[kCountdownCaption]);

    // frame: a teal outline, 3 pixels wide at 96 dpi, inside its rectangle.
    ::RECT frame = frame_.rect;
    for (int line = 0; line < frameLineWidth_; ++line) {
      FrameRect(canvas, &frame, teal_.get());
      InflateRect(&frame, -1, -1);
    }

    DrawPicture(canvas, picture.get(), closeMarkPicture_.get(), closeMark_.rect);

    drawLabel(labels_[kSendButton]);
    drawLabel(labels_[kCharsLeft]);
    drawLabel(labels_[kCredit]);
  }
  DrawFocusMarks(canvas);

  // Copied pixel for pixel: `area` is in the window's (mirrored) coordinates, the copy in the
  // screen's.
  if (!mirrored) {
    BitBlt(target, 0, 0, area.right - area.left, area.bottom - area.top, canvas, area.left, area.top, SRCCOPY);
    return;
  }
  SetLayout(canvas, 0);
  DWORD targetLayout = SetLayout(target, 0);
  BitBlt(target, 0, 0, area.right - area.left, area.bottom - area.top, canvas, clientWidth_ - area.right, area.top,
         SRCCOPY);
  SetLayout(target, targetLayout);
}

// The picture carries the question in English. In another language the panel is cleaned where
// the picture writes it (in a mirrored window the picture is not mirrored, so that is the other
// side) and the question is written in the picture's heading font instead.
void Win32UpdateWindow::DrawTranslatedQuestion(HDC canvas, bool mirrored) {
  constexpr std::u16string_view kEnglish = u"What are you doing?";
  std::u16string question = Tr(kEnglish);
  if (question == kEnglish) return;
  ::RECT heading = TwipsRect(kHeadingArea);
  // The picture's letters reach a little past the heading's area (the W's first stroke).
  ::RECT painted{heading.left - Px(60), heading.top, heading.right, heading.bottom};
  if (mirrored) painted = {clientWidth_ - painted.right, painted.top, clientWidth_ - painted.left, painted.bottom};
  FillRect(canvas, &painted, white_.get());
  ScopedSelection font(canvas, headingFont_.get());
  SetBkMode(canvas, TRANSPARENT);
  SetTextColor(canvas, RGB(0, 0, 0));
  std::wstring wide = Wide(question);
  DrawTextW(canvas, wide.c_str(), static_cast<int>(wide.size()), &heading,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

// The high-contrast look: the theme's colours, no pictures; the question, which is otherwise
// part of the background picture, written out.
void Win32UpdateWindow::DrawHighContrast(HDC canvas) {
  ::RECT client{0, 0, clientWidth_, clientHeight_};
  FillRect(canvas, &client, GetSysColorBrush(COLOR_WINDOW));
  HBRUSH text = GetSysColorBrush(COLOR_WINDOWTEXT);
  SetBkMode(canvas, TRANSPARENT);
  auto write = [&](const std::u16string& caption, ::RECT r, HFONT font, int colour, UINT align) {
    if (caption.empty()) return;
    ScopedSelection selected(canvas, font);
    SetTextColor(canvas, GetSysColor(colour));
    std::wstring wide = Wide(caption);
    DrawTextW(canvas, wide.c_str(), static_cast<int>(wide.size()), &r, align | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  };
  write(Tr(u"What are you doing?"), TwipsRect(kHeadingArea), headingFont_.get(), COLOR_WINDOWTEXT, DT_LEFT | DT_TOP);

  ::RECT frame = frame_.rect;
  for (int line = 0; line < frameLineWidth_; ++line) {
    FrameRect(canvas, &frame, text);
    InflateRect(&frame, -1, -1);
  }
  ::RECT box = TwipsRect(kStatusBoxArea);  // the box's outline, drawn by the picture otherwise
  InflateRect(&box, 1, 1);
  FrameRect(canvas, &box, text);

  bool sendFocused = parts_[kSendPart].window != nullptr && GetFocus() == parts_[kSendPart].window;
  ::RECT button = labels_[kSendButton].rect;
  FillRect(canvas, &button, GetSysColorBrush(sendFocused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
  FrameRect(canvas, &button, GetSysColorBrush(COLOR_BTNTEXT));
  write(labels_[kCountdownCaption].caption, button, labels_[kCountdownCaption].font,
        sendFocused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT, DT_CENTER | DT_VCENTER);

  // The close mark: a cross on a button's face (drawn, not taken from a symbol font, which Wine lacks).
  ::RECT close = closeMark_.rect;
  FillRect(canvas, &close, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(canvas, &close, GetSysColorBrush(COLOR_BTNTEXT));
  {
    UniqueHandle<GdiTraits<HPEN>> pen(CreatePen(PS_SOLID, frameLineWidth_ > 2 ? 2 : 1, GetSysColor(COLOR_BTNTEXT)));
    ScopedSelection selectedPen(canvas, pen.get());
    int inset = (close.right - close.left) / 4;
    MoveToEx(canvas, close.left + inset, close.top + inset, nullptr);
    LineTo(canvas, close.right - inset, close.bottom - inset);
    MoveToEx(canvas, close.right - inset - 1, close.top + inset, nullptr);
    LineTo(canvas, close.left + inset - 1, close.bottom - inset);
  }

  write(labels_[kCharsLeft].caption, labels_[kCharsLeft].rect, plainCountFont_.get(), COLOR_WINDOWTEXT,
        DT_RIGHT | DT_TOP);
  write(labels_[kCredit].caption, labels_[kCredit].rect, labels_[kCredit].font, COLOR_WINDOWTEXT, DT_RIGHT | DT_TOP);
}

namespace {
std::wstring FaceOf(HFONT font) {
  LOGFONTW described{};
  if (font == nullptr || GetObjectW(font, sizeof described, &described) == 0) return L"";
  return described.lfFaceName;
}
}  // namespace

std::wstring Win32UpdateWindow::CharsLeftFace() const {
  return FaceOf(highContrast_ ? plainCountFont_.get() : countFont_.get());
}

std::wstring Win32UpdateWindow::QuestionFace() const { return FaceOf(headingFont_.get()); }

// The focus mark of the send button or the close mark, when one of them has the focus: dotted,
// as the system draws it, or in the theme's highlight with a high-contrast theme.
void Win32UpdateWindow::DrawFocusMarks(HDC canvas) {
  HWND focus = GetFocus();
  for (PartIndex index : {kSendPart, kClosePart}) {
    if (focus == nullptr || parts_[index].window != focus) continue;
    ::RECT mark = PartRect(index);
    if (highContrast_) {
      for (int line = 0; line < 2; ++line) {
        FrameRect(canvas, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
        InflateRect(&mark, -1, -1);
      }
    } else {
      if (index == kSendPart) InflateRect(&mark, -2, -2);
      SetTextColor(canvas, kBlack);
      SetBkColor(canvas, kWhite);
      DrawFocusRect(canvas, &mark);
    }
  }
}

LRESULT Win32UpdateWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PaintDc dc(hwnd());
      Paint(dc.get());
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_CTLCOLOREDIT:
      return BoxColours(reinterpret_cast<HDC>(wParam));
    case WM_DRAWITEM:
      return DrawChild(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      ColoursMayHaveChanged(message == WM_SYSCOLORCHANGE);
      break;
    case WM_NEXTDLGCTL:
      FocusNextControl(wParam != 0);
      return 0;
    case kPressPartMessage:
      if (wParam == kSendPart || wParam == kClosePart) Guarded([&] { Press(static_cast<PartIndex>(wParam)); });
      return 0;
    case WM_WINDOWPOSCHANGING:
      ShowingOrHiding(*reinterpret_cast<const WINDOWPOS*>(lParam));
      break;
    case WM_ACTIVATE:  // typing goes to the box
      if (LOWORD(wParam) != WA_INACTIVE) FocusBox();
      return 0;
    case WM_SETFOCUS:
      FocusBox();
      return 0;
    case WM_SHOWWINDOW:
      if (wParam != FALSE) {
        focusAnnounced_ = false;
        PostMessageW(hwnd(), kAnnounceMessage, 0, 0);
      }
      break;
    case kAnnounceMessage:
      AnnounceQuestion();
      return 0;
    case WM_COMMAND:
      if (ChildCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam))) return 0;
      break;
    case WM_LBUTTONDOWN:
      pressed_ = HitTest({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      SetCapture(hwnd());
      return 0;
    case WM_LBUTTONUP:
      MouseReleased({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = nullptr;
      return 0;
    case WM_CLOSE:
      Hide();  // Alt+F4 hides, like Esc; the window lives as long as the program
      return 0;
    case WM_DPICHANGED:  // moved to a monitor of another density, or its density changed
      if (HIWORD(wParam) != 0) DensityChanged(HIWORD(wParam), reinterpret_cast<const ::RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

LRESULT Win32UpdateWindow::BoxColours(HDC dc) {
  if (highContrast_) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  }
  SetBkColor(dc, kWhite);
  return reinterpret_cast<LRESULT>(white_.get());
}

LRESULT Win32UpdateWindow::DrawChild(const DRAWITEMSTRUCT* item) {
  // A child over a painted control: its piece of the window's picture.
  ::RECT area{};
  if (item == nullptr || !GetWindowRect(item->hwndItem, &area)) return FALSE;
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
  if (area.left > area.right) std::swap(area.left, area.right);  // mapped into a mirrored window
  Guarded([&] { Render(item->hDC, area); });
  return TRUE;
}

void Win32UpdateWindow::ColoursMayHaveChanged(bool systemColours) {
  // A high-contrast theme may have come or gone.
  bool before = highContrast_;
  ReadHighContrast();
  if (before != highContrast_ || systemColours) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32UpdateWindow::FocusNextControl(bool backwards) {
  // Tab or Shift+Tab in the box or on a button: the next control, as in a dialog.
  HWND focus = GetFocus();
  HWND next = GetNextDlgTabItem(hwnd(), IsChild(hwnd(), focus) ? focus : nullptr, backwards);
  if (next != nullptr && IsChild(hwnd(), next)) SetFocus(next);
}

void Win32UpdateWindow::ShowingOrHiding(const WINDOWPOS& place) {
  // Shown: the children are made now if they were not yet. Hidden: the pictures go (they are
  // decoded again at the next paint), so that an idle program holds only what it needs.
  // The texts follow the language in use, which may have changed since the window was last up.
  if ((place.flags & SWP_SHOWWINDOW) != 0) Guarded([&] {
    MakeChildren();
    SpeakLanguageInUse();
  });
  if ((place.flags & SWP_HIDEWINDOW) != 0 && IsWindowVisible(hwnd())) {
    background_.reset();
    closeMarkPicture_.reset();
  }
}

void Win32UpdateWindow::FocusBox() {
  if (statusBox_ && statusBox_->hwnd()) SetFocus(statusBox_->hwnd());
}

void Win32UpdateWindow::AnnounceQuestion() {
  // A screen reader hears the question once at each pop-up: from the system's focus event when
  // the box takes the focus, or from this one when the box had kept it.
  if (!std::exchange(focusAnnounced_, true) && IsWindowVisible(hwnd()) && statusBox_ && statusBox_->hwnd() &&
      GetFocus() == statusBox_->hwnd()) {
    NotifyWinEvent(EVENT_OBJECT_FOCUS, statusBox_->hwnd(), OBJID_CLIENT, CHILDID_SELF);
  }
}

bool Win32UpdateWindow::ChildCommand(HWND child, WORD code) {
  if (statusBox_ && statusBox_->hwnd() && child == statusBox_->hwnd()) {
    if (code == EN_SETFOCUS) focusAnnounced_ = true;  // the system announced it
    statusBox_->Notify(code);
    return true;
  }
  for (PartIndex index : {kSendPart, kClosePart}) {
    if (child == nullptr || child != parts_[index].window || code != BN_CLICKED) continue;
    // A click with the mouse leaves the typing in the box, as the painted control did; Space on
    // a focused button leaves the focus there.
    bool byMouse = std::exchange(pressedByMouse_, false);
    Guarded([&] { Press(index); });
    if (byMouse && IsWindowVisible(hwnd())) FocusBox();
    return true;
  }
  return false;
}

void Win32UpdateWindow::MouseReleased(POINT at) {
  // A click: the button went down and came up over the same control.
  const auto* released = HitTest(at);
  const auto* pressed = std::exchange(pressed_, nullptr);
  ReleaseCapture();
  if (released != nullptr && released == pressed && *released) (*released)();
}

void Win32UpdateWindow::DensityChanged(UINT dpi, const ::RECT* suggested) {
  SetDpi(dpi);
  LayOut();
  if (suggested != nullptr) {
    SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, clientWidth_, clientHeight_,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(hwnd(), nullptr, FALSE);
}

}  // namespace quillet::platform::win32
