#pragma once
// Windows laid out in twips at the density of the monitor they are on. The program declares
// itself aware of each monitor's density (per monitor, version 2): when a window moves to a
// monitor of another density, or the monitor's density changes, Windows sends it WM_DPICHANGED
// with the new density and a suggested rectangle, and the window lays itself out again.
//
// TwipsLayout keeps a window's children with their twips rectangles, its font and its icons, and
// lays them all out again at a new density. A dialog uses it like this:
//   layout_.Add(child, {left, top, width, height});      // for each child, as it is made
//   layout_.SetIcons(hwnd());                             // once the window exists
//   case WM_DPICHANGED:                                   // in HandleMessage
//     SetDpi(layout_.Rescale(hwnd(), wParam, lParam, kClientWidth, kClientHeight));
//     return 0;
// A dialog whose texts may be longer than those it was drawn for (another language) also calls
//   layout_.FitTexts(kClientWidth)                        // once its texts are set
// which widens the children and the dialog (common/text_fit.h) until each text fits; from then on
// Rescale fits them again at each density. English texts fit their boxes: nothing moves.
// The functions that only newer systems have (GetDpiForWindow, GetSystemMetricsForDpi: Windows 10
// 1607 and later) are looked up when called; without them the display's one density is used,
// which is all those systems have.
#include <windows.h>

#include <vector>

#include "common/text_fit.h"
#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

using quillet::TwipsBox;

// The density of the monitor the window is on, where the system has one per monitor; else the
// display's.
int WindowDpi(HWND window);

// The small (16 pixels at 96 dpi) and large (32) icon's size at a density.
int SmallIconSize(int dpi);
int LargeIconSize(int dpi);

// The system's message font at 8 points at a density: its face is the one Windows picks for the
// display language ("Segoe UI" in English, "Yu Gothic UI" in Japanese). The system's own height is
// not used: the dialogs were drawn for 8 points, and whether the system's follows the density
// differs between systems.
UniqueFont DefaultGuiFont(int dpi);

// What a child's text is, from its window class and style, for the room the control draws around it.
TextRole TextRoleOf(HWND child);
// The children of `window` (at any depth) whose text does not fit the control: wider than the
// control less the room the control draws around its text at `dpi`, or, where the text wraps,
// taller than the control. Empty when every text can be read whole.
std::vector<HWND> ClippedTexts(HWND window, int dpi);
// Every descendant of the window, in the order EnumChildWindows gives them.
std::vector<HWND> ChildWindows(HWND window);

class TwipsLayout {
 public:
  using FontMaker = UniqueFont (*)(int dpi);
  // How a child's size follows from its twips rectangle.
  enum class Fit {
    kBox,       // the rectangle
    kText,      // its text in the layout's font, at the rectangle's top left (a label)
    kDropDown,  // a drop-down list: the closed box, with room below it for the open list
  };

  explicit TwipsLayout(int dpi, FontMaker makeFont = &DefaultGuiFont);

  int Dpi() const { return dpi_; }
  HFONT Font() const { return font_.get(); }
  int Px(int twips) const;
  // A horizontal measure of the description in pixels, stretched as the texts need (FitTexts).
  int PxWide(int twips) const;
  double Stretch() const { return fitted_.stretch; }

  // Gives the child the font and places it; it is placed again at each new density.
  // `listEntries` is the number of entries an open drop-down list shows.
  HWND Add(HWND child, TwipsBox box, Fit fit = Fit::kBox, int listEntries = 0);
  // Gives a child added before another place in the description; it is placed there at the next
  // FitTexts (or Rescale).
  void Move(HWND child, TwipsBox box);
  // The program's small and large icon at the layout's density, set as the window's icons.
  void SetIcons(HWND window);
  HICON SmallIcon() const { return smallIcon_.get(); }

  // WM_DPICHANGED: the new font, icons, and children's places at the density in wParam; the
  // window, sized for its client area in twips at that density, at the suggested rectangle's top
  // left (lParam). Returns the new density.
  // Once the layout fits texts, the client area's width is the fitted one.
  int Rescale(HWND window, WPARAM wParam, LPARAM lParam, int clientWidthTwips, int clientHeightTwips);

  // Measures the children's texts in the layout's font, widens the children and the client area
  // as they need and places the children again; from now on, it does so at each new density.
  // Returns the client area's width in twips (`clientWidthTwips` where every text fits).
  int FitTexts(int clientWidthTwips);

 private:
  struct Child {
    HWND window;
    TwipsBox box;
    Fit fit;
    int listEntries;
    int container;  // the index of the child it lies in, or -1 for the window
  };
  void Place(const Child& child, const TwipsBox& box) const;
  void PlaceAll() const;

  int dpi_;
  FontMaker makeFont_;
  UniqueFont font_;
  UniqueIcon smallIcon_, bigIcon_;
  std::vector<Child> children_;
  int fitClientWidth_ = 0;  // the described width while the layout fits texts, else 0
  FittedLayout fitted_;     // the children's boxes as fitted (empty: as described)
};

}  // namespace quillet::platform::win32
