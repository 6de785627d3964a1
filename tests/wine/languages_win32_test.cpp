// Every language the program has, as the real windows show it: the dialogs' controls, the tray
// menu and the update window's send button and question (and the name a screen reader hears for
// the box) each show the language's words for the English they show in English, and no label,
// button or check box has a text wider than itself, at the screen's density and at 144 dpi.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <map>
#include <string>
#include <vector>

#include "common/language_choice.h"
#include "common/utf8.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_windowing.h"
#include "tray/tray_window.h"
#include "windows/win32_account_dialog.h"
#include "windows/win32_lines_waiting_window.h"
#include "windows/win32_look_back_window.h"
#include "windows/win32_options_dialog.h"
#include "windows/win32_settings_dialog.h"
#include "windows/win32_tray_window.h"
#include "windows/win32_update_window.h"

namespace quillet {
namespace {

using namespace platform::win32;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The text as drawn: "&&" is an ampersand, a lone "&" marks the access key and takes no room.
std::wstring Drawn(HWND control, const std::wstring& text) {
  if ((GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX) != 0 && ClassOf(control) == L"Static") return text;
  std::wstring drawn;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    drawn += text[i];
  }
  return drawn;
}

// Why the control's text does not fit inside it in its font; empty when it does. A static text
// wraps at its width and must fit its height; a button's and a group box's text is one line, a
// check box's beside the box and a gap.
std::string Overflow(HWND control) {
  std::wstring text = Drawn(control, Wide(WindowText(control)));
  if (text.empty()) return "";
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  ::RECT client;
  GetClientRect(control, &client);
  ::RECT needed{0, 0, client.right, 0};
  LONG style = GetWindowLongW(control, GWL_STYLE);
  bool isStatic = ClassOf(control) == L"Static";
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
            DT_CALCRECT | DT_NOPREFIX | (isStatic ? DT_WORDBREAK : DT_SINGLELINE));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);

  int room = client.right;
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
      room -= GetSystemMetrics(SM_CXMENUCHECK) + extent.cy / 2;  // the box and the gap after it
      break;
    case BS_GROUPBOX:
      room -= 2 * extent.cy;  // the frame's corners on either side of the caption
      break;
    default:
      room -= 2 * GetSystemMetrics(SM_CXEDGE);  // a push button's edges
      break;
  }
  if (isStatic) {
    room = client.right;
    if (needed.bottom > client.bottom)
      return "needs " + std::to_string(needed.bottom) + " px high, has " + std::to_string(client.bottom);
  }
  if (isStatic ? needed.right > room : extent.cx > room)
    return "needs " + std::to_string(isStatic ? needed.right : extent.cx) + " px, has " + std::to_string(room);
  return "";
}

// The texts of a window's labels, buttons and check boxes, by identifier (the panel's too).
std::map<int, std::wstring> ControlTexts(HWND window) {
  std::map<int, std::wstring> texts;
  for (HWND child : ChildWindows(window)) {
    std::wstring kind = ClassOf(child);
    if (kind == L"Static" || kind == L"Button") texts[GetDlgCtrlID(child)] = Wide(WindowText(child));
  }
  return texts;
}

std::wstring SpokenName(HWND window) {
  IAccessible* object = nullptr;
  std::wstring name;
  if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object))))
    return name;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  if (object->get_accName(self, &text) == S_OK && text != nullptr) name = text;
  SysFreeString(text);
  object->Release();
  return name;
}

std::vector<std::wstring> MenuCaptions(HMENU menu) {
  std::vector<std::wstring> captions;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 128;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    captions.push_back((info.fType & MFT_SEPARATOR) ? L"-" : text);
  }
  return captions;
}

class NoUpdateWindow : public IUpdateWindow {
 public:
  void PopUp() override {}
  platform::WindowHandle Handle() const override { return 0; }
};

// What the windows show in the application's language: each dialog's controls by identifier,
// the tray menu's captions, and the update window's send button and question.
struct Shown {
  std::vector<std::map<int, std::wstring>> dialogs;
  std::vector<std::wstring> menu;
  std::wstring sendButton, question;
  std::wstring spokenQuestion;  // the box's name, as a screen reader gets it
};

