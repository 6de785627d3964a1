#include "windows/win32_account_dialog.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "platform/win32/clipboard.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi).
constexpr int kAccountDialogWidth = 6600, kAccountDialogHeight = 4740;
constexpr int kAccountDialogListEntries = 8;
constexpr int kAccountLabelLeft = 240, kAccountFieldLeft = 1800, kAccountFieldWidth = 4560, kAccountFieldHeight = 315;
constexpr int kAccountWholeWidth = kAccountFieldLeft + kAccountFieldWidth - kAccountLabelLeft;
// A field with a button beside it ("Sign in...", "Make one..."), and the button.
constexpr int kAccountButtonWidth = 1230, kAccountFieldBesideButton = kAccountFieldWidth - kAccountButtonWidth - 90;
constexpr int kAccountButtonLeft = kAccountFieldLeft + kAccountFieldWidth - kAccountButtonWidth;
// The rows below the kind of service: where the first shown one begins, and each one's height
// with the gap below it. Hidden rows wait below the client area, each on a line of its own, so
// that fitting the texts finds every control with the same neighbours whatever is shown.
constexpr int kAccountFirstRowTop = 705, kAccountRowPitch = 420, kAccountHiddenRowsTop = 6000;
constexpr int kAccountTestTop = 3360, kAccountOkTop = 4140;
constexpr int kAccountRelaysHeight = 720;  // three lines
// Where a label and a field are made; ShowFields gives each its row.
constexpr TwipsBox kLabel{kAccountLabelLeft, 0, 0, 0};
constexpr TwipsBox kField{kAccountFieldLeft, 0, kAccountFieldWidth, kAccountFieldHeight};

}  // namespace

