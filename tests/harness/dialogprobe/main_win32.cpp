// Opens one of the program's dialogs, prints its controls and what is wrong
// with its layout, keeps it open for a while (for a screenshot) and then
// presses Enter. Usage:
//   dialogprobe <message|question|about|info|info-large|corner>[-en] [hold ms] [report file]
// With "-en" the dialog shows the English string table.
// The report is UTF-8; without a file it goes to the console.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "dlgengine/dialog_win32.h"
#include "drive/drive.h"
#include "tests/harness/dialogprobe/probe_win32.h"

namespace {

UINT holdMs = 3000;
bool grow = false;  // "info-large": the information window made larger by hand
DWORD openedAt = 0;
HWND seen = nullptr;

void CALLBACK Watch(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindEngineDialog(GetCurrentThreadId());
  if (dialog == nullptr) return;
  if (dialog != seen) {
    seen = dialog;
    if (grow) {
      RECT r = WindowRectOf(dialog);
      MoveWindow(dialog, 20, 20, r.right - r.left + 400, r.bottom - r.top + 200, TRUE);
    }
    openedAt = GetTickCount();
    RECT r = WindowRectOf(dialog);
    SIZE c = ClientSizeOf(dialog);
    DialogState* state = DialogStateOf(dialog);
    std::printf("dialog \"%s\" window (%ld,%ld %ldx%ld) client %ldx%ld smallest %dx%d\n",
                ToUtf8(WindowText(dialog)).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top, c.cx,
                c.cy, state->minWidth, state->minHeight);
    std::printf("%s", FormatShownControls(ShownDialogOf(dialog)).c_str());
    std::vector<std::string> problems = CheckLayout(dialog, HiddenControls::Reported);
    for (const std::string& p : problems) std::printf("LAYOUT: %s\n", p.c_str());
    std::printf("layout %s\n", problems.empty() ? "ok" : "has problems");
    std::fflush(stdout);
  }
  if (GetTickCount() - openedAt >= holdMs) {
    KillTimer(nullptr, timer);
    PressKey(dialog, VK_RETURN);
  }
}

// Two drives as discovery would leave them, for the information window.
void SampleDrives(DriveRecord* drives) {
  std::memset(drives, 0, 2 * sizeof(DriveRecord));
  std::strcpy(drives[0].FullName, "TEAC CD-532E 1.0A");
  drives[0].Address.Letter = 'D';
  drives[0].MaxSpeed = 5632;
  drives[0].CanGetSpeed = drives[0].CanSetSpeed = drives[0].CanSenseMedium = 1;
  const uint32_t cd[] = {7056, 5280, 3528, 1764, 706};
  drives[0].RangeCD.Count = 5;
  for (int i = 0; i < 5; ++i) drives[0].RangeCD.Entries[i] = {cd[i], cd[i]};
  std::strcpy(drives[1].FullName, "PIONEER DVD-RW DVR-107D 1.20");
  drives[1].Address = {1, 0, 0, 0};
  drives[1].MaxSpeed = 7056;
  drives[1].DVD = 0x38;
  drives[1].Writer = 0x33;
  drives[1].CanGetSpeed = drives[1].CanSetSpeed = drives[1].CanGetDVDSpeed = drives[1].CanSetDVDSpeed = 1;
  drives[1].DVDMethodDetected = 2;
  const uint32_t dvd[] = {22160, 11080, 5540, 2770};
  drives[1].RangeDVD.Count = 4;
  for (int i = 0; i < 4; ++i) drives[1].RangeDVD.Entries[i] = {dvd[i], dvd[i]};
}

}  // namespace

int main(int argc, char** argv) {
  InitCompatLayer();
  std::string name = argc > 1 ? argv[1] : "about";
  if (name.size() > 3 && name.compare(name.size() - 3, 3, "-en") == 0) {
    SelectTextLanguage(TextEnglish);
    name.resize(name.size() - 3);
  }
  const char* which = name.c_str();
  if (argc > 2) holdMs = static_cast<UINT>(std::atoi(argv[2]));
  if (argc > 3 && std::freopen(argv[3], "w", stdout) == nullptr) return 2;
  SetConsoleOutputCP(CP_UTF8);
  SetTimer(nullptr, 0, 50, Watch);
  intptr_t result = -1;
  if (std::strcmp(which, "message") == 0) {
    result = ShowMessage(nullptr, StrRestartSessionNotice, 0x40);
  } else if (std::strcmp(which, "question") == 0) {
    result = ShowMessage(nullptr, StrAskClearSettings, 0x2021);
  } else if (std::strcmp(which, "corner") == 0) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    result = ShowMessage(nullptr, StrInsertDataCd, 0x2041);
    RECT r = WindowRectOf(seen);
    std::printf("work area (%ld,%ld)-(%ld,%ld)\n", work.left, work.top, work.right, work.bottom);
    (void)r;
  } else if (std::strcmp(which, "about") == 0) {
    result = ShowAboutDialog(nullptr);
  } else if (std::strcmp(which, "info") == 0 || std::strcmp(which, "info-large") == 0) {
    grow = which[4] != 0;
    DriveRecord drives[2];
    SampleDrives(drives);
    result = ShowInfoDialog(nullptr, drives, 2);
  } else {
    std::fprintf(stderr, "unknown dialog %s\n", which);
    return 2;
  }
  std::printf("result %d\n", static_cast<int>(result));
  return 0;
}
