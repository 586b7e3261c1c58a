// String lookup and the wide string builders over the built-in string table.
#include <gtest/gtest.h>

#include <string>

#include "compat/wide_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

std::u16string Text(uint32_t id) {
  WideSpan s = FindString(id);
  return std::u16string(s.Text ? s.Text : u"", s.Length);
}

TEST(StringTable, HoldsEveryIdFromOneTo151AndNothingElse) {
  ASSERT_EQ(LastStringId, 151u);
  ASSERT_EQ(VarnelStringTableCount, size_t{LastStringId});
  for (uint32_t id = StrOk; id <= LastStringId; ++id) {
    WideSpan s = FindString(id);
    ASSERT_NE(s.Text, nullptr) << id;
    EXPECT_GT(s.Length, 0u) << id;
    EXPECT_EQ(s.Text[s.Length], 0) << "terminated " << id;
  }
  for (uint32_t id : {uint32_t{NoString}, LastStringId + 1, 0xFFFFFFFFu}) {
    EXPECT_EQ(FindString(id).Text, nullptr) << id;
    EXPECT_EQ(FindString(id).Length, 0u) << id;
  }
}

TEST(StringTable, KeepsTextsCharacterForCharacter) {
  struct Case { uint32_t id; std::u16string text; };
  const Case cases[] = {
      {StrOk, u"ОК"},
      {StrExplore, u"Проводник"},  // last of the first block
      {StrAutorun, u"Автозапуск"}, // first of the second block
      {StrRestartSessionNotice, u"Для вступления изменений в силу\nнеобходимо перезапустить сеанс\nWindows."},
      {StrShowOpenCommand, u"Показывать команду \"Открыть\""},
      {StrSpeedListColumns, u"Скорость\tКоманда"},
      {StrVersionPrefix, u"Varnel версия "},
      {StrProductVersion, u"3.2"},  // from product.h
      {StrInfoMaxSpeed, u"Макс. скорость:\t\t\t"},
      {StrCdRw, u" CD-RW"},
      {StrInfoCdSpeeds, u"Скорости  CD: "},
      {StrMethodSetCdSpeed, u"CD  (SET  CD SPEED)"},
      {StrCloseTray, u"Закрыть лоток"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.id), c.text) << c.id;
  EXPECT_EQ(Text(StrOk), Text(StrAspiOk));
  EXPECT_EQ(Text(StrOk), Text(StrSptiOk));
  EXPECT_EQ(Text(StrAutoCloseNever), Text(StrPeriodNever));
  EXPECT_EQ(Text(StrAutoCloseNever), Text(StrInfoNone));
  EXPECT_EQ(Text(StrAspiNotInitialised), Text(StrSptiNotInitialised));
  EXPECT_EQ(Text(StrMailLink).rfind(u"mailto:", 0), 0u);
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
WideSpan NoStrings(uint32_t) { return {nullptr, 0}; }

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
