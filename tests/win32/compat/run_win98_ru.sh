#!/usr/bin/env bash
# Runs a test program as on a Russian Windows 98: a prefix of its own that
# reports version 4.10 on the 9x platform, and a Russian locale, so that
# Wine's ANSI code page is 1251.
#   run_win98_ru.sh BUILD_TREE PROGRAM [ARGS...]
set -eu
tree=$1; shift
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/scripts/lib/wine.sh"

varnel_use_russian_locale "$tree" || exit 2

export WINEPREFIX=$tree/wineprefix-win98-ru
varnel_prefix_init "$WINEPREFIX"
varnel_prefix_win98 "$WINEPREFIX" || exit 2
# Wine keeps the label of a drive that is a folder in this file.
printf 'Диск Варнел\n' >"$WINEPREFIX/drive_c/.windows-label"
exec "$root/scripts/wine-run" "$@"
