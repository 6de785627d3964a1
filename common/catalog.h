#pragma once
// One language's texts: for each English text the program shows, the person's words. The
// catalogs are gettext's compiled form (.mo), made from po/<language>.po when the program is
// built and carried inside it; a text a catalog lacks stays English. The English catalog is
// empty, so that every text reads exactly as written.
//
// A text in the sources is English and is looked up by its words:
//   words.Tr(u"Update")                                       a text
//   words.TrPlural(u"%1 line waiting", u"%1 lines waiting", n)  by the language's plural rule
//   FillIn(words.Tr(u"Not posted to %1"), {account})           %1..%9 are filled in afterwards
//   Translatable(u"Kind")                                      a text in a table, looked up later
//   words.TrFilled(reason)                                     a text FillIn made in English
// tools/messages.py finds these to make po/quillet.pot; the build checks each catalog against it.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillet {

class Catalog {
 public:
  Catalog() = default;  // English
  // Reads a compiled catalog; nullopt when the bytes are not one.
  static std::optional<Catalog> FromMo(std::string_view bytes);

  std::u16string Tr(std::u16string_view english) const;
  std::u16string TrPlural(std::u16string_view one, std::u16string_view other, unsigned long n) const;
  // A text made in English by FillIn and kept so (a reason stored with a line): the template it
  // was filled from is found again, and its values put into the translation, each value itself
  // looked up the same way (a reason inside a reason, up to kDeepestReason deep: a text of any
  // length takes time in proportion and little stack). A text no template makes stays as it is.
  std::u16string TrFilled(std::u16string_view filled) const;

  // The language's tag as Windows writes it ("de", "pt-BR"); "en" for English.
  const std::string& Tag() const { return tag_; }
  // The language's name in its own words ("Deutsch"), for the list in Options.
  const std::u16string& Name() const { return name_; }
  bool RightToLeft() const { return rightToLeft_; }
  // A catalog that does not have every text yet (those it lacks are shown in English).
  bool Partial() const { return partial_; }

 private:
  void ReadHeader(std::string_view header);
  // TrFilled of a value `depth` templates deep.
  std::u16string TrFilled(std::u16string_view filled, int depth) const;
  static constexpr int kDeepestReason = 8;

  std::string tag_ = "en";
  std::u16string name_ = u"English";
  std::string pluralRule_ = "n != 1";
  bool rightToLeft_ = false;
  bool partial_ = false;
  std::unordered_map<std::u16string, std::vector<std::u16string>> texts_;  // by the English (singular)
};

// The text with %1..%9 replaced by the values, in order (a translation may move them); "%%" is a
// percent sign. A placeholder without a value stays as it is.
std::u16string FillIn(std::u16string_view text, std::initializer_list<std::u16string_view> values);
std::u16string FillInValues(std::u16string_view text, const std::vector<std::u16string_view>& values);

// Marks an English text kept in a table for looking up later; gives it back as it is.
template <class Text>
constexpr Text Translatable(Text english) {
  return english;
}

}  // namespace quillet
