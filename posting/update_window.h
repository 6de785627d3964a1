#pragma once
// The update window: the program's start-up window, its minute schedule, the 15-second
// countdown, and the status line, handed to the status sender when it is confirmed.
#include <cstdint>
#include <string>

#include <functional>
#include <optional>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/http.h"
#include "platform/presence.h"
#include "platform/secrets.h"
#include "platform/socket.h"
#include "platform/ui.h"
#include "platform/windowing.h"
#include "delivery/outbox.h"
#include "delivery/status_sender.h"
#include "settings/settings_store.h"

namespace quillet {

// What the tray window uses of the update window.
class IUpdateWindow {
 public:
  virtual ~IUpdateWindow() = default;
  // Pops the window up with an empty box and a fresh countdown.
  virtual void PopUp() = 0;
  virtual platform::WindowHandle Handle() const = 0;
};

// The windows that start-up brings in after the update window: the settings dialog on first
// run, and the tray window. Provided by the composition root.
class SiblingWindows {
 public:
  virtual ~SiblingWindows() = default;
  // Loads the settings dialog and shows it modally, owned by `owner`; returns when it closed.
  virtual void ShowSettingsModal(platform::IWindow& owner) = 0;
  // Loads the tray window, which adds the tray icon.
  virtual void LoadTrayWindow() = 0;
};

// The window and its controls, created by the platform (listed in stacking order, top first).
struct UpdateWindowControls {
  platform::IWindow& window;
  platform::ISocket& socket;
  platform::ITimer& countdownTimer;  // 1000 ms, disabled at creation
  platform::ITimer& minuteTimer;     // 1000 ms, enabled at creation
  platform::ITextBox& statusBox;
  platform::ILabel& credit;
  platform::ILabel& charsLeft;
  platform::ILabel& sendButton;
  platform::IClickable& closeMark;
  platform::IShape& frame;
  platform::ILabel& countdownCaption;
};

struct UpdateWindowServices {
  platform::IApplication& app;
  SettingsStore& settings;
  platform::IWindowing& windowing;
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  platform::IFiles& files;
  platform::IClock& clock;
  platform::IPresence& presence;
  // Runs at every minute boundary of the schedule, before the pop-up that may be due.
  std::function<void()> minutePassed;
};

class UpdateWindow : public IUpdateWindow {
 public:
  UpdateWindow(UpdateWindowControls controls, UpdateWindowServices services, SiblingWindows& siblings,
               Endpoint endpoint = BuiltInEndpoint());
  UpdateWindow(const UpdateWindow&) = delete;
  UpdateWindow& operator=(const UpdateWindow&) = delete;

  // Start-up: saves the title, makes sure a user name is stored, hides, loads the tray window.
  void Start();
  void PopUp() override;
  // Hands the status line to the outbox, which sends it; returns at once.
  void Post();
  // Brings the window up with the line the outbox last told about, the countdown stopped, for
  // the person to fix and send again (or put away with Esc); a plain pop-up when there is none.
  void Recall();
  Outbox& outbox() { return outbox_; }
  // Reads the chosen server's limit on a line's length, for the next pop-up.
  void RefreshTextLimit() { sender_.RefreshTextLimit(); }

  platform::WindowHandle Handle() const override { return c_.window.Handle(); }

 private:
  void OnMinuteTick();
  void OnCountdownTick();
  void OnStatusChanged();
  void OnStatusKey(std::int16_t& charCode);
  void OnSendClicked();
  void OnCloseClicked();
  // Esc or the close mark over a recalled line: the person puts it away.
  void PutAwayRecalled();

  // Whether the pop-up that the schedule has due may come (pause, quiet hours, a busy user).
  bool ScheduledPopUpAllowed(int intervalMinutes);
  // An Enter or a click this soon after the window came up was meant for another window.
  bool TooSoonAfterPopUp() const;
  void StopCountdown();

  std::u16string CountdownText() const;
  // The box takes as many characters as the chosen service does.
  void ApplyTextLimit();

  UpdateWindowControls c_;
  UpdateWindowServices s_;
  SiblingWindows& siblings_;
  StatusSender sender_;
  Outbox outbox_;
  bool recalled_ = false;  // the box holds the line the outbox told about

  std::int16_t secondsLeft_ = 0;              // seconds left in the countdown
  std::int16_t ticksThisMinute_ = 0;          // ticks of the minute timer since the last minute boundary
  std::int16_t minutesSincePopUp_ = 0;        // minutes since the last automatic pop-up
  int textLimit_ = kBuiltInTextLimit;         // what the box and the count of characters left use
  std::optional<std::int64_t> poppedUpAtMs_;  // on the clock
};

}  // namespace quillet
