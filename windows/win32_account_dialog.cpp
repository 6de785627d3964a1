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
constexpr TwipsBox kLabelBox{kAccountLabelLeft, 0, 0, 0};
constexpr TwipsBox kFieldBox{kAccountFieldLeft, 0, kAccountFieldWidth, kAccountFieldHeight};

// The rows, in a namespace of their own: the kinds' short names (kLabel, kButton) stay out of the
// file's, which a unity build shares with other views. In Tab order, which is the order of the
// rows; each field after its label so that the label's access key moves to it.
namespace account_rows {
using enum ControlKind;
constexpr ControlRow kRows[] = {
    {kIdAccountLabelApi, kLabel, Translatable(u"&Kind of service:"), {kAccountLabelLeft, 285, 0, 0}},
    {kIdAccountApi, kDropDownList, {}, {kAccountFieldLeft, 240, kAccountFieldWidth, kAccountFieldHeight}},
    {kIdAccountOtherServer, kCheckBox, Translatable(u"Another &server than bsky.social"), kFieldBox},
    {kIdAccountLabelServer, kLabel, Translatable(u"Ser&ver address:"), kLabelBox},
    {kIdAccountServer, kTextBox, {}, kFieldBox},
    {kIdAccountSignIn, kButton, Translatable(u"Sign &in..."), kFieldBox},
    {kIdAccountTokenInstead, kCheckBox, Translatable(u"Enter an access toke&n instead"), kFieldBox},
    {kIdAccountLabelToken, kLabel, Translatable(u"Access &token:"), kLabelBox},
    {kIdAccountToken, kPasswordBox, {}, kFieldBox},
    {kIdAccountLabelUserName, kLabel, Translatable(u"&User name:"), kLabelBox},
    {kIdAccountLabelHandle, kLabel, Translatable(u"&Handle:"), kLabelBox},
    {kIdAccountUserName, kTextBox, {}, kFieldBox},
    {kIdAccountLabelPassword, kLabel, Translatable(u"&Password:"), kLabelBox},
    {kIdAccountLabelAppPassword, kLabel, Translatable(u"App pass&word:"), kLabelBox},
    {kIdAccountPassword, kPasswordBox, {}, kFieldBox},
    {kIdAccountMakeAppPassword, kButton, Translatable(u"&Make one..."), kFieldBox},
    {kIdAccountAppPasswordHint, kMessage,
     Translatable(u"Make an app password at bsky.app: Settings, Privacy and security, App passwords."), kFieldBox},
    {kIdAccountLabelVisibility, kLabel, Translatable(u"Visi&bility:"), kLabelBox},
    {kIdAccountVisibility, kDropDownList, {}, kFieldBox},
    {kIdAccountLabelLanguage, kLabel, Translatable(u"&Language of posts:"), kLabelBox},
    {kIdAccountLanguage, kDropDownList, {}, kFieldBox},
    {kIdAccountLabelSecretKey, kLabel, Translatable(u"Sec&ret key:"), kLabelBox},
    {kIdAccountSecretKey, kPasswordBox, {}, kFieldBox},
    {kIdAccountGenerateKey, kButton, Translatable(u"&Generate"), kFieldBox},
    // Shares its access key with the app password's label, which no kind shows beside it.
    {kIdAccountShowSecretKey, kCheckBox, Translatable(u"Sho&w the secret key"), kFieldBox},
    {kIdAccountLabelPublicKey, kLabel, Translatable(u"Public key:"), kLabelBox},
    {kIdAccountPublicKey, kReadOnlyLine, {}, kFieldBox},
    {kIdAccountCopyPublicKey, kButton, Translatable(u"Cop&y"), kFieldBox},
    {kIdAccountLabelRelays, kLabel, Translatable(u"Rel&ays:"), kLabelBox},
    {kIdAccountRelays, kLinesBox, {}, kFieldBox},
    {kIdAccountRelaysHint, kMessage, Translatable(u"One relay a line, each address beginning with wss://."), kFieldBox},
    {kIdAccountJournalPlace, kMessage,
     Translatable(u"Journal only: your lines are kept in this file, and go nowhere else:"), kFieldBox},
    {kIdAccountJournalPath, kReadOnlyLine, {}, kFieldBox},
    {kIdAccountTest, kButton, Translatable(u"T&est"), {kAccountLabelLeft, kAccountTestTop, 1215, 375}},
    {kIdAccountMessage, kMessage, {}, {kAccountFieldLeft, kAccountTestTop, kAccountFieldWidth, 660}},
    {kIdAccountOk, kDefaultButton, Translatable(u"&OK"), {3840, kAccountOkTop, 1215, 375}},
    {kIdAccountCancel, kButton, Translatable(u"&Cancel"), {5145, kAccountOkTop, 1215, 375}},
};
}  // namespace account_rows

}  // namespace

