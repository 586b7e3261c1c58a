// Stands in for a program the shell starts (a disc's autorun program, the
// help viewer): writes the command line it was given and the folder it
// started in, one per line, to start_record.txt beside itself.
#include <windows.h>

#include <cstring>

int main() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  if (length == 0 || length >= MAX_PATH || slash == nullptr) return 1;
  std::strcpy(slash + 1, "start_record.txt");
  char folder[MAX_PATH];
  if (GetCurrentDirectoryA(MAX_PATH, folder) == 0) return 1;

  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const char* commandLine = GetCommandLineA();
  WriteFile(file, commandLine, DWORD(std::strlen(commandLine)), &written, nullptr);
  WriteFile(file, "\n", 1, &written, nullptr);
  WriteFile(file, folder, DWORD(std::strlen(folder)), &written, nullptr);
  WriteFile(file, "\n", 1, &written, nullptr);
  CloseHandle(file);
  return 0;
}
