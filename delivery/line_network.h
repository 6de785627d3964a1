#pragma once
// What delivery asks of a kind of network: the traits the outbox decides by, the key a line is
// made ready with before it first leaves, sending it, and reading it back. The kinds themselves
// live in networks/ (networks/network.h is the whole of one kind, networks/registry.h lists them);
// the outbox and the senders know them only through this part, handed to them as a function that
// answers an account's network (NetworkOfAccount).
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/callback.h"
#include "delivery/outbox_file.h"
#include "delivery/outcome.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "platform/websocket.h"
#include "settings/settings_store.h"

namespace quillet {

// Where status updates go when no server is set; fixed when the program is built.
struct Endpoint {
  std::string connectHost;
  std::string hostHeader;
  std::uint16_t port;
};
Endpoint BuiltInEndpoint();

// How an account's network treats a line, as its values say now.
struct NetworkTraits {
  bool journalOnly = false;        // nothing is sent: the line goes to the journal alone
  bool canReadBack = false;        // the account's posts can be asked whether a line arrived
  bool honoursRepeatKeys = false;  // the service tells a repeat of a line by the key it went with
  bool keysNeverExpire = false;    // and does so however late (a repeat writes the same post again)
  bool findsByKey = false;         // a line is looked for by its key, never by its words
};

// What reading a line back asks.
struct ReadBackQuestion {
  std::u16string line;
  std::string key;                        // the key the line went with (LineKeys, as the network keeps it)
  std::shared_ptr<const PreparedLine> prepared;  // and its typed form, when the network made one
  std::int64_t firstSentMonotonicMs = 0;  // when its first request could have left, on the monotonic clock
};
// What reading a line back found.
struct ReadBackAnswer {
  enum Finding {
    kFound,
    kNotFound,
    kUnsure,  // nobody can tell; `failure.reason` says why
    kFailed,  // the posts could not be read: `failure` is temporary (ask again later) or permanent
  } finding = kFailed;
  DeliveryOutcome failure;
};

// What a line is made ready with: its record, whose keys the network fills in, and what lets the
// network make keys that differ from every other line's.
struct Preparing {
  OutboxRecord& record;
  std::int64_t nowMs;                     // on the wall clock
  const std::vector<OutboxRecord>& kept;  // every line the outbox keeps, this one among them
  std::mt19937_64& random;
  // What networks remember between lines in this run (the last moment a key was made for...),
  // under names of their own.
  std::map<std::string, std::int64_t, std::less<>>& memory;
};

// A key of the line's own (the Idempotency-Key of a server that takes one), drawn at random and
// from the line itself (its number, when it was confirmed, its text), so that two lines never
// share one even when the generator was seeded alike.
std::string NewLineKey(const OutboxRecord& record, std::mt19937_64& random);

// `leaving` held the request back: the line waits rather than risk going twice.
DeliveryOutcome HeldBackOutcome();

using LineDone = Callback<void(const DeliveryOutcome&)>;
using ReadBackDone = Callback<void(const ReadBackAnswer&)>;

// What an account's sender lends its network for one exchange.
struct LinkServices {
  std::string accountId;
  SettingsStore& account;  // the account's values, owned by the sender
  platform::ISecrets& secrets;
  platform::IClock& clock;
  const platform::WebSocketFactory& makeWebSocket;
  const Endpoint& builtIn;
  using Reply = Callback<void(const platform::HttpReply&)>;
  // One request on the account's way (the socket for http, the system's client for https);
  // `reply` runs once, while this exchange is still the one under way.
  Callback<void(platform::HttpRequest, Callback<bool()> leaving, Reply)> exchange;
  // Whether the last exchange's `leaving` held its request back.
  Callback<bool()> heldBack;
};

// An account's network for one exchange (or one question), the account read as it is now.
class AccountLink {
 public:
  virtual ~AccountLink() = default;
  virtual NetworkTraits Traits() const = 0;
  // The host the person knows the account by, for messages.
  virtual std::string Host() const = 0;
  // The key the line goes with, made when it has none of this network's kind yet (empty: none);
  // the network may keep its typed form in the record's `prepared`, which the outbox hands back
  // with the key.
  virtual std::string Prepare(Preparing& line) = 0;
  // The line's key as this network keeps it (empty: none yet).
  virtual std::string KeyOf(const LineKeys& keys) const = 0;
  // The person sends the line again: its key is made anew where the account's own may have
  // changed (a signature); by default it is kept.
  virtual void Renew(OutboxRecord&) {}
  // One attempt; `leaving` runs just before the request may leave and may hold it back; `done`
  // runs once with the outcome, unless the exchange is abandoned first.
  virtual void Send(const std::u16string& line, const std::string& key, std::shared_ptr<const PreparedLine> prepared,
                    Callback<bool()> leaving, LineDone done) = 0;
  virtual void ReadBack(ReadBackQuestion question, ReadBackDone done) = 0;
  virtual void OnTick() {}
  // Drops what is under way without an outcome.
  virtual void Abandon() {}
};

// A kind of network as delivery sees it.
class LineNetwork {
 public:
  virtual ~LineNetwork() = default;
  virtual std::unique_ptr<AccountLink> Open(LinkServices services) const = 0;
  // Asks the account's server for its limit on a line's length and keeps it, where the kind has one.
  virtual void RefreshTextLimit(std::shared_ptr<SettingsStore>, platform::IHttpClient&, platform::ISecrets&,
                                const std::string& /*accountId*/) const {}
};

// The network an account's values choose.
using NetworkOfAccount = Callback<const LineNetwork&(SettingsStore& account)>;

}  // namespace quillet
