#include "tray/frmTray.h"

#include "common/steps.h"
#include "tray/modDefaultBrowser.h"
#include "tray/modTaskBarTop.h"

namespace quillet {
namespace {

constexpr std::int32_t kWmLButtonDblClk = 0x203;
constexpr std::int32_t kWmRButtonDown = 0x204;
constexpr std::int32_t kSwShowNormal = 1;

}  // namespace

frmTray::frmTray(platform::ITrayForm& form, platform::IPopupMenu& menuPopup, Services services)
    : form_(form), menuPopup_(menuPopup), services_(std::move(services)), tray_(services_.shell) {
  menuPopup_.AddItem(u"&Post Now").OnClick([this] { menuPost_Click(); });
  menuPopup_.AddItem(u"Open &Twitter").OnClick([this] { menuTwitter_Click(); });
  menuPopup_.AddItem(u"-");  // hr1
  menuPopup_.AddItem(u"&Settings").OnClick([this] { menuSettings_Click(); });
  menuPopup_.AddItem(u"&About").OnClick([this] { menuAbout_Click(); });
  menuPopup_.AddItem(u"-");  // hr2
  menuPopup_.AddItem(u"E&xit").OnClick([this] { menuExit_Click(); });

  form_.OnMouseMove([this](std::int32_t x) { Form_MouseMove(x); });
  form_.OnResize([this] { Form_Resize(); });
  form_.OnUnloadRequest([this] { Form_Unload(); });
  form_.OnTaskbarCreated([this] { Form_TaskbarCreated(); });
  form_.OnActivateRequest([this] { Form_ActivateRequest(); });
}

void frmTray::Form_Load() {
  Step([&] { form_.SetCaption(u"Quillet"); });
  Step([&] { tray_.ShowIcon(form_); });
}

void frmTray::Form_MouseMove(std::int32_t x) {
  if (!tray_.bRunningInTray()) return;
  switch (x & 0xFFFF) {  // the mouse message that happened on the icon
    case kWmRButtonDown:
      FocusTwice(form_.Handle());
      menuPopup_.Popup();
      break;
    case kWmLButtonDblClk:
      services_.updateWindow.PopUp();
      FocusTwice(services_.updateWindow.Handle());
      break;
    default:
      break;  // moves, releases, single clicks, the middle button
  }
}

void frmTray::FocusTwice(platform::WindowHandle handle) {
  services_.windowing.SetForegroundWindow(handle);
  services_.windowing.SetActiveWindow(handle);
  services_.windowing.SetForegroundWindow(handle);
  services_.windowing.SetActiveWindow(handle);
}

void frmTray::Form_Resize() {
  Step([&] { form_.SetLeft(modTaskBarTop::GetTrayAreaRight(services_.windowing, services_.app)); });
  Step([&] { form_.SetTop(modTaskBarTop::GetTrayAreaTop(services_.windowing, services_.app)); });
  Step([&] { form_.SetWidth(0); });
  Step([&] { form_.SetHeight(0); });
}

void frmTray::Form_Unload() {
  // Whatever fails on the way, the program ends: no icon may outlive it.
  Step([&] { tray_.RemoveIcon(form_); });
  Step([&] { services_.app.DoEvents(); });
  services_.app.End();
}

void frmTray::menuPost_Click() { services_.updateWindow.PopUp(); }

void frmTray::menuTwitter_Click() {
  modDefaultBrowser::OpenURL(services_.shell, form_, kServiceHomePage, kSwShowNormal);
}

void frmTray::menuSettings_Click() {
  Step([&] { services_.showSettingsModal(form_); });
}

void frmTray::menuAbout_Click() {
  modDefaultBrowser::OpenURL(services_.shell, form_, kProductNewsPage, kSwShowNormal);
}

void frmTray::menuExit_Click() { Unload(); }

void frmTray::Form_TaskbarCreated() {
  if (tray_.bRunningInTray()) Step([&] { tray_.ShowIcon(form_); });
}

void frmTray::Form_ActivateRequest() { menuPost_Click(); }

}  // namespace quillet
