#include "posting/Form1.h"

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "posting/modBase64.h"
#include "posting/modStatusRequest.h"
#include "settings/password_scrambling.h"
#include "settings/settings_store.h"

namespace quillet {

Endpoint BuiltInEndpoint() { return {QUILLET_CONNECT_HOST, QUILLET_HOST_HEADER, QUILLET_PORT}; }

Form1::Form1(Form1Controls controls, Form1Services services, Form1Partners& partners, Endpoint endpoint)
    : c_(controls), s_(services), partners_(partners), endpoint_(std::move(endpoint)) {
  c_.Timer1.OnTimer([this] { Timer1_Timer(); });
  c_.Timer2.OnTimer([this] { Timer2_Timer(); });
  c_.Text1.OnChange([this] { Text1_Change(); });
  c_.Text1.OnKeyPress([this](std::int16_t& keyAscii) { Text1_KeyPress(keyAscii); });
  c_.Label1.OnClick([this] { Label1_Click(); });
  c_.Image1.OnClick([this] { Image1_Click(); });
  c_.Winsock1.OnConnect([this] { Winsock1_Connect(); });
  c_.Winsock1.OnDataArrival([this](std::int32_t bytesTotal) { Winsock1_DataArrival(bytesTotal); });
}

void Form1::Form_Load() {
  Step([&] { s_.settings.SetAppTitle(s_.app.Title()); });
  auto noUserName = [&] { return s_.settings.Get(u"username", u"").empty(); };
  if (Guard(noUserName)) {
    Step([&] { partners_.ShowSettingsModal(c_.window); });
    if (Guard(noUserName)) s_.app.End();  // first run abandoned: no tray icon, nothing more
  }
  Step([&] { c_.Shape1.SetTop(0); });  // the frame lines up with the window's edges
  Step([&] { s_.app.SetTitle(u""); });
  Step([&] { c_.window.Hide(); });
  Step([&] { partners_.LoadTrayWindow(); });
}

void Form1::Timer1_Timer() {
  Step([&] { ++intSeconds; });
  if (intSeconds < 60) return;
  Step([&] {
    intSeconds = 0;
    ++intMinutes;
  });
  // The interval is read afresh at every minute boundary. One that does not convert counts as
  // reached, like one of 0 or less.
  if (Guard([&] { return intMinutes >= ToInt16(s_.settings.Get(u"Interval", u"40")); })) {
    Step([&] { intMinutes = 0; });
    Step([&] { ShowMe(); });
  }
}

void Form1::ShowMe() {
  Step([&] { c_.Text1.SetText(u""); });
  Step([&] { intCountdown = 15; });
  Step([&] { c_.Label2.SetCaption(CountdownCaption()); });
  Step([&] { c_.Timer2.SetEnabled(true); });
  Step([&] { c_.window.Show(); });
  Step([&] { s_.app.DoEvents(); });  // queued ticks and events may run here
  Step([&] { s_.windowing.SetForegroundWindow(hWnd()); });
  Step([&] { s_.windowing.SetActiveWindow(hWnd()); });
  Step([&] { s_.windowing.SetForegroundWindow(hWnd()); });
  Step([&] { s_.windowing.SetActiveWindow(hWnd()); });
}

void Form1::Timer2_Timer() {
  if (Guard([&] { return c_.window.Visible(); })) {
    Step([&] { --intCountdown; });
    if (Guard([&] { return intCountdown == 0; })) Step([&] { c_.window.Hide(); });
    Step([&] { c_.Label2.SetCaption(CountdownCaption()); });
  } else {
    Step([&] { c_.Timer2.SetEnabled(false); });
    Step([&] { intCountdown = 15; });
  }
}

void Form1::Text1_Change() {
  Step([&] { c_.Label3.SetCaption(DecimalText(140 - static_cast<long long>(c_.Text1.Text().size()))); });
  Step([&] { c_.Timer2.SetEnabled(false); });  // typing stops the countdown until the next ShowMe
  Step([&] { intCountdown = 15; });
  Step([&] { c_.Label2.SetCaption(u"Update"); });
}

void Form1::Text1_KeyPress(std::int16_t& keyAscii) {
  switch (keyAscii) {
    case 27:  // Esc
      keyAscii = 0;
      c_.window.Hide();
      break;
    case 13:  // Enter
      keyAscii = 0;
      Post();
      c_.window.Hide();
      break;
    default:
      break;
  }
}

void Form1::Label1_Click() {
  Post();
  c_.window.Hide();
}

void Form1::Image1_Click() { c_.window.Hide(); }

void Form1::Post() {
  if (Guard([&] { return c_.Text1.Text().empty(); })) return;
  Step([&] { strConfirmed = c_.Text1.Text(); });
  Step([&] { c_.Winsock1.Close(); });  // a connection left from an earlier post is dropped
  Step([&] { c_.Winsock1.Connect(endpoint_.connectHost, endpoint_.port); });
}

void Form1::Winsock1_Connect() {
  std::string strBody;
  Step([&] { strBody = modStatusRequest::StatusBody(strConfirmed); });
  // Composed and sent as one unit: if any part fails, nothing is sent.
  Step([&] {
    std::u16string credentials = s_.settings.Get(u"username", u"") + u":" +
                                 password_scrambling::Unscramble(s_.settings.Get(u"password", u""));
    std::string token = Narrow(modBase64::Base64Encode(credentials));
    c_.Winsock1.SendData(modStatusRequest::ComposeRequest(endpoint_.hostHeader, token, strBody));
  });
}

void Form1::Winsock1_DataArrival(std::int32_t /*bytesTotal*/) {
  // The reply is taken out of the control and dropped; nothing of it is kept or shown.
  Step([&] { (void)c_.Winsock1.GetData(); });
}

std::u16string Form1::CountdownCaption() const { return u"Update (" + DecimalText(intCountdown) + u")"; }

}  // namespace quillet
