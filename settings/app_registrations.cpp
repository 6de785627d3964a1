#include "settings/app_registrations.h"

#include <vector>

#include "common/failure.h"
#include "common/steps.h"
#include "settings/setting_names.h"

namespace quillet::app_registrations {
namespace {

std::vector<AppRegistration> ReadAll(SettingsStore& settings, platform::ISecrets& secrets) {
  std::vector<AppRegistration> all;
  std::optional<std::string> stored = settings.ReadBytes(kApps);
  if (!stored || stored->empty()) return all;
  std::string clear = secrets.Unprotect(*stored);
  std::size_t at = 0;
  while (at < clear.size()) {
    std::size_t end = clear.find('\n', at);
    if (end == std::string::npos) end = clear.size();
    std::string_view line = std::string_view(clear).substr(at, end - at);
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t tab; (tab = line.find('\t', from)) != std::string_view::npos; from = tab + 1)
      fields.emplace_back(line.substr(from, tab - from));
    fields.emplace_back(line.substr(from));
    if (fields.size() == 4) all.push_back({fields[0], fields[1], fields[2], fields[3]});
    at = end + 1;
  }
  return all;
}

}  // namespace

std::optional<AppRegistration> Find(SettingsStore& settings, platform::ISecrets& secrets, std::string_view server) {
  std::optional<AppRegistration> found;
  Step([&] {
    for (AppRegistration& registration : ReadAll(settings, secrets))
      if (registration.server == server) found = std::move(registration);
  });
  return found;
}

void Keep(SettingsStore& settings, platform::ISecrets& secrets, const AppRegistration& registration) {
  for (const std::string* field :
       {&registration.server, &registration.redirectUri, &registration.clientId, &registration.clientSecret}) {
    if (field->empty() || field->find_first_of("\t\r\n") != std::string::npos)
      throw Failure("an application registration field that cannot be kept");
  }
  std::vector<AppRegistration> all;
  Step([&] { all = ReadAll(settings, secrets); });  // an unreadable value is replaced
  std::string clear;
  for (const AppRegistration& kept : all) {
    if (kept.server == registration.server) continue;
    clear += kept.server + '\t' + kept.redirectUri + '\t' + kept.clientId + '\t' + kept.clientSecret + '\n';
  }
  clear += registration.server + '\t' + registration.redirectUri + '\t' + registration.clientId + '\t' +
           registration.clientSecret + '\n';
  settings.SaveBytes(kApps, secrets.Protect(clear));
}

}  // namespace quillet::app_registrations