Shown ShowWindows(Win32Application& app) {
  Shown shown;
  {
    Win32OptionsView options(app);
    Win32SettingsView settings(app);
    Win32AccountView account(app);
    Win32LinesWaitingView lines(app);
    Win32LookBackView lookBack(app);
    lookBack.ShowJournalOff(true);
    for (Win32DialogWindow* dialog :
         std::initializer_list<Win32DialogWindow*>{&options, &settings, &account, &lines, &lookBack}) {
      shown.dialogs.push_back(ControlTexts(dialog->hwnd()));
      // At the screen's density, then moved to a monitor of 144 dpi (as Windows tells a window).
      for (int dpi : {0, 144}) {
        SCOPED_TRACE(dpi);
        ::RECT suggested{40, 30, 1040, 1030};  // only its top left is taken
        if (dpi != 0) SendMessageW(dialog->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        // The account dialog at each kind of service, with every field that kind may show.
        std::vector<ServiceApi> kinds;
        if (dialog == &account)
          for (const AccountKind& kind : AccountKinds()) kinds.push_back(kind.api);
        if (kinds.empty()) kinds.push_back(ServiceApi::kTwitter);  // any: the other dialogs show one way
        for (ServiceApi kind : kinds) {
          if (dialog == &account) account.ShowFields(ShownFields(kind, true, true));
          for (HWND child : ChildWindows(dialog->hwnd())) {
            if ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) == 0) continue;  // never shown
            EXPECT_EQ(Overflow(child), "")
                << "control " << GetDlgCtrlID(child) << ": " << utf8::FromUtf16(WindowText(child));
          }
        }
      }
    }
  }
  {
    Win32Registry registry;
    SettingsStore store{registry};
    store.SetAppTitle(u"QuilletLanguagesTest");
    Win32Shell shell;
    Win32Windowing windowing;
    Win32Clock clock;
    NoUpdateWindow updateWindow;
    Win32TrayForm form;
    Win32PopupMenu menu{form};
    TrayWindow tray{form,
                    menu,
                    {.app = app,
                     .shell = shell,
                     .windowing = windowing,
                     .updateWindow = updateWindow,
                     .settings = store,
                     .clock = clock}};
    shown.menu = MenuCaptions(menu.hmenu());
  }
  {
    Win32UpdateWindow window;
    window.SpeakWith(app);
    HWND hwnd = reinterpret_cast<HWND>(window.Handle());
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);  // its children are made, in the language in use
    shown.sendButton = Wide(WindowText(window.SendButtonWindow()));
    shown.spokenQuestion = SpokenName(window.EditWindow());
    for (HWND child = GetWindow(window.EditWindow(), GW_HWNDFIRST); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      if (ClassOf(child) == L"Static" && static_cast<WORD>(GetDlgCtrlID(child)) == 0xFFFF) shown.question = Wide(WindowText(child));
    ShowWindow(hwnd, SW_HIDE);
  }
  return shown;
}

TEST(Languages, EveryWindowAsksTheCatalogAndEveryTextFitsInEachLanguage) {
  CoInitialize(nullptr);
  Win32Application app{u"Quillet"};
  const std::vector<Catalog>& languages = Languages();
  app.UseWords(languages.front());
  Shown english = ShowWindows(app);
  ASSERT_FALSE(english.question.empty());
  EXPECT_EQ(english.sendButton, L"Update");
  ASSERT_EQ(english.dialogs.size(), 5u);
  ASSERT_FALSE(english.menu.empty());

  auto in = [](const Catalog& words, const std::wstring& text) { return Wide(words.Tr(FromWide(text))); };
  for (const Catalog& words : languages) {
    SCOPED_TRACE(words.Tag());
    app.UseWords(words);
    Shown shown = ShowWindows(app);
    EXPECT_EQ(shown.sendButton, in(words, english.sendButton));
    EXPECT_EQ(shown.question, in(words, english.question));
    EXPECT_EQ(shown.spokenQuestion, shown.question);
    for (std::size_t dialog = 0; dialog < english.dialogs.size(); ++dialog) {
      for (const auto& [id, text] : english.dialogs[dialog])
        EXPECT_EQ(shown.dialogs[dialog][id], text.empty() ? text : in(words, text)) << "dialog " << dialog << ", " << id;
    }
    ASSERT_EQ(shown.menu.size(), english.menu.size());
    for (std::size_t item = 0; item < english.menu.size(); ++item) {
      // "Open Twitter" is made from the service's name; a separator is no text.
      if (english.menu[item] == L"-" || english.menu[item] == L"Open &Twitter") continue;
      EXPECT_EQ(shown.menu[item], in(words, english.menu[item]));
    }
  }
  CoUninitialize();
}

}  // namespace
}  // namespace quillet
