#!/usr/bin/env bash
# Runs the disc-action tests in a Wine prefix of their own:
#   R:  a plain drive letter whose root is the folder <tree>/drives-actions/r
#   .chm files open with the recording program, so that the help request can
#        be seen with the path the shell was given (Wine's own help viewer
#        needs a browser engine that is not installed here).
# Usage: run_actions.sh <tests.exe> <record_start.exe> [arguments...]
set -u
exe=$1
recorder=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
. "$root/scripts/lib/wine.sh"
tree=$(varnel_build_root "$exe") || { echo "not in a build tree: $exe" >&2; exit 2; }
export WINEPREFIX=$tree/wineprefix-actions
varnel_prefix_init "$WINEPREFIX"

mkdir -p "$tree/drives-actions/r"
ln -sfn "$tree/drives-actions/r" "$WINEPREFIX/dosdevices/r:"
recorder_win=$(winepath -w "$recorder" 2>/dev/null) || exit 2
(
  flock 9
  wine reg add 'HKLM\Software\Classes\.chm' /ve /d VarnelHelpTest /f >/dev/null &&
    wine reg add 'HKLM\Software\Classes\VarnelHelpTest\shell\open\command' /ve /d "\"$recorder_win\" \"%1\"" /f >/dev/null
) 9>"$WINEPREFIX.lock" || { echo "cannot prepare $WINEPREFIX" >&2; exit 2; }

"$root/scripts/wine-run" "$exe" "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
