#pragma once
// Widening a dialog laid out in twips until each of its texts fits, whatever language they are in.
// The dialog's description gives every child a box; a text longer than the one it was drawn for
// (a German label a third longer than the English) needs more room than the box has. Each child
// with a text may take the room up to its nearest neighbour on its right (boxes on the same row,
// less a small gap) or up to the right margin of what it lies in; where even that is not enough,
// every horizontal measure of the dialog (lefts, widths, the client area's width) is stretched by
// the largest factor any child needs. A dialog whose texts all fit comes out exactly as described.
#include <vector>

namespace quillet {

// A rectangle of a window's description, in twips.
struct TwipsBox {
  int left, top, width, height;
  friend bool operator==(const TwipsBox&, const TwipsBox&) = default;
};

// What a child's text is, for the room around the text that the control draws.
enum class TextRole {
  kNone,          // no text to fit (a field, a list, a text that wraps in its box)
  kLabel,         // the text alone
  kButton,        // a push button: its edges and the margins inside them
  kCheckBox,      // a check box or radio button: the box and the gap before the text
  kGroupCaption,  // a group box: its caption sits in its top edge, indented from both ends
};

// The room a control needs beside its text, in twips (15 to the pixel at 96 dpi).
int TextMarginTwips(TextRole role);

struct FitChild {
  int container;  // the index of the child it lies in (a panel), or -1 for the client area
  TwipsBox box;   // relative to its container; a height of 0 for a label sized to its text
  TextRole role;
  int textWidth, textHeight;  // the text as measured in the dialog's font, twips
};

struct FittedLayout {
  double stretch = 1.0;        // the factor every horizontal measure was multiplied by, >= 1
  std::vector<TwipsBox> boxes;  // each child's box, stretched and widened where its text needs it
  int clientWidth = 0;
};

// The layout in which every text fits (children in the order given).
FittedLayout FitTexts(const std::vector<FitChild>& children, int clientWidth);

}  // namespace quillet
