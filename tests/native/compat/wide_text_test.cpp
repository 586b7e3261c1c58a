// String lookup and the wide string builders over the built-in string table.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "compat/wide_text.h"
#include "resources/product.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

std::u16string Text(uint32_t id) {
  WideSpan s = FindString(id);
  return std::u16string(s.Text ? s.Text : u"", s.Length);
}

// The texts the user reads, as strings.txt writes them: every entry decoded
// here on its own (escapes, the version from product.h) must come back from
// the table unchanged, and there is no text between or beyond the entries.
std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : 2;  // the table holds nothing beyond the BMP
    char32_t code = extra == 0 ? c : extra == 1 ? c & 0x1F : c & 0x0F;
    for (int k = 1; k <= extra; ++k) code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out.push_back(static_cast<char16_t>(code));
    i += 1 + extra;
  }
  return out;
}

std::string Unescape(const std::string& quoted) {
  std::string out;
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] != '\\') { out += quoted[i]; continue; }
    char e = quoted[++i];
    out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
  }
  return out;
}

// Russian is the language until another is selected; each test leaves it so.
struct InLanguage {
  explicit InLanguage(TextLanguage language) { SelectTextLanguage(language); }
  ~InLanguage() { SelectTextLanguage(TextRussian); }
};

TEST(StringTable, ServesEveryEntryOfBothSourcesUnchangedAndNothingElse) {
  const std::pair<const char*, TextLanguage> sources[] = {{VARNEL_STRINGS_TXT, TextRussian},
                                                          {VARNEL_STRINGS_EN_TXT, TextEnglish}};
  for (auto [path, language] : sources) {
    InLanguage selected(language);
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    std::string line;
    uint32_t lastId = NoString;  // ids rise; a range held for another branch may leave a gap
    size_t entries = 0;
    while (std::getline(file, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream fields(line);
      uint32_t id = 0;
      std::string name, text;
      fields >> id >> name;
      std::getline(fields >> std::ws, text);
      ASSERT_GT(id, std::exchange(lastId, id)) << "numbers rise: " << line;
      ++entries;
      std::u16string want = Utf16(text[0] == '"' ? Unescape(text) : std::string(VARNEL_PRODUCT_VERSION));
      EXPECT_EQ(Text(id), want) << name;
      EXPECT_EQ(FindString(id).Text[FindString(id).Length], 0) << "terminated " << name;
    }
    EXPECT_EQ(lastId, uint32_t{LastStringId}) << path;
    EXPECT_EQ(entries, VarnelStringTableCount) << path;
    for (uint32_t id : {uint32_t{NoString}, LastStringId + 1, 0xFFFFFFFFu}) {
      EXPECT_EQ(FindString(id).Text, nullptr) << id;
      EXPECT_EQ(FindString(id).Length, 0u) << id;
    }
  }
}

// printf-style placeholders ("%s", "%d", "%%") in the order they appear.
std::u16string Placeholders(const std::u16string& text) {
  std::u16string found;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == u'%') found += text.substr(i, 2), ++i;
  return found;
}

TEST(StringTable, EnglishHasEveryIdWithTheSamePlaceholdersInPlainAscii) {
  for (uint32_t id = StrOk; id <= LastStringId; ++id) {
    std::u16string russian = Text(id);
    if (russian.empty()) continue;  // no entry
    InLanguage english(TextEnglish);
    std::u16string text = Text(id);
    EXPECT_FALSE(text.empty()) << id;
    EXPECT_EQ(Placeholders(text), Placeholders(russian)) << id;
    // Plain ASCII: no Cyrillic, and the same text on every Windows 9x code page.
    for (char16_t unit : text) EXPECT_LT(unit, 0x80) << id << " holds " << int(unit);
  }
  EXPECT_EQ(Placeholders(u"%s of %d%%"), u"%s%d%%");
}

TEST(TextLanguage, TheSettingChoosesElseTheUsersLanguageDoes) {
  constexpr uint16_t RussianRussia = 0x0419, RussianMoldova = 0x0819, EnglishUs = 0x0409, German = 0x0407,
                     Ukrainian = 0x0422;
  struct Case {
    int32_t setting;
    uint16_t user;
    TextLanguage chosen;
  } cases[] = {{0, RussianRussia, TextRussian}, {0, RussianMoldova, TextRussian}, {0, EnglishUs, TextEnglish},
               {0, German, TextEnglish},        {0, Ukrainian, TextEnglish},      {1049, EnglishUs, TextRussian},
               {1033, RussianRussia, TextEnglish}, {1031, RussianRussia, TextRussian}, {-1, German, TextEnglish},
               {0x10419, EnglishUs, TextEnglish}};
  for (const Case& c : cases) EXPECT_EQ(ChooseTextLanguage(c.setting, c.user), c.chosen) << c.setting << " " << c.user;
  // A reload rebuilds the main menu only when the language changed.
  EXPECT_TRUE(SelectTextLanguage(TextEnglish));
  EXPECT_FALSE(SelectTextLanguage(TextEnglish));
  EXPECT_TRUE(SelectTextLanguage(TextRussian));
}

