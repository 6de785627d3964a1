#pragma once
// HTTP over the socket control, in the HTTP/1.0 form the built-in service has always been sent
// (status_request::ComposeRequest): plain http only, one exchange at a time, the server closing
// the connection after its reply. A connection gets 30 seconds to come up and a reply 30 seconds
// after the request was handed over; OnTick ends an exchange that has waited longer. The reply's
// head is read from its first 16 KB and at most 1 MB of its body is kept; the rest is read and
// dropped, so that a flood costs no memory.
#include <cstdint>
#include <string>

#include "common/callback.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/socket.h"

namespace quillet {

class SocketHttpClient : public platform::IHttpClient {
 public:
  static constexpr std::int64_t kConnectTimeoutMs = 30'000;
  static constexpr std::int64_t kReplyTimeoutMs = 30'000;
  static constexpr std::size_t kLongestHead = 16 * 1024;
  static constexpr std::size_t kLongestBody = 1024 * 1024;

  SocketHttpClient(platform::ISocket& socket, platform::IClock& clock);
  SocketHttpClient(const SocketHttpClient&) = delete;
  SocketHttpClient& operator=(const SocketHttpClient&) = delete;

  // Starts an exchange; one still under way is dropped without an answer.
  void Send(platform::HttpRequest request, Callback<void(platform::HttpReply)> done) override {
    Send(std::move(request), nullptr, std::move(done));
  }
  // The same, `leaving` run once the connection is up, just before the request may leave (from
  // then on a repeat may be a duplicate). Answering false holds the request back: the exchange
  // ends as kFailed with nothing sent.
  void Send(platform::HttpRequest request, Callback<bool()> leaving,
            Callback<void(platform::HttpReply)> done);
  // Ends an exchange that has waited too long.
  void OnTick();
  // Drops the exchange under way without an answer.
  void Abandon();
  bool Busy() const { return static_cast<bool>(done_); }

 private:
  void OnConnected();
  void OnData();
  void OnEnded(platform::SocketEnd how);
  void Finish(platform::HttpReply reply);
  bool RequestLeft() const;

  platform::ISocket& socket_;
  platform::IClock& clock_;
  platform::HttpRequest request_;
  Callback<bool()> leaving_;
  Callback<void(platform::HttpReply)> done_;
  std::int64_t deadlineMs_ = 0;     // on the monotonic clock
  bool handedOver_ = false;         // SendData has taken the request
  std::string received_;            // the reply's first bytes: its head and up to kLongestBody of its body
};

}  // namespace quillet
