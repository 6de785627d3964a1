#pragma once
// What the account dialog shows for a kind of network: its rows, each bound to the account's
// value it edits (the server's address to "Server", the user name to "Username", ...). Each kind
// declares its own (Network::Fields); the dialog draws them.

namespace quillet {

// What the dialog shows of an account; everything else is hidden (and out of the Tab order).
struct AccountFields {
  // How the credentials' two boxes are named.
  enum class Credentials {
    kNone,
    kUserNameAndPassword,
    kHandleAndAppPassword,  // with where to make an app password, and "Make one..." to go there
  };
  bool otherServer = false;   // "Another server than bsky.social", ticked to show the server's box
  bool server = false;        // the server's address
  bool signIn = false;        // "Sign in..." beside it
  bool tokenInstead = false;  // "Enter an access token instead", ticked to show the token's box
  bool token = false;
  Credentials credentials = Credentials::kNone;
  bool visibility = false;    // who sees the posts
  bool language = false;      // the posts' language
  bool nostrKey = false;      // the secret key with Generate, and the public key with Copy
  bool relays = false;        // one address a line
  bool journalPlace = false;  // where the journal is
  bool test = false;

  friend bool operator==(const AccountFields&, const AccountFields&) = default;
};

}  // namespace quillet
