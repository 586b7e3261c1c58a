#include <windows.h>
#include <shellapi.h>

#include "actions/actions.h"
#include "common/handle_win32.h"
#include "drive/drive.h"
#include "system/system.h"

namespace {

// ShellExecuteA answers a value above 32 when it started something.
constexpr INT_PTR ShellExecuteOk = 32;

// The first AutorunFileLimit bytes of the file, empty when it cannot be read.
std::string ReadFileStart(const std::string& path) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string text(AutorunFileLimit, '\0');
  DWORD got = 0;
  if (!ReadFile(file.Get(), text.data(), DWORD(text.size()), &got, nullptr)) return {};
  text.resize(got);
  return text;
}

}  // namespace

void OpenRoot(const DriveRecord& drive, const char* verb) {
  const char letter = DriveLetter(drive);
  if (letter == 0) return;
  ShellExecuteA(nullptr, verb, RootPath(letter).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool RunAutorun(const DriveRecord& drive) {
  const char letter = DriveLetter(drive);
  if (letter == 0) return false;
  AutorunCommand command;
  if (FindAutorunCommand(ReadFileStart(AutorunFilePath(letter)), command) != AutorunLookup::Found) return false;
  const std::string folder{letter, ':'};
  const char* parameters = command.Parameters.empty() ? nullptr : command.Parameters.c_str();
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", command.Program.c_str(), parameters, folder.c_str(), SW_SHOWNORMAL));
  return result > ShellExecuteOk;
}

bool HasAutorun(const DriveRecord& drive) {
  const char letter = DriveLetter(drive);
  if (letter == 0 || !drive.Ready || IsAudioMedium(drive.MediumType)) return false;
  return GetFileAttributesA(AutorunFilePath(letter).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool HelpFilePath(std::string& path) {
  std::string help;
  if (!HelpPathBeside(GetModulePath(), SelectedTextLanguage(), help)) return false;
  if (GetFileAttributesA(help.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  path = std::move(help);
  return true;
}

void ShowHelp() {
  std::string path;
  if (!HelpFilePath(path)) return;
  ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
