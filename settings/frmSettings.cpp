#include "settings/frmSettings.h"

#include "common/convert.h"
#include "common/steps.h"
#include "settings/lib_fEnc.h"
#include "settings/lib_registrycommands.h"
#include "settings/modGetValue.h"

namespace quillet {
namespace {

constexpr int kIntervalEntries = 120;
constexpr std::int16_t kTicked = 1;

}  // namespace

frmSettings::frmSettings(ISettingsView& view, platform::IRegistry& registry, const platform::IApplication& app)
    : view_(view), registry_(registry), app_(app) {
  view_.Command1(0).OnClick([this] { Command1_Click(0); });
  view_.Command1(1).OnClick([this] { Command1_Click(1); });
  view_.Text1(0).OnGotFocus([this] { Text1_GotFocus(0); });
  view_.Text1(1).OnGotFocus([this] { Text1_GotFocus(1); });
  // The close box closes like Cancel: nothing to do before the dialog goes.
  view_.Window().OnQueryClose([] {});
}

void frmSettings::Form_Load() {
  using modGetValue::GetValue;
  Step([&] {
    for (int n = 1; n <= kIntervalEntries; ++n) {
      view_.Combo1().AddItem(u"Update every " + DecimalText(n) + u" minutes");
    }
  });
  Step([&] { view_.Text1(0).SetText(GetValue(registry_, u"Username", u"")); });
  Step([&] { view_.Text1(1).SetText(lib_fEnc::fDecrypt(GetValue(registry_, u"Password", u""))); });
  Step([&] { view_.Check1(0).SetValue(ToInt16(GetValue(registry_, u"Startup", u"1"))); });
  Step([&] { view_.Check1(1).SetValue(ToInt16(GetValue(registry_, u"Addfriend", u"1"))); });
  Step([&] { view_.Combo1().SetListIndex(ToInt16(GetValue(registry_, u"Interval", u"40")) - 1); });
}

void frmSettings::Command1_Click(std::int16_t index) {
  if (index == 0) Save();
  view_.Window().Unload();
}

void frmSettings::Save() {
  using modGetValue::SaveValue;
  Step([&] { SaveValue(registry_, u"Username", view_.Text1(0).Text()); });
  Step([&] { SaveValue(registry_, u"Password", lib_fEnc::fEncrypt(view_.Text1(1).Text())); });
  Step([&] { SaveValue(registry_, u"Startup", DecimalText(view_.Check1(0).Value())); });
  Step([&] { SaveValue(registry_, u"Addfriend", DecimalText(view_.Check1(1).Value())); });
  Step([&] { SaveValue(registry_, u"Interval", DecimalText(view_.Combo1().ListIndex() + 1)); });
  Step([&] {
    std::u16string data = view_.Check1(0).Value() == kTicked ? RunEntryPath() : std::u16string();
    lib_registrycommands::WriteKeyValue(registry_, std::u16string(kRunKeyPath), kRunValueName, data);
  });
}

void frmSettings::Text1_GotFocus(std::int16_t index) {
  platform::ITextBox& box = view_.Text1(index);
  box.SetSelection(0, static_cast<std::int32_t>(box.Text().size()));
}

std::u16string frmSettings::RunEntryPath() const {
  std::u16string path(u"\"");
  path.append(app_.ProgramFolder()).append(u"\\quillet.exe\"");
  return path;
}

void ShowSettingsModal(const SettingsViewFactory& makeView, platform::IRegistry& registry,
                       const platform::IApplication& app, platform::IWindow& owner) {
  std::unique_ptr<ISettingsView> view = makeView();
  frmSettings dialog(*view, registry, app);
  dialog.Form_Load();
  view->Window().ShowModal(owner);
}

}  // namespace quillet
