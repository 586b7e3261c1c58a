#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "actions/actions.h"
#include "drive/drive.h"

namespace {

// R: is a plain drive letter whose root is a folder of the build tree
// (tests/harness/run_in_prefix.sh actions); the recording program stands in
// for what the shell starts.
constexpr char TestLetter = 'R';
constexpr DWORD StartWaitMs = 10000;

std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.rfind('\\') + 1);
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct StartRecord {
  std::string CommandLine;
  std::string Folder;
};

// Waits for the recording program in folder to have written its record.
bool WaitForStart(const std::string& folder, StartRecord& record, DWORD waitMs = StartWaitMs) {
  const std::string path = folder + "start_record.txt";
  for (DWORD waited = 0; waited <= waitMs; waited += 100) {
    std::ifstream file(path, std::ios::binary);
    if (file && std::getline(file, record.CommandLine) && std::getline(file, record.Folder)) return true;
    Sleep(100);
  }
  return false;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

class DiscActionsOnALetter : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_.Address.Letter = TestLetter;
    drive_.Ready = 1;
    drive_.MediumType = 0x01;  // a data CD
    root_ = RootPath(TestLetter);
    ASSERT_NE(GetFileAttributesA(root_.c_str()), INVALID_FILE_ATTRIBUTES) << "run through tests/harness/run_in_prefix.sh actions";
    ASSERT_TRUE(CopyFileA((OwnFolder() + "record_start.exe").c_str(), (root_ + "prog.exe").c_str(), FALSE));
    DeleteFileA((root_ + "start_record.txt").c_str());
    DeleteFileA(AutorunFilePath(TestLetter).c_str());
  }

  // True when the autorun started something; the record shows what.
  bool Autorun(const std::string& inf, StartRecord& record, DWORD waitMs = StartWaitMs) {
    WriteFileText(AutorunFilePath(TestLetter), inf);
    const bool started = RunAutorun(drive_);
    return WaitForStart(root_, record, started ? waitMs : 500) && started;
  }

  DriveRecord drive_{};
  std::string root_;
};

TEST_F(DiscActionsOnALetter, AutorunStartsTheOpenCommandWithItsArgumentInTheDriveFolder) {
  EXPECT_FALSE(HasAutorun(drive_));
  StartRecord record;
  ASSERT_TRUE(Autorun("[AutoRun]\r\nopen=prog.exe arg\r\n", record));
  EXPECT_TRUE(HasAutorun(drive_));
  // The program was found in the drive's root, got exactly one argument
  // "arg", and started in the root of R:.
  const std::string& line = record.CommandLine;
  ASSERT_GE(line.size(), 4u) << line;
  EXPECT_EQ(line.substr(line.size() - 4), " arg") << line;
  EXPECT_NE(line.find("prog.exe"), std::string::npos) << line;
  EXPECT_TRUE(EqualNoCase(record.Folder, root_)) << record.Folder;
}

TEST_F(DiscActionsOnALetter, BadAutorunFilesStartNothing) {
  StartRecord record;
  const std::string huge = std::string(2 << 20, ';') + "\n[AutoRun]\nopen=prog.exe late\n";
  std::string binary(100000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = char((i * 7919u) >> 3);
  const std::string cases[] = {
      huge,
      binary,
      "[Other]\nopen=prog.exe arg\n",
      "[AutoRun]\nopen=prog.exe " + std::string(300, 'x') + "\n",
      "[AutoRun]\nopen=     \n",
  };
  for (const std::string& inf : cases) {
    EXPECT_FALSE(Autorun(inf, record)) << inf.substr(0, 40);
    EXPECT_EQ(GetFileAttributesA((root_ + "start_record.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(DiscActionsOnALetter, NoLetterOrNoDataDiscOffersNoAutorun) {
  WriteFileText(AutorunFilePath(TestLetter), "[AutoRun]\nopen=prog.exe arg\n");
  ASSERT_TRUE(HasAutorun(drive_));
  DriveRecord audio = drive_;
  audio.MediumType = 0x02;  // an audio CD
  EXPECT_FALSE(HasAutorun(audio));
  DriveRecord empty = drive_;
  empty.Ready = 0;
  EXPECT_FALSE(HasAutorun(empty));
  for (const int32_t notALetter : {0, int32_t('5'), 300}) {
    DriveRecord noLetter = drive_;
    noLetter.Address.Letter = notALetter;
    EXPECT_FALSE(HasAutorun(noLetter));
    EXPECT_FALSE(RunAutorun(noLetter));
    OpenRoot(noLetter, "open");  // nothing to open, nothing happens
  }
  StartRecord record;
  EXPECT_FALSE(WaitForStart(root_, record, 500));
}

TEST(HelpFile, ShowHelpHandsTheFileBesideTheProgramToTheShell) {
  const std::string help = OwnFolder() + "varnel.chm";
  const std::string recordPath = OwnFolder() + "start_record.txt";
  DeleteFileA(help.c_str());
  DeleteFileA(recordPath.c_str());
  std::string path;
  EXPECT_FALSE(HelpFilePath(path));
  ShowHelp();  // no help file: nothing is asked of the shell

  WriteFileText(help, "ITSF");
  ASSERT_TRUE(HelpFilePath(path));
  EXPECT_TRUE(EqualNoCase(path, help)) << path;
  StartRecord record;
  EXPECT_FALSE(WaitForStart(OwnFolder(), record, 500)) << "started without a help file";
  ShowHelp();
  ASSERT_TRUE(WaitForStart(OwnFolder(), record)) << "the shell started nothing for " << help;
  // The association runs the recorder with "%1": the path ends the line.
  const std::string quoted = "\"" + help + "\"";
  const std::string& line = record.CommandLine;
  ASSERT_GE(line.size(), quoted.size()) << line;
  EXPECT_TRUE(EqualNoCase(line.substr(line.size() - quoted.size()), quoted)) << line;
  DeleteFileA(help.c_str());
}

}  // namespace
