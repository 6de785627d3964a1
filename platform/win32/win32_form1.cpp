#include "platform/win32/win32_form1.h"

#include <commctrl.h>

#include <utility>

#include "platform/failure.h"
#include "platform/win32/win32_app.h"
#include "resources/resource_ids.h"

namespace quillet::platform::win32 {
namespace {

constexpr COLORREF kTeal = RGB(42, 198, 204);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT_PTR kEditSubclassId = 1;
constexpr int kEditId = 1;
constexpr int kMaxLength = 140;

// A font of the given size in points (quarter points allowed) at the screen's dots per inch.
HFONT MakeFont(const wchar_t* face, double points, bool bold) {
  int height = -static_cast<int>(points * ScreenDpi() / 72.0 + 0.5);
  return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

::RECT Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

int TwipsToPixels(std::int32_t twips) { return MulDiv(twips, ScreenDpi(), 1440); }

}  // namespace

Win32Form1Window::Win32Form1Window() {
  smallIcon_.reset(static_cast<HICON>(
      LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(IDI_QUILLET), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
  bigIcon_.reset(static_cast<HICON>(LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(IDI_QUILLET), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                               LR_DEFAULTCOLOR)));
  background_.reset(static_cast<HBITMAP>(
      LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  closeMark_.reset(static_cast<HBITMAP>(
      LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(IDB_CLOSEMARK), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  textFont_.reset(MakeFont(L"Arial", 9.75, false));
  smallBoldFont_.reset(MakeFont(L"Arial", 9, true));
  countFont_.reset(MakeFont(L"Times New Roman", 21.75, true));
  white_.reset(CreateSolidBrush(kWhite));

  // Borderless, centred on the screen; the client area is the whole window.
  int left = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
  Create({kForm1ClassName, 0, bigIcon_.get(), smallIcon_.get()}, L"Quillet", WS_POPUP | WS_CLIPCHILDREN, 0, left,
         top, kClientWidth, kClientHeight);

  // The labels, from the window's description; Label1 is an invisible click area.
  auto& l1 = labels_[kLabel1];
  l1.rect = Bounds(240, 120, 97, 25);
  auto& l2 = labels_[kLabel2];
  l2.rect = Bounds(240, 122, 97, 17);
  l2.caption = u"Update (15)";
  l2.font = smallBoldFont_.get();
  l2.colour = kWhite;
  l2.align = DT_CENTER;
  auto& l3 = labels_[kLabel3];
  l3.rect = Bounds(480, 36, 65, 33);
  l3.caption = u"140";
  l3.font = countFont_.get();
  l3.colour = kGrey;
  l3.align = DT_RIGHT;
  auto& l4 = labels_[kLabel4];
  l4.rect = Bounds(392, 123, 153, 17);
  l4.caption = u"by Velmora";
  l4.font = smallBoldFont_.get();
  l4.colour = kBlack;
  l4.align = DT_RIGHT;
  for (auto& label : labels_) label.owner = hwnd();
  image1_.rect = Bounds(555, 4, 17, 17);
  shape1_.owner = hwnd();
  shape1_.rect = Bounds(0, 24, 577, 153);

  // Text1: a real single-line edit box over the painted input frame.
  text1_.hwnd = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 35, 80, 506, 29,
                                hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), ProgramInstance(),
                                nullptr);
  if (text1_.hwnd == nullptr) throw Failure("CreateWindowEx EDIT");
  SendMessageW(text1_.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
  SendMessageW(text1_.hwnd, EM_SETLIMITTEXT, kMaxLength, 0);
  SetWindowSubclass(text1_.hwnd, &Win32Form1Window::EditProcedure, kEditSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
}

Win32Form1Window::~Win32Form1Window() {
  if (text1_.hwnd != nullptr) RemoveWindowSubclass(text1_.hwnd, &Win32Form1Window::EditProcedure, kEditSubclassId);
}

std::u16string Win32Form1Window::Caption() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd())) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd(), text.data(), static_cast<int>(text.size()))));
  return FromWide(text);
}

void Win32Form1Window::SetCaption(std::u16string_view caption) { SetWindowTextW(hwnd(), Wide(caption).c_str()); }

bool Win32Form1Window::Visible() const { return IsWindowVisible(hwnd()) != FALSE; }

void Win32Form1Window::Show() { ShowWindow(hwnd(), SW_SHOW); }

void Win32Form1Window::Hide() { ShowWindow(hwnd(), SW_HIDE); }

void Win32Form1Window::SetPixelPosition(int left, int top, int width, int height, UINT flags) {
  SetWindowPos(hwnd(), nullptr, left, top, width, height, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form1Window::SetLeft(std::int32_t twips) {
  ::RECT r;
  GetWindowRect(hwnd(), &r);
  SetPixelPosition(TwipsToPixels(twips), r.top, 0, 0, SWP_NOSIZE);
}

void Win32Form1Window::SetTop(std::int32_t twips) {
  ::RECT r;
  GetWindowRect(hwnd(), &r);
  SetPixelPosition(r.left, TwipsToPixels(twips), 0, 0, SWP_NOSIZE);
}

void Win32Form1Window::SetWidth(std::int32_t twips) {
  ::RECT r;
  GetWindowRect(hwnd(), &r);
  SetPixelPosition(0, 0, TwipsToPixels(twips), r.bottom - r.top, SWP_NOMOVE);
}

void Win32Form1Window::SetHeight(std::int32_t twips) {
  ::RECT r;
  GetWindowRect(hwnd(), &r);
  SetPixelPosition(0, 0, r.right - r.left, TwipsToPixels(twips), SWP_NOMOVE);
}

void Win32Form1Window::PaintedLabel::SetCaption(std::u16string_view text) {
  if (caption == text) return;
  caption = text;
  InvalidateRect(owner, &rect, FALSE);
}

void Win32Form1Window::Frame::SetTop(std::int32_t pixels) {
  InvalidateRect(owner, &rect, FALSE);
  OffsetRect(&rect, 0, pixels - rect.top);
  InvalidateRect(owner, &rect, FALSE);
}

std::u16string Win32Form1Window::EditBox::Text() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return FromWide(text);
}

// The edit box itself raises the change event (EN_CHANGE), as it does for typing.
void Win32Form1Window::EditBox::SetText(std::u16string_view text) { SetWindowTextW(hwnd, Wide(text).c_str()); }

void Win32Form1Window::EditBox::SetSelection(std::int32_t start, std::int32_t length) {
  SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

std::int32_t Win32Form1Window::EditBox::SelectionStart() const {
  DWORD start = 0, end = 0;
  SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(start);
}

std::int32_t Win32Form1Window::EditBox::SelectionLength() const {
  DWORD start = 0, end = 0;
  SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(end - start);
}

// Character keys reach the key press handler before the box takes them; a code set to 0
// discards the key, another code is taken instead.
LRESULT CALLBACK Win32Form1Window::EditProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR self) {
  auto& box = reinterpret_cast<Win32Form1Window*>(self)->text1_;
  if (message == WM_CHAR && box.onKeyPress) {
    auto keyAscii = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam));
    Guarded([&] { box.onKeyPress(keyAscii); });
    if (keyAscii == 0) return 0;
    wParam = static_cast<std::uint16_t>(keyAscii);
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

const std::function<void()>* Win32Form1Window::HitTest(POINT point) const {
  // Stacking order, top first: Label4, Label3, Label1, Image1, (Shape1 takes no clicks), Label2.
  for (const ::RECT* rect : {&labels_[kLabel4].rect, &labels_[kLabel3].rect, &labels_[kLabel1].rect, &image1_.rect,
                             &labels_[kLabel2].rect}) {
    if (!PtInRect(rect, point)) continue;
    if (rect == &image1_.rect) return &image1_.onClick;
    for (const auto& label : labels_) {
      if (&label.rect == rect) return &label.onClick;
    }
  }
  return nullptr;
}

void Win32Form1Window::Paint(HDC target) {
  // Drawn off screen, bottom of the stacking order first, then copied in one go.
  HDC canvas = CreateCompatibleDC(target);
  HBITMAP surface = CreateCompatibleBitmap(target, kClientWidth, kClientHeight);
  HGDIOBJ oldSurface = SelectObject(canvas, surface);
  ::RECT client = Bounds(0, 0, kClientWidth, kClientHeight);
  FillRect(canvas, &client, white_.get());

  HDC picture = CreateCompatibleDC(target);
  HGDIOBJ oldPicture = SelectObject(picture, background_.get());
  BitBlt(canvas, 0, 0, kClientWidth, kClientHeight, picture, 0, 0, SRCCOPY);

  SetBkMode(canvas, TRANSPARENT);
  auto drawLabel = [&](const PaintedLabel& label) {
    if (label.caption.empty()) return;
    HGDIOBJ oldFont = SelectObject(canvas, label.font);
    SetTextColor(canvas, label.colour);
    ::RECT r = label.rect;
    std::wstring text = Wide(label.caption);
    DrawTextW(canvas, text.c_str(), static_cast<int>(text.size()), &r,
              label.align | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(canvas, oldFont);
  };
  drawLabel(labels_[kLabel2]);

  // Shape1: a 3-pixel teal outline inside its rectangle.
  HBRUSH teal = CreateSolidBrush(kTeal);
  ::RECT frame = shape1_.rect;
  for (int line = 0; line < 3; ++line) {
    FrameRect(canvas, &frame, teal);
    InflateRect(&frame, -1, -1);
  }
  DeleteObject(teal);

  SelectObject(picture, closeMark_.get());
  BitBlt(canvas, image1_.rect.left, image1_.rect.top, 17, 17, picture, 0, 0, SRCCOPY);
  SelectObject(picture, oldPicture);
  DeleteDC(picture);

  drawLabel(labels_[kLabel1]);
  drawLabel(labels_[kLabel3]);
  drawLabel(labels_[kLabel4]);

  BitBlt(target, 0, 0, kClientWidth, kClientHeight, canvas, 0, 0, SRCCOPY);
  SelectObject(canvas, oldSurface);
  DeleteObject(surface);
  DeleteDC(canvas);
}

LRESULT Win32Form1Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      Paint(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_CTLCOLOREDIT:
      SetBkColor(reinterpret_cast<HDC>(wParam), kWhite);
      return reinterpret_cast<LRESULT>(white_.get());
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(text1_.hwnd);  // typing goes to the box
      return 0;
    case WM_SETFOCUS:
      SetFocus(text1_.hwnd);
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == text1_.hwnd && text1_.hwnd != nullptr) {
        if (HIWORD(wParam) == EN_CHANGE && text1_.onChange) text1_.onChange();
        if (HIWORD(wParam) == EN_SETFOCUS && text1_.onGotFocus) text1_.onGotFocus();
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
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quillet::platform::win32
