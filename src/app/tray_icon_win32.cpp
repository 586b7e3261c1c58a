// The tray pictures: six roles, each in a 16-colour and an XP style.
#include "app/app.h"
#include "app/main_window_win32.h"

namespace {
struct TrayIconEntry {
  HICON Icon;
  const char* Names[2];  // by IconStyle
};

TrayIconEntry g_trayIcons[6] = {
    {nullptr, {"IconTask16", "IconTaskXP"}},          // normal
    {nullptr, {"IconTask16Red", "IconTaskXPRed"}},    // a tray is open
    {nullptr, {"IconTask16Green", "IconTaskXPGreen"}},// a disc is inserted
    {nullptr, {"IconQuestion16", "IconQuestionXP"}},  // no drives found
    {nullptr, {"IconWait16", "IconWaitXP"}},          // busy
    {nullptr, {"IconError16", "IconErrorXP"}},        // error, blinking before a close
};
}  // namespace

void LoadTrayIcons(HINSTANCE instance) {
  for (TrayIconEntry& entry : g_trayIcons)
    entry.Icon = HICON(LoadImageA(instance, entry.Names[Shell().Style], IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
}
