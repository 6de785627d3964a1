#pragma once
// Every value the program keeps under its key (HKCU\Software\Velmora\Quillet): its name as
// stored, what a reader gets while it is absent, its kind, who writes it, and what it means.
// Readers and writers name a value only through these entries, and read it as its kind
// (SettingsStore::Flag, Number, Get, ReadBytes); the settings tables of docs/settings.md list the
// same names.
#include <array>
#include <cstdint>
#include <string_view>

namespace quillet {

enum class SettingKind {
  kText,
  kFlag,    // "1" or "0"; it reads as its default unless it is stored as the other digit
  kNumber,  // a whole number, read through the 16-bit conversion
  kBytes,   // binary: a protected secret
};

// Who writes a value; several may.
struct SettingEditors {
  bool settingsDialog = false;
  bool options = false;        // the "Quillet Options" dialog
  bool accountDialog = false;  // the "Quillet Account" dialog, opened from Options
  bool program = false;        // the program itself (what a server said, the Pause menu)
};

struct Setting {
  std::u16string_view name;          // as stored; the registry matches names without regard to case
  std::u16string_view defaultValue;  // what a reader gets while the value is absent, empty or unreadable
  // A number's range: what the program writes and what the value means. A reader gets any 16-bit
  // number stored and decides what to make of one outside it.
  std::int16_t lowest = 0, highest = 0;
  SettingEditors editedBy;
  SettingKind kind = SettingKind::kText;  // given by the entry's type below
};

// An entry as it is written below: the setting and, for its readers here, what it means. The
// meaning is checked when the program is built and stays in the source (nothing shows it).
struct SettingEntry {
  std::u16string_view name;
  std::u16string_view defaultValue;
  std::int16_t lowest = 0, highest = 0;
  SettingEditors editedBy;
  std::string_view meaning;
};

namespace setting_detail {

constexpr bool DefaultFitsKind(const Setting& entry) {
  switch (entry.kind) {
    case SettingKind::kFlag:
      return entry.defaultValue == u"0" || entry.defaultValue == u"1";
    case SettingKind::kNumber: {
      int value = 0;
      for (char16_t ch : entry.defaultValue) {
        if (ch < u'0' || ch > u'9' || value > entry.highest) return false;
        value = value * 10 + (ch - u'0');
      }
      return !entry.defaultValue.empty() && entry.lowest <= value && value <= entry.highest;
    }
    case SettingKind::kBytes:
      return entry.defaultValue.empty();
    case SettingKind::kText:
      break;
  }
  return true;
}

}  // namespace setting_detail

// An entry of one kind: the store reads and writes it only as that kind. A default that is no
// value of the kind, or an entry that does not say what it means, does not compile.
template <SettingKind kKind>
struct SettingOf : Setting {
  consteval explicit SettingOf(SettingEntry entry)
      : Setting{.name = entry.name,
                .defaultValue = entry.defaultValue,
                .lowest = entry.lowest,
                .highest = entry.highest,
                .editedBy = entry.editedBy,
                .kind = kKind} {
    if (!setting_detail::DefaultFitsKind(*this)) throw "the default is not a value of the entry's kind";
    if (entry.meaning.empty()) throw "the entry does not say what it means";
  }
};
using TextSetting = SettingOf<SettingKind::kText>;
using FlagSetting = SettingOf<SettingKind::kFlag>;
using NumberSetting = SettingOf<SettingKind::kNumber>;
using BytesSetting = SettingOf<SettingKind::kBytes>;

// The settings dialog.
inline constexpr TextSetting kUserName{{.name = u"Username",
                                        .editedBy = {.settingsDialog = true, .accountDialog = true},
                                        .meaning = "the account's user name, as typed"}};
inline constexpr TextSetting kPassword{{.name = u"Password",
                                        .editedBy = {.settingsDialog = true, .accountDialog = true},
                                        .meaning = "the first account's password, scrambled"}};
inline constexpr NumberSetting kInterval{{.name = u"Interval",
                                          .defaultValue = u"40",
                                          .lowest = 1,
                                          .highest = 120,
                                          .editedBy = {.settingsDialog = true},
                                          .meaning = "minutes between pop-ups"}};
// The settings dialog's two check boxes keep their state as a number, and show a stored number
// as it is (2 greyed); anything else leaves the box as it was.
inline constexpr NumberSetting kStartup{{.name = u"Startup",
                                         .defaultValue = u"1",
                                         .lowest = 0,
                                         .highest = 1,
                                         .editedBy = {.settingsDialog = true},
                                         .meaning = "1: the program starts with Windows (the Run entry)"}};
inline constexpr NumberSetting kAddFriend{{.name = u"Addfriend",
                                           .defaultValue = u"1",
                                           .lowest = 0,
                                           .highest = 1,
                                           .editedBy = {.settingsDialog = true},
                                           .meaning = "kept and saved with the others"}};

// The account dialog (the first account's), and Options' Accounts section.
inline constexpr TextSetting kApi{{.name = u"Api",
                                   .defaultValue = u"twitter",
                                   .editedBy = {.accountDialog = true},
                                   .meaning = "the kind of service: twitter, mastodon, bluesky, nostr or journal"}};
inline constexpr TextSetting kServer{{.name = u"Server",
                                      .editedBy = {.accountDialog = true},
                                      .meaning = "the server's base address; empty: the built-in service"}};
inline constexpr BytesSetting kToken{
    {.name = u"Token", .editedBy = {.accountDialog = true}, .meaning = "the access token, protected for the account"}};
inline constexpr BytesSetting kNostrKey{
    {.name = u"NostrKey", .editedBy = {.accountDialog = true}, .meaning = "the Nostr secret key, protected for the account"}};
inline constexpr TextSetting kRelays{
    {.name = u"Relays",
     .editedBy = {.accountDialog = true},
     .meaning = "the Nostr relays' addresses, one a line; absent: a few well-known public relays"}};
inline constexpr NumberSetting kTextLimit{{.name = u"TextLimit",
                                           .defaultValue = u"140",
                                           .lowest = 1,
                                           .highest = 5000,
                                           .editedBy = {.accountDialog = true, .program = true},
                                           .meaning = "the server's limit of characters, read from it"}};
inline constexpr BytesSetting kSession{{.name = u"Session",
                                        .editedBy = {.accountDialog = true, .program = true},
                                        .meaning = "the Bluesky session, protected for the account"}};
inline constexpr BytesSetting kApps{
    {.name = u"Apps",
     .editedBy = {.accountDialog = true},
     .meaning = "the applications registered for signing in through the browser, protected"}};
// How the account posts; absent: the server's or the account's own default, and nothing is sent.
inline constexpr TextSetting kVisibility{
    {.name = u"Visibility",
     .editedBy = {.accountDialog = true},
     .meaning = "who sees the account's posts (Mastodon-compatible): public, unlisted or private (followers only)"}};
// Not "Language": that is the program's own language, on the key that is also the first account's.
inline constexpr TextSetting kPostLanguage{
    {.name = u"PostLanguage",
     .editedBy = {.accountDialog = true},
     .meaning = "the language of the account's posts as an ISO 639-1 code like de (Mastodon-compatible, Bluesky)"}};
inline constexpr FlagSetting kPostHere{{.name = u"PostHere",
                                        .defaultValue = u"1",
                                        .editedBy = {.options = true},
                                        .meaning = "1: confirmed lines go to this account; 0: not"}};
inline constexpr BytesSetting kProtectedPassword{
    {.name = u"ProtectedPassword",
     .editedBy = {.settingsDialog = true, .accountDialog = true},
     .meaning = "the first account's password for a server of the user's choice, protected"}};
// An account's number as its subkey is named, read as account ids are (settings/accounts.h).
inline constexpr TextSetting kNextAccount{
    {.name = u"NextAccount",
     .editedBy = {.options = true, .accountDialog = true},
     .meaning = "the number the next account added takes; never lower than one above the largest present"}};
inline constexpr FlagSetting kJournal{{.name = u"Journal",
                                       .defaultValue = u"0",
                                       .editedBy = {.options = true},
                                       .meaning = "1: every line goes to journal.csv too"}};

// Options, section Pop-ups, and the Pause menu.
inline constexpr TextSetting kQuietFrom{
    {.name = u"QuietFrom", .editedBy = {.options = true}, .meaning = "HH:MM, the start of the quiet hours"}};
inline constexpr TextSetting kQuietTo{
    {.name = u"QuietTo", .editedBy = {.options = true}, .meaning = "HH:MM, the end of the quiet hours"}};
inline constexpr FlagSetting kRespectBusy{{.name = u"RespectBusy",
                                           .defaultValue = u"0",
                                           .editedBy = {.options = true},
                                           .meaning = "1: no scheduled pop-up while the user is busy or away"}};
// On unless stored as "0": a pop-up over a presentation or a film is never wanted.
inline constexpr FlagSetting kHoldWhileFullScreen{
    {.name = u"HoldWhileFullScreen",
     .defaultValue = u"1",
     .editedBy = {.options = true},
     .meaning = "0: a scheduled pop-up comes even while a program fills the screen; else it waits for the show to end"}};
inline constexpr TextSetting kHotkey{{.name = u"Hotkey",
                                      .editedBy = {.options = true},
                                      .meaning = "the global key combination for Post Now, like Ctrl+Alt+Q"}};
inline constexpr TextSetting kPausedUntil{{.name = u"PausedUntil",
                                           .editedBy = {.program = true},
                                           .meaning = "YYYY-MM-DD HH:MM, the local time a pause ends"}};
inline constexpr TextSetting kLanguage{
    {.name = u"Language",
     .editedBy = {.options = true},
     .meaning = "the language the program speaks, as a tag like de or pt-BR; absent: Windows' display language"}};
inline constexpr TextSetting kLookBackPlace{
    {.name = u"LookBackPlace",
     .editedBy = {.program = true},
     .meaning = "left,top,width,height: where the look-back window was last, in pixels"}};

// Options' "Tell me when a new version is out", and what the update check keeps (tray/update_check.h).
inline constexpr FlagSetting kCheckForUpdates{
    {.name = u"CheckForUpdates",
     .defaultValue = u"0",
     .editedBy = {.options = true},
     .meaning = "1: once a day the program asks the update feed for the latest version"}};
inline constexpr TextSetting kUpdateFeed{
    {.name = u"UpdateFeed",
     .meaning = "the address of the latest release's JSON document; absent: the project's own, as built"}};
inline constexpr TextSetting kUpdateCheckedAt{
    {.name = u"UpdateCheckedAt",
     .editedBy = {.program = true},
     .meaning = "the wall clock's milliseconds since 1970 (UTC) when the feed was last asked"}};
inline constexpr TextSetting kUpdateToldVersion{{.name = u"UpdateToldVersion",
                                                 .editedBy = {.program = true},
                                                 .meaning = "the newer version a balloon told of last"}};
inline constexpr TextSetting kUpdateDismissed{
    {.name = u"UpdateDismissed",
     .editedBy = {.program = true},
     .meaning = "the version the person asked not to be told about"}};

// Every value under the program's key.
inline constexpr auto kAllSettings = std::to_array<Setting>(
    {kUserName,    kPassword,  kInterval,          kStartup,    kAddFriend, kApi,     kServer,      kToken,
     kSession,     kTextLimit, kJournal,           kApps,       kQuietFrom, kQuietTo, kRespectBusy, kHotkey,
     kPausedUntil, kPostHere,  kProtectedPassword, kNextAccount, kLanguage, kLookBackPlace, kNostrKey, kRelays,
     kVisibility,  kPostLanguage, kHoldWhileFullScreen, kCheckForUpdates, kUpdateFeed, kUpdateCheckedAt,
     kUpdateToldVersion, kUpdateDismissed});

// The values of every further account, under the subkey Accounts\<number> of the program's key:
// the same names, with the same meanings, except that the password is protected like the token
// instead of scrambled.
inline constexpr std::u16string_view kAccountsKey = u"Accounts";
inline constexpr BytesSetting kAccountPassword{
    {.name = u"Password", .editedBy = {.accountDialog = true}, .meaning = "a further account's password, protected"}};
inline constexpr auto kAccountSettings =
    std::to_array<Setting>({kApi, kServer, kUserName, kAccountPassword, kToken, kSession, kTextLimit, kPostHere,
                            kNostrKey, kRelays, kVisibility, kPostLanguage});

}  // namespace quillet
