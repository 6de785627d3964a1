#pragma once
// Every value the program keeps under its key (HKCU\Software\Velmora\Quillet): its name as
// stored, what a reader gets while it is absent, and what it means. Readers and writers name a
// value only through these entries; the settings tables of docs/settings.md list the same names.
#include <array>
#include <string_view>

namespace quillet {

struct Setting {
  std::u16string_view name;          // as stored; the registry matches names without regard to case
  std::u16string_view defaultValue;  // what a reader gets while the value is absent, empty or unreadable
  std::string_view meaning;
};

// The settings dialog.
inline constexpr Setting kUserName{u"Username", u"", "the account's user name, as typed"};
inline constexpr Setting kPassword{u"Password", u"",
                                   "the first account's password scrambled; a further account's protected (binary)"};
inline constexpr Setting kInterval{u"Interval", u"40", "minutes between pop-ups, 1 to 120"};
inline constexpr Setting kStartup{u"Startup", u"1", "1: the program starts with Windows (the Run entry)"};
inline constexpr Setting kAddFriend{u"Addfriend", u"1", "kept and saved with the others"};

// Options, section Service.
inline constexpr Setting kApi{u"Api", u"twitter", "the kind of service: twitter, mastodon, bluesky or journal"};
inline constexpr Setting kServer{u"Server", u"", "the server's base address; empty: the built-in service"};
inline constexpr Setting kToken{u"Token", u"", "the access token, protected for the account (binary)"};
inline constexpr Setting kTextLimit{u"TextLimit", u"140", "the server's limit of characters, read from it"};
inline constexpr Setting kSession{u"Session", u"", "the Bluesky session, protected for the account (binary)"};
inline constexpr Setting kApps{u"Apps", u"", "the applications registered for signing in through the browser, protected (binary)"};
inline constexpr Setting kPostHere{u"PostHere", u"1", "1: confirmed lines go to this account; 0: not"};
inline constexpr Setting kProtectedPassword{
    u"ProtectedPassword", u"", "the first account's password for a server of the user's choice, protected (binary)"};
inline constexpr Setting kNextAccount{
    u"NextAccount", u"", "the number the next account added takes; never lower than one above the largest present"};
inline constexpr Setting kJournal{u"Journal", u"0", "1: every line goes to journal.csv too"};

// Options, section Pop-ups, and the Pause menu.
inline constexpr Setting kQuietFrom{u"QuietFrom", u"", "HH:MM, the start of the quiet hours"};
inline constexpr Setting kQuietTo{u"QuietTo", u"", "HH:MM, the end of the quiet hours"};
inline constexpr Setting kRespectBusy{u"RespectBusy", u"", "1: no scheduled pop-up while the user is busy or away"};
inline constexpr Setting kHotkey{u"Hotkey", u"", "the global key combination for Post Now, like Ctrl+Alt+Q"};
inline constexpr Setting kPausedUntil{u"PausedUntil", u"", "YYYY-MM-DD HH:MM, the local time a pause ends"};

inline constexpr std::array kAllSettings{kUserName, kPassword,    kInterval,  kStartup,           kAddFriend,
                                         kApi,      kServer,      kToken,     kSession,           kTextLimit,
                                         kJournal,  kApps,        kQuietFrom, kQuietTo,           kRespectBusy,
                                         kHotkey,   kPausedUntil, kPostHere,  kProtectedPassword, kNextAccount};

// The values of every further account, under the subkey Accounts\<number> of the program's key:
// the same names, with the same meanings, except that the password is protected like the token
// (binary) instead of scrambled.
inline constexpr std::u16string_view kAccountsKey = u"Accounts";
inline constexpr std::array kAccountSettings{kApi, kServer, kUserName, kPassword, kToken, kSession, kTextLimit, kPostHere};

}  // namespace quillet
