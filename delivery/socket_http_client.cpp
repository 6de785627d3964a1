#include "delivery/socket_http_client.h"

#include <algorithm>

#include "common/steps.h"
#include "common/trace.h"
#include "delivery/outcome.h"
#include "delivery/status_request.h"

namespace quillet {
namespace {

// The Host header's text of a request: the request's own, or the host with its port when the port
// is not http's.
std::string HostHeaderOf(const platform::HttpRequest& request) {
  if (!request.hostHeader.empty()) return request.hostHeader;
  std::string host = request.host.find(':') != std::string::npos ? "[" + request.host + "]" : request.host;
  return request.port == 80 ? host : host + ":" + std::to_string(request.port);
}

}  // namespace

SocketHttpClient::SocketHttpClient(platform::ISocket& socket, platform::IClock& clock) : socket_(socket), clock_(clock) {
  socket_.OnConnect([this] { OnConnected(); });
  socket_.OnDataArrival([this](std::int32_t /*bytesTotal*/) { OnData(); });
  socket_.OnClose([this](platform::SocketEnd how) { OnEnded(how); });
}

void SocketHttpClient::Send(platform::HttpRequest request, Callback<bool()> leaving,
                            Callback<void(platform::HttpReply)> done) {
  Abandon();  // a connection left from an earlier exchange is dropped
  request_ = std::move(request);
  leaving_ = std::move(leaving);
  done_ = std::move(done);
  deadlineMs_ = clock_.MonotonicMs() + kConnectTimeoutMs;
  try {
    socket_.Connect(request_.host, request_.port);
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
    Finish({.outcome = platform::HttpOutcome::kUnreachable});
  }
}

void SocketHttpClient::Abandon() {
  Step([&] { socket_.Close(); });
  done_ = nullptr;
  leaving_ = nullptr;
  handedOver_ = false;
  received_.clear();
  deadlineMs_ = 0;
}

void SocketHttpClient::OnConnected() {
  if (!done_) return;
  // Composed and handed over as one unit: if any part fails, nothing is sent.
  try {
    std::string bytes = status_request::ComposeRequest(request_, HostHeaderOf(request_));
    if (leaving_ && !leaving_()) {
      Finish({.outcome = platform::HttpOutcome::kFailed});
      return;
    }
    socket_.SendData(bytes);
    handedOver_ = true;
    deadlineMs_ = clock_.MonotonicMs() + kReplyTimeoutMs;
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
    if (done_) Finish({.outcome = platform::HttpOutcome::kFailed, .requestSent = RequestLeft()});
  }
}

void SocketHttpClient::OnData() {
  std::string data;
  Step([&] { data = socket_.GetData(); });  // taken out at every arrival: nothing piles up
  if (!done_) return;
  received_ += data.substr(0, kLongestHead + kLongestBody - std::min(received_.size(), kLongestHead + kLongestBody));
  if (request_.headOnly && ReadReplyHead(received_, false)) {
    OnEnded(platform::SocketEnd::kClosed);  // the head is all that was asked for
  } else if (UnreadableReply(received_) || (received_.size() >= kLongestHead && !ReadReplyHead(received_, false))) {
    Finish({.outcome = platform::HttpOutcome::kUnreadable, .requestSent = true});
  }
}

void SocketHttpClient::OnEnded(platform::SocketEnd how) {
  if (!done_) return;
  auto head = how == platform::SocketEnd::kNotConnected ? std::nullopt : ReadReplyHead(received_, true);
  if (head) {
    Finish({.outcome = platform::HttpOutcome::kReplied,
            .status = head->status,
            .body = received_.substr(std::min(head->bodyStart, received_.size()), kLongestBody),
            .requestSent = true,
            .retryAfter = head->retryAfter,
            .rateLimitReset = head->rateLimitReset,
            .date = head->date});
  } else if (!received_.empty()) {
    Finish({.outcome = platform::HttpOutcome::kUnreadable, .requestSent = true});
  } else if (how == platform::SocketEnd::kNotConnected) {
    Finish({.outcome = platform::HttpOutcome::kUnreachable});
  } else {
    // Closed or broken without a word: the request may have arrived when all of it had left.
    bool sent = RequestLeft();
    Finish({.outcome = sent ? platform::HttpOutcome::kUnreachable : platform::HttpOutcome::kFailed, .requestSent = sent});
  }
}

void SocketHttpClient::OnTick() {
  if (!done_ || deadlineMs_ == 0 || clock_.MonotonicMs() < deadlineMs_) return;
  Finish({.outcome = platform::HttpOutcome::kTimedOut, .requestSent = RequestLeft()});
}

bool SocketHttpClient::RequestLeft() const {
  bool sent = false;
  Step([&] { sent = handedOver_ && socket_.AllSent(); });
  return sent;
}

void SocketHttpClient::Finish(platform::HttpReply reply) {
  auto done = std::move(done_);
  Abandon();
  if (done) done(std::move(reply));
}

}  // namespace quillet