Win32AccountView::Win32AccountView(Win32Application& app)
    : Win32DialogWindow(app, {.windowClass = L"QuilletAccount",
                              .title = Translatable(u"Quillet Account"),
                              .clientWidth = kAccountDialogWidth,
                              .clientHeight = kAccountDialogHeight,
                              .defaultButton = kIdAccountOk,
                              .visibleListEntries = kAccountDialogListEntries}) {
  AddRows(account_rows::kRows);
  // The secret key in clear only while the person asks for it (to keep it elsewhere).
  OnClicked(kIdAccountShowSecretKey, [this] {
    Win32CheckBox& shown = CheckBoxOf(kIdAccountShowSecretKey);
    shown.Clicked();
    HWND secretKey = Control(kIdAccountSecretKey);
    SendMessageW(secretKey, EM_SETPASSWORDCHAR, shown.Value() == 1 ? 0 : L'*', 0);
    InvalidateRect(secretKey, nullptr, TRUE);
  });
  for (int id : {kIdAccountOtherServer, kIdAccountTokenInstead}) {
    OnClicked(id, [this, &box = CheckBoxOf(id)] {
      box.Clicked();
      ChoiceChanged();
    });
  }
  OnCommand(kIdAccountApi, [this](WORD code) {
    if (code == CBN_SELCHANGE) ChoiceChanged();
    if (code == CBN_CLOSEUP && fieldsAtCloseUp_) LayOut(*std::exchange(fieldsAtCloseUp_, std::nullopt));
  });
  ShowFields({});  // the kind of service alone, until the dialog's logic says what it needs
}

