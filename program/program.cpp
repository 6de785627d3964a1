#include "program/program.h"

#include <utility>

#include "common/language_choice.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "networks/delivery_account.h"
#include "networks/registry.h"
#include "settings/setting_names.h"

namespace quillet {

Program::Program(PlatformParts parts, Endpoint endpoint)
    : parts_(std::move(parts)),
      settings_(parts_.registry),
      senders_({.settings = settings_,
                .http = parts_.http,
                .secrets = parts_.secrets,
                .clock = parts_.clock,
                .makeSocket = parts_.makeSocket,
                .makeWebSocket = parts_.makeWebSocket,
                .networkOf = [](SettingsStore& account) -> const LineNetwork& { return NetworkOf(account); }},
               std::move(endpoint)),
      journal_(parts_.files, parts_.clock, settings_,
               [](SettingsStore& account) { return NetworkOf(account).JournalOnly(); }),
      outbox_(senders_,
              {.app = parts_.app, .settings = settings_, .files = parts_.files, .clock = parts_.clock, .journal = journal_},
              static_cast<std::uint64_t>(parts_.clock.NowMs())),
      previousLines_(parts_.files),
      updateCheck_({.settings = settings_,
                    .http = parts_.http,
                    .clock = parts_.clock,
                    .currentVersion = std::string(ProgramVersion()),
                    .defaultFeed = std::u16string(BuiltInUpdateFeed()),
                    .popUpShowing = [this] { return parts_.updateWindow.window.Visible(); },
                    .tell = [this](const std::string& version) { TellNewVersion(version); }}),
      updateWindow_(parts_.updateWindow,
                    {.app = parts_.app,
                     .settings = settings_,
                     .windowing = parts_.windowing,
                     .clock = parts_.clock,
                     .presence = parts_.presence,
                     .minutePassed =
                         [this] {
                           if (trayWindow_) trayWindow_->RefreshPause();  // a pause that is over ends
                           updateCheck_.OnMinute();
                         },
                     .post =
                         [this](std::u16string line, std::int64_t askedMs) {
                           outbox_.Add(line, askedMs);
                           previousLines_.Remember(line);  // after the outbox: the line is safe first
                           AskServerLimitsOnce();
                         },
                     .hold = [this](LineId line) { return outbox_.Hold(line); },
                     .settle =
                         [this](LineId line, RecallEnd end, std::optional<std::u16string> edited) {
                           switch (end) {
                             case RecallEnd::kSent:
                               outbox_.SendAgain(line, std::move(edited));
                               break;
                             case RecallEnd::kPutAway:
                               outbox_.Remove(line);
                               break;
                             case RecallEnd::kLeft:
                               outbox_.Release(line);
                               break;
                           }
                         },
                     .unanswered = [this](std::int64_t askedMs, std::int64_t goneMs) { OnUnanswered(askedMs, goneMs); },
                     .lineLimit = [this] { return TickedLineLimit(settings_); },
                     .previousLines = [this] { return previousLines_.Lines(); },
                     .journalKept = [this] { return journal_.Enabled(); },
                     .journalTags = [this] { return ReadOfferedTags(parts_.files, parts_.clock); }}) {
  parts_.deliveryTimer.OnTimer([this] {
    outbox_.OnTick();
    KeepDeliveryTicking();
  });
  outbox_.onChanged = [this] { OnLinesChanged(); };
  outbox_.onNotice = [this](const OutboxNotice& notice) { OnNotice(notice); };
  if (platform::ILog* log = parts_.log) {
    SetTraceLog([log](std::string_view line) { log->Write(line); });
    outbox_.onLog = [](std::u16string_view event) { LogEvent("outbox", utf8::FromUtf16(event)); };
  }
}

Program::~Program() {
  if (parts_.log) SetTraceLog({});
}

void Program::Start() {
  updateWindow_.TakeTitle();
  UseChosenLanguage();
  if (NoAccount()) {
    Step([&] { ShowSettingsModal(parts_.updateWindow.window, true); });
    if (NoAccount()) parts_.app.End();  // the first run abandoned
  }
  updateWindow_.Settle();
  Step([&] { LoadTrayWindow(); });
  outbox_.Start();  // lines left from an earlier run go now
  KeepDeliveryTicking();
}

void SpeakChosenLanguage(platform::IApplication& app, SettingsStore& settings) {
  app.UseWords(ChooseLanguage(settings.Get(kLanguage), app.DisplayLanguages()));
}

void Program::UseChosenLanguage() {
  Step([&] { SpeakChosenLanguage(parts_.app, settings_); });
}

bool Program::NoAccount() {
  return Guard([&] { return !AnyAccountSetUp(settings_); });
}

void Program::KeepDeliveryTicking() {
  bool needed = outbox_.NeedsTicks();
  if (Guard([&] { return parts_.deliveryTimer.Enabled() != needed; }))
    Step([&] { parts_.deliveryTimer.SetEnabled(needed); });
}

void Program::OnLinesChanged() {
  KeepDeliveryTicking();
  if (trayWindow_) trayWindow_->ShowWaiting(outbox_.Waiting());
  if (linesWaitingWindow_) linesWaitingWindow_->Refresh();
}

void Program::OnNotice(const OutboxNotice& notice) {
  if (!trayWindow_) return;  // nothing can show it yet
  balloonLine_ = notice.line;
  balloonTellsVersion_ = false;
  trayWindow_->ShowBalloon(notice.title, notice.text);
}

void Program::TellNewVersion(const std::string& version) {
  if (!trayWindow_) return;
  const Catalog& words = parts_.app.Words();
  balloonTellsVersion_ = true;
  trayWindow_->ShowBalloon(FillIn(words.Tr(u"Quillet %1 is out"), {utf8::ToUtf16(version)}),
                           words.Tr(u"Click here to see what is new."));
}

void Program::AskServerLimitsOnce() {
  if (!std::exchange(serverLimitsAsked_, true)) senders_.RefreshTextLimit();  // a server may take longer lines
}

void Program::OnBalloonClicked() {
  if (balloonTellsVersion_) {
    if (trayWindow_ && !updateCheck_.PendingPage().empty())
      Step([&] { trayWindow_->OpenPage(utf8::ToUtf16(updateCheck_.PendingPage())); });
    return;
  }
  if (balloonLine_ && outbox_.Find(*balloonLine_)) {
    updateWindow_.Recall(*balloonLine_);
  } else {
    updateWindow_.PopUp();
  }
}

void Program::OnUnanswered(std::int64_t askedMs, std::int64_t goneMs) {
  Step([&] {
    if (journal_.Enabled()) journal_.AddUnanswered(askedMs, goneMs);
  });
}

void Program::ShowSettingsModal(platform::IWindow& owner, bool firstRun) {
  std::optional<FirstRunAccount> accountRoad;
  if (firstRun && parts_.makeAccountView)
    accountRoad = FirstRunAccount{.makeView = parts_.makeAccountView,
                                  .services = [this](std::string id) { return AccountDialogServices(std::move(id)); }};
  quillet::ShowSettingsModal(parts_.makeSettingsView, settings_, parts_.secrets, parts_.app, owner,
                             std::move(accountRoad));
}

AccountServices Program::AccountDialogServices(std::string accountId) {
  return {.app = parts_.app,
          .settings = settings_,
          .http = parts_.http,
          .secrets = parts_.secrets,
          .accountId = std::move(accountId),
          .changed = [this] { senders_.RefreshTextLimit(); },
          .shell = &parts_.shell,
          .clock = &parts_.clock,
          .makeListener = parts_.makeLoopbackListener,
          .files = &parts_.files};
}

void Program::ShowOptionsModal(platform::IWindow& owner) {
  quillet::ShowOptionsModal(
      parts_.makeOptionsView,
      {.app = parts_.app,
       .settings = settings_,
       .http = parts_.http,
       .secrets = parts_.secrets,
       .serviceChanged = [this] { senders_.RefreshTextLimit(); },
       .accountRemoved = [this](const std::string& account) { outbox_.AccountRemoved(account); },
       .takeHotkey =
           [this](std::optional<platform::KeyCombination> wanted) {
             return !trayWindow_ || trayWindow_->TakeHotkey(wanted);
           },
       .heldHotkey =
           [this] { return trayWindow_ ? trayWindow_->HeldHotkey() : std::optional<platform::KeyCombination>{}; },
       .shell = &parts_.shell,
       .clock = &parts_.clock,
       .makeListener = parts_.makeLoopbackListener,
       .files = &parts_.files,
       .makeAccountView = parts_.makeAccountView,
       .languageChosen = [this] { UseChosenLanguage(); }},
      owner);
}

void Program::ShowLinesWaitingModal(platform::IWindow& owner) {
  if (!parts_.makeLinesWaitingView || linesWaitingWindow_) return;
  quillet::ShowLinesWaitingModal(parts_.makeLinesWaitingView,
                                 {.app = parts_.app,
                                  .outbox = outbox_,
                                  .clock = parts_.clock,
                                  .edit = [this](LineId line) { updateWindow_.Recall(line); }},
                                 owner, linesWaitingWindow_);
}

void Program::ShowLookBackModal(platform::IWindow& owner) {
  if (!parts_.makeLookBackView || lookBackOpen_) return;
  lookBackOpen_ = true;
  try {
    quillet::ShowLookBackModal(
        parts_.makeLookBackView,
        {.app = parts_.app, .files = parts_.files, .clock = parts_.clock, .settings = settings_}, owner);
  } catch (...) {
    lookBackOpen_ = false;
    throw;
  }
  lookBackOpen_ = false;
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
                           .showLinesWaitingModal = [this](platform::IWindow& owner) { ShowLinesWaitingModal(owner); },
                           .showLookBackModal = [this](platform::IWindow& owner) { ShowLookBackModal(owner); },
                           .balloonClicked = [this] { OnBalloonClicked(); },
                           .updatePending = [this] { return updateCheck_.Pending().has_value(); },
                           .dismissUpdate = [this] { updateCheck_.Dismiss(); }});
  trayWindow_->Load();
  trayWindow_->ShowWaiting(outbox_.Waiting());
}

}  // namespace quillet
