// String lookup and the wide string builders over the built-in string table.
#include <gtest/gtest.h>

#include <string>

#include "compat/wide_text.h"
#include "resources/string_table.h"

namespace {

std::u16string Text(uint32_t id) {
  WideSpan s = FindString(id);
  return std::u16string(s.Text ? s.Text : u"", s.Length);
}

TEST(StringTable, HoldsEveryIdFromOneTo151AndNothingElse) {
  ASSERT_EQ(VarnelStringTableCount, 151u);
  for (uint32_t id = 1; id <= 151; ++id) {
    WideSpan s = FindString(id);
    ASSERT_NE(s.Text, nullptr) << id;
    EXPECT_GT(s.Length, 0u) << id;
    EXPECT_EQ(s.Text[s.Length], 0) << "terminated " << id;
  }
  for (uint32_t id : {0u, 152u, 1000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(FindString(id).Text, nullptr) << id;
    EXPECT_EQ(FindString(id).Length, 0u) << id;
  }
}

TEST(StringTable, KeepsTextsCharacterForCharacter) {
  struct Case { uint32_t id; std::u16string text; };
  const Case cases[] = {
      {1, u"ОК"},
      {15, u"Проводник"},  // last of the first block
      {16, u"Автозапуск"}, // first of the second block
      {40, u"Для вступления изменений в силу\nнеобходимо перезапустить сеанс\nWindows."},
      {51, u"Показывать команду \"Открыть\""},
      {87, u"Скорость\tКоманда"},
      {104, u"Varnel версия "},
      {110, u"Макс. скорость:\t\t\t"},
      {121, u" CD-RW"},
      {125, u"Скорости  CD: "},
      {131, u"CD  (SET  CD SPEED)"},
      {151, u"Закрыть лоток"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.id), c.text) << c.id;
  EXPECT_EQ(Text(1), Text(135));
  EXPECT_EQ(Text(1), Text(140));
  EXPECT_EQ(Text(25), Text(64));
  EXPECT_EQ(Text(25), Text(119));
  EXPECT_EQ(Text(132), Text(136));
  EXPECT_EQ(Text(107).rfind(u"mailto:", 0), 0u);
}

TEST(CopyStringResource, CutsToCapacityAndTerminates) {
  ASSERT_EQ(Text(144), u"Новый пароль");  // 12 characters
  char16_t buffer[16];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(CopyStringResource(144, buffer, 5), 4u);
  EXPECT_EQ(std::u16string(buffer), u"Новы");
  EXPECT_EQ(buffer[5], u'#');

  EXPECT_EQ(CopyStringResource(144, nullptr, 0), 12u);
  EXPECT_EQ(CopyStringResource(144, buffer, 16), 12u);
  EXPECT_EQ(std::u16string(buffer), u"Новый пароль");
  EXPECT_EQ(CopyStringResource(144, buffer, 13), 12u);
  EXPECT_EQ(CopyStringResource(144, buffer, 12), 11u);
  EXPECT_EQ(buffer[11], 0);
}

TEST(CopyStringResource, LeavesBufferUntouchedWhenNothingFits) {
  char16_t buffer[4] = {u'a', u'b', u'c', 0};
  EXPECT_EQ(CopyStringResource(152, buffer, 4), 0u);  // missing
  EXPECT_EQ(CopyStringResource(0, nullptr, 4), 0u);
  EXPECT_EQ(CopyStringResource(1, buffer, 0), 0u);  // no room for a terminator
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(CopyStringResource(1, buffer, 1), 0u);
  EXPECT_EQ(buffer[0], 0);
}

TEST(Builders, ChainAndReturnTheTerminator) {
  char16_t buffer[64];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  char16_t* p = AppendStringResource(buffer, 110);
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
  EXPECT_EQ(AppendStringResource(buffer, 152), buffer);
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
WideSpan NoStrings(uint32_t) { return {nullptr, 0}; }

TEST(Builders, AppendAnsiWritesNothingWhenConversionFails) {
  const TextSourceOps failing = {NoStrings, FailingConversion};
  InstallTextSource(&failing);
  char16_t buffer[4] = {u'a', u'b', u'c', 0};
  EXPECT_EQ(AppendAnsi(buffer, "abc"), buffer);
  EXPECT_EQ(AppendAnsi(buffer, nullptr), buffer);
  EXPECT_EQ(std::u16string(buffer), u"abc");  // not even a terminator
  EXPECT_EQ(Text(1), u"");                    // the installed row answers
  InstallTextSource(nullptr);
  EXPECT_EQ(Text(1), u"ОК");
}

}  // namespace