TEST(CopyStringResource, CutsToCapacityAndTerminates) {
  ASSERT_EQ(Text(StrNewPassword), u"Новый пароль");  // 12 characters
  char16_t buffer[16];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(CopyStringResource(StrNewPassword, buffer, 5), 4u);
  EXPECT_EQ(std::u16string(buffer), u"Новы");
  EXPECT_EQ(buffer[5], u'#');

  EXPECT_EQ(CopyStringResource(StrNewPassword, nullptr, 0), 12u);
  EXPECT_EQ(CopyStringResource(StrNewPassword, buffer, 16), 12u);
  EXPECT_EQ(std::u16string(buffer), u"Новый пароль");
  EXPECT_EQ(CopyStringResource(StrNewPassword, buffer, 13), 12u);
  EXPECT_EQ(CopyStringResource(StrNewPassword, buffer, 12), 11u);
  EXPECT_EQ(buffer[11], 0);
}

TEST(CopyStringResource, LeavesBufferUntouchedWhenNothingFits) {
  char16_t buffer[4] = {u'a', u'b', u'c', 0};
  EXPECT_EQ(CopyStringResource(LastStringId + 1, buffer, 4), 0u);  // missing
  EXPECT_EQ(CopyStringResource(NoString, nullptr, 4), 0u);
  EXPECT_EQ(CopyStringResource(StrOk, buffer, 0), 0u);  // no room for a terminator
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(CopyStringResource(StrOk, buffer, 1), 0u);
  EXPECT_EQ(buffer[0], 0);
}

TEST(Builders, ChainAndReturnTheTerminator) {
  char16_t buffer[64];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  char16_t* p = AppendStringResource(buffer, StrInfoMaxSpeed);
  p = AppendDecimal(p, 48);
  p = AppendWide(p, u"x");
  p = AppendNewLine(p);
  EXPECT_EQ(*p, 0);
  EXPECT_EQ(std::u16string(buffer), u"Макс. скорость:\t\t\t48x\r\n");
  EXPECT_EQ(p - buffer, 23);
  EXPECT_EQ(WideLength(buffer), 23u);
}

TEST(Builders, WriteDecimalWithoutLeadingZeros) {
  struct Case { uint32_t value; std::u16string text; };
  const Case cases[] = {{0, u"0"}, {7, u"7"}, {10, u"10"}, {150, u"150"}, {4294967295u, u"4294967295"}};
  for (const Case& c : cases) {
    char16_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    char16_t* end = AppendDecimal(buffer, c.value);
    EXPECT_EQ(std::u16string(buffer), c.text);
    EXPECT_EQ(end, buffer + c.text.size());
    EXPECT_EQ(buffer[c.text.size() + 1], u'#');  // nothing beyond the terminator
  }
}

TEST(Builders, MissingStringWritesOnlyTheTerminator) {
  char16_t buffer[4] = {u'a', u'b', u'c', 0};
  EXPECT_EQ(AppendStringResource(buffer, LastStringId + 1), buffer);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[1], u'b');
  EXPECT_EQ(AppendWide(buffer + 1, u""), buffer + 1);
  EXPECT_EQ(buffer[1], 0);
}

TEST(Builders, AppendAnsiTakesLatin1Natively) {
  char16_t buffer[16];
  char16_t* p = AppendAnsi(buffer, "TEAC\xE9 ");
  EXPECT_EQ(std::u16string(buffer), u"TEAC\u00E9 ");
  EXPECT_EQ(p, buffer + 6);
  buffer[0] = u'#';
  EXPECT_EQ(AppendAnsi(buffer, ""), buffer);
  EXPECT_EQ(buffer[0], 0);
}

size_t FailingConversion(const char*, char16_t*, size_t) { return 0; }
WideSpan NoStrings(uint32_t, TextLanguage) { return {nullptr, 0}; }

TEST(Builders, AppendAnsiWritesNothingWhenConversionFails) {
  const TextSourceOps failing = {NoStrings, FailingConversion};
  InstallTextSource(&failing);
  char16_t buffer[4] = {u'a', u'b', u'c', 0};
  EXPECT_EQ(AppendAnsi(buffer, "abc"), buffer);
  EXPECT_EQ(AppendAnsi(buffer, nullptr), buffer);
  EXPECT_EQ(std::u16string(buffer), u"abc");  // not even a terminator
  EXPECT_EQ(Text(StrOk), u"");                // the installed row answers
  InstallTextSource(nullptr);
  EXPECT_EQ(Text(StrOk), u"ОК");
}

}  // namespace
