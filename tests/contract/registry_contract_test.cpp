// What the settings store relies on in the registry, checked against the fake on Linux and
// against the real registry under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/codepage.h"
#include "settings/accounts.h"
#include "settings/registry_path.h"
#include "settings/settings_store.h"
#include "tests/contract/contract_platform.h"

namespace quillet {
namespace {

using platform::RegHandle;
constexpr RegHandle kCurrentUser = 0x80000001;
const std::string kScratch = "Software\\QuilletContract";

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    registry = contract::MakeRegistry();
    ASSERT_EQ(registry->CreateKey(kCurrentUser, kScratch, key), 0);
  }
  void TearDown() override { registry->CloseKey(key); }

  void Set(const std::string& name, const std::string& bytes) {
    ASSERT_EQ(registry->SetValueEx(key, name, platform::kRegSz, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   static_cast<std::uint32_t>(bytes.size())),
              0);
  }
  // The query as the store makes it: a buffer of 255 spaces.
  std::int32_t Query(const std::string& name, std::string& buffer, std::uint32_t& length) {
    buffer.assign(255, ' ');
    length = 255;
    std::uint32_t type = platform::kRegSz;
    return registry->QueryValueEx(key, name, type, reinterpret_cast<std::uint8_t*>(buffer.data()), length);
  }

  std::unique_ptr<platform::IRegistry> registry;
  RegHandle key = 0;
};

TEST_F(RegistryContract, StoresExactlyTheCountedBytesAndTheQueryAddsTheNulWhereThereIsRoom) {
  Set("Counted", "abc");
  std::string buffer;
  std::uint32_t length = 0;
  ASSERT_EQ(Query("counted", buffer, length), 0);  // names without regard to case
  EXPECT_EQ(length, 3u);                           // the stored size: no NUL was stored
  EXPECT_EQ(buffer.substr(0, 4), std::string("abc\0", 4));
  EXPECT_EQ(buffer.substr(4), std::string(251, ' '));

  Set("Long254", std::string(254, 'x'));
  ASSERT_EQ(Query("LONG254", buffer, length), 0);
  EXPECT_EQ(buffer, std::string(254, 'x') + '\0');

  Set("Long255", std::string(255, 'y'));
  ASSERT_EQ(Query("long255", buffer, length), 0);
  EXPECT_EQ(buffer, std::string(255, 'y'));

  Set("Long256", std::string(256, 'z'));
  EXPECT_EQ(Query("Long256", buffer, length), platform::kErrorMoreData);
}

TEST_F(RegistryContract, EmptyMissingAndOtherTypes) {
  Set("Empty", "");
  std::string buffer;
  std::uint32_t length = 0;
  ASSERT_EQ(Query("Empty", buffer, length), 0);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(buffer, std::string(255, ' '));  // nothing written, not even a NUL
  EXPECT_EQ(Query("NeverWritten", buffer, length), platform::kErrorFileNotFound);

  contract::PutRawValue(*registry, kScratch, "Number", 4, std::string("\x41\0\0\0", 4));
  ASSERT_EQ(Query("Number", buffer, length), 0);
  EXPECT_EQ(buffer.substr(0, 5), std::string("\x41\0\0\0 ", 5));  // raw bytes, no NUL added
}

TEST_F(RegistryContract, EveryByteRoundTripsThroughAStringValue) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  Set("AllBytes", all.substr(0, 200));
  Set("AllBytes2", all.substr(200));
  std::string buffer;
  std::uint32_t length = 0;
  ASSERT_EQ(Query("AllBytes", buffer, length), 0);
  EXPECT_EQ(buffer.substr(0, 200), all.substr(0, 200));
  ASSERT_EQ(Query("AllBytes2", buffer, length), 0);
  EXPECT_EQ(buffer.substr(0, 55), all.substr(200));
}

