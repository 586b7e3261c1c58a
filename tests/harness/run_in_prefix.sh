#!/usr/bin/env bash
# Runs a test program of a build tree in a Wine prefix of its own
# (<tree>/wineprefix-KIND), so that the main prefix of the tree keeps its
# drives, Windows version and locale.
#   cdrom     D: and F: are CD-ROMs with the hard disk E: between them
#   win98     Wine reports Windows 98
#   ru        a Russian Windows of the NT family: Wine's ANSI code page is
#             1251 (the rich edit control of the information window is an
#             ANSI window)
#   win98-ru  a Russian Windows 98: version 4.10 on the 9x platform and the
#             code page 1251
#   actions   R: is a plain drive letter whose root is <tree>/drives-actions/r,
#             and .chm files open with the recording program named by
#             VARNEL_HELP_RECORDER, so that the help request can be seen with
#             the path the shell was given (Wine's own help viewer needs a
#             browser engine that is not installed here)
# Usage: run_in_prefix.sh KIND PROGRAM [ARGUMENTS...]
set -u
kind=$1
exe=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lib/wine.sh"
tree=$(varnel_build_root "$exe") || { echo "not in a build tree: $exe" >&2; exit 2; }
export WINEPREFIX=$tree/wineprefix-$kind

# The drive letters are made once, under the prefix's lock.
prepare_cdrom() {
  (
    flock 9
    [ -f "$WINEPREFIX/.varnel-cdrom" ] && exit 0
    make_cdrom_letters || exit 1
    wineserver -k
    wineserver -w
    touch "$WINEPREFIX/.varnel-cdrom"
  ) 9>"$WINEPREFIX.lock" || { echo "cannot prepare $WINEPREFIX" >&2; exit 2; }
}

make_cdrom_letters() {
  local d
  for d in d e f; do
    mkdir -p "$tree/drives-cdrom/$d"
    ln -sfn "$tree/drives-cdrom/$d" "$WINEPREFIX/dosdevices/$d:"
  done
  # Wine's mount manager is 64-bit and reads the 64-bit view only.
  wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f /reg:64 >/dev/null &&
    wine reg add 'HKLM\Software\Wine\Drives' /v e: /d hd /f /reg:64 >/dev/null &&
    wine reg add 'HKLM\Software\Wine\Drives' /v f: /d cdrom /f /reg:64 >/dev/null
}

prepare_win98() {
  (
    flock 9
    varnel_prefix_win98 "$WINEPREFIX"
  ) 9>"$WINEPREFIX.lock" || { echo "cannot prepare $WINEPREFIX" >&2; exit 2; }
}

prepare_actions() {
  local recorder_win
  mkdir -p "$tree/drives-actions/r"
  ln -sfn "$tree/drives-actions/r" "$WINEPREFIX/dosdevices/r:"
  recorder_win=$(winepath -w "${VARNEL_HELP_RECORDER:?the recording program}" 2>/dev/null) || exit 2
  (
    flock 9
    wine reg add 'HKLM\Software\Classes\.chm' /ve /d VarnelHelpTest /f >/dev/null &&
      wine reg add 'HKLM\Software\Classes\VarnelHelpTest\shell\open\command' /ve /d "\"$recorder_win\" \"%1\"" /f >/dev/null
  ) 9>"$WINEPREFIX.lock" || { echo "cannot prepare $WINEPREFIX" >&2; exit 2; }
}

case $kind in
  ru | win98-ru)
    varnel_use_russian_locale "$tree" || exit 2
    varnel_prefix_init "$WINEPREFIX"
    if [ "$kind" = win98-ru ]; then
      varnel_prefix_win98 "$WINEPREFIX" || exit 2
      # Wine keeps the label of a drive that is a folder in this file.
      printf 'Диск Варнел\n' >"$WINEPREFIX/drive_c/.windows-label"
    fi
    # Several tests share these prefixes side by side: the server stays.
    exec "$root/scripts/wine-run" "$exe" "$@"
    ;;
  cdrom | win98 | actions) varnel_prefix_init "$WINEPREFIX"; "prepare_$kind" ;;
  *) echo "run_in_prefix.sh: unknown prefix kind: $kind" >&2; exit 2 ;;
esac

"$root/scripts/wine-run" "$exe" "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
