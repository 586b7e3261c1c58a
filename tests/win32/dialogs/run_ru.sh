#!/usr/bin/env bash
# Runs a test program as on a Russian Windows of the NT family: a prefix of
# its own with a Russian locale, so that Wine's ANSI code page is 1251 (the
# rich edit control of the information window is an ANSI window).
#   run_ru.sh BUILD_TREE PROGRAM [ARGS...]
set -eu
tree=$1; shift
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/scripts/lib/wine.sh"
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  export LOCPATH=$tree/locale
  if [ ! -d "$LOCPATH/ru_RU.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" >/dev/null 2>&1 ||
      [ -d "$LOCPATH/ru_RU.UTF-8" ] || { echo "run_ru: cannot build the ru_RU.UTF-8 locale" >&2; exit 2; }
  fi
fi
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
export WINEPREFIX=$tree/wineprefix-ru
varnel_prefix_init "$WINEPREFIX"
exec "$root/scripts/wine-run" "$@"
