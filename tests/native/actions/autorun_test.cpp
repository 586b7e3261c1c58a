#include <gtest/gtest.h>

#include <random>

#include "actions/actions.h"
#include "drive/drive.h"

namespace {

struct Lookup {
  AutorunLookup Result;
  AutorunCommand Command;
};

Lookup Find(std::string_view text) {
  Lookup lookup;
  lookup.Result = FindAutorunCommand(text, lookup.Command);
  return lookup;
}

TEST(AutorunCommand, OpenKeyGivesProgramAndArgument) {
  const Lookup lookup = Find("[AutoRun]\r\nicon=disc.ico\r\nopen=prog.exe arg\r\n");
  ASSERT_EQ(lookup.Result, AutorunLookup::Found);
  EXPECT_EQ(lookup.Command.Program, "prog.exe");
  EXPECT_EQ(lookup.Command.Parameters, "arg");
}

TEST(AutorunCommand, ShellexecuteWinsOverOpenWhateverTheOrderAndCase) {
  const Lookup lookup = Find("[autorun]\nOPEN=setup.exe\nShellExecute = readme.htm \n");
  ASSERT_EQ(lookup.Result, AutorunLookup::Found);
  EXPECT_EQ(lookup.Command.Program, "readme.htm");
  EXPECT_EQ(lookup.Command.Parameters, "");
}

TEST(AutorunCommand, SplitsAtTheFirstBlankOnlyAndKeepsTheRest) {
  // A program path with blanks is cut there, and quotes inside are not special.
  Lookup lookup = Find("[AutoRun]\nopen=Program Files\\setup.exe \t /s  \"a b\"\n");
  ASSERT_EQ(lookup.Result, AutorunLookup::Found);
  EXPECT_EQ(lookup.Command.Program, "Program");
  EXPECT_EQ(lookup.Command.Parameters, "Files\\setup.exe \t /s  \"a b\"");
  // One pair of quotes around the whole value goes, as with the profile reader.
  lookup = Find("[AutoRun]\nopen=\"start.exe -x\"\n");
  ASSERT_EQ(lookup.Result, AutorunLookup::Found);
  EXPECT_EQ(lookup.Command.Program, "start.exe");
  EXPECT_EQ(lookup.Command.Parameters, "-x");
}

TEST(AutorunCommand, KeysOutsideTheAutoRunSectionAreNotCommands) {
  EXPECT_EQ(Find("open=prog.exe\n[Other]\nopen=prog.exe\n").Result, AutorunLookup::NoCommand);
  EXPECT_EQ(Find("[AutoRun]\nicon=x.ico\n[Other]\nopen=prog.exe\n").Result, AutorunLookup::NoCommand);
  EXPECT_EQ(Find("[AutoRun\nopen=prog.exe\n").Result, AutorunLookup::NoCommand);
  EXPECT_EQ(Find("[AutoRun]\n;open=prog.exe\n").Result, AutorunLookup::NoCommand);
  EXPECT_EQ(Find("").Result, AutorunLookup::NoCommand);
}

TEST(AutorunCommand, BlankCommandsAreAbsent) {
  EXPECT_EQ(Find("[AutoRun]\nopen=      \t  \n").Result, AutorunLookup::NoCommand);
  EXPECT_EQ(Find("[AutoRun]\nopen=\"\"\n").Result, AutorunLookup::NoCommand);
  const Lookup lookup = Find("[AutoRun]\nshellexecute=   \nopen=prog.exe\n");
  ASSERT_EQ(lookup.Result, AutorunLookup::Found);
  EXPECT_EQ(lookup.Command.Program, "prog.exe");
}

TEST(AutorunCommand, CommandLongerThanAPathIsRefusedNotCut) {
  const std::string longest(ShellPathLimit - 1, 'a');
  EXPECT_EQ(Find("[AutoRun]\nopen=" + longest + "\n").Result, AutorunLookup::Found);
  const Lookup lookup = Find("[AutoRun]\nopen=" + std::string(300, 'a') + " arg\n");
  EXPECT_EQ(lookup.Result, AutorunLookup::TooLong);
  EXPECT_EQ(lookup.Command.Program, "");
  // The too long preferred key refuses; it does not fall back to "open".
  EXPECT_EQ(Find("[AutoRun]\nshellexecute=" + std::string(300, 'b') + "\nopen=prog.exe\n").Result,
            AutorunLookup::TooLong);
}

TEST(AutorunCommand, BinaryAndHugeFilesGiveABoundedAnswer) {
  std::mt19937 random(1);
  std::string binary(AutorunFileLimit * 4, '\0');
  for (char& byte : binary) byte = char(random());
  EXPECT_EQ(Find(binary).Result, AutorunLookup::NoCommand);

  // A NUL ends the line: what follows it cannot extend the command.
  Lookup lookup = Find(std::string("[AutoRun]\nopen=prog.exe\0 evil.exe\n", 35));
  ASSERT_EQ(lookup.Result, AutorunLookup::Found);
  EXPECT_EQ(lookup.Command.Program, "prog.exe");
  EXPECT_EQ(lookup.Command.Parameters, "");

  // Only the start of a file is read: a section behind a megabyte is not seen.
  const std::string padding(1 << 20, ' ');
  EXPECT_EQ(Find(padding + "\n[AutoRun]\nopen=prog.exe\n").Result, AutorunLookup::NoCommand);
  lookup = Find("\xEF\xBB\xBF[AutoRun]\nopen=prog.exe arg\n" + padding);
  ASSERT_EQ(lookup.Result, AutorunLookup::Found);
  EXPECT_EQ(lookup.Command.Parameters, "arg");
}

TEST(DiscActionPaths, OnlyARealLetterNamesARoot) {
  DriveRecord drive{};
  EXPECT_EQ(DriveLetter(drive), 0);
  for (const int32_t notALetter : {int32_t('1'), int32_t('['), 200, -68}) {
    drive.Address.Letter = notALetter;
    EXPECT_EQ(DriveLetter(drive), 0) << notALetter;
  }
  drive.Address.Letter = 'e';
  ASSERT_EQ(DriveLetter(drive), 'E');
  EXPECT_EQ(RootPath('E'), "E:\\");
  EXPECT_EQ(AutorunFilePath('E'), "E:\\AUTORUN.INF");
}

TEST(DiscActionPaths, HelpFileSitsBesideTheExecutable) {
  std::string help;
  ASSERT_TRUE(HelpPathBeside("C:\\Program Files\\Varnel\\varnel.exe", help));
  EXPECT_EQ(help, "C:\\Program Files\\Varnel\\varnel.chm");
  help = "unchanged";
  EXPECT_FALSE(HelpPathBeside("varnel.exe", help));
  EXPECT_FALSE(HelpPathBeside("C:\\" + std::string(ShellPathLimit - 8, 'd') + "\\v.exe", help));
  EXPECT_EQ(help, "unchanged");
}

}  // namespace
