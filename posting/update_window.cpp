#include "posting/update_window.h"

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "posting/base64.h"
#include "posting/status_request.h"
#include "settings/password_scrambling.h"
#include "settings/settings_store.h"

namespace quillet {
namespace {

constexpr std::int16_t kEscapeKey = 27;
constexpr std::int16_t kEnterKey = 13;
constexpr std::int16_t kCountdownSeconds = 15;
constexpr std::int16_t kTicksPerMinute = 60;
constexpr long long kMaxStatusLength = 140;

}  // namespace

Endpoint BuiltInEndpoint() { return {QUILLET_CONNECT_HOST, QUILLET_HOST_HEADER, QUILLET_PORT}; }

UpdateWindow::UpdateWindow(UpdateWindowControls controls, UpdateWindowServices services, SiblingWindows& siblings,
                           Endpoint endpoint)
    : c_(controls), s_(services), siblings_(siblings), endpoint_(std::move(endpoint)) {
  c_.minuteTimer.OnTimer([this] { OnMinuteTick(); });
  c_.countdownTimer.OnTimer([this] { OnCountdownTick(); });
  c_.statusBox.OnChange([this] { OnStatusChanged(); });
  c_.statusBox.OnKeyPress([this](std::int16_t& charCode) { OnStatusKey(charCode); });
  c_.sendButton.OnClick([this] { OnSendClicked(); });
  c_.closeMark.OnClick([this] { OnCloseClicked(); });
  c_.socket.OnConnect([this] { OnConnected(); });
  c_.socket.OnDataArrival([this](std::int32_t bytesTotal) { OnReplyArrived(bytesTotal); });
}

void UpdateWindow::Start() {
  Step([&] { s_.settings.SetAppTitle(s_.app.Title()); });
  auto noUserName = [&] { return s_.settings.Get(u"username", u"").empty(); };
  if (Guard(noUserName)) {
    Step([&] { siblings_.ShowSettingsModal(c_.window); });
    if (Guard(noUserName)) s_.app.End();  // first run abandoned: no tray icon, nothing more
  }
  Step([&] { c_.frame.SetTop(0); });  // the frame lines up with the window's edges
  Step([&] { s_.app.SetTitle(u""); });
  Step([&] { c_.window.Hide(); });
  Step([&] { siblings_.LoadTrayWindow(); });
}

void UpdateWindow::OnMinuteTick() {
  ++ticksThisMinute_;
  if (ticksThisMinute_ < kTicksPerMinute) return;
  ticksThisMinute_ = 0;
  ++minutesSincePopUp_;
  // The interval is read afresh at every minute boundary. One that does not convert counts as
  // reached, like one of 0 or less.
  if (Guard([&] { return minutesSincePopUp_ >= ToInt16(s_.settings.Get(u"Interval", u"40")); })) {
    minutesSincePopUp_ = 0;
    PopUp();
  }
}

void UpdateWindow::PopUp() {
  Step([&] { c_.statusBox.SetText(u""); });
  secondsLeft_ = kCountdownSeconds;
  Step([&] { c_.countdownCaption.SetCaption(CountdownText()); });
  Step([&] { c_.countdownTimer.SetEnabled(true); });
  Step([&] { c_.window.Show(); });
  Step([&] { s_.app.DoEvents(); });  // queued ticks and events may run here
  Step([&] { s_.windowing.SetForegroundWindow(Handle()); });
  Step([&] { s_.windowing.SetActiveWindow(Handle()); });
  Step([&] { s_.windowing.SetForegroundWindow(Handle()); });
  Step([&] { s_.windowing.SetActiveWindow(Handle()); });
}

void UpdateWindow::OnCountdownTick() {
  if (Guard([&] { return c_.window.Visible(); })) {
    --secondsLeft_;
    if (secondsLeft_ == 0) Step([&] { c_.window.Hide(); });
    Step([&] { c_.countdownCaption.SetCaption(CountdownText()); });
  } else {
    Step([&] { c_.countdownTimer.SetEnabled(false); });
    secondsLeft_ = kCountdownSeconds;
  }
}

void UpdateWindow::OnStatusChanged() {
  Step([&] {
    c_.charsLeft.SetCaption(DecimalText(kMaxStatusLength - static_cast<long long>(c_.statusBox.Text().size())));
  });
  Step([&] { c_.countdownTimer.SetEnabled(false); });  // typing stops the countdown until the next PopUp
  secondsLeft_ = kCountdownSeconds;
  Step([&] { c_.countdownCaption.SetCaption(u"Update"); });
}

void UpdateWindow::OnStatusKey(std::int16_t& charCode) {
  switch (charCode) {
    case kEscapeKey:
      charCode = 0;
      c_.window.Hide();
      break;
    case kEnterKey:
      charCode = 0;
      Post();
      c_.window.Hide();
      break;
    default:
      break;
  }
}

void UpdateWindow::OnSendClicked() {
  Post();
  c_.window.Hide();
}

void UpdateWindow::OnCloseClicked() { c_.window.Hide(); }

void UpdateWindow::Post() {
  if (Guard([&] { return c_.statusBox.Text().empty(); })) return;
  Step([&] { confirmedStatus_ = c_.statusBox.Text(); });
  Step([&] { c_.socket.Close(); });  // a connection left from an earlier post is dropped
  Step([&] { c_.socket.Connect(endpoint_.connectHost, endpoint_.port); });
}

void UpdateWindow::OnConnected() {
  std::string body = status_request::StatusBody(confirmedStatus_);
  // Composed and sent as one unit: if any part fails, nothing is sent.
  Step([&] {
    std::u16string credentials =
        s_.settings.Get(u"username", u"") + u":" + password_scrambling::Unscramble(s_.settings.Get(u"password", u""));
    std::string token = Narrow(base64::Encode(credentials));
    c_.socket.SendData(status_request::ComposeRequest(endpoint_.hostHeader, token, body));
  });
}

void UpdateWindow::OnReplyArrived(std::int32_t /*bytesTotal*/) {
  // The reply is taken out of the control and dropped; nothing of it is kept or shown.
  Step([&] { (void)c_.socket.GetData(); });
}

std::u16string UpdateWindow::CountdownText() const { return u"Update (" + DecimalText(secondsLeft_) + u")"; }

}  // namespace quillet
