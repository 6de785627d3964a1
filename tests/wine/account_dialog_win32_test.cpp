// The account dialog as a real window at each kind of service: what the kind needs is shown inside
// the window without overlap, the rest is hidden, the Tab order runs through what is shown top to
// bottom, and the window keeps its size.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "dialogs/account_dialog.h"
#include "platform/win32/win32_application.h"
#include "windows/win32_account_dialog.h"

namespace quillet {
namespace {

using namespace platform::win32;

TEST(AccountDialogWin32, EachKindShowsItsFieldsInsideWithoutOverlapInTabOrderTopToBottom) {
  Win32Application app{u"Quillet"};
  Win32AccountView view(app);
  struct Case {
    ServiceApi api;
    std::vector<int> shown;  // besides the kind, the message, OK and Cancel
  };
  // The boxes behind both check boxes shown, so that every field a kind may show is.
  const Case cases[] = {
      {ServiceApi::kTwitter,
       {kIdAccountLabelServer, kIdAccountServer, kIdAccountLabelUserName, kIdAccountUserName, kIdAccountLabelPassword,
        kIdAccountPassword, kIdAccountTest}},
      {ServiceApi::kMastodon,
       {kIdAccountLabelServer, kIdAccountServer, kIdAccountSignIn, kIdAccountTokenInstead, kIdAccountLabelToken,
        kIdAccountToken, kIdAccountLabelVisibility, kIdAccountVisibility, kIdAccountLabelLanguage, kIdAccountLanguage,
        kIdAccountTest}},
      {ServiceApi::kJournal, {kIdAccountJournalPlace, kIdAccountJournalPath}},
      {ServiceApi::kBluesky,
       {kIdAccountOtherServer, kIdAccountLabelServer, kIdAccountServer, kIdAccountLabelHandle, kIdAccountUserName,
        kIdAccountLabelAppPassword, kIdAccountPassword, kIdAccountMakeAppPassword, kIdAccountAppPasswordHint,
        kIdAccountLabelLanguage, kIdAccountLanguage, kIdAccountTest}},
      {ServiceApi::kNostr,
       {kIdAccountLabelSecretKey, kIdAccountSecretKey, kIdAccountGenerateKey, kIdAccountShowSecretKey, kIdAccountLabelPublicKey,
        kIdAccountPublicKey, kIdAccountCopyPublicKey, kIdAccountLabelRelays, kIdAccountRelays, kIdAccountRelaysHint}},
  };
  ASSERT_EQ(std::size(cases), AccountKinds().size()) << "a row for each kind";
  auto placeOf = [&view](int id) {
    ::RECT r;
    GetWindowRect(view.Control(id), &r);
    MapWindowPoints(nullptr, view.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    if (id == kIdAccountApi || id == kIdAccountVisibility || id == kIdAccountLanguage) r.bottom = r.top + 22;  // closed
    return r;
  };
  ::RECT firstWindow{};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.api));
    view.ShowFields(ShownFields(c.api, true, true));
    ::RECT window, client;
    GetWindowRect(view.hwnd(), &window);
    GetClientRect(view.hwnd(), &client);
    if (c.api == ServiceApi::kTwitter) firstWindow = window;
    EXPECT_TRUE(EqualRect(&window, &firstWindow)) << "the window keeps its size";

    std::vector<int> shown = c.shown;
    shown.insert(shown.end(), {kIdAccountLabelApi, kIdAccountApi, kIdAccountMessage, kIdAccountOk, kIdAccountCancel});
    std::vector<::RECT> places;
    std::vector<int> tabStops;  // the fields shown, top to bottom, then left to right
    for (int id = kIdAccountOk; id <= kIdAccountShowSecretKey; id = id == kIdAccountCancel ? kIdAccountApi : id + 1) {
      bool expected = std::find(shown.begin(), shown.end(), id) != shown.end();
      LONG style = GetWindowLongW(view.Control(id), GWL_STYLE);
      ASSERT_EQ((style & WS_VISIBLE) != 0, expected) << id;
      if (!expected) continue;
      ::RECT r = placeOf(id);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << id;
      for (const ::RECT& other : places) {
        ::RECT overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << id;
      }
      places.push_back(r);
      if (style & WS_TABSTOP) tabStops.push_back(id);
    }
    auto above = [&](int a, int b) {  // a row is one whose tops lie within a few pixels
      ::RECT ra = placeOf(a), rb = placeOf(b);
      return ra.top < rb.top - 3 || (ra.top <= rb.top + 3 && ra.left < rb.left);
    };
    std::sort(tabStops.begin(), tabStops.end(), above);
    // Tab from the kind of service round to it again, as the dialog's keyboard moves.
    std::vector<int> order;
    HWND at = view.Control(kIdAccountApi);
    do {
      order.push_back(GetDlgCtrlID(at));
      at = GetNextDlgTabItem(view.hwnd(), at, FALSE);
    } while (at != nullptr && at != view.Control(kIdAccountApi) && order.size() < 40);
    EXPECT_EQ(order, tabStops);
  }
}

TEST(AccountDialogWin32, TheSecretKeyIsInClearOnlyWhileShowTheSecretKeyIsTicked) {
  Win32Application app{u"Quillet"};
  Win32AccountView view(app);
  view.ShowFields(ShownFields(ServiceApi::kNostr, false, false));
  HWND key = view.Control(kIdAccountSecretKey), show = view.Control(kIdAccountShowSecretKey);
  for (LRESULT hidden : {LRESULT{L'*'}, LRESULT{0}, LRESULT{L'*'}}) {
    EXPECT_EQ(SendMessageW(key, EM_GETPASSWORDCHAR, 0, 0), hidden);
    EXPECT_EQ(SendMessageW(show, BM_GETCHECK, 0, 0), hidden == 0 ? BST_CHECKED : BST_UNCHECKED);
    SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(kIdAccountShowSecretKey, BN_CLICKED), reinterpret_cast<LPARAM>(show));
  }
}

TEST(AccountDialogWin32, TheKindsListStaysOpenWhileItsArrowKeysChangeTheKindAndTheRowsFollowWhenItCloses) {
  Win32Application app{u"Quillet"};
  Win32AccountView view(app);
  for (const AccountKind& kind : AccountKinds()) view.Api().AddItem(kind.choice);
  view.ShowFields(ShownFields(ServiceApi::kTwitter, false, false));
  ShowWindow(view.hwnd(), SW_SHOWNA);
  HWND list = view.Control(kIdAccountApi);
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
  view.ShowFields(ShownFields(ServiceApi::kMastodon, false, false));  // as a Down in the open list makes it
  EXPECT_TRUE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0)) << "still open";
  EXPECT_FALSE(GetWindowLongW(view.Control(kIdAccountSignIn), GWL_STYLE) & WS_VISIBLE);
  SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_TRUE(GetWindowLongW(view.Control(kIdAccountSignIn), GWL_STYLE) & WS_VISIBLE) << "laid out as it closed";
  ShowWindow(view.hwnd(), SW_HIDE);
}

}  // namespace
}  // namespace quillet