void Win32AccountView::ShowFields(const AccountFields& fields) {
  // Laying the rows out places the kind's list again, which closes it while it is open (the person
  // walking it with the arrow keys): the rows follow when it closes.
  if (SendMessageW(Control(kIdAccountApi), CB_GETDROPPEDSTATE, 0, 0) != FALSE) {
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
       {{Control(kIdAccountOtherServer), {kAccountLabelLeft, 0, kAccountWholeWidth, kAccountFieldHeight}}}},
      {fields.server,
       kAccountRowPitch,
       {label(kIdAccountLabelServer),
        field(Control(kIdAccountServer), fields.signIn ? kAccountFieldBesideButton : kAccountFieldWidth),
        button(Control(kIdAccountSignIn), fields.signIn)}},
      {fields.tokenInstead, kAccountRowPitch, {field(Control(kIdAccountTokenInstead))}},
      {fields.token, kAccountRowPitch, {label(kIdAccountLabelToken), field(Control(kIdAccountToken))}},
      {fields.credentials != Credentials::kNone,
       kAccountRowPitch,
       {label(kIdAccountLabelUserName, !bluesky), label(kIdAccountLabelHandle, bluesky), field(Control(kIdAccountUserName))}},
      {fields.credentials != Credentials::kNone,
       kAccountRowPitch,
       {label(kIdAccountLabelPassword, !bluesky), label(kIdAccountLabelAppPassword, bluesky),
        field(Control(kIdAccountPassword), bluesky ? kAccountFieldBesideButton : kAccountFieldWidth),
        button(Control(kIdAccountMakeAppPassword), bluesky)}},
      {bluesky, 480, {{Control(kIdAccountAppPasswordHint), {kAccountFieldLeft, 0, kAccountFieldWidth, 420}}}},
      {fields.visibility, kAccountRowPitch, {label(kIdAccountLabelVisibility), field(Control(kIdAccountVisibility))}},
      {fields.language, kAccountRowPitch, {label(kIdAccountLabelLanguage), field(Control(kIdAccountLanguage))}},
      {fields.nostrKey,
       kAccountRowPitch,
       {label(kIdAccountLabelSecretKey), field(Control(kIdAccountSecretKey), kAccountFieldBesideButton),
        button(Control(kIdAccountGenerateKey), true)}},
      {fields.nostrKey, kAccountRowPitch, {field(Control(kIdAccountShowSecretKey))}},
      {fields.nostrKey,
       kAccountRowPitch,
       {label(kIdAccountLabelPublicKey), field(Control(kIdAccountPublicKey), kAccountFieldBesideButton),
        button(Control(kIdAccountCopyPublicKey), true)}},
      {fields.relays,
       kAccountRelaysHeight + kAccountRowPitch - kAccountFieldHeight,
       {label(kIdAccountLabelRelays), {Control(kIdAccountRelays), {kAccountFieldLeft, 0, kAccountFieldWidth, kAccountRelaysHeight}}}},
      {fields.relays, 480, {{Control(kIdAccountRelaysHint), {kAccountFieldLeft, 0, kAccountFieldWidth, 420}}}},
      {fields.journalPlace, 480, {{Control(kIdAccountJournalPlace), {kAccountLabelLeft, 0, kAccountWholeWidth, 420}}}},
      {fields.journalPlace,
       kAccountRowPitch,
       {{Control(kIdAccountJournalPath), {kAccountLabelLeft, 0, kAccountWholeWidth, kAccountFieldHeight}}}},
  };
  int top = kAccountFirstRowTop, hiddenTop = kAccountHiddenRowsTop;
  for (const Row& row : rows) {
    int rowTop = row.shown ? top : hiddenTop;
    for (const Piece& piece : row.pieces) {
      layout_.Move(piece.window, {piece.box.left, rowTop + piece.box.top, piece.box.width, piece.box.height});
      bool shown = row.shown && piece.shown;
      // A control that hides with the focus would leave the keyboard nowhere: the kind takes it.
      if (!shown && GetFocus() == piece.window) SetFocus(Control(kIdAccountApi));
      ShowWindow(piece.window, shown ? SW_SHOWNA : SW_HIDE);
    }
    if (row.shown) top += row.height;
    hiddenTop += 2 * kAccountRowPitch;
  }
  if (!fields.test && GetFocus() == Control(kIdAccountTest)) SetFocus(Control(kIdAccountApi));
  ShowWindow(Control(kIdAccountTest), fields.test ? SW_SHOWNA : SW_HIDE);
  FitTexts();
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void Win32AccountView::SetJournalPath(std::u16string_view path) {
  SetWindowTextW(Control(kIdAccountJournalPath), Wide(path).c_str());
}

void Win32AccountView::SetPublicKey(std::u16string_view npub) {
  SetWindowTextW(Control(kIdAccountPublicKey), Wide(npub).c_str());
}

void Win32AccountView::CopyToClipboard(std::u16string_view text) { CopyTextToClipboard(hwnd(), text); }

void Win32AccountView::FocusServer() {
  SetFocus(Control(kIdAccountServer));
  SendMessageW(Control(kIdAccountServer), EM_SETSEL, 0, -1);
}

void Win32AccountView::SetSignInCaption(std::u16string_view caption) {
  SetWindowTextW(Control(kIdAccountSignIn), Wide(caption).c_str());
  FitTexts();
}

bool Win32AccountView::AskYesNo(std::u16string_view question) { return AskYesNoOver(question, MB_ICONWARNING); }

AccountViewFactory Win32AccountViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<IAccountView> { return std::make_unique<Win32AccountView>(app); };
}

}  // namespace quillet::platform::win32
