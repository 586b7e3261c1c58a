// Dialog templates, byte for byte, with a string table supplied here.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compat/wide_text.h"
#include "dlgengine/dlgengine.h"
#include "resources/string_ids.h"

namespace {

std::u16string longText(1001, u'ж');  // odd length: the next item must still be aligned

// A string table of this test's own: two texts, an empty one, a long one;
// every other id is missing.
constexpr uint32_t LongTextId = LastStringId + 1;
constexpr uint32_t MissingId = LastStringId + 2;
WideSpan TestStrings(uint32_t id, TextLanguage) {
  switch (id) {
    case StrOk: return {u"ОК", 2};
    case StrSettings: return {u"Настройки", 9};
    case StrClearConfiguration: return {u"", 0};
    case LongTextId: return {longText.data(), longText.size()};
    default: return {nullptr, 0};
  }
}
size_t NoAnsi(const char*, char16_t*, size_t) { return 0; }
const TextSourceOps TestSource{TestStrings, NoAnsi};

class Template : public ::testing::Test {
 protected:
  void SetUp() override { InstallTextSource(&TestSource); }
  void TearDown() override { InstallTextSource(nullptr); }
};

// The expected bytes, written field by field.
struct Bytes {
  std::vector<uint8_t> b;
  void W(uint16_t v) { b.push_back(v & 0xFF), b.push_back(v >> 8); }
  void D(uint32_t v) { W(v & 0xFFFF), W(v >> 16); }
  void S(const std::u16string& s) {
    for (char16_t c : s) W(c);
    W(0);
  }
  void Align() {
    while (b.size() % 4) b.push_back(0);
  }
};

std::vector<uint8_t> Of(const DialogTemplate& t) { return {t.bytes, t.bytes + t.length}; }

std::u16string TitleOf(const DialogTemplate& t) {
  std::u16string s;
  for (size_t at = 30; at + 1 < t.length; at += 2) {
    char16_t c = static_cast<char16_t>(t.bytes[at] | t.bytes[at + 1] << 8);
    if (c == 0) break;
    s += c;
  }
  return s;
}

TEST_F(Template, HeaderFontAndItemsByteForByte) {
  TemplateFont font{};
  font.height = -11;
  font.pixelsPerInchY = 96;
  font.weight = 400;
  font.italic = 0;
  font.charSet = 204;
  std::memcpy(font.faceName, u"Tahoma", sizeof u"Tahoma");
  const ControlDesc descs[] = {
      {&Kind::Label, 0x12345, u"abc", StrSettings, 0, nullptr},  // literal wins; id keeps its low 16 bits
      {&Kind::DefaultButton, 1, nullptr, StrOk, 105, nullptr},
      {&Kind::HBox, 105, nullptr, MissingId, 0, nullptr},  // missing string: empty
      {&Kind::ListView, 106, nullptr, LongTextId, 0, nullptr},
      {&Kind::TextEdit, 107, u"x", NoString, 0, nullptr},
  };
  DialogTemplate t =
      BuildDialogTemplate(0xC80000, 0x40000, 0, 0, 100, 100, u"Varnel 3.2", StrSettings, &font, 5, descs);
  ASSERT_NE(t.block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(t.bytes) % 4, 0u);

  Bytes e;
  e.W(1), e.W(0xFFFF), e.D(0), e.D(0x40000), e.D(0xC80000 | 0x1000 | 0x40), e.W(5);
  e.W(0), e.W(0), e.W(100), e.W(100), e.W(0), e.W(0);
  e.S(u"Varnel 3.2 - Настройки");
  e.W(8), e.W(400), e.b.push_back(0), e.b.push_back(204), e.S(u"Tahoma");  // -MulDiv(-11, 72, 96) = 8
  auto item = [&e](uint32_t style, uint32_t id, const std::u16string& cls, const std::u16string& text) {
    e.Align();
    e.D(0), e.D(0), e.D(style | 0x50000000), e.W(0), e.W(0), e.W(0), e.W(0), e.D(id);
    e.S(cls), e.S(text), e.W(0);
  };
  item(0x100, 0x2345, u"STATIC", u"abc");
  item(0x10001, 1, u"BUTTON", u"ОК");
  item(0xD, 105, u"STATIC", u"");
  item(0x818005, 106, u"SysListView32", longText);
  item(0x810080, 107, u"EDIT", u"x");
  EXPECT_EQ(Of(t), e.b);
  FreeDialogTemplate(t);
  EXPECT_EQ(t.block, nullptr);
}

TEST_F(Template, NoFontMeansNoFontPartAndNoSetFontStyle) {
  const ControlDesc descs[] = {{&Kind::Button, 2, nullptr, StrClearConfiguration, 0, nullptr}};
  DialogTemplate t = BuildDialogTemplate(0xC00040, 0, 0, 0, 100, 100, nullptr, NoString, nullptr, 1, descs);
  ASSERT_NE(t.block, nullptr);
  Bytes e;
  e.W(1), e.W(0xFFFF), e.D(0), e.D(0), e.D(0xC01000), e.W(1);
  e.W(0), e.W(0), e.W(100), e.W(100), e.W(0), e.W(0), e.S(u"");
  e.Align();
  e.D(0), e.D(0), e.D(0x50010000), e.W(0), e.W(0), e.W(0), e.W(0), e.D(2), e.S(u"BUTTON"), e.S(u""), e.W(0);
  EXPECT_EQ(Of(t), e.b);
  FreeDialogTemplate(t);
}

TEST_F(Template, TitleIsPrefixDashStringWhereBothExist) {
  struct Case {
    const char16_t* prefix;
    uint32_t id;
    std::u16string title;
  };
  const Case cases[] = {
      {u"Varnel 3.2", StrSettings, u"Varnel 3.2 - Настройки"},
      {u"Varnel 3.2", NoString, u"Varnel 3.2"},
      {u"Varnel 3.2", MissingId, u"Varnel 3.2"},
      {u"Varnel 3.2", StrClearConfiguration, u"Varnel 3.2"},
      {nullptr, StrSettings, u"Настройки"},
      {u"", StrSettings, u"Настройки"},
      {nullptr, NoString, u""},
  };
  for (const Case& c : cases) {
    DialogTemplate t = BuildDialogTemplate(0, 0, 0, 0, 100, 100, c.prefix, c.id, nullptr, 0, nullptr);
    ASSERT_NE(t.block, nullptr);
    EXPECT_EQ(TitleOf(t), c.title);
    EXPECT_EQ(t.length, 30 + 2 * (c.title.size() + 1));
    FreeDialogTemplate(t);
  }
}

TEST_F(Template, EveryItemStartsOnAFourByteBoundaryWhateverItsTextLength) {
  // Walk the items of templates whose texts have every length from 0 to 8.
  for (size_t n = 0; n <= 8; ++n) {
    std::u16string text(n, u'a');
    const ControlDesc descs[] = {{&Kind::Label, 101, text.c_str(), NoString, 0, nullptr},
                                {&Kind::CheckBox, 102, text.c_str(), NoString, 0, nullptr}};
    DialogTemplate t = BuildDialogTemplate(0, 0, 0, 0, 100, 100, u"T", NoString, nullptr, 2, descs);
    ASSERT_NE(t.block, nullptr);
    size_t at = (30 + 4 + 3) & ~size_t{3};  // header with the title "T"
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(at % 4, 0u);
      EXPECT_EQ(t.bytes[at + 20], 101 + i) << n;  // the id field
      size_t item = 26 + 2 * 7 /* STATIC or BUTTON */ + 2 * (n + 1);
      at = (at + item + 3) & ~size_t{3};
    }
    FreeDialogTemplate(t);
  }
}

