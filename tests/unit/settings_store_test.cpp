// The settings store over the fake registry: paths, the read rules, and every kind of bad value.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/codepage.h"
#include "common/failure.h"
#include "platform/fake/fake_registry.h"
#include "settings/registry_path.h"
#include "settings/settings_store.h"
#include "tests/unit/app_key.h"

namespace quillet {
namespace {

using namespace registry_path;

using testing::kAppKey;

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { settings.SetAppTitle(u"Quillet"); }
  void TearDown() override { EXPECT_EQ(registry.OpenKeys(), 0u) << "every key opened is closed again"; }
  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
};

TEST_F(SettingsStoreTest, RootNamesMatchExactlyWithCase) {
  EXPECT_EQ(RootKeyFromName(u"HKEY_CLASSES_ROOT"), 0x80000000u);
  EXPECT_EQ(RootKeyFromName(u"HKEY_CURRENT_USER"), 0x80000001u);
  EXPECT_EQ(RootKeyFromName(u"HKEY_DYN_DATA"), 0x80000006u);
  EXPECT_EQ(RootKeyFromName(u"hkey_current_user"), 0u);
  EXPECT_EQ(RootKeyFromName(u"HKEY_CURRENT_USER "), 0u);
  EXPECT_EQ(RootKeyFromName(u""), 0u);
}

TEST_F(SettingsStoreTest, SplitKeyPathTakesTheRootAndLeavesTheSubkey) {
  std::u16string path = u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  EXPECT_EQ(SplitKeyPath(path), 0x80000001u);
  EXPECT_EQ(path, u"Software\\Microsoft\\Windows\\CurrentVersion\\Run");

  path = u"HKEY_CURRENT_USER";  // the root key itself
  EXPECT_EQ(SplitKeyPath(path), 0x80000001u);
  EXPECT_EQ(path, u"");

  for (std::u16string refused :
       {u"hkey_current_user\\Software", u"HKEY_CURRENT_USER\\Software\\", u"Software\\X", u"HKEY", u"", u"\\"}) {
    std::u16string before = refused;
    EXPECT_EQ(SplitKeyPath(refused), 0u) << "refused: root 0";
    EXPECT_EQ(refused, before) << "refused: path unchanged";
  }

  path = u"HKEY_NOWHERE\\Software";  // well formed, but no such root
  EXPECT_EQ(SplitKeyPath(path), 0u);
}

TEST_F(SettingsStoreTest, RefusedPathsLeaveTheRegistryUntouchedAndReadAsNothing) {
  for (std::u16string path : {u"hkey_current_user\\Software\\Velmora", u"HKEY_NOWHERE\\Software",
                              u"HKEY_CURRENT_USER\\Software\\Velmora\\"}) {
    CreateKey(registry, path);
    WriteKeyValue(registry, path, u"Name", u"value");
    EXPECT_EQ(ReadKeyValue(registry, path, u"Name"), std::nullopt);
  }
  EXPECT_EQ(registry.setCalls, 0);
  EXPECT_FALSE(registry.KeyExists("HKEY_CURRENT_USER\\Software\\Velmora"));
}

TEST_F(SettingsStoreTest, FailedReadsGiveTheErrorMarker) {
  EXPECT_EQ(ReadKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\Nowhere", u"X"), u"Error");
  registry.Put(kAppKey, "Present", 1, "x");
  EXPECT_EQ(ReadKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\Velmora\\Quillet", u"Absent"), u"Error");
  registry.Put(kAppKey, "TooLong", 1, std::string(256, 'x'));
  EXPECT_EQ(ReadKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\Velmora\\Quillet", u"TooLong"), u"Error");
  registry.Deny("HKEY_CURRENT_USER\\Software\\Locked");
  EXPECT_EQ(ReadKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\Locked", u"X"), u"Error");
}

TEST_F(SettingsStoreTest, FirstSaveCreatesTheApplicationKeyWithEveryLevel) {
  EXPECT_FALSE(registry.KeyExists("HKEY_CURRENT_USER\\Software\\Velmora"));
  EXPECT_EQ(settings.Get(u"Interval", u"40"), u"40");
  settings.Save(u"Username", u"abc");
  ASSERT_TRUE(registry.KeyExists(kAppKey));
  const auto* stored = registry.Find(kAppKey, "USERNAME");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->type, 1u);
  EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()), "abc") << "no NUL stored";
  EXPECT_EQ(settings.Get(u"username", u""), u"abc");
}

TEST_F(SettingsStoreTest, WithoutTheApplicationTitleEveryCallIsRefused) {
  settings.SetAppTitle(u"");
  settings.Save(u"Username", u"abc");
  EXPECT_EQ(registry.setCalls, 0);
  EXPECT_FALSE(registry.KeyExists("HKEY_CURRENT_USER\\Software\\Velmora"));
  EXPECT_EQ(settings.Get(u"Username", u"dflt"), u"dflt");
}

TEST_F(SettingsStoreTest, TextsKeepTheirCodePageCharacters) {
  settings.Save(u"Username", u"Zoë €5");
  const auto* stored = registry.Find(kAppKey, "Username");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()),
            "Zo\xEB \x80"
            "5");
  EXPECT_EQ(settings.Get(u"Username", u""), u"Zoë €5");
}

