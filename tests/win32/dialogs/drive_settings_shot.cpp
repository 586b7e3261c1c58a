// Shows the drive settings dialog of a DVD drive with both speed lists
// filled, for screenshots (shoot_drive_settings.sh):
//   drive_settings_shot.exe REPORT
// REPORT gets one line once the CD list is shown and a second once the DVD
// list is ("cd ..." and "dvd ..."): the dialog's rectangle and what is wrong
// with its layout ("layout ok" when nothing is). The hidden list is laid
// out by hand over the shown one.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "compat/compat.h"
#include "dialogs/drive_settings.h"
#include "settings/settings_record.h"
#include "tests/harness/dialogprobe/probe_win32.h"

namespace {

const char* reportPath;
int ticks;

void Report(HWND dialog, const char* list, const char* mode) {
  FILE* report = std::fopen(reportPath, mode);
  if (report == nullptr) return;
  RECT r = WindowRectOf(dialog);
  std::string found;
  for (const std::string& problem : CheckLayout(dialog)) found += ", " + problem;
  std::fprintf(report, "%s at %ld,%ld,%ld,%ld, %s\n", list, r.left, r.top, r.right, r.bottom,
               found.empty() ? "layout ok" : ("LAYOUT" + found).c_str());
  std::fclose(report);
}

// Runs inside the dialog's loop every 100 ms: the CD list for 3 s, then the
// DVD list for 3 s, then Escape.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindEngineDialog(GetCurrentThreadId());
  if (dialog == nullptr) return;
  ++ticks;
  if (ticks == 1) Report(dialog, "cd", "w");
  if (ticks == 30) {
    SendDlgItemMessageA(dialog, 162, BM_CLICK, 0, 0);
    UpdateWindow(dialog);
    Report(dialog, "dvd", "a");
  }
  if (ticks == 60) PressKey(dialog, VK_ESCAPE);
}

void FillRange(SpeedRange& range, const std::vector<uint32_t>& speeds) {
  range.Valid = 1;
  range.Count = static_cast<uint32_t>(speeds.size());
  for (size_t i = 0; i < speeds.size(); ++i) range.Entries[i] = {speeds[i], speeds[i]};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  reportPath = argv[1];
  InitCompatLayer();
  ProgramSettings::Current().ResetToDefaults();
  ProgramSettings::Current().TimerEnable = 1;
  static DriveRecord drive{};
  std::snprintf(drive.FullName, sizeof drive.FullName, "%s", "PIONIRA DVD-ROM DR-1648 1.10");
  drive.DVD = 0x3F;
  drive.EventMask = 0x0B;
  drive.Timer = 300000;
  drive.HotKeys[0] = 0x0645;  // Ctrl+Alt+E
  drive.HotKeys[2] = 0x1670;  // Win+Ctrl+Alt+F1
  FillRange(drive.RangeCD, {7056, 5645, 4234, 2822, 2117, 1411, 706});
  FillRange(drive.RangeDVD, {22160, 16620, 11080, 5540, 2770, 1385});
  char lock[35] = "";  // no eject password
  SetTimer(nullptr, 0, 100, Tick);
  return ShowDriveSettingsDialog(nullptr, &drive, lock) == 0 ? 0 : 1;
}
