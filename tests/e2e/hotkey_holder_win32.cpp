// hotkey-holder: another program that holds global hotkeys, for
// journey 4 of journeys_test.sh.
//
//   hotkey-holder REPORT SECONDS MODIFIERS KEY [MODIFIERS KEY]...
//
// Opens a small visible window titled "Hotkey holder", registers each
// combination (MOD_* flags and virtual key, numbers as C reads them) for it,
// and appends to REPORT one line per event: "registered MODIFIERS KEY 1|0",
// "active" / "inactive" as the window gains and loses the activation, and
// "hotkey ID" for every WM_HOTKEY it receives. Ends after SECONDS.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

FILE* g_report = nullptr;

// Each line reaches the file at once: the test reads it while we run.
void Report(const char* line) {
  std::fputs(line, g_report);
  std::fputc('\n', g_report);
  std::fflush(g_report);
}

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOTKEY: {
      char line[32];
      std::snprintf(line, sizeof line, "hotkey %lu", (unsigned long)wParam);
      Report(line);
      return 0;
    }
    case WM_ACTIVATE:
      Report(LOWORD(wParam) == WA_INACTIVE ? "inactive" : "active");
      break;
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc % 2 == 0) return 2;
  g_report = std::fopen(argv[1], "a");
  if (!g_report) return 1;
  WNDCLASSA wc{};
  wc.lpfnWndProc = HolderProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
  wc.lpszClassName = "HotkeyHolder";
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowExA(0, "HotkeyHolder", "Hotkey holder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                320, 160, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return 1;
  for (int i = 3; i + 1 < argc; i += 2) {
    unsigned long modifiers = std::strtoul(argv[i], nullptr, 0), key = std::strtoul(argv[i + 1], nullptr, 0);
    BOOL held = RegisterHotKey(window, i, UINT(modifiers), UINT(key));
    char line[64];
    std::snprintf(line, sizeof line, "registered %lu %lu %d", modifiers, key, held ? 1 : 0);
    Report(line);
  }
  SetTimer(window, 1, std::strtoul(argv[2], nullptr, 0) * 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) == 1) DispatchMessageA(&msg);
  std::fclose(g_report);
  return 0;
}
