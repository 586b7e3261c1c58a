// The tray pictures and the notification-icon record.
#include "app/tray_icon_win32.h"

#include <cstring>

#include "app/app.h"
#include "app/tray_state.h"
#include "app/version_win32.h"
#include "compat/compat.h"
#include "drive/drive.h"
#include "resources/product.h"

namespace {
struct TrayIconEntry {
  HICON Icon;
  const char* Names[2];  // by IconStyle
};

TrayIconEntry g_trayIcons[TrayPictureCount] = {
    {nullptr, {"IconTask16", "IconTaskXP"}},            // normal
    {nullptr, {"IconTask16Red", "IconTaskXPRed"}},      // a tray is open
    {nullptr, {"IconTask16Green", "IconTaskXPGreen"}},  // a disc is inserted
    {nullptr, {"IconQuestion16", "IconQuestionXP"}},    // no drives found
    {nullptr, {"IconWait16", "IconWaitXP"}},            // busy
    {nullptr, {"IconError16", "IconErrorXP"}},          // error, blinking before a close
};

// The first version of the record (152 bytes) is the one every shell knows;
// shells of version 5 and later take the second, whose tip holds 127
// characters instead of 63.
NOTIFYICONDATAW g_icon;
static_assert(NOTIFYICONDATAW_V1_SIZE == 152);
static_assert(sizeof g_icon.szTip / sizeof g_icon.szTip[0] == TrayTipLongLength);
int g_tipLength = TrayTipLength;

// What the shell shows now, so that the refresh after every command, twice a
// second with the timer on, bothers the shell only when something changed.
NOTIFYICONDATAW g_shown;
bool g_shownValid = false;

void Remember(BOOL accepted) {
  g_shownValid = accepted != FALSE;
  if (g_shownValid) g_shown = g_icon;
}

bool ShellShowsIcon() {
  return g_shownValid && g_shown.hIcon == g_icon.hIcon &&
         std::memcmp(g_shown.szTip, g_icon.szTip, sizeof g_icon.szTip) == 0;
}
}  // namespace

void LoadTrayIcons(HINSTANCE instance) {
  // The size the notification area shows, which grows with the screen's
  // density; the XP pictures have an image drawn for each such size.
  const int width = GetSystemMetrics(SM_CXSMICON), height = GetSystemMetrics(SM_CYSMICON);
  for (TrayIconEntry& entry : g_trayIcons)
    entry.Icon = HICON(LoadImageA(instance, entry.Names[Shell().Style], IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

void PrepareTrayIcon(HWND mainWindow) {
  g_icon = NOTIFYICONDATAW{};
  g_tipLength = TrayTipLengthFor(ShellVersion());
  g_icon.cbSize = g_tipLength == TrayTipLongLength ? NOTIFYICONDATAW_V2_SIZE : NOTIFYICONDATAW_V1_SIZE;
  g_icon.hWnd = mainWindow;
  g_icon.uID = 0;
  g_icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  g_icon.uCallbackMessage = WM_TRAYNOTIFY;
  g_icon.hIcon = g_trayIcons[TrayNormal].Icon;
  AppendWide(AsUtf16(g_icon.szTip), ProductTitle);
}

void AddTrayIcon() { Remember(WideShellNotifyIcon(NIM_ADD, &g_icon)); }
void DeleteTrayIcon() {
  WideShellNotifyIcon(NIM_DELETE, &g_icon);
  g_shownValid = false;
}

void RefreshTray() {
  if (Shell().Hidden) return;
  TrayView view = BuildTrayView(Drives, DriveCount, g_tipLength);
  for (int i = 0; i < TrayTipLongLength; ++i) g_icon.szTip[i] = view.Tip[i];
  g_icon.hIcon = g_trayIcons[ShownTrayPicture(Drives, DriveCount)].Icon;
  if (!ShellShowsIcon()) Remember(WideShellNotifyIcon(NIM_MODIFY, &g_icon));
}
