#include <gtest/gtest.h>

#include "app/app.h"

TEST(StartMode, OnlyTheWholeArgumentInAnyCaseCounts) {
  struct Case {
    const char* arguments;
    StartMode mode;
  } cases[] = {
      {"/exit", StartMode::RunOnce}, {"/EXIT", StartMode::RunOnce}, {"/eXiT", StartMode::RunOnce},
      {"/hide", StartMode::Hidden},  {"/HIDE", StartMode::Hidden},  {"", StartMode::Normal},
      {"/exit ", StartMode::Normal}, {"/hide x", StartMode::Normal}, {"/exit /hide", StartMode::Normal},
      {"exit", StartMode::Normal},   {"/exi", StartMode::Normal},   {"/exitt", StartMode::Normal},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseStartMode(c.arguments), c.mode) << '"' << c.arguments << '"';
}

TEST(StartMode, ProgramNameAndTheBlanksAfterItAreSkipped) {
  EXPECT_STREQ(SkipProgramName("varnel.exe /exit"), "/exit");
  EXPECT_STREQ(SkipProgramName("\"C:\\Program Files\\varnel.exe\" \t /hide"), "/hide");
  EXPECT_STREQ(SkipProgramName("\"C:\\a b\\varnel.exe\"/hide"), "/hide");
  EXPECT_STREQ(SkipProgramName("varnel.exe"), "");
  EXPECT_STREQ(SkipProgramName("\"unterminated"), "");
  EXPECT_STREQ(SkipProgramName("varnel.exe /exit "), "/exit ");  // a trailing blank stays: no match
}

TEST(StartMode, SecondCopyHandsOverHideOrShow) {
  EXPECT_EQ(HandOverCommand(StartMode::Hidden), 200u);
  EXPECT_EQ(HandOverCommand(StartMode::Normal), 201u);
}

TEST(IconStyle, XpPicturesNeedShellSixAndMoreThan256Colours) {
  EXPECT_EQ(ChooseIconStyle(6, 32), IconStyleXP);
  EXPECT_EQ(ChooseIconStyle(5, 32), IconStyle16Colour);
  EXPECT_EQ(ChooseIconStyle(6, 8), IconStyle16Colour);
  EXPECT_EQ(ChooseIconStyle(0, 32), IconStyle16Colour);
}
