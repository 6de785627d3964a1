#include "common/text_fit.h"

#include <algorithm>
#include <cmath>

namespace quillet {
namespace {

constexpr int kGapTwips = 60;           // kept between a widened child and its neighbour (4 pixels)
constexpr int kGroupInsideTwips = 120;  // between a group box's edge and what it holds (8 pixels)

int Right(const TwipsBox& box) { return box.left + box.width; }

// A label sized to its text has no height in the description: its text's height is its own.
int Height(const FitChild& child) { return child.box.height > 0 ? child.box.height : child.textHeight; }

bool SameRow(const FitChild& a, const FitChild& b) {
  return a.box.top < b.box.top + Height(b) && b.box.top < a.box.top + Height(a);
}

bool Holds(const FitChild& outer, const FitChild& inner) {
  return outer.role == TextRole::kGroupCaption && &outer != &inner && outer.box.left <= inner.box.left &&
         Right(inner.box) <= Right(outer.box) && outer.box.top <= inner.box.top &&
         inner.box.top + Height(inner) <= outer.box.top + Height(outer);
}

int Stretched(int twips, double stretch) { return static_cast<int>(std::lround(twips * stretch)); }

}  // namespace

int TextMarginTwips(TextRole role) {
  switch (role) {
    case TextRole::kButton:
      return 180;  // the edges and 3 pixels inside each at 96 dpi
    case TextRole::kCheckBox:
    case TextRole::kGroupCaption:
      return 300;  // the 13-pixel box and its gap; a caption's indent at either end
    default:
      return 0;
  }
}

FittedLayout FitTexts(const std::vector<FitChild>& children, int clientWidth) {
  // The right edge that each child's text may reach: its container's (the client area less the
  // margin its leftmost child keeps; a panel's own width), a group box's around it, a neighbour's.
  FittedLayout fitted;
  for (const FitChild& child : children) {
    int limit = clientWidth;
    if (child.container >= 0) {
      limit = children[static_cast<std::size_t>(child.container)].box.width;
    } else {
      int margin = clientWidth;
      for (const FitChild& other : children)
        if (other.container < 0) margin = std::min(margin, other.box.left);
      limit = clientWidth - margin;
    }
    for (const FitChild& other : children) {
      if (&other == &child || other.container != child.container) continue;
      if (Holds(other, child)) {
        limit = std::min(limit, Right(other.box) - kGroupInsideTwips);
      } else if (!Holds(child, other) && other.box.left > child.box.left && SameRow(child, other)) {
        limit = std::min(limit, other.box.left - kGapTwips);
      }
    }
    int room = std::max(child.box.width, limit - child.box.left);
    int need = child.role == TextRole::kNone || child.textWidth <= 0 ? 0 : child.textWidth + TextMarginTwips(child.role);
    if (need > room) fitted.stretch = std::max(fitted.stretch, static_cast<double>(need) / std::max(room, 1));
  }

  for (const FitChild& child : children) {
    TwipsBox box{Stretched(child.box.left, fitted.stretch), child.box.top, Stretched(child.box.width, fitted.stretch),
                 child.box.height};
    // A box narrower than its text takes what the text needs, which its room (stretched) holds.
    if (child.role != TextRole::kNone && child.box.width > 0 && child.textWidth > 0)
      box.width = std::max(box.width, child.textWidth + TextMarginTwips(child.role));
    fitted.boxes.push_back(box);
  }
  fitted.clientWidth = Stretched(clientWidth, fitted.stretch);
  return fitted;
}

}  // namespace quillet
