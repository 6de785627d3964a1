#include "platform/win32/win32_update_window.h"

#include <cstdlib>
#include <utility>

#include "common/convert.h"
#include "common/failure.h"
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
constexpr int kMaxLength = 140;

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
      {kCredit, u"by Velmora", kBlack, DT_RIGHT},
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
  LayOut();
}

HWND Win32UpdateWindow::EditWindow() {
  MakeChildren();
  return statusBox_->hwnd();
}

// The edit box is the one child, and the one part of the window that needs the common controls
// (the manifest asks for version 6, which draws it): a session that never pops up never loads them.
void Win32UpdateWindow::MakeChildren() {
  if (statusBox_->hwnd() != nullptr) return;
  HWND editWindow =
      CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), ProgramInstance(), nullptr);
  if (editWindow == nullptr) ThrowLastError("CreateWindowExW");
  try {
    statusBox_->Attach(editWindow);
  } catch (...) {
    DestroyWindow(editWindow);
    throw;
  }
  PlaceEditBox();
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
  UniqueFont textFont(MakeFont(L"Arial", 9.75, false, Dpi()));
  if (HWND edit = statusBox_->hwnd()) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
  textFont_ = std::move(textFont);
  smallBoldFont_.reset(MakeFont(L"Arial", 9, true, Dpi()));
  countFont_.reset(MakeFont(L"Times New Roman", 21.75, true, Dpi()));

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
}

void Win32UpdateWindow::LoadPictures() {
  if (background_ && closeMarkPicture_) return;
  for (const auto& set : kPictures) {
    if (set.density != pictureDensity_) continue;
    PngDecoder decoder;
    background_ = decoder.Decode(set.background);
    closeMarkPicture_ = decoder.Decode(set.closeMark);
  }
}

// Position and size are each converted, halves to even, as the program's other windows do.
::RECT Win32UpdateWindow::TwipsRect(const TwipsBox& box) const {
  return {Px(box.left), Px(box.top), Px(box.left) + Px(box.width), Px(box.top) + Px(box.height)};
}

void Win32UpdateWindow::PaintedLabel::SetCaption(std::u16string_view text) {
  if (caption == text) return;
  caption = text;
  InvalidateRect(owner, &rect, FALSE);
}

void Win32UpdateWindow::FrameOutline::SetTop(std::int32_t pixels) {
  InvalidateRect(owner, &rect, FALSE);
  OffsetRect(&rect, 0, pixels - rect.top);
  InvalidateRect(owner, &rect, FALSE);
}

const std::function<void()>* Win32UpdateWindow::HitTest(POINT point) const {
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

void Win32UpdateWindow::Paint(HDC target) {
  // Drawn off screen, bottom of the stacking order first, then copied in one go. Declared in
  // this order so that the surface leaves the canvas before it is deleted, and both before the
  // canvas goes.
  UniqueMemoryDc canvasDc = CompatibleDc(target);
  UniqueBitmap surface(CreateCompatibleBitmap(target, clientWidth_, clientHeight_));
  ScopedSelection surfaceSelection(canvasDc.get(), surface.get());
  HDC canvas = canvasDc.get();
  ::RECT client{0, 0, clientWidth_, clientHeight_};
  FillRect(canvas, &client, white_.get());

  // The picture at the window's density (its lower rows lie below the client area).
  LoadPictures();
  UniqueMemoryDc picture = CompatibleDc(target);
  DrawPicture(canvas, picture.get(), background_.get(),
              TwipsRect({0, 0, kBackgroundWidthTwips, kBackgroundHeightTwips}));

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

  BitBlt(target, 0, 0, clientWidth_, clientHeight_, canvas, 0, 0, SRCCOPY);
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
      SetBkColor(reinterpret_cast<HDC>(wParam), kWhite);
      return reinterpret_cast<LRESULT>(white_.get());
    case WM_WINDOWPOSCHANGING: {
      // Shown: the children are made now if they were not yet. Hidden: the pictures go (they
      // are decoded again at the next paint), so that an idle program holds only what it needs.
      const auto* place = reinterpret_cast<const WINDOWPOS*>(lParam);
      if ((place->flags & SWP_SHOWWINDOW) != 0) Guarded([&] { MakeChildren(); });
      if ((place->flags & SWP_HIDEWINDOW) != 0 && IsWindowVisible(hwnd())) {
        background_.reset();
        closeMarkPicture_.reset();
      }
      break;
    }
    case WM_ACTIVATE:  // typing goes to the box
      if (LOWORD(wParam) != WA_INACTIVE && statusBox_ && statusBox_->hwnd()) SetFocus(statusBox_->hwnd());
      return 0;
    case WM_SETFOCUS:
      if (statusBox_ && statusBox_->hwnd()) SetFocus(statusBox_->hwnd());
      return 0;
    case WM_COMMAND:
      if (statusBox_ && statusBox_->hwnd() && reinterpret_cast<HWND>(lParam) == statusBox_->hwnd()) {
        statusBox_->Notify(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
      pressed_ = HitTest({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      SetCapture(hwnd());
      return 0;
    case WM_LBUTTONUP: {
      // A click: the button went down and came up over the same control.
      const auto* released = HitTest({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      const auto* pressed = std::exchange(pressed_, nullptr);
      ReleaseCapture();
      if (released != nullptr && released == pressed && *released) (*released)();
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = nullptr;
      return 0;
    case WM_CLOSE:
      Hide();  // Alt+F4 hides, like Esc; the window lives as long as the program
      return 0;
    case WM_DPICHANGED: {  // moved to a monitor of another density, or its density changed
      if (HIWORD(wParam) == 0) return 0;
      SetDpi(HIWORD(wParam));
      LayOut();
      if (const auto* suggested = reinterpret_cast<const ::RECT*>(lParam)) {
        SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, clientWidth_, clientHeight_,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      }
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    }
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quillet::platform::win32
