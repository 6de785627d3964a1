#pragma once
// One kind of network, whole: what delivery asks of it (delivery/line_network.h: the traits the
// outbox decides by, a line's key, sending, reading back), the stored "Api" value that chooses it,
// and the longest line it takes. Each kind lives in a folder of its own under networks/ and is
// listed once, in networks/registry.cpp.
#include <string_view>

#include "delivery/line_limit.h"
#include "networks/account_fields.h"
#include "delivery/line_network.h"
#include "settings/settings_store.h"

namespace quillet {

class Network : public LineNetwork {
 public:
  // The stored "Api" value that chooses it, in lower case (matched without regard to case); the
  // first kind listed is chosen by any other value, the absent one included.
  virtual std::u16string_view ApiName() const = 0;
  // The longest line the account takes.
  virtual LineLimit Limit(SettingsStore& account) const = 0;
  // Its entry in the account dialog's list of kinds, in English (translated where it is shown).
  virtual std::u16string_view Choice() const = 0;
  // What the account dialog shows for it, the boxes behind its check boxes among them.
  virtual AccountFields Fields() const = 0;
  // Its lines are sent nowhere and kept in the journal alone.
  virtual bool JournalOnly() const { return false; }
};

}  // namespace quillet