TEST_F(RegistryContract, OpenCreateAndClose) {
  RegHandle opened = 0;
  EXPECT_EQ(registry->OpenKeyEx(kCurrentUser, kScratch + "\\Missing", 0, platform::kKeyRead, opened),
            platform::kErrorFileNotFound);
  RegHandle created = 0;
  ASSERT_EQ(registry->CreateKey(kCurrentUser, kScratch + "\\Deep\\Er\\Still", created), 0);  // several levels
  EXPECT_EQ(registry->CloseKey(created), 0);
  ASSERT_EQ(registry->OpenKeyEx(kCurrentUser, "SOFTWARE\\quilletcontract\\DEEP\\er", 0, platform::kKeyRead, opened), 0);
  EXPECT_EQ(registry->CloseKey(opened), 0);
  ASSERT_EQ(registry->OpenKeyEx(kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                                platform::kKeyWrite, opened),
            0);
  EXPECT_EQ(registry->CloseKey(opened), 0);
  // The root key itself.
  ASSERT_EQ(registry->OpenKeyEx(kCurrentUser, "", 0, platform::kKeyRead, opened), 0);
  registry->CloseKey(opened);
}

TEST_F(RegistryContract, SubkeysAreListedAndDeleted) {
  const std::string parent = kScratch + "\\Accounts";
  for (const char* name : {"2", "10", "Three"}) {
    RegHandle made = 0;
    ASSERT_EQ(registry->CreateKey(kCurrentUser, parent + "\\" + name, made), 0);
    registry->CloseKey(made);
  }
  RegHandle opened = 0;
  ASSERT_EQ(registry->OpenKeyEx(kCurrentUser, parent, 0, platform::kKeyRead, opened), 0);
  std::vector<std::string> names;
  std::string name;
  std::int32_t status = 0;
  for (std::uint32_t index = 0; (status = registry->EnumKey(opened, index, name)) == 0; ++index) names.push_back(name);
  EXPECT_EQ(status, platform::kErrorNoMoreItems);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"10", "2", "Three"})) << "as created, the case kept";
  registry->CloseKey(opened);

  RegHandle child = 0;
  ASSERT_EQ(registry->CreateKey(kCurrentUser, parent + "\\2\\Child", child), 0);
  registry->CloseKey(child);
  EXPECT_NE(registry->DeleteKey(kCurrentUser, parent + "\\2"), 0) << "a key with subkeys stays";
  EXPECT_EQ(registry->DeleteKey(kCurrentUser, parent + "\\2\\child"), 0);
  EXPECT_EQ(registry->DeleteKey(kCurrentUser, parent + "\\2"), 0);
  EXPECT_EQ(registry->DeleteKey(kCurrentUser, parent + "\\2"), platform::kErrorFileNotFound);
  EXPECT_EQ(registry->OpenKeyEx(kCurrentUser, parent + "\\2", 0, platform::kKeyRead, opened), platform::kErrorFileNotFound);
  for (const char* name : {"10", "Three"}) EXPECT_EQ(registry->DeleteKey(kCurrentUser, parent + "\\" + name), 0);
  EXPECT_EQ(registry->DeleteKey(kCurrentUser, parent), 0);
}

TEST_F(RegistryContract, AnAccountScopedStoreReadsAndWritesItsSubkey) {
  SettingsStore store(*registry);
  store.SetAppTitle(u"QuilletContractAccounts");
  SettingsStore account(store, u"Accounts\\2");
  account.Save(u"Server", u"https://two.example/");
  EXPECT_EQ(account.Get(u"Server", u""), u"") << "an account's key is made only when the account is added";
  ASSERT_EQ(Accounts(store).Add(), "2");
  account.Save(u"Server", u"https://two.example/");
  account.SaveBytes(u"Password", std::string("\x01\x02", 2));
  EXPECT_EQ(account.Get(u"server", u""), u"https://two.example/");
  EXPECT_EQ(store.Get(u"Server", u"none"), u"none") << "the program's key is untouched";
  EXPECT_EQ(account.ReadBytes(u"Password"), std::string("\x01\x02", 2));
  account.Delete(u"Password");
  EXPECT_EQ(account.ReadBytes(u"Password"), std::nullopt);
  std::u16string path = account.AppKeyPath();
  EXPECT_EQ(path, u"HKEY_CURRENT_USER\\Software\\Velmora\\QuilletContractAccounts\\Accounts\\2");
  EXPECT_EQ(registry->DeleteKey(kCurrentUser, "Software\\Velmora\\QuilletContractAccounts\\Accounts\\2"), 0);
  EXPECT_ANY_THROW(account.SaveBytes(u"Session", "late"));  // a late answer for an account removed meanwhile
  EXPECT_EQ(account.Get(u"Server", u""), u"") << "does not bring the account back";
  EXPECT_EQ(registry->DeleteKey(kCurrentUser, "Software\\Velmora\\QuilletContractAccounts\\Accounts"), 0);
}

