#include "app/window_ops.h"

namespace {
const WindowOps* g_window = nullptr;
}

void InstallWindowOps(const WindowOps* row) { g_window = row; }
const WindowOps* InstalledWindowOps() { return g_window; }
