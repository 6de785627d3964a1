#pragma once
// A dialog described as a table: one row for each control, in the order Tab visits them, saying
// what the control is, its caption, the stored value it edits (if any) and its place in twips.
// A front end makes the controls from the rows and binds what every control of a kind does
// (platform/win32/win32_dialog_window.h: AddRows); the description knows no window system, so
// that the part of the program that knows what a dialog must ask can hand over its rows.
#include <string_view>

#include "common/text_fit.h"

namespace quillet::platform {

enum class ControlKind {
  kLabel,          // a caption whose access key moves to the control after it; with a box of no
                   // width, sized to its text at the box's top left
  kMessage,        // a text the program sets, shown as written ("&" is no access key)
  kTextBox,
  kPasswordBox,    // a text box that shows "*" for each character
  kReadOnlyText,   // lines of text that can be read, scrolled and copied from, but not edited
  kReadOnlyLine,   // one line of text that can be read and copied from, but not edited
  kLinesBox,       // a text box of several lines, Enter starting a new one
  kDropDownList,   // a list that opens below the box
  kCheckBox,       // ticked or not
  kThreeStateBox,  // ticked, not ticked, or greyed (greyed only by the program)
  kButton,
  kDefaultButton,  // the one Enter presses
  kGroup,          // a frame, with its caption, around the rows inside it
  kHotkey,         // a key combination
  kReportList,     // rows of texts in columns, one selected at a time
};

enum class ControlShown {
  kAlways,
  kLater,  // hidden and disabled until the dialog shows it; in the Tab order then
  kNever,  // hidden, disabled and out of the Tab order
};

struct ControlRow {
  int id;
  ControlKind kind;
  std::u16string_view caption;  // in English, shown in the person's language; empty: none
  TwipsBox box;
  std::u16string_view setting = {};  // the name of the stored value the control edits; empty: none
  ControlShown shown = ControlShown::kAlways;
};

}  // namespace quillet::platform
