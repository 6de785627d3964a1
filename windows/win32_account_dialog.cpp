#include "windows/win32_account_dialog.h"

#include <commctrl.h>

#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi).
constexpr int kAccountDialogWidth = 6600, kAccountDialogHeight = 4200;
constexpr int kAccountDialogListEntries = 4;
constexpr int kAccountLabelLeft = 240, kAccountFieldLeft = 1800, kAccountFieldWidth = 4560, kAccountFieldHeight = 315;

}  // namespace

Win32AccountView::Win32AccountView(Win32Application& app)
    : Win32DialogWindow(app, {.windowClass = L"QuilletAccount",
                              .title = Translatable(u"Quillet Account"),
                              .clientWidth = kAccountDialogWidth,
                              .clientHeight = kAccountDialogHeight,
                              .defaultButton = kIdAccountOk,
                              .visibleListEntries = kAccountDialogListEntries}) {
  // Children in Tab order, each field after its label so that the label's access key moves to it.
  constexpr auto kText = TwipsLayout::Fit::kText;
  AddChild(WC_STATICW, Tr(u"&Kind of service:").c_str(), kLabelChild, 0, kIdAccountLabelApi, {kAccountLabelLeft, 285, 0, 0}, kText);
  api_ = std::make_unique<Win32DropDownList>(AddChild(WC_COMBOBOXW, L"", kTabStopChild | WS_VSCROLL | CBS_DROPDOWNLIST,
                                                      0, kIdAccountApi, {kAccountFieldLeft, 240, kAccountFieldWidth, kAccountFieldHeight},
                                                      TwipsLayout::Fit::kDropDown));
  AddChild(WC_STATICW, Tr(u"Ser&ver address:").c_str(), kLabelChild, 0, kIdAccountLabelServer, {kAccountLabelLeft, 750, 0, 0}, kText);
  server_ =
      std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                              kIdAccountServer, {kAccountFieldLeft, 705, kAccountFieldWidth - 1320, kAccountFieldHeight}));
  signInButton_ = AddChild(WC_BUTTONW, Tr(u"Sign &in...").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountSignIn,
                           {kAccountFieldLeft + kAccountFieldWidth - 1230, 690, 1230, 345});
  AddChild(WC_STATICW, Tr(u"Access &token:").c_str(), kLabelChild, 0, kIdAccountLabelToken, {kAccountLabelLeft, 1170, 0, 0}, kText);
  token_ = std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL | ES_PASSWORD,
                                                   WS_EX_CLIENTEDGE, kIdAccountToken,
                                                   {kAccountFieldLeft, 1125, kAccountFieldWidth, kAccountFieldHeight}));
  SendMessageW(token_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  AddChild(WC_STATICW, Tr(u"Mastodon: a token from Preferences, Development. Without one: your user name and password.").c_str(),
           kLabelChild | SS_NOPREFIX, 0, kIdAccountTokenHint, {kAccountFieldLeft, 1485, kAccountFieldWidth, 420});
  AddChild(WC_STATICW, Tr(u"&User name:").c_str(), kLabelChild, 0, kIdAccountLabelUserName, {kAccountLabelLeft, 2040, 0, 0}, kText);
  userName_ =
      std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                              kIdAccountUserName, {kAccountFieldLeft, 1995, kAccountFieldWidth, kAccountFieldHeight}));
  AddChild(WC_STATICW, Tr(u"&Password:").c_str(), kLabelChild, 0, kIdAccountLabelPassword, {kAccountLabelLeft, 2460, 0, 0}, kText);
  password_ = std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL | ES_PASSWORD,
                                                      WS_EX_CLIENTEDGE, kIdAccountPassword,
                                                      {kAccountFieldLeft, 2415, kAccountFieldWidth, kAccountFieldHeight}));
  SendMessageW(password_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  AddChild(WC_BUTTONW, Tr(u"T&est").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountTest, {kAccountLabelLeft, 2880, 1215, 375});
  message_ = std::make_unique<Win32StaticText>(
      AddChild(WC_STATICW, L"", kLabelChild | SS_NOPREFIX, 0, kIdAccountMessage, {kAccountFieldLeft, 2880, kAccountFieldWidth, 660}));
  AddChild(WC_BUTTONW, Tr(u"&OK").c_str(), kTabStopChild | BS_DEFPUSHBUTTON, 0, kIdAccountOk, {3840, 3660, 1215, 375});
  AddChild(WC_BUTTONW, Tr(u"&Cancel").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountCancel, {5145, 3660, 1215, 375});

  OnClicked(kIdAccountOk, [this] { ok_.Click(); });
  OnClicked(kIdAccountCancel, [this] { cancel_.Click(); });
  OnClicked(kIdAccountTest, [this] { test_.Click(); });
  OnClicked(kIdAccountSignIn, [this] { signIn_.Click(); });
  for (auto [id, field] : {std::pair{kIdAccountServer, server_.get()}, std::pair{kIdAccountToken, token_.get()},
                           std::pair{kIdAccountUserName, userName_.get()}, std::pair{kIdAccountPassword, password_.get()}})
    OnCommand(id, [field](WORD code) { field->Notify(code); });
  FitTexts();
}

void Win32AccountView::FocusServer() {
  SetFocus(server_->hwnd());
  SendMessageW(server_->hwnd(), EM_SETSEL, 0, -1);
}

void Win32AccountView::SetSignInCaption(std::u16string_view caption) {
  SetWindowTextW(signInButton_, Wide(caption).c_str());
  FitTexts();
}

bool Win32AccountView::AskYesNo(std::u16string_view question) { return AskYesNoOver(question, MB_ICONWARNING); }

AccountViewFactory Win32AccountViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<IAccountView> { return std::make_unique<Win32AccountView>(app); };
}

}  // namespace quillet::platform::win32
