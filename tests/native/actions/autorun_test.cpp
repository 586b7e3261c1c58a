#include <gtest/gtest.h>

#include "actions/actions.h"

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

void ExpectCommand(std::string_view text, const char* program, const char* parameters) {
  const Lookup lookup = Find(text);
  ASSERT_EQ(lookup.Result, AutorunLookup::Found) << text;
  EXPECT_EQ(lookup.Command.Program, program) << text;
  EXPECT_EQ(lookup.Command.Parameters, parameters) << text;
}

TEST(AutorunCommand, ChoosesTheCommandAndSplitsItAtTheFirstBlank) {
  ExpectCommand("[AutoRun]\r\nicon=disc.ico\r\nopen=prog.exe arg\r\n", "prog.exe", "arg");
  // "shellexecute" wins whatever the order; names are compared without case.
  ExpectCommand("[autorun]\nOPEN=setup.exe\nShellExecute = readme.htm \n", "readme.htm", "");
  // A blank "shellexecute" counts as absent.
  ExpectCommand("[AutoRun]\nshellexecute=   \nopen=prog.exe\n", "prog.exe", "");
  // A program path with blanks is cut there; quotes inside are not special
  // and the rest is kept as it is.
  ExpectCommand("[AutoRun]\nopen=Program Files\\setup.exe \t /s  \"a b\"\n", "Program",
                "Files\\setup.exe \t /s  \"a b\"");
  // One pair of quotes around the whole value goes, as with the profile reader.
  ExpectCommand("[AutoRun]\nopen=\"start.exe -x\"\n", "start.exe", "-x");
  // A UTF-8 mark is not part of the first section name; a NUL ends a line.
  ExpectCommand(std::string_view("\xEF\xBB\xBF[AutoRun]\nopen=prog.exe\0 evil.exe\n", 37), "prog.exe", "");
  ExpectCommand("[AutoRun]\nopen=" + std::string(ShellPathLimit - 1, 'a'), std::string(ShellPathLimit - 1, 'a').c_str(), "");
}

TEST(AutorunCommand, RefusesWhatIsNoUsableCommand) {
  for (const std::string_view text : {"", "open=prog.exe\n[Other]\nopen=prog.exe\n",
                                      "[AutoRun]\nicon=x.ico\n[Other]\nopen=prog.exe\n", "[AutoRun\nopen=prog.exe\n",
                                      "[AutoRun]\n;open=prog.exe\n", "[AutoRun]\nopen=      \t  \n",
                                      "[AutoRun]\nopen=\"\"\n"}) {
    EXPECT_EQ(Find(text).Result, AutorunLookup::NoCommand) << text;
  }
  // Longer than a path: refused, not cut, and no fallback to "open".
  const Lookup tooLong = Find("[AutoRun]\nopen=" + std::string(300, 'a') + " arg\n");
  EXPECT_EQ(tooLong.Result, AutorunLookup::TooLong);
  EXPECT_EQ(tooLong.Command.Program, "");
  EXPECT_EQ(Find("[AutoRun]\nopen=" + std::string(ShellPathLimit, 'a')).Result, AutorunLookup::TooLong)
      << "exactly the limit leaves no room for the terminator";
  EXPECT_EQ(Find("[AutoRun]\nshellexecute=" + std::string(300, 'b') + "\nopen=prog.exe\n").Result,
            AutorunLookup::TooLong);
  // Only the start of a file is read: a section behind a megabyte is not seen.
  EXPECT_EQ(Find(std::string(1 << 20, ' ') + "\n[AutoRun]\nopen=prog.exe\n").Result, AutorunLookup::NoCommand);
}

TEST(HelpFilePath, SitsBesideTheExecutableInItsLanguageOrIsRefused) {
  std::string help;
  ASSERT_TRUE(HelpPathBeside("C:\\Program Files\\Varnel\\varnel.exe", TextRussian, help));
  EXPECT_EQ(help, "C:\\Program Files\\Varnel\\varnel.chm");
  ASSERT_TRUE(HelpPathBeside("C:\\Varnel\\varnel.exe", TextEnglish, help));
  EXPECT_EQ(help, "C:\\Varnel\\varnel_en.chm");
  help = "unchanged";
  EXPECT_FALSE(HelpPathBeside("varnel.exe", TextRussian, help));
  EXPECT_FALSE(HelpPathBeside("C:\\" + std::string(ShellPathLimit - 8, 'd') + "\\v.exe", TextRussian, help));
  EXPECT_EQ(help, "unchanged");
}

}  // namespace
