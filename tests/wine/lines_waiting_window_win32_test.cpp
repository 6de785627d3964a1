// The lines-waiting window as a real window under Wine: its place at two densities, the rows in
// Unicode with the selection kept by index, what each key and button raises, the question over
// it, and the clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/convert.h"
#include "common/failure.h"
#include "platform/win32/gdi.h"
#include "platform/win32/list_emoji.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/window_base.h"
#include "windows/win32_lines_waiting_window.h"
#include "tests/wine/modal_harness.h"

namespace quillet {
namespace {

using namespace platform::win32;
using testing::ModalHarness;

const std::vector<WaitingLineRow> kThreeRows{
    {u"Reading the whole of the winter timetable aloud to the cat, who does not care for trains at all, "
     u"and has said so twice",
     u"Waiting: the server did not answer", u"2026-12-08 14:30", u"social.example (alice)"},
    {u"Caf\u00e9 at last \U0001F600", u"Not posted: the server refused the password (401)", u"2026-12-08 14:31",
     u"Journal only"},
    {u"two\r\nlines", u"May have arrived: the connection broke after sending", u"2026-12-08 14:32",
     u"the built-in service (bob)"}};

::RECT ChildRect(HWND child, HWND parent) {
  ::RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(LinesWaitingWindowWin32, ControlsLieInsideTheWindowWithoutOverlapAtEachDensity) {
  Win32Application app{u"Quillet"};
  Win32LinesWaitingView view(app);
  EXPECT_EQ(view.Caption(), u"Quillet: lines waiting");
  wchar_t windowClass[32] = {};
  GetClassNameW(view.hwnd(), windowClass, 32);
  EXPECT_STREQ(windowClass, L"QuilletLinesWaiting");
  for (int dpi : {192, 96}) {
    SCOPED_TRACE(dpi);
    ::RECT suggested{10, 10, 20, 20};
    SendMessageW(view.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    ::RECT client;
    GetClientRect(view.hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(8400, dpi));
    std::vector<::RECT> placed;
    for (int id : {kIdLinesLabel, kIdLinesList, kIdDetailsLabel, kIdDetails, kIdSendAgain, kIdEditLine, kIdRemoveLine,
                   kIdCopyLine, kIdLinesClose}) {
      ::RECT r = ChildRect(view.Control(id), view.hwnd());
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << id;
      for (const ::RECT& other : placed) {
        ::RECT overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << id;
      }
      placed.push_back(r);
    }
    EXPECT_EQ(SendMessageW(view.Control(kIdLinesList), LVM_GETCOLUMNWIDTH, 0, 0), TwipsToPixels(2640, dpi));
    EXPECT_EQ(SendMessageW(view.Control(kIdLinesList), LVM_GETCOLUMNWIDTH, 3, 0), TwipsToPixels(1680, dpi)) << "Account";
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(view.Control(kIdLinesList), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  }
}

TEST(LinesWaitingWindowWin32, LinesShowOnOneRowEachInUnicode) {
  const std::pair<std::u16string, std::wstring> cases[] = {
      {u"a\r\nb", L"a b"},         {u"a\nb\rc", L"a b c"}, {u"a\r\n\r\nb", L"a  b"},
      {u"tab\there\x01", L"tab here "},
      {u"\U0001F600 ok", L"\U0001F600 ok"}};
  for (const auto& [line, shown] : cases) EXPECT_EQ(ShownLine(line), shown);
}

TEST(LinesWaitingWindowWin32, RowsReplaceTheShownOnesAndTheSelectionStaysByIndex) {
  Win32Application app{u"Quillet"};
  Win32LinesWaitingView view(app);
  int selectionEvents = 0;
  view.OnSelectionChanged([&] { ++selectionEvents; });
  view.ShowRows(kThreeRows);
  EXPECT_EQ(view.CellText(1, 0), L"Caf\u00e9 at last \U0001F600");
  EXPECT_EQ(view.CellText(1, 1), L"Not posted: the server refused the password (401)");
  EXPECT_EQ(view.CellText(2, 0), L"two lines");
  EXPECT_EQ(view.CellText(0, 3), L"social.example (alice)") << "the account the line waits for";
  EXPECT_EQ(view.CellText(1, 3), L"Journal only");
  EXPECT_EQ(view.CellText(2, 2), L"2026-12-08 14:32");
  EXPECT_EQ(view.CellText(0, 0).size(), kThreeRows[0].line.size()) << "a long line whole";
  EXPECT_EQ(view.SelectedRow(), -1);

  view.SelectRow(1);
  EXPECT_EQ(view.SelectedRow(), 1);
  EXPECT_EQ(selectionEvents, 1);
  view.ShowRows({kThreeRows[2], kThreeRows[0]});
  EXPECT_EQ(view.SelectedRow(), 1) << "still there";
  EXPECT_EQ(view.CellText(1, 0).substr(0, 11), L"Reading the");
  EXPECT_EQ(SendMessageW(view.Control(kIdLinesList), LVM_GETITEMCOUNT, 0, 0), 2);
  view.ShowRows({kThreeRows[1]});
  EXPECT_EQ(view.SelectedRow(), -1) << "gone";
  EXPECT_EQ(selectionEvents, 1) << "rows shown by the program raise no event";
  view.SelectRow(-1);
  EXPECT_EQ(selectionEvents, 2);
  EXPECT_THROW(view.SelectRow(1), InvalidPropertyValue);

  view.EnableLineActions(false);
  for (int id : {kIdSendAgain, kIdEditLine, kIdRemoveLine, kIdCopyLine}) EXPECT_FALSE(IsWindowEnabled(view.Control(id)));
  EXPECT_TRUE(IsWindowEnabled(view.Control(kIdLinesClose)));
}

// A line of 140 characters and a reason longer than its column: the details under the list show
// both whole (no scrolling needed), a screen reader reads the same by the box's label, and the
// mouse resting on a cut cell shows its whole text as a tip (nothing on a cell that fits).
TEST(LinesWaitingWindowWin32, TheSelectedLineShowsWholeUnderTheListAndOnHover) {
  Win32Application app{u"Quillet"};
  Win32LinesWaitingView view(app);
  const std::u16string line =
      u"Reading the whole of the winter timetable aloud to the cat, who does not care for trains at all, "
      u"and has now said so twice, and very loudly.";
  ASSERT_EQ(line.size(), 140u);
  const std::u16string reason =
      u"Waiting: the server social.example did not answer within 30 seconds; Quillet tries again on its own, "
      u"and a line that cannot go for a day is told about once";
  view.ShowRows({{line, reason, u"2026-12-08 14:30", u"Journal only"}});
  WaitingLineDetails details{.line = line,
                             .state = reason,
                             .account = u"Journal only",
                             .confirmed = u"2026-12-08 14:30",
                             .lastTried = u"2026-12-08 14:31",
                             .nextTry = u"2026-12-08 14:35"};
  view.ShowDetails(details);
  HWND box = view.Control(kIdDetails);
  std::wstring shown = Wide(WindowText(box));
  EXPECT_EQ(shown, DetailsText(details, app.Words()));
  EXPECT_NE(shown.find(Wide(line) + L"\r\n\r\nState: " + Wide(reason) + L"\r\n"), std::wstring::npos);
  EXPECT_NE(shown.find(L"\r\nNext try: 2026-12-08 14:35"), std::wstring::npos);
  // Whole: every line the box breaks the text into lies inside it.
  auto lines = static_cast<int>(SendMessageW(box, EM_GETLINECOUNT, 0, 0));
  EXPECT_GE(lines, 8);
  LRESULT last = SendMessageW(box, EM_POSFROMCHAR, static_cast<WPARAM>(shown.size() - 1), 0);
  ::RECT inside;
  GetClientRect(box, &inside);
  EXPECT_EQ(SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_LT(static_cast<short>(HIWORD(last)) + 12, inside.bottom) << lines << " lines";

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* read = nullptr;
  ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(box, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&read))));
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr, value = nullptr;
  read->get_accName(self, &name);
  read->get_accValue(self, &value);
  EXPECT_EQ(std::wstring(name ? name : L"").substr(0, 7), L"Details") << "named by its label";
  EXPECT_EQ(std::wstring(value ? value : L""), shown) << "a screen reader reads it whole";
  SysFreeString(name);
  SysFreeString(value);
  read->Release();
  CoUninitialize();

  view.ShowDetails(std::nullopt);
  EXPECT_EQ(Wide(WindowText(box)), L"Select a line in the list to read it here whole, with its state.");

  HWND list = view.Control(kIdLinesList);
  auto hover = [&](int column) {
    POINT at = view.CellCentre(0, column);
    SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    return view.TipText();
  };
  EXPECT_EQ(hover(0), Wide(line)) << "the Line column cuts it";
  EXPECT_EQ(hover(3), L"") << "the account fits";
  EXPECT_EQ(hover(1), Wide(reason));
}

// What the user does with the window open, and what it raises.
class LinesWaitingModal : public ::testing::Test, protected ModalHarness {
 protected:
  struct Outcome {
    std::vector<std::string> clicks;
    bool closedByInput;
    int focusAtClose;  // the focused control's identifier
  };
  // Opens the window with three rows, the line actions following the selection as the program
  // has them; `select` is the row selected before `act` runs.
  Outcome Open(int select, Callback<void(Win32LinesWaitingView&)> act) {
    Win32LinesWaitingView view(app);
    Outcome outcome{};
    auto record = [&](const char* name) { outcome.clicks.push_back(name); };
    view.SendAgain().OnClick([&] { record("send again"); });
    view.Edit().OnClick([&] { record("edit"); });
    view.Remove().OnClick([&] { record("remove"); });
    view.Copy().OnClick([&] { record("copy"); });
    view.Close().OnClick([&] {
      record("close");
      outcome.focusAtClose = GetDlgCtrlID(GetFocus());
    });
    view.OnQueryClose([&] { record("close box"); });
    view.OnSelectionChanged([&] { view.EnableLineActions(view.SelectedRow() >= 0); });
    view.ShowRows(kThreeRows);
    outcome.closedByInput = ShowAndAct(view, owner, [&view, select, act] {
      view.SelectRow(select);
      act(view);
    });
    EXPECT_TRUE(view.Closed());
    return outcome;
  }

  Win32Application app{u"Quillet"};
  testing::OwnerWindow owner;
};

TEST_F(LinesWaitingModal, KeysAndButtonsRaiseTheirClicks) {
  using Strings = std::vector<std::string>;
  struct Case {
    const char* what;
    int select;
    Callback<void(Win32LinesWaitingView&)> act;
    Strings clicks;
  };
  auto alt = [](wchar_t key) {
    return [key](Win32LinesWaitingView& v) {
      PostAltKey(GetFocus(), key);
      PostKey(v.Control(kIdLinesClose), VK_ESCAPE);
    };
  };
  auto key = [](UINT key) {
    return [key](Win32LinesWaitingView& v) {
      PostKey(v.Control(kIdLinesList), key);
      PostKey(v.Control(kIdLinesList), VK_ESCAPE);
    };
  };
  auto click = [](int id) {
    return [id](Win32LinesWaitingView& v) {
      PostMessageW(v.Control(id), BM_CLICK, 0, 0);
      PostKey(v.Control(kIdLinesList), VK_ESCAPE);
    };
  };
  const Case cases[] = {
      {"Alt+S", 0, alt(L's'), {"send again", "close"}},
      {"Alt+E", 1, alt(L'e'), {"edit", "close"}},
      {"Alt+R", 2, alt(L'r'), {"remove", "close"}},
      {"Alt+C", 0, alt(L'c'), {"copy", "close"}},
      {"Alt+O", 0, alt(L'o'), {"close"}},
      {"Enter on a row is Edit", 0, key(VK_RETURN), {"edit", "close"}},
      {"Del on a row is Remove", 0, key(VK_DELETE), {"remove", "close"}},
      {"a click on Copy", 1, click(kIdCopyLine), {"copy", "close"}},
      {"without a row: Alt+S", -1, alt(L's'), {"close"}},
      {"without a row: Enter", -1, key(VK_RETURN), {"close"}},
      {"without a row: Del", -1, key(VK_DELETE), {"close"}},
      {"the close box", 0,
       [](Win32LinesWaitingView& v) { PostMessageW(v.hwnd(), WM_CLOSE, 0, 0); },
       {"close box", "close"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outcome outcome = Open(c.select, c.act);
    EXPECT_TRUE(outcome.closedByInput);
    EXPECT_EQ(outcome.clicks, c.clicks);
  }
}

TEST_F(LinesWaitingModal, FocusStartsInTheListAndLeavesAButtonThatIsDisabled) {
  Outcome outcome = Open(0, [](Win32LinesWaitingView& v) {
    EXPECT_EQ(GetFocus(), v.Control(kIdLinesList));
    SetFocus(v.Control(kIdRemoveLine));
    v.SelectRow(-1);  // the line was removed
    EXPECT_EQ(GetFocus(), v.Control(kIdLinesList));
    SetFocus(v.Control(kIdLinesClose));
    PostAltKey(v.Control(kIdLinesClose), L'l');  // Alt+L: back to the list
    PostKey(v.Control(kIdLinesClose), VK_ESCAPE);
  });
  EXPECT_TRUE(outcome.closedByInput);
  EXPECT_EQ(outcome.clicks, std::vector<std::string>{"close"});
  EXPECT_EQ(outcome.focusAtClose, kIdLinesList);
}

// The message box over the window: what it shows, and the key pressed in it.
HWND gQuestionOwner = nullptr;
std::wstring gQuestionText;
UINT gQuestionKey = 0;
VOID CALLBACK AnswerQuestion(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(L"#32770", nullptr);
  if (box == nullptr) return;
  KillTimer(nullptr, id);
  gQuestionOwner = GetWindow(box, GW_OWNER);
  wchar_t text[128] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 128);  // the message's static text
  gQuestionText = text;
  if (gQuestionKey == VK_RETURN) {
    ModalHarness::PostKey(GetFocus(), VK_RETURN);
  } else {
    ModalHarness::PostAltKey(GetFocus(), static_cast<wchar_t>(gQuestionKey));
  }
}

TEST(LinesWaitingWindowWin32, QuestionIsOverTheWindowAndNoIsItsDefault) {
  Win32Application app{u"Quillet"};
  Win32LinesWaitingView view(app);
  const std::pair<UINT, bool> answers[] = {{VK_RETURN, false}, {L'y', true}, {L'n', false}};
  for (auto [key, yes] : answers) {
    gQuestionKey = key;
    gQuestionOwner = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, &AnswerQuestion);
    EXPECT_EQ(view.AskYesNo(u"Remove this line? It will never be sent."), yes) << key;
    KillTimer(nullptr, timer);
    EXPECT_EQ(gQuestionOwner, view.hwnd());
    EXPECT_EQ(gQuestionText, L"Remove this line? It will never be sent.");
  }
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"(not opened)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT); data != nullptr) {
    if (auto* locked = static_cast<const wchar_t*>(GlobalLock(data)); locked != nullptr) {
      text = locked;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();  // also shows that the window closed it
  return text;
}

TEST(LinesWaitingWindowWin32, CopyPutsTheLineOnTheClipboardAndReportsAClipboardHeldElsewhere) {
  Win32Application app{u"Quillet"};
  Win32LinesWaitingView view(app);
  view.CopyToClipboard(u"Caf\u00e9 \U0001F600\r\nsecond line");
  EXPECT_EQ(ClipboardText(), L"Caf\u00e9 \U0001F600\r\nsecond line");

  // Another window holds the clipboard open: a failure, and what was there stays.
  HWND holder = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(holder));
  EXPECT_THROW(view.CopyToClipboard(u"not this"), Failure);
  CloseClipboard();
  DestroyWindow(holder);
  EXPECT_EQ(ClipboardText(), L"Caf\u00e9 \U0001F600\r\nsecond line");
}

// The list drawn into a 32-bit picture as it draws on the screen, in a device context of the
// given layout (LAYOUT_RTL as a mirrored list's own is); the pixels stay while the picture lives.
struct ListPicture {
  UniqueBitmap bitmap;
  const DWORD* pixels = nullptr;
  int width = 0;
  DWORD At(int x, int y) const { return pixels[y * width + x]; }
};
ListPicture PrintList(HWND list, DWORD layout = 0) {
  ::RECT client;
  GetClientRect(list, &client);
  UniqueMemoryDc dc = CompatibleDc(nullptr);
  SetLayout(dc.get(), layout);
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  ListPicture picture{UniqueBitmap(CreateDIBSection(dc.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0)), nullptr,
                      client.right};
  {
    ScopedSelection in(dc.get(), picture.bitmap.get());
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
  }
  picture.pixels = static_cast<const DWORD*>(bits);
  return picture;
}

// The list's font has no emoji and Wine's text drawing maps a text's 16-bit units one by one: the
// list draws emoji with an emoji font itself, within the Basic Multilingual Plane and beyond it.
// Each emoji's cell must come out otherwise than a code point no font has (the same boxes), and
// unselected as selected.
TEST(LinesWaitingWindowWin32, EmojiInTheListDrawAsGlyphsNotBoxes) {
  Win32Application app{u"Quillet"};
  Win32LinesWaitingView view(app);
  HWND list = view.Control(kIdLinesList);
  {
    WindowDc screen(nullptr);
    ASSERT_TRUE(ListEmojiPainter(list).Active(screen.get()))
        << "no emoji font installed (tools/setup.sh installs fonts-symbola), or the system draws emoji itself";
  }
  // Pairs of rows: an emoji, then a code point of the same plane that no font has; last, an emoji
  // with and without the selector that asks for its emoji form.
  const std::u16string lines[] = {u"\U0001F600", u"\U0010FFFD", u"\u2615", u"\u0378",
                                  u"a \U0001F389 b", u"a \U0010FFFD b", u"\u2764\uFE0F", u"\u2764"};
  std::vector<WaitingLineRow> rows;
  for (const std::u16string& line : lines) rows.push_back({line, u"Waiting", u"", u"Journal only"});
  view.ShowRows(rows);
  // A row's cell as the list draws it now: its ink, what differs from the background, inside the
  // focus rectangle's edge.
  auto cellPixels = [&](int row) {
    ListPicture picture = PrintList(list);
    ::RECT cell{LVIR_LABEL, 0, 0, 0};
    SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    DWORD background = picture.At(cell.right - 3, cell.top + 2);
    std::vector<bool> ink;
    for (int y = cell.top + 2; y < cell.bottom - 2; ++y)
      for (int x = cell.left + 2; x < cell.right - 2; ++x) ink.push_back(picture.At(x, y) != background);
    return ink;
  };
  auto inked = [](const std::vector<bool>& ink) { return std::count(ink.begin(), ink.end(), true); };
  for (int selected : {-1, 0, 2, 4}) {
    view.SelectRow(selected);
    SetFocus(list);
    for (int row = 0; row < 6; row += 2) {
      SCOPED_TRACE(::testing::Message() << "row " << row << ", selected " << selected);
      std::vector<bool> emoji = cellPixels(row), none = cellPixels(row + 1);
      EXPECT_GT(inked(emoji), 10) << "drawn at all";
      EXPECT_NE(emoji, none) << "an empty box";
    }
  }
  EXPECT_EQ(cellPixels(6), cellPixels(7)) << "an emoji's variation selector shows no box";
  EXPECT_EQ(view.CellText(4, 0), L"a \U0001F389 b") << "the text is the person's";
}

// A mirrored list (a right-to-left language) sets a line of English to the right, in its own
// order: with an emoji in it, the list's own drawing and the emoji's end the same way ("notes" on
// the right), not with the pieces in reverse.
TEST(LinesWaitingWindowWin32, EmojiInAMirroredListKeepTheLineInItsOrder) {
  SetProcessDefaultLayout(LAYOUT_RTL);
  Win32Application app{u"Quillet"};
  Win32LinesWaitingView view(app);
  SetProcessDefaultLayout(0);
  view.ShowRows({{u"Release \U0001F680 notes", u"", u"", u""}, {u"Release \u0378 notes", u"", u"", u""}});
  HWND list = view.Control(kIdLinesList);
  ListPicture picture = PrintList(list, LAYOUT_RTL);
  const int width = picture.width;
  // A row's ink, a column of pixels at a time from the right, from its rightmost ink on.
  auto fromTheRight = [&](int row) {
    ::RECT cell{LVIR_LABEL, 0, 0, 0};
    SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    int left = width - cell.right, right = width - cell.left;  // on the screen
    DWORD background = picture.At(left + 2, cell.top + 2);
    std::vector<std::vector<bool>> columns;
    for (int x = right - 3; x > left + 2 && columns.size() < 25; --x) {
      std::vector<bool> column;
      for (int y = cell.top + 2; y < cell.bottom - 2; ++y) column.push_back(picture.At(x, y) != background);
      if (!columns.empty() || std::count(column.begin(), column.end(), true) > 0) columns.push_back(column);
    }
    return columns;
  };
  std::vector<std::vector<bool>> emoji = fromTheRight(0);
  EXPECT_EQ(emoji.size(), 25u) << "drawn";
  EXPECT_EQ(emoji, fromTheRight(1)) << "the line ends on the right with the same word";
}

// Run by hand for docs/screenshots/lines-waiting.png: the window stays up for five seconds.
TEST_F(LinesWaitingModal, DISABLED_HeldOpenForAScreenshot) {
  Win32LinesWaitingView view(app);
  view.OnSelectionChanged([&] { view.EnableLineActions(view.SelectedRow() >= 0); });
  std::vector<WaitingLineRow> rows = kThreeRows;
  rows.push_back({u"Coffee \u2615 love \u2764 power \u26A1 party \U0001F389 at last \U0001F600", u"Waiting: the server did not answer",
                  u"2026-12-08 14:33", u"Journal only"});
  view.ShowRows(rows);
  ShowAndAct(view, owner, [&view] {
    view.SelectRow(1);
    view.ShowDetails(WaitingLineDetails{.line = kThreeRows[1].line, .state = kThreeRows[1].state,
                                        .account = kThreeRows[1].account, .confirmed = kThreeRows[1].confirmed,
                                        .lastTried = u"2026-12-08 14:31", .nextTry = u"When you send it again"});
  });
}

}  // namespace
}  // namespace quillet
