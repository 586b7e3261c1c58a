// The notification-area icon: one record, added, refreshed and deleted.
#pragma once
#include <windows.h>

constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;

// The six tray pictures in the chosen style (a missing one stays empty).
void LoadTrayIcons(HINSTANCE instance);
// Fills the record for the main window: normal picture, the product title as tip.
void PrepareTrayIcon(HWND mainWindow);
void AddTrayIcon();
void DeleteTrayIcon();
// Recomputes tip and picture from the state in memory; nothing while hidden.
void RefreshTray();