Win32AccountView::Win32AccountView(Win32Application& app)
    : Win32DialogWindow(app, {.windowClass = L"QuilletAccount",
                              .title = Translatable(u"Quillet Account"),
                              .clientWidth = kAccountDialogWidth,
                              .clientHeight = kAccountDialogHeight,
                              .defaultButton = kIdAccountOk,
                              .visibleListEntries = kAccountDialogListEntries}) {
  // Children in Tab order, which is the order of the rows; each field after its label so that the
  // label's access key moves to it. ShowFields places every row.
  constexpr auto kText = TwipsLayout::Fit::kText;
  constexpr auto kDropDown = TwipsLayout::Fit::kDropDown;
  auto edit = [this](int id, DWORD style) {
    return std::make_unique<Win32EditBox>(
        AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL | style, WS_EX_CLIENTEDGE, id, kField));
  };
  auto dropDown = [this](int id) {
    return std::make_unique<Win32DropDownList>(
        AddChild(WC_COMBOBOXW, L"", kTabStopChild | WS_VSCROLL | CBS_DROPDOWNLIST, 0, id, kField, kDropDown));
  };
  AddChild(WC_STATICW, Tr(u"&Kind of service:").c_str(), kLabelChild, 0, kIdAccountLabelApi, {kAccountLabelLeft, 285, 0, 0}, kText);
  api_ = std::make_unique<Win32DropDownList>(
      AddChild(WC_COMBOBOXW, L"", kTabStopChild | WS_VSCROLL | CBS_DROPDOWNLIST, 0, kIdAccountApi,
               {kAccountFieldLeft, 240, kAccountFieldWidth, kAccountFieldHeight}, kDropDown));
  otherServer_ =
      std::make_unique<Win32CheckBox>(AddChild(WC_BUTTONW, Tr(u"Another &server than bsky.social").c_str(),
                                               kTabStopChild | BS_CHECKBOX, 0, kIdAccountOtherServer, kField));
  AddChild(WC_STATICW, Tr(u"Ser&ver address:").c_str(), kLabelChild, 0, kIdAccountLabelServer, kLabel, kText);
  server_ = edit(kIdAccountServer, 0);
  signInButton_ =
      AddChild(WC_BUTTONW, Tr(u"Sign &in...").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountSignIn, kField);
  tokenInstead_ =
      std::make_unique<Win32CheckBox>(AddChild(WC_BUTTONW, Tr(u"Enter an access toke&n instead").c_str(),
                                               kTabStopChild | BS_CHECKBOX, 0, kIdAccountTokenInstead, kField));
  AddChild(WC_STATICW, Tr(u"Access &token:").c_str(), kLabelChild, 0, kIdAccountLabelToken, kLabel, kText);
  token_ = edit(kIdAccountToken, ES_PASSWORD);
  SendMessageW(token_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  AddChild(WC_STATICW, Tr(u"&User name:").c_str(), kLabelChild, 0, kIdAccountLabelUserName, kLabel, kText);
  AddChild(WC_STATICW, Tr(u"&Handle:").c_str(), kLabelChild, 0, kIdAccountLabelHandle, kLabel, kText);
  userName_ = edit(kIdAccountUserName, 0);
  AddChild(WC_STATICW, Tr(u"&Password:").c_str(), kLabelChild, 0, kIdAccountLabelPassword, kLabel, kText);
  AddChild(WC_STATICW, Tr(u"App pass&word:").c_str(), kLabelChild, 0, kIdAccountLabelAppPassword, kLabel, kText);
  password_ = edit(kIdAccountPassword, ES_PASSWORD);
  SendMessageW(password_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  AddChild(WC_BUTTONW, Tr(u"&Make one...").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountMakeAppPassword,
           kField);
  AddChild(WC_STATICW, Tr(u"Make an app password at bsky.app: Settings, Privacy and security, App passwords.").c_str(),
           kLabelChild | SS_NOPREFIX, 0, kIdAccountAppPasswordHint, kField);
  AddChild(WC_STATICW, Tr(u"Visi&bility:").c_str(), kLabelChild, 0, kIdAccountLabelVisibility, kLabel, kText);
  visibility_ = dropDown(kIdAccountVisibility);
  AddChild(WC_STATICW, Tr(u"&Language of posts:").c_str(), kLabelChild, 0, kIdAccountLabelLanguage, kLabel, kText);
  language_ = dropDown(kIdAccountLanguage);
  AddChild(WC_STATICW, Tr(u"Sec&ret key:").c_str(), kLabelChild, 0, kIdAccountLabelSecretKey, kLabel, kText);
  secretKey_ = edit(kIdAccountSecretKey, ES_PASSWORD);
  SendMessageW(secretKey_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  AddChild(WC_BUTTONW, Tr(u"&Generate").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountGenerateKey, kField);
  // Shares its access key with the app password's label, which no kind shows beside it.
  showSecretKey_ = std::make_unique<Win32CheckBox>(AddChild(WC_BUTTONW, Tr(u"Sho&w the secret key").c_str(),
                                                            kTabStopChild | BS_CHECKBOX, 0, kIdAccountShowSecretKey, kField));
  AddChild(WC_STATICW, Tr(u"Public key:").c_str(), kLabelChild, 0, kIdAccountLabelPublicKey, kLabel, kText);
  publicKey_ = edit(kIdAccountPublicKey, ES_READONLY);
  AddChild(WC_BUTTONW, Tr(u"Cop&y").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountCopyPublicKey, kField);
  AddChild(WC_STATICW, Tr(u"Rel&ays:").c_str(), kLabelChild, 0, kIdAccountLabelRelays, kLabel, kText);
  relays_ = edit(kIdAccountRelays, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL);
  AddChild(WC_STATICW, Tr(u"One relay a line, each address beginning with wss://.").c_str(), kLabelChild | SS_NOPREFIX,
           0, kIdAccountRelaysHint, kField);
  AddChild(WC_STATICW, Tr(u"Journal only: your lines are kept in this file, and go nowhere else:").c_str(),
           kLabelChild | SS_NOPREFIX, 0, kIdAccountJournalPlace, kField);
  journalPath_ = edit(kIdAccountJournalPath, ES_READONLY);
  AddChild(WC_BUTTONW, Tr(u"T&est").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountTest,
           {kAccountLabelLeft, kAccountTestTop, 1215, 375});
  message_ =
      std::make_unique<Win32StaticText>(AddChild(WC_STATICW, L"", kLabelChild | SS_NOPREFIX, 0, kIdAccountMessage,
                                                 {kAccountFieldLeft, kAccountTestTop, kAccountFieldWidth, 660}));
  AddChild(WC_BUTTONW, Tr(u"&OK").c_str(), kTabStopChild | BS_DEFPUSHBUTTON, 0, kIdAccountOk,
           {3840, kAccountOkTop, 1215, 375});
  AddChild(WC_BUTTONW, Tr(u"&Cancel").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAccountCancel,
           {5145, kAccountOkTop, 1215, 375});

  OnClicked(kIdAccountOk, [this] { ok_.Click(); });
  OnClicked(kIdAccountCancel, [this] { cancel_.Click(); });
  OnClicked(kIdAccountTest, [this] { test_.Click(); });
  OnClicked(kIdAccountSignIn, [this] { signIn_.Click(); });
  OnClicked(kIdAccountMakeAppPassword, [this] { makeAppPassword_.Click(); });
  OnClicked(kIdAccountGenerateKey, [this] { generateKey_.Click(); });
  OnClicked(kIdAccountCopyPublicKey, [this] { copyPublicKey_.Click(); });
  // The secret key in clear only while the person asks for it (to keep it elsewhere).
  OnClicked(kIdAccountShowSecretKey, [this] {
    showSecretKey_->Clicked();
    SendMessageW(secretKey_->hwnd(), EM_SETPASSWORDCHAR, showSecretKey_->Value() == 1 ? 0 : L'*', 0);
    InvalidateRect(secretKey_->hwnd(), nullptr, TRUE);
  });
  for (Win32CheckBox* box : {otherServer_.get(), tokenInstead_.get()}) {
    OnClicked(GetDlgCtrlID(box->hwnd()), [this, box] {
      box->Clicked();
      ChoiceChanged();
    });
  }
  OnCommand(kIdAccountApi, [this](WORD code) {
    if (code == CBN_SELCHANGE) ChoiceChanged();
    if (code == CBN_CLOSEUP && fieldsAtCloseUp_) LayOut(*std::exchange(fieldsAtCloseUp_, std::nullopt));
  });
  for (auto [id, field] : {std::pair{kIdAccountServer, server_.get()}, std::pair{kIdAccountToken, token_.get()},
                           std::pair{kIdAccountUserName, userName_.get()}, std::pair{kIdAccountPassword, password_.get()},
                           std::pair{kIdAccountSecretKey, secretKey_.get()}, std::pair{kIdAccountRelays, relays_.get()}})
    OnCommand(id, [field](WORD code) { field->Notify(code); });
  ShowFields({});  // the kind of service alone, until the dialog's logic says what it needs
}

void Win32AccountView::ShowFields(const AccountFields& fields) {
  // Laying the rows out places the kind's list again, which closes it while it is open (the person
  // walking it with the arrow keys): the rows follow when it closes.
  if (SendMessageW(api_->hwnd(), CB_GETDROPPEDSTATE, 0, 0) != FALSE) {
    fieldsAtCloseUp_ = fields;
    return;
  }
  fieldsAtCloseUp_.reset();
  LayOut(fields);
}

void Win32AccountView::LayOut(const AccountFields& fields) {
  using Credentials = AccountFields::Credentials;
  bool bluesky = fields.credentials == Credentials::kHandleAndAppPassword;
  struct Piece {
    HWND window;
    TwipsBox box;  // its top from the row's
    bool shown = true;
  };
  struct Row {
    bool shown;
    int height;  // with the gap below it
    std::vector<Piece> pieces;
  };
  constexpr TwipsBox kLabelInRow{kAccountLabelLeft, 45, 0, 0};
  auto label = [this](int id, bool shown = true) { return Piece{Control(id), kLabelInRow, shown}; };
  auto field = [](HWND window, int width = kAccountFieldWidth) {
    return Piece{window, {kAccountFieldLeft, 0, width, kAccountFieldHeight}};
  };
  auto button = [](HWND window, bool shown) {
    return Piece{window, {kAccountButtonLeft, -15, kAccountButtonWidth, 345}, shown};
  };
  const Row rows[] = {
      {fields.otherServer,
       kAccountRowPitch,
       {{otherServer_->hwnd(), {kAccountLabelLeft, 0, kAccountWholeWidth, kAccountFieldHeight}}}},
      {fields.server,
       kAccountRowPitch,
       {label(kIdAccountLabelServer),
        field(server_->hwnd(), fields.signIn ? kAccountFieldBesideButton : kAccountFieldWidth),
        button(signInButton_, fields.signIn)}},
      {fields.tokenInstead, kAccountRowPitch, {field(tokenInstead_->hwnd())}},
      {fields.token, kAccountRowPitch, {label(kIdAccountLabelToken), field(token_->hwnd())}},
      {fields.credentials != Credentials::kNone,
       kAccountRowPitch,
       {label(kIdAccountLabelUserName, !bluesky), label(kIdAccountLabelHandle, bluesky), field(userName_->hwnd())}},
      {fields.credentials != Credentials::kNone,
       kAccountRowPitch,
       {label(kIdAccountLabelPassword, !bluesky), label(kIdAccountLabelAppPassword, bluesky),
        field(password_->hwnd(), bluesky ? kAccountFieldBesideButton : kAccountFieldWidth),
        button(Control(kIdAccountMakeAppPassword), bluesky)}},
      {bluesky, 480, {{Control(kIdAccountAppPasswordHint), {kAccountFieldLeft, 0, kAccountFieldWidth, 420}}}},
      {fields.visibility, kAccountRowPitch, {label(kIdAccountLabelVisibility), field(visibility_->hwnd())}},
      {fields.language, kAccountRowPitch, {label(kIdAccountLabelLanguage), field(language_->hwnd())}},
      {fields.nostrKey,
       kAccountRowPitch,
       {label(kIdAccountLabelSecretKey), field(secretKey_->hwnd(), kAccountFieldBesideButton),
        button(Control(kIdAccountGenerateKey), true)}},
      {fields.nostrKey, kAccountRowPitch, {field(showSecretKey_->hwnd())}},
      {fields.nostrKey,
       kAccountRowPitch,
       {label(kIdAccountLabelPublicKey), field(publicKey_->hwnd(), kAccountFieldBesideButton),
        button(Control(kIdAccountCopyPublicKey), true)}},
      {fields.relays,
       kAccountRelaysHeight + kAccountRowPitch - kAccountFieldHeight,
       {label(kIdAccountLabelRelays), {relays_->hwnd(), {kAccountFieldLeft, 0, kAccountFieldWidth, kAccountRelaysHeight}}}},
      {fields.relays, 480, {{Control(kIdAccountRelaysHint), {kAccountFieldLeft, 0, kAccountFieldWidth, 420}}}},
      {fields.journalPlace, 480, {{Control(kIdAccountJournalPlace), {kAccountLabelLeft, 0, kAccountWholeWidth, 420}}}},
      {fields.journalPlace,
       kAccountRowPitch,
       {{journalPath_->hwnd(), {kAccountLabelLeft, 0, kAccountWholeWidth, kAccountFieldHeight}}}},
  };
  int top = kAccountFirstRowTop, hiddenTop = kAccountHiddenRowsTop;
  for (const Row& row : rows) {
    int rowTop = row.shown ? top : hiddenTop;
    for (const Piece& piece : row.pieces) {
      layout_.Move(piece.window, {piece.box.left, rowTop + piece.box.top, piece.box.width, piece.box.height});
      bool shown = row.shown && piece.shown;
      // A control that hides with the focus would leave the keyboard nowhere: the kind takes it.
      if (!shown && GetFocus() == piece.window) SetFocus(api_->hwnd());
      ShowWindow(piece.window, shown ? SW_SHOWNA : SW_HIDE);
    }
    if (row.shown) top += row.height;
    hiddenTop += 2 * kAccountRowPitch;
  }
  if (!fields.test && GetFocus() == Control(kIdAccountTest)) SetFocus(api_->hwnd());
  ShowWindow(Control(kIdAccountTest), fields.test ? SW_SHOWNA : SW_HIDE);
  FitTexts();
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void Win32AccountView::SetJournalPath(std::u16string_view path) {
  SetWindowTextW(journalPath_->hwnd(), Wide(path).c_str());
}

void Win32AccountView::SetPublicKey(std::u16string_view npub) {
  SetWindowTextW(publicKey_->hwnd(), Wide(npub).c_str());
}

void Win32AccountView::CopyToClipboard(std::u16string_view text) { CopyTextToClipboard(hwnd(), text); }

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
