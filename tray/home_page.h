#pragma once
// What the tray menu's "Open ..." item opens. Without a server it is the built-in service's page
// under "Open Twitter", as always; with one, the first account's own page on that server (the
// profile of a Mastodon-compatible account whose user name is known, else the site's root)
// under "Open <host>". Read afresh from the settings every time.
#include <string>

#include "common/catalog.h"
#include "settings/settings_store.h"

namespace quillet {

struct HomePage {
  std::u16string caption;  // the menu item's text, "&" before its access key
  std::u16string url;
};

// The built-in service's page, "Open Twitter" in the person's words.
HomePage BuiltInHomePage(const Catalog& words);
HomePage ChosenHomePage(SettingsStore& settings, const Catalog& words);

}  // namespace quillet
