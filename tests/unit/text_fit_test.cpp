// A dialog widened until each of its texts fits: a small dialog in the shape of the program's own
// (a group box holding a label before its field, a check box and a row of buttons; a panel with a
// check box; OK and Cancel), with one text lengthened at a time.
#include "common/text_fit.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet::testing {
namespace {

constexpr int kClientWidth = 6600;
enum Child { kGroup, kLabel, kField, kCheck, kAdd, kEdit, kPanel, kPanelCheck, kOk, kCancel };

// Each text as English gives it, with room to spare.
std::vector<FitChild> EnglishDialog() {
  return {
      {-1, {120, 120, 6360, 3000}, TextRole::kGroupCaption, 900, 195},
      {-1, {360, 405, 0, 0}, TextRole::kLabel, 1200, 195},  // sized to its text; its field at 1920
      {-1, {1920, 360, 4320, 315}, TextRole::kNone, 0, 0},
      {-1, {360, 900, 4200, 255}, TextRole::kCheckBox, 3000, 195},
      {-1, {360, 1500, 1215, 375}, TextRole::kButton, 600, 195},
      {-1, {1680, 1500, 1215, 375}, TextRole::kButton, 600, 195},
      {-1, {360, 3240, 3000, 600}, TextRole::kNone, 0, 0},
      {kPanel, {840, 120, 2160, 255}, TextRole::kCheckBox, 1500, 195},
      {-1, {3840, 4000, 1215, 375}, TextRole::kButton, 450, 195},
      {-1, {5160, 4000, 1215, 375}, TextRole::kButton, 700, 195},
  };
}

TEST(TextFit, TheDialogWidensOnlyAsMuchAsItsLongestTextNeeds) {
  struct Case {
    const char* what;
    Child child;
    int textWidth;
    double stretch;
    int width;  // the child's width after fitting
  };
  const Case cases[] = {
      {"English: every text fits, nothing moves", kCheck, 3000, 1.0, 4200},
      {"a text that wraps in its box is not fitted", kField, 20000, 1.0, 4320},
      {"a check box widens into its group box, less the group's inside margin", kCheck, 5500, 1.0, 5800},
      {"... past it, the dialog widens", kCheck, 6300, 6600.0 / 6000, 6600},
      {"a label up to its field, less the gap", kLabel, 1500, 1.0, 0},
      {"... past it, the dialog widens", kLabel, 1860, 1860.0 / 1500, 0},
      {"a button with its margins, up to the next button", kAdd, 1080, 1260.0 / 1260, 1260},
      {"... past it, the dialog widens", kAdd, 1620, 1800.0 / 1260, 1800},
      {"the last button up to the client area's margin", kCancel, 1500, 1680.0 / 1320, 1680},
      {"a group box's caption", kGroup, 6600, 6900.0 / 6360, 6900},
      {"a check box in a panel, up to the panel's edge", kPanelCheck, 2500, 2800.0 / 2160, 2800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<FitChild> dialog = EnglishDialog();
    dialog[c.child].textWidth = c.textWidth;
    FittedLayout fitted = FitTexts(dialog, kClientWidth);
    EXPECT_DOUBLE_EQ(fitted.stretch, c.stretch);
    EXPECT_NEAR(fitted.boxes[c.child].width, c.width, 1);
    EXPECT_NEAR(fitted.clientWidth, kClientWidth * c.stretch, 1);
    for (std::size_t i = 0; i < dialog.size(); ++i) {
      const TwipsBox& before = dialog[i].box;
      const TwipsBox& after = fitted.boxes[i];
      EXPECT_NEAR(after.left, before.left * c.stretch, 1) << i;
      EXPECT_EQ(after.top, before.top) << i;
      EXPECT_EQ(after.height, before.height) << i;
      if (i != static_cast<std::size_t>(c.child)) {
        EXPECT_NEAR(after.width, before.width * c.stretch, 1) << i;
      }
    }
  }
}

}  // namespace
}  // namespace quillet::testing