TEST_F(RegistryContract, BinaryValuesRoundTripAndDeletedValuesAreGone) {
  SettingsStore store(*registry);
  store.SetAppTitle(u"QuilletContractBinary");
  std::string blob("\x01\x00\xff\r\nblob", 8);
  store.SaveBytes(u"Secret", blob);
  EXPECT_EQ(store.ReadBytes(u"secret"), blob);
  EXPECT_EQ(store.ReadBytes(u"Missing"), std::nullopt);
  store.Delete(u"SECRET");
  EXPECT_EQ(store.ReadBytes(u"Secret"), std::nullopt);
  store.Delete(u"Secret");  // deleting what is not there is harmless
}

// The store's read rules, on this registry.
class StoreContract : public ::testing::Test {
 protected:
  void SetUp() override {
    registry = contract::MakeRegistry();
    settings = std::make_unique<SettingsStore>(*registry);
    settings->SetAppTitle(u"QuilletContractStore");
  }
  std::unique_ptr<platform::IRegistry> registry;
  std::unique_ptr<SettingsStore> settings;
};

TEST_F(StoreContract, LengthRulesHoldOnThisRegistry) {
  std::u16string v254(254, u'a'), v255(255, u'b'), v256(256, u'c'), v300(300, u'd');
  settings->Save(u"V254", v254);
  settings->Save(u"V255", v255);
  settings->Save(u"V256", v256);
  settings->Save(u"V300", v300);
  EXPECT_EQ(settings->Get(u"v254", u"def"), v254);
  EXPECT_EQ(settings->Get(u"v255", u"def"), v255.substr(0, 254));
  EXPECT_EQ(settings->Get(u"v256", u"def"), u"def");
  EXPECT_EQ(settings->Get(u"v300", u"def"), u"def");
}

TEST_F(StoreContract, BlanksEmptyTextAndTheErrorMarker) {
  settings->Save(u"Username", u"abc");
  EXPECT_EQ(settings->Get(u"username", u""), u"abc");
  settings->Save(u"Lead", u"  abc");
  EXPECT_EQ(settings->Get(u"Lead", u""), u"abc");
  settings->Save(u"Trail", u"abc  ");
  EXPECT_EQ(settings->Get(u"Trail", u""), u"abc  ");
  settings->Save(u"Marker", u"Error");
  EXPECT_EQ(settings->Get(u"Marker", u"40"), u"40");
  settings->Save(u"Blank", u"");
  EXPECT_EQ(settings->Get(u"Blank", u"1"), u"1");
  EXPECT_EQ(settings->Get(u"Interval", u"40"), u"40");
}

TEST_F(StoreContract, RunEntryIsWrittenOnlyUnderAnExistingKey) {
  const std::u16string run = u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  registry_path::WriteKeyValue(*registry, run, u"QuilletContract", u"\"C:\\Quillet\\quillet.exe\"");
  EXPECT_EQ(registry_path::ReadKeyValue(*registry, run, u"quilletcontract"), u"\"C:\\Quillet\\quillet.exe\"");
  const std::u16string missing = u"HKEY_CURRENT_USER\\Software\\QuilletNoSuchKey";
  registry_path::WriteKeyValue(*registry, missing, u"X", u"1");
  EXPECT_EQ(registry_path::ReadKeyValue(*registry, missing, u"X"), u"Error");
}

}  // namespace
}  // namespace quillet