TEST_F(SettingsStoreTest, ValuesWithNulsOrOnlySpaces) {
  auto read = [&](const std::string& bytes, std::uint32_t type = 1) {
    registry.Put(kAppKey, "V", type, bytes);
    return ReadKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\Velmora\\Quillet", u"V");
  };
  EXPECT_EQ(read(std::string("ab\0cd", 5)), u"ab") << "cut at the last NUL";
  EXPECT_EQ(read(std::string("ab\0cd\0", 6)), u"ab") << "data with its own NUL";
  EXPECT_EQ(read("   "), u"") << "spaces only";
  EXPECT_EQ(read(std::string(255, ' ')), std::nullopt) << "trims to nothing: nothing to drop";
  EXPECT_EQ(read(""), std::nullopt) << "empty data: nothing written into the buffer";
  EXPECT_EQ(read(std::string("\x41\0\0\0", 4), 4), (std::u16string{u'A', u'\0'})) << "a number value, raw";
  EXPECT_EQ(settings.Get(u"V", u"d"), u"A");
  registry.Put(kAppKey, "Spaces", 1, std::string(255, ' '));
  EXPECT_EQ(settings.Get(u"Spaces", u"d"), u"d");
}

// Any bytes of any length and type: never a crash, never more than the buffer, and what the
// rules say for the cases that can be told from the length alone.
TEST_F(SettingsStoreTest, AnyStoredBytesReadSafely) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::size_t length = random() % 301;
    std::string bytes(length, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() % 4 == 0 ? ' ' : random() % 256);
    std::uint32_t type = random() % 3 == 0 ? static_cast<std::uint32_t>(random() % 12) : 1u;
    registry.Put(kAppKey, "Any", type, bytes);
    auto raw = ReadKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\Velmora\\Quillet", u"Any");
    std::u16string value = settings.Get(u"any", u"default");
    if (length > 255) {
      EXPECT_EQ(raw, u"Error");
      EXPECT_EQ(value, u"default");
    } else {
      EXPECT_TRUE(!raw || raw->size() < 255);
      EXPECT_FALSE(value.empty());
    }
  }
}

TEST_F(SettingsStoreTest, WritesGoOnlyToKeysThatExist) {
  const std::u16string run = u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  WriteKeyValue(registry, run, u"Quillet", u"");
  const auto* entry = registry.Find("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "quillet");
  ASSERT_NE(entry, nullptr) << "an empty entry is written, not deleted";
  EXPECT_TRUE(entry->data.empty());

  WriteKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\NotThere", u"X", u"1");
  EXPECT_FALSE(registry.KeyExists("HKEY_CURRENT_USER\\Software\\NotThere"));
  registry.Deny("HKEY_CURRENT_USER\\Software\\Locked");
  WriteKeyValue(registry, u"HKEY_CURRENT_USER\\Software\\Locked", u"X", u"1");
  CreateKey(registry, u"HKEY_CURRENT_USER\\Software\\Locked\\Sub");
  EXPECT_EQ(registry.Find("HKEY_CURRENT_USER\\Software\\Locked", "X"), nullptr);
}

// The typed readers against the stored bytes: a flag is its default unless stored as the other
// digit, exactly; a number goes through the 16-bit conversion, which throws, and the entry's
// range is not applied.
TEST_F(SettingsStoreTest, FlagsAndNumbersReadFromTheStoredText) {
  struct Case {
    std::optional<std::string> stored;     // nothing: absent
    bool journal, postHere;                // off by default, on by default
    std::optional<std::int16_t> interval;  // nothing: the read throws
  } cases[] = {
      {std::nullopt, false, true, 40},
      {"", false, true, 40},
      {"1", true, true, 1},
      {"0", false, false, 0},
      {"2", false, true, 2},
      {"x", false, true, std::nullopt},
      {" 1 ", false, true, 1},
      {"Error", false, true, 40},
      {"200", false, true, 200},
      {"40000", false, true, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.value_or("(absent)"));
    for (const Setting& setting : {Setting(kJournal), Setting(kPostHere), Setting(kInterval)}) {
      settings.Delete(setting);
      if (c.stored) registry.Put(kAppKey, Narrow(setting.name), platform::kRegSz, *c.stored);
    }
    EXPECT_EQ(settings.Flag(kJournal), c.journal);
    EXPECT_EQ(settings.Flag(kPostHere), c.postHere);
    if (c.interval) {
      EXPECT_EQ(settings.Number(kInterval), *c.interval);
    } else {
      EXPECT_THROW(settings.Number(kInterval), Failure);
    }
  }
}

}  // namespace
}  // namespace quillet
