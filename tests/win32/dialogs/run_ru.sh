#!/usr/bin/env bash
# Runs a test program as on a Russian Windows of the NT family: a prefix of
# its own with a Russian locale, so that Wine's ANSI code page is 1251 (the
# rich edit control of the information window is an ANSI window).
#   run_ru.sh BUILD_TREE PROGRAM [ARGS...]
set -eu
tree=$1; shift
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/scripts/lib/wine.sh"
varnel_use_russian_locale "$tree" || exit 2
export WINEPREFIX=$tree/wineprefix-ru
varnel_prefix_init "$WINEPREFIX"
exec "$root/scripts/wine-run" "$@"
