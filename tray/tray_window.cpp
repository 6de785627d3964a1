#include "tray/tray_window.h"

#include <utility>

#include "common/convert.h"
#include "common/steps.h"
#include "settings/hotkey_text.h"
#include "tray/browser.h"
#include "tray/home_page.h"
#include "tray/notification_area.h"
#include "settings/setting_names.h"

namespace quillet {

TrayWindow::TrayWindow(platform::ITrayForm& form, platform::IPopupMenu& menu, Services services)
    : form_(form), menu_(menu), services_(std::move(services)), icon_(services_.shell) {
  const Catalog& words = services_.app.Words();
  menuLanguage_ = words.Tag();
  auto add = [&](platform::IPopupMenu& menu, std::u16string_view english) -> platform::IMenuItem& {
    platform::IMenuItem& item = menu.AddItem(words.Tr(english));
    captioned_.push_back({&item, english});
    return item;
  };
  add(menu_, Translatable(u"&Post Now")).OnClick([this] { OnPostNow(); });
  linesWaitingEntry_ = &add(menu_, Translatable(u"Lines &waiting..."));
  linesWaitingEntry_->OnClick([this] { OnLinesWaiting(); });
  linesWaitingEntry_->SetVisible(false);
  add(menu_, Translatable(u"Look &back...")).OnClick([this] { OnLookBack(); });
  constexpr std::u16string_view kPause = Translatable(u"Pa&use");
  platform::IPopupMenu::Submenu pause = menu_.AddSubmenu(words.Tr(kPause));
  captioned_.push_back({&pause.item, kPause});
  pauseEntry_ = &pause.item;
  add(pause.menu, Translatable(u"For &1 hour")).OnClick([this] { OnPause(PauseLength::kOneHour); });
  add(pause.menu, Translatable(u"For &3 hours")).OnClick([this] { OnPause(PauseLength::kThreeHours); });
  add(pause.menu, Translatable(u"Until &tomorrow")).OnClick([this] { OnPause(PauseLength::kUntilTomorrow); });
  pause.menu.AddItem(u"-");
  add(pause.menu, Translatable(u"&Resume")).OnClick([this] { OnResume(); });
  openHomeEntry_ = &menu_.AddItem(BuiltInHomePage(words).caption);
  openHomeEntry_->OnClick([this] { OnOpenHome(); });
  menu_.AddItem(u"-");
  add(menu_, Translatable(u"&Settings")).OnClick([this] { OnSettings(); });
  add(menu_, Translatable(u"&Options...")).OnClick([this] { OnOptions(); });
  add(menu_, Translatable(u"&About")).OnClick([this] { OnAbout(); });
  dismissUpdateEntry_ = &add(menu_, Translatable(u"Don't tell me about this &version"));
  dismissUpdateEntry_->OnClick([this] { OnDismissUpdate(); });
  dismissUpdateEntry_->SetVisible(false);
  menu_.AddItem(u"-");
  add(menu_, Translatable(u"E&xit")).OnClick([this] { OnExit(); });

  form_.OnIconMessage([this](std::int32_t message) { OnIconMessage(message); });
  form_.OnResize([this] { OnResize(); });
  form_.OnUnloadRequest([this] { Unload(); });
  form_.OnTaskbarCreated([this] { OnTaskbarCreated(); });
  form_.OnActivateRequest([this] { OnActivateRequest(); });
  form_.OnHotkey([this] { OnPostNow(); });
  form_.OnIconChanged([this] { OnIconChanged(); });
}

void TrayWindow::Load() {
  Step([&] { form_.SetCaption(u"Quillet"); });
  Step([&] {
    icon_.Add(form_);
    shownTip_ = form_.Caption();
  });
  RefreshPause();
  RefreshOpenHome();
  Step([&] {
    std::optional<platform::KeyCombination> stored = ParseHotkey(services_.settings.Get(kHotkey));
    if (stored && UsableHotkey(*stored)) TakeHotkey(stored);
  });
}

void TrayWindow::OnIconMessage(std::int32_t message) {
  if (!icon_.Added()) return;
  switch (static_cast<std::uint16_t>(message)) {  // the low word: the mouse message that happened on the icon
    case platform::kWmRButtonDown:
      contextMenuFollows_ = icon_.Keyboard();  // the WM_CONTEXTMENU after this click opens nothing more
      OpenMenu();
      break;
    case platform::kWmContextMenu:  // the context-menu key (or Shift+F10) on the focused icon
      if (!std::exchange(contextMenuFollows_, false)) OpenMenu();
      break;
    case platform::kWmLButtonDblClk:
    case platform::kNinKeySelect:  // Enter or Space on the focused icon
      contextMenuFollows_ = false;
      services_.updateWindow.PopUp();
      FocusTwice(services_.updateWindow.Handle());
      break;
    case platform::kNinSelect:  // after a single left click, which does nothing
      contextMenuFollows_ = false;
      break;
    case platform::kNinBalloonUserClick:
      if (services_.balloonClicked) services_.balloonClicked();
      break;
    default:
      break;  // moves, releases, single clicks, the middle button
  }
}

void TrayWindow::OpenMenu() {
  RecaptionMenu();
  RefreshOpenHome();  // the settings may have changed since the menu was last shown
  Step([&] { dismissUpdateEntry_->SetVisible(services_.updatePending && services_.updatePending()); });
  FocusTwice(form_.Handle());
  menu_.Popup();
}

void TrayWindow::RecaptionMenu() {
  const Catalog& words = services_.app.Words();
  if (words.Tag() != menuLanguage_) {  // another language was chosen since
    menuLanguage_ = words.Tag();
    for (const CaptionedItem& entry : captioned_) Step([&] { entry.item->SetCaption(words.Tr(entry.english)); });
  }
  RefreshPause();  // and the tip, in the language now in use
}

void TrayWindow::FocusTwice(platform::WindowHandle handle) {
  services_.windowing.SetForegroundWindow(handle);
  services_.windowing.SetActiveWindow(handle);
  services_.windowing.SetForegroundWindow(handle);
  services_.windowing.SetActiveWindow(handle);
}

void TrayWindow::OnResize() {
  Step([&] { form_.SetLeft(notification_area::RightTwips(services_.windowing, services_.app)); });
  Step([&] { form_.SetTop(notification_area::TopTwips(services_.windowing, services_.app)); });
  Step([&] { form_.SetWidth(0); });
  Step([&] { form_.SetHeight(0); });
}

void TrayWindow::Unload() {
  // Whatever fails on the way, the program ends: no icon may outlive it.
  Step([&] { icon_.Remove(form_); });
  Step([&] { services_.app.DoEvents(); });
  services_.app.End();
}

void TrayWindow::OnPostNow() { services_.updateWindow.PopUp(); }

void TrayWindow::OnLinesWaiting() {
  Step([&] {
    if (services_.showLinesWaitingModal) services_.showLinesWaitingModal(form_);
  });
}

void TrayWindow::OnLookBack() {
  Step([&] {
    if (services_.showLookBackModal) services_.showLookBackModal(form_);
  });
}

void TrayWindow::OnOpenHome() {
  HomePage page = BuiltInHomePage(services_.app.Words());
  Step([&] { page = ChosenHomePage(services_.settings, services_.app.Words()); });
  browser::Open(services_.shell, form_, page.url, platform::kSwShowNormal);
}

void TrayWindow::RefreshOpenHome() {
  Step([&] { openHomeEntry_->SetCaption(ChosenHomePage(services_.settings, services_.app.Words()).caption); });
}

void TrayWindow::OnSettings() {
  Step([&] { services_.showSettingsModal(form_); });
}

void TrayWindow::OnOptions() {
  Step([&] {
    if (services_.showOptionsModal) services_.showOptionsModal(form_);
  });
}

void TrayWindow::OnAbout() { browser::Open(services_.shell, form_, kProductNewsPage, platform::kSwShowNormal); }

void TrayWindow::OnExit() { Unload(); }

void TrayWindow::OnDismissUpdate() {
  Step([&] {
    if (services_.dismissUpdate) services_.dismissUpdate();
  });
}

void TrayWindow::OpenPage(std::u16string_view url) { browser::Open(services_.shell, form_, url, platform::kSwShowNormal); }

void TrayWindow::OnTaskbarCreated() {
  if (!icon_.Added()) return;
  Step([&] {
    icon_.Add(form_);
    shownTip_ = form_.Caption();  // the icon came back with the plain tip
  });
  RefreshPause();
}

void TrayWindow::OnPause(PauseLength length) {
  Step([&] { services_.settings.Save(kPausedUntil, LocalMinuteText(PauseEnd(LocalNow(services_.clock), length))); });
  RefreshPause();
}

void TrayWindow::OnResume() {
  Step([&] { services_.settings.Delete(kPausedUntil); });
  RefreshPause();
}

void TrayWindow::RefreshPause() {
  std::optional<LocalTime> until;
  LocalTime now{};
  Step([&] {
    now = LocalNow(services_.clock);
    std::u16string stored = services_.settings.Get(kPausedUntil);
    if (stored.empty()) return;
    until = ParseLocalTime(stored);
    if (!until || PauseOver(now, *until)) {
      until.reset();
      services_.settings.Delete(kPausedUntil);  // so that a clock put back cannot bring it back
    }
  });
  Step([&] { pauseEntry_->SetChecked(until.has_value()); });
  Step([&] { pauseText_ = until ? PausedUntilText(services_.app.Words(), now, *until, services_.clock) : u""; });
  ShowTip();
}

void TrayWindow::ShowTip() {
  const Catalog& words = services_.app.Words();
  std::u16string waiting;
  if (waitingShown_ > 0)
    waiting = FillIn(words.TrPlural(u"%1 line waiting", u"%1 lines waiting", static_cast<unsigned long>(waitingShown_)),
                     {DecimalText(waitingShown_)});
  std::u16string tip = u"Quillet";
  if (!pauseText_.empty() && !waiting.empty())
    tip = FillIn(words.Tr(u"Quillet: %1; %2"), {pauseText_, waiting});
  else if (!pauseText_.empty() || !waiting.empty())
    tip = FillIn(words.Tr(u"Quillet: %1"), {pauseText_.empty() ? waiting : pauseText_});
  if (tip == shownTip_ || !icon_.Added()) return;
  Step([&] {
    icon_.SetTip(form_, tip);
    shownTip_ = tip;
  });
}

bool TrayWindow::TakeHotkey(std::optional<platform::KeyCombination> wanted) {
  if (wanted && wanted->key == 0) wanted.reset();
  if (wanted == heldHotkey_) return true;
  std::optional<platform::KeyCombination> before = std::exchange(heldHotkey_, std::nullopt);
  if (form_.SetHotkey(wanted.value_or(platform::KeyCombination{}))) {
    heldHotkey_ = wanted;
    return true;
  }
  if (before && form_.SetHotkey(*before)) heldHotkey_ = before;
  return false;
}

void TrayWindow::OnActivateRequest() { OnPostNow(); }

void TrayWindow::ShowWaiting(int lines) {
  if (lines == waitingShown_) return;
  if ((lines > 0) != (waitingShown_ > 0)) Step([&] { linesWaitingEntry_->SetVisible(lines > 0); });
  waitingShown_ = lines;
  ShowTip();
}

void TrayWindow::ShowBalloon(std::u16string_view title, std::u16string_view text) {
  Step([&] { icon_.ShowBalloon(form_, title, text); });
}

void TrayWindow::OnIconChanged() {
  Step([&] { icon_.SetIcon(form_); });
}

}  // namespace quillet
