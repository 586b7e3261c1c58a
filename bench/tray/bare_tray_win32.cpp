// The baseline of the tray benchmark: the least a tray program does. A hidden
// window, one notification icon and a 500 ms timer that does nothing; "/exit"
// starts, shows the icon, and ends at once.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace {

constexpr char kClass[] = "VarnelBare";
constexpr UINT kTimerId = 1;
NOTIFYICONDATAA g_icon;

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      g_icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
      g_icon.hWnd = window;
      g_icon.uFlags = NIF_ICON | NIF_TIP;
      g_icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
      std::strcpy(g_icon.szTip, kClass);
      Shell_NotifyIconA(NIM_ADD, &g_icon);
      SetTimer(window, kTimerId, 500, nullptr);
      return 0;
    case WM_TIMER:
      return 0;
    case WM_DESTROY:
      KillTimer(window, kTimerId);
      Shell_NotifyIconA(NIM_DELETE, &g_icon);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = BareWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowExA(0, kClass, kClass, 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  if (lstrcmpiA(commandLine, "/exit") == 0) DestroyWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) == 1) DispatchMessageA(&message);
  return 0;
}
