// The message catalogs: the plural rules, reading a compiled catalog, placeholders, and which
// language a person gets.
#include <gtest/gtest.h>

#include <pthread.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/built_in_catalogs.h"
#include "common/callback.h"
#include "common/catalog.h"
#include "common/language_choice.h"
#include "common/lzma_stream.h"
#include "common/plural_rule.h"
#include "tests/unit/mo_of.h"

namespace quillet {
namespace {

using testing::MoOf;

TEST(PluralRule, GivesEachLanguagesFormForCounts) {
  constexpr const char* kArabic =
      "(n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : n%100>=3 && n%100<=10 ? 3 : n%100>=11 ? 4 : 5)";
  struct Case {
    const char* rule;
    std::vector<unsigned long> counts, forms;
  } cases[] = {
      {"(n != 1)", {0, 1, 2, 21}, {1, 0, 1, 1}},
      {"(n > 1)", {0, 1, 2}, {0, 0, 1}},
      {"0", {0, 1, 5}, {0, 0, 0}},
      {kArabic, {0, 1, 2, 3, 10, 11, 99, 100, 102, 103, 111}, {0, 1, 2, 3, 3, 4, 4, 5, 5, 3, 4}},
      {"n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2", {1, 11, 22, 25, 112},
       {0, 2, 1, 2, 2}},
      {"!(n <= 1)", {0, 1, 2}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    for (std::size_t i = 0; i < c.counts.size(); ++i)
      EXPECT_EQ(PluralIndex(c.rule, c.counts[i]), c.forms[i]) << c.rule << " n=" << c.counts[i];
  }
  for (const char* unreadable : {"", "n +", "(n", "n ? 1", "n % 0", "m", "n 1"})
    EXPECT_EQ(PluralIndex(unreadable, 3), std::nullopt) << unreadable;
}

// As gettext's C evaluator: only the branch taken counts (a division by zero in another is no
// failure), and nesting beyond what a rule needs is refused rather than read.
TEST(PluralRule, CountsOnlyTheBranchTakenAndRefusesDeepNesting) {
  struct Case {
    std::string rule;
    unsigned long n;
    std::optional<unsigned long> form;
  } cases[] = {
      {"n == 1 ? 0 : 1 + 0*(5 % (n-1))", 1, 0},
      {"n == 1 ? 0 : 1 + 0*(5 % (n-1))", 2, 1},
      {"n != 1 ? 5 / (n-1) : 0", 1, 0},
      {"n == 1 || 5 % (n-1)", 1, 1},
      {"n != 1 && 5 % (n-1)", 1, 0},
      {"n == 1 ? 5 % (n-1) : 0", 1, std::nullopt},  // taken, it still fails
      {std::string(200'000, '(') + "n" + std::string(200'000, ')'), 3, std::nullopt},
      {std::string(500'000, '!') + "n", 3, std::nullopt},
      {std::string(40, '(') + "n" + std::string(40, ')'), 3, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(PluralIndex(c.rule, c.n), c.form) << c.rule.substr(0, 40) << " n=" << c.n;
}

TEST(Catalog, ReadsACompiledCatalogAndFallsBackToTheEnglish) {
  using namespace std::string_literals;
  std::string header =
      "Language: pt_BR\nX-Language-Name: Portugu\xc3\xaas\nPlural-Forms: nplurals=2; plural=(n > 1);\n";
  std::optional<Catalog> catalog = Catalog::FromMo(MoOf({{"", header},
                                                         {"Update", "Atualizar"},
                                                         {"%1 line waiting\0%1 lines waiting"s, "%1 linha\0%1 linhas"s},
                                                         {"Half done\0Half done"s, "\0"s}}));
  ASSERT_TRUE(catalog);
  EXPECT_EQ(catalog->Tag(), "pt-BR");
  EXPECT_EQ(catalog->Name(), u"Portugu\u00eas");
  EXPECT_EQ(catalog->Tr(u"Update"), u"Atualizar");
  EXPECT_EQ(catalog->Tr(u"Cancel"), u"Cancel");
  EXPECT_EQ(catalog->TrPlural(u"%1 line waiting", u"%1 lines waiting", 0), u"%1 linha");  // French-like: 0 is one
  EXPECT_EQ(catalog->TrPlural(u"%1 line waiting", u"%1 lines waiting", 2), u"%1 linhas");
  EXPECT_EQ(catalog->TrPlural(u"Half done", u"Halves done", 2), u"Halves done");  // an empty form: English
  EXPECT_FALSE(catalog->RightToLeft());

  for (std::string broken : {""s, "not a catalog at all, not at all"s, MoOf({{"a", "b"}}).substr(0, 40)})
    EXPECT_FALSE(Catalog::FromMo(broken)) << broken.size();
}

TEST(Catalog, FillsInPlaceholdersInTheTranslationsOrder) {
  EXPECT_EQ(FillIn(u"Not posted to %1: %2.", {u"bob", u"refused"}), u"Not posted to bob: refused.");
  EXPECT_EQ(FillIn(u"%2 \u306b %1", {u"a", u"b"}), u"b \u306b a");
  EXPECT_EQ(FillIn(u"100%% and %3", {u"a"}), u"100% and %3");
}

// A reason is kept in English, made from a template; shown, it is the template's translation with
// its values, themselves reasons translated the same way.
TEST(Catalog, TranslatesATextFilledInInEnglish) {
  std::optional<Catalog> german = Catalog::FromMo(MoOf({{"", "Language: de\n"},
                                                        {"%1 asked to wait (%2)", "%1 bittet zu warten (%2)"},
                                                        {"no answer from %1", "keine Antwort von %1"},
                                                        {"may have arrived; Quillet will look again (%1)",
                                                         "vielleicht angekommen; Quillet sieht wieder nach (%1)"},
                                                        {"%1; %2", "%1; %2"},
                                                        {"the line was refused", "die Zeile wurde abgelehnt"}}));
  ASSERT_TRUE(german);
  struct Case {
    std::u16string english, shown;
  } cases[] = {
      {u"a.example asked to wait (429)", u"a.example bittet zu warten (429)"},
      {u"may have arrived; Quillet will look again (no answer from a.example)",
       u"vielleicht angekommen; Quillet sieht wieder nach (keine Antwort von a.example)"},
      {u"the line was refused; no answer from b.example", u"die Zeile wurde abgelehnt; keine Antwort von b.example"},
      {u"a server's own words (400: bad)", u"a server's own words (400: bad)"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(german->TrFilled(c.english), c.shown);
    EXPECT_EQ(Catalog().TrFilled(c.english), c.english);
  }
}

// Runs `work` on a thread with a small stack, as a program's main thread on Windows has.
void OnSmallStack(const Callback<void()>& work) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  pthread_t thread;
  auto run = [](void* argument) -> void* {
    (*static_cast<const Callback<void()>*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<Callback<void()>*>(&work)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

// A relay's long refusal of many "; " clauses, shown in German: read on a small stack, each word kept.
TEST(Catalog, TranslatesALongReasonOfManyClausesOnASmallStack) {
  std::u16string words = u"blocked: a";
  for (int i = 1; i < 12'000; ++i) words += u"; a";
  std::u16string reason = FillIn(u"the relay refused the line: blocked (%1)", {words});
  const Catalog& german = ChooseLanguage(u"de", {});
  ASSERT_EQ(german.Tag(), "de");
  std::u16string shown;
  OnSmallStack([&] { shown = german.TrFilled(reason); });
  EXPECT_NE(shown, reason) << "translated";
  EXPECT_NE(shown.find(words), std::u16string::npos) << "the relay's words whole";
}

TEST(LanguageChoice, FollowsTheSettingThenWindowsThenEnglish) {
  struct Case {
    std::u16string chosen;
    std::vector<std::u16string> windows;
    std::string tag;
  } cases[] = {
      {u"", {u"de-DE"}, "de"},           {u"", {u"de-AT", u"fr-FR"}, "de"}, {u"", {u"pt-BR"}, "pt-BR"},
      {u"", {u"pt-PT"}, "pt-BR"},        {u"", {u"zh-CN", u"ja-JP"}, "ja"}, {u"", {u"zh-CN"}, "en"},
      {u"", {u"en-GB", u"de-DE"}, "en"}, {u"", {}, "en"},                   {u"fr", {u"de-DE"}, "fr"},
      {u"en", {u"de-DE"}, "en"},         {u"xx", {u"es-MX"}, "es"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseLanguage(c.chosen, c.windows).Tag(), c.tag) << c.tag;
  for (const Catalog& language : Languages()) EXPECT_FALSE(language.Name().empty()) << language.Tag();
}

// The catalogs travel packed: each unpacks whole, and the tag a language is chosen by before
// anything is unpacked is the one its catalog gives.
TEST(BuiltInCatalogs, UnpackToTheLanguagesTheirTagsName) {
  PackedCatalogs packed = BuiltInCatalogs();
  const std::vector<Catalog>& languages = Languages();
  ASSERT_EQ(languages.size(), packed.catalogs.size() + 1);
  ASSERT_GT(packed.catalogs.size(), 0u);
  for (std::size_t i = 0; i < packed.catalogs.size(); ++i) {
    EXPECT_EQ(languages[i + 1].Tag(), packed.catalogs[i].tag) << packed.catalogs[i].file;
    EXPECT_EQ(&ChooseLanguage(std::u16string(packed.catalogs[i].tag.begin(), packed.catalogs[i].tag.end()), {}),
              &languages[i + 1]);
  }
  EXPECT_EQ(&ChooseLanguage(u"en", {u"de"}), &English());
}

TEST(LzmaStream, UnpacksWhatTheBuildPacksAndRefusesDamage) {
  using namespace std::string_literals;
  // tools/messages.py's pack_lzma of "abcabcabcabc!" (literals, a match, a literal after it, the
  // end marker) and of nothing.
  const std::string abc = "\x03\x00\x30\x99\x4d\xdc\x30\xd5\x38\xf7\x4b\xff\xff\xb3\x8a\x00\x00"s;
  const std::string empty = "\x03\x00\x83\xff\xfb\xff\xff\xc0\x00\x00\x00"s;
  struct Case {
    std::string stream;
    std::size_t size;
    std::optional<std::string> unpacked;
  } cases[] = {
      {abc, 13, "abcabcabcabc!"},
      {abc, 12, "abcabcabcabc"},                      // the first bytes only
      {empty, 0, ""},
      {abc, 14, std::nullopt},                        // the end marker comes first
      {empty, 1, std::nullopt},
      {""s, 0, std::nullopt},                         // no properties
      {"\xe1" + abc.substr(1), 13, std::nullopt},     // properties out of range
      {"\x03\x01" + abc.substr(2), 13, std::nullopt},  // the coder's first byte is not zero
  };
  for (const Case& c : cases) EXPECT_EQ(UnpackLzma(c.stream, c.size), c.unpacked) << ::testing::PrintToString(c.stream);
  // Cut short before the text's last bit (its first 11 bytes), it unpacks nothing; a changed byte never reads outside what it has
  // unpacked (the checked build would stop), and gives the whole size or nothing.
  for (std::size_t cut = 0; cut < 11; ++cut) EXPECT_EQ(UnpackLzma(abc.substr(0, cut), 13), std::nullopt) << cut;
  PackedCatalogs packed = BuiltInCatalogs();
  for (std::size_t at = 1; at < packed.lzma.size(); at += packed.lzma.size() / 24) {
    std::string changed(packed.lzma);
    changed[at] = static_cast<char>(changed[at] ^ 0x5a);
    std::optional<std::string> unpacked = UnpackLzma(changed, packed.unpackedSize);
    if (unpacked) EXPECT_EQ(unpacked->size(), packed.unpackedSize) << at;
  }
}

}  // namespace
}  // namespace quillet
