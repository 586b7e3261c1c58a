#!/usr/bin/env bash
# Runs the SPTI enumeration test for real, in a prefix of its own whose D: and
# F: are CD-ROMs with the hard disk E: between them (the main prefix keeps its
# drives). Usage: spti_drive_letters.sh <win32_transport_tests.exe>
set -u
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
. "$root/scripts/lib/wine.sh"
tree=$(varnel_build_root "$exe") || { echo "not in a build tree: $exe" >&2; exit 2; }
export WINEPREFIX=$tree/wineprefix-cdrom
varnel_prefix_init "$WINEPREFIX"

(
  flock 9
  if [ ! -f "$WINEPREFIX/.varnel-cdrom" ]; then
    for d in d e f; do
      mkdir -p "$tree/drives-cdrom/$d"
      ln -sfn "$tree/drives-cdrom/$d" "$WINEPREFIX/dosdevices/$d:"
    done
    # Wine's mount manager is 64-bit and reads the 64-bit view only.
    wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f /reg:64 >/dev/null &&
      wine reg add 'HKLM\Software\Wine\Drives' /v e: /d hd /f /reg:64 >/dev/null &&
      wine reg add 'HKLM\Software\Wine\Drives' /v f: /d cdrom /f /reg:64 >/dev/null || exit 1
    wineserver -k
    wineserver -w
    touch "$WINEPREFIX/.varnel-cdrom"
  fi
) 9>"$WINEPREFIX.lock" || { echo "cannot prepare $WINEPREFIX" >&2; exit 2; }

VARNEL_CDROM_LETTERS=DF "$root/scripts/wine-run" "$exe" --gtest_brief=1 --gtest_filter='SptiWineDrives.*'
rc=$?
wineserver -k 2>/dev/null
exit $rc
