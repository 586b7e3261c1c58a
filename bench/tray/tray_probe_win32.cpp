// Starts a tray program under Wine and reads what it costs, the same way for
// varnel.exe and for the bare baseline. Prints "name=value" lines.
//
//   tray-probe exit EXE                      wall time of "EXE /exit"
//   tray-probe start EXE CLASS               start until the window answers
//   tray-probe idle EXE CLASS SECONDS        device commands (VARNEL_SIM_LOG
//                                            lines) while idle
//   tray-probe memory EXE CLASS COMMAND N    N menus opened by WM_COMMAND
//                                            COMMAND (0: none)
// Under Wine one process cannot read another's CPU time or private bytes, so
// the probe prints "sample NAME" at each point where they count and waits a
// second; the bench script reads them from /proc meanwhile.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double NowMs() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

bool Launch(const std::string& commandLine, PROCESS_INFORMATION& process) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line = commandLine;
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
}

// The program's hidden window once its message loop answers, or null.
HWND WaitReady(const char* windowClass, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    HWND window = FindWindowA(windowClass, windowClass);
    DWORD_PTR answer;
    if (window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer)) return window;
    Sleep(5);
  }
  return nullptr;
}

void End(HWND window, PROCESS_INFORMATION& process) {
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

void Sample(const char* name) {
  std::printf("sample %s\n", name);
  std::fflush(stdout);
  Sleep(1000);
}

long LogLines() {
  const char* path = std::getenv("VARNEL_SIM_LOG");
  if (!path) return -1;
  FILE* log = std::fopen(path, "rb");
  if (!log) return 0;
  long lines = 0;
  for (int c; (c = std::fgetc(log)) != EOF;) lines += c == '\n';
  std::fclose(log);
  return lines;
}

// A shown pop-up menu (class #32768) of the given thread.
bool MenuShown(DWORD threadId) {
  for (HWND menu = FindWindowExA(nullptr, nullptr, "#32768", nullptr); menu;
       menu = FindWindowExA(nullptr, menu, "#32768", nullptr))
    if (IsWindowVisible(menu) && GetWindowThreadProcessId(menu, nullptr) == threadId) return true;
  return false;
}

bool WaitFor(bool shown, DWORD threadId) {
  for (int i = 0; i < 1000; ++i) {
    if (MenuShown(threadId) == shown) return true;
    Sleep(2);
  }
  return false;
}

// Opens the menu and closes it again the way a click elsewhere does.
bool OpenAndCloseMenu(HWND window, unsigned command, DWORD threadId) {
  PostMessageA(window, WM_COMMAND, command, 0);
  if (!WaitFor(true, threadId)) return false;
  PostMessageA(window, WM_CANCELMODE, 0, 0);
  return WaitFor(false, threadId);
}

int Run(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string mode = argv[1], exe = std::string("\"") + argv[2] + "\"";
  PROCESS_INFORMATION process{};
  if (mode == "exit") {
    double begin = NowMs();
    if (!Launch(exe + " /exit", process)) return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    std::printf("wall_ms=%.1f\n", NowMs() - begin);
    End(nullptr, process);
    return 0;
  }
  if (argc < 4) return 2;
  const char* windowClass = argv[3];
  double begin = NowMs();
  if (!Launch(exe, process)) return 1;
  HWND window = WaitReady(windowClass, 60000);
  if (!window) {
    std::printf("error=no window\n");
    End(nullptr, process);
    return 1;
  }
  std::printf("ready_ms=%.1f\n", NowMs() - begin);
  if (mode == "idle" && argc >= 5) {
    Sleep(2000);  // the start's own work is over
    std::printf("sample idle_begin\n");
    std::fflush(stdout);
    long lines = LogLines();
    Sleep(DWORD(std::atoi(argv[4]) * 1000));
    std::printf("commands=%ld\n", LogLines() - lines);
    Sample("idle_end");
  } else if (mode == "memory" && argc >= 6) {
    unsigned command = unsigned(std::strtoul(argv[4], nullptr, 0));
    int count = std::atoi(argv[5]);
    Sleep(2000);
    Sample("start");
    DWORD threadId = GetWindowThreadProcessId(window, nullptr);
    for (int i = 0; command != 0 && i < count; ++i) {
      if (!OpenAndCloseMenu(window, command, threadId)) {
        std::printf("error=menu %d did not open and close\n", i + 1);
        break;
      }
      if (i == 0) Sample("first_menu");
    }
    Sample("menus");
  }
  End(window, process);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int result = Run(argc, argv);
  if (result == 2) std::fprintf(stderr, "usage: tray-probe exit|start|idle|memory EXE [CLASS ...]\n");
  return result;
}
