// Platform versions, each computed once (a 0 is computed again next time).
#pragma once

// ((major & 0xFF) << 8) | (minor & 0xFF), plus 0x10000 on the NT family;
// 0 when the query fails. Windows XP gives 0x10501.
unsigned WindowsVersion();
// Major version reported by DllGetVersion of shell32.dll / comctl32.dll, or 0.
unsigned ShellVersion();
unsigned CommonControlsVersion();
