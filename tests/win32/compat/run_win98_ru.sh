#!/usr/bin/env bash
# Runs a test program as on a Russian Windows 98: a prefix of its own that
# reports version 4.10 on the 9x platform, and a Russian locale, so that
# Wine's ANSI code page is 1251.
#   run_win98_ru.sh BUILD_TREE PROGRAM [ARGS...]
set -eu
tree=$1; shift
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/scripts/lib/wine.sh"

# The locale: the system's when installed, else compiled into the build tree
# (needs the definitions of Debian's "locales" package, no root).
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  export LOCPATH=$tree/locale
  if [ ! -d "$LOCPATH/ru_RU.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" >/dev/null 2>&1 ||
      [ -d "$LOCPATH/ru_RU.UTF-8" ] || { echo "run_win98_ru: cannot build the ru_RU.UTF-8 locale" >&2; exit 2; }
  fi
fi
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8

export WINEPREFIX=$tree/wineprefix-win98-ru
varnel_prefix_init "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/.varnel-win98" ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.varnel-win98"
fi
# Wine keeps the label of a drive that is a folder in this file.
printf 'Диск Варнел\n' >"$WINEPREFIX/drive_c/.windows-label"
exec "$root/scripts/wine-run" "$@"
