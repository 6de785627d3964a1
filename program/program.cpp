#include "program/program.h"

namespace quillet {

Program::Program(PlatformParts parts, Endpoint endpoint)
    : parts_(std::move(parts)),
      settings_(parts_.registry),
      updateWindow_(parts_.updateWindow,
                    {.app = parts_.app,
                     .settings = settings_,
                     .windowing = parts_.windowing,
                     .http = parts_.http,
                     .secrets = parts_.secrets,
                     .files = parts_.files,
                     .clock = parts_.clock,
                     .presence = parts_.presence,
                     .minutePassed =
                         [this] {
                           if (trayWindow_) trayWindow_->RefreshPause();  // a pause that is over ends
                         }},
                    *this, std::move(endpoint)) {
  // What the outbox has to say goes to the tray icon, once it is there.
  Outbox& outbox = updateWindow_.outbox();
  outbox.onWaitingChanged = [this](int waiting) {
    if (trayWindow_) trayWindow_->ShowWaiting(waiting);
  };
  outbox.onNotice = [this](const OutboxNotice& notice) {
    if (trayWindow_) trayWindow_->ShowBalloon(notice.title, notice.text);
  };
}

Program::~Program() = default;

void Program::ShowSettingsModal(platform::IWindow& owner) {
  quillet::ShowSettingsModal(parts_.makeSettingsView, settings_, parts_.app, owner);
}

void Program::ShowOptionsModal(platform::IWindow& owner) {
  quillet::ShowOptionsModal(
      parts_.makeOptionsView,
      {.settings = settings_,
       .http = parts_.http,
       .secrets = parts_.secrets,
       .serviceChanged = [this] { updateWindow_.RefreshTextLimit(); },
       .takeHotkey =
           [this](std::optional<platform::KeyCombination> wanted) {
             return !trayWindow_ || trayWindow_->TakeHotkey(wanted);
           },
       .heldHotkey =
           [this] { return trayWindow_ ? trayWindow_->HeldHotkey() : std::optional<platform::KeyCombination>{}; }},
      owner);
}

void Program::LoadTrayWindow() {
  if (trayWindow_) return;  // loaded once, for the life of the program
  trayParts_ = parts_.makeTrayWindow();
  trayWindow_ = std::make_unique<TrayWindow>(
      *trayParts_.form, *trayParts_.menu,
      TrayWindow::Services{.app = parts_.app,
                           .shell = parts_.shell,
                           .windowing = parts_.windowing,
                           .updateWindow = updateWindow_,
                           .settings = settings_,
                           .clock = parts_.clock,
                           .showSettingsModal = [this](platform::IWindow& owner) { ShowSettingsModal(owner); },
                           .showOptionsModal = [this](platform::IWindow& owner) { ShowOptionsModal(owner); },
                           .balloonClicked = [this] { updateWindow_.Recall(); }});
  trayWindow_->Load();
}

}  // namespace quillet