TEST(MulDiv, RoundsHalfAwayFromZeroLikeTheSystem) {
  EXPECT_EQ(MulDivRound(-11, 72, 96), -8);
  EXPECT_EQ(MulDivRound(-13, 72, 96), -10);
  EXPECT_EQ(MulDivRound(1, 1, 2), 1);
  EXPECT_EQ(MulDivRound(-1, 1, 2), -1);
  EXPECT_EQ(MulDivRound(-16, 72, 120), -10);
  EXPECT_EQ(MulDivRound(5, 7, 0), -1);
}

TEST(DialogStateRecord, CopiesTheDescriptionAndStartsUnmeasured) {
  int data = 0;
  const ControlDesc descs[] = {{&Kind::Label, 0x10065, nullptr, NoString, 7, nullptr},
                               {&Kind::Button, 2, nullptr, NoString, 0, nullptr}};
  DialogState* state = MakeDialogState(descs, 2, &data);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(*reinterpret_cast<void**>(state), &data);  // handlers read the first field
  EXPECT_EQ(state->count, 2u);
  EXPECT_EQ(state->controls[0].id, 0x65);
  EXPECT_EQ(state->controls[0].parentId, 7);
  EXPECT_EQ(state->controls[1].kind, &Kind::Button);
  EXPECT_EQ(state->controls[1].width, 0);
  EXPECT_EQ(state->minWidth, 0);
  FreeDialogState(state);
}

}  // namespace
