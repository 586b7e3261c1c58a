// The baseline of the tray benchmark: the least a tray program does. A hidden
// window, one notification icon and a 500 ms timer that does nothing; "/exit"
// starts, shows the icon, and ends at once. Built with BARE_POLL, it is the
// least a program that watches its drives does: every 5 seconds, each CD-ROM
// letter opened once for TEST UNIT READY and MODE SENSE of the capabilities
// page through SPTI.
#include <windows.h>
#include <ntddscsi.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>

namespace {

constexpr char kClass[] = "VarnelBare";
constexpr UINT kTimerId = 1;
NOTIFYICONDATAA g_icon;

#ifdef BARE_POLL
constexpr UINT kTimerMs = 5000;

struct PassThrough {
  SCSI_PASS_THROUGH_DIRECT Header;
  UCHAR Sense[16];
};

void Send(HANDLE drive, const UCHAR* cdb, UCHAR cdbLength, void* data, ULONG length) {
  PassThrough call{};
  call.Header.Length = sizeof call.Header;
  call.Header.CdbLength = cdbLength;
  call.Header.SenseInfoLength = sizeof call.Sense;
  call.Header.DataIn = SCSI_IOCTL_DATA_IN;
  call.Header.DataTransferLength = length;
  call.Header.DataBuffer = data;
  call.Header.TimeOutValue = 30;
  call.Header.SenseInfoOffset = offsetof(PassThrough, Sense);
  std::memcpy(call.Header.Cdb, cdb, cdbLength);
  DWORD returned = 0;
  DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH_DIRECT, &call, sizeof call.Header, &call, sizeof call, &returned,
                  nullptr);
}

void PollDrives() {
  DWORD letters = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    char root[] = "X:\\", path[] = "\\\\.\\X:";
    root[0] = path[4] = letter;
    if (!(letters >> (letter - 'A') & 1) || GetDriveTypeA(root) != DRIVE_CDROM) continue;
    HANDLE drive = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (drive == INVALID_HANDLE_VALUE) continue;
    const UCHAR testUnitReady[6] = {};
    const UCHAR modeSense[10] = {0x5A, 0, 0x2A, 0, 0, 0, 0, 1, 0, 0};
    static UCHAR page[256];
    Send(drive, testUnitReady, sizeof testUnitReady, nullptr, 0);
    Send(drive, modeSense, sizeof modeSense, page, sizeof page);
    CloseHandle(drive);
  }
}
#else
constexpr UINT kTimerMs = 500;
void PollDrives() {}
#endif

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      g_icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
      g_icon.hWnd = window;
      g_icon.uFlags = NIF_ICON | NIF_TIP;
      g_icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
      std::strcpy(g_icon.szTip, kClass);
      Shell_NotifyIconA(NIM_ADD, &g_icon);
      SetTimer(window, kTimerId, kTimerMs, nullptr);
      return 0;
    case WM_TIMER:
      PollDrives();
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
