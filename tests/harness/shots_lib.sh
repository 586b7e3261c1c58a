# Shared by the screenshot tests of the win32 tree (shoot_*.sh): a shot
# program shows one dialog or menu in a Wine virtual desktop as on a Russian
# Windows, on the NT row and on the Russian Windows 98 row, in prefixes of
# its own (copies of the end-to-end tests' templates, so that it runs beside
# the win32 suite and the other end-to-end tests) and on an X server of its
# own. Sourced as
#   . "$(dirname "$0")/shots_lib.sh" BUILD_TREE SHOT_EXE WORK_NAME
# it sets tree, exe, root, shots (build/e2e/shots), work and status (0).
tree=$(cd "$1" && pwd) exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib/wine.sh"
VARNEL_BUILD=$tree
. "$root/tests/harness/prefix_lib.sh"
e2e_template nt || exit 2  # in the caller's locale, as for the other NT tests
varnel_use_russian_locale "$tree" || exit 2
shots=$root/build/e2e/shots
work=$tree/e2e/work/$3
mkdir -p "$shots" "$work"
VARNEL_XVFB_PID=
varnel_start_xvfb || { echo "$(basename "$0"): no X server" >&2; exit 2; }
trap 'kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
status=0

# Runs COMMAND with its arguments in a fresh copy of template ROW (nt or
# win98-ru), whose path it finds in $prefix, with one wineserver kept for it.
in_row() { # row command...
  e2e_prefix "$1" || exit 2
  shift
  prefix=$WINEPREFIX
  WINEPREFIX=$prefix wineserver -p >/dev/null 2>&1
  "$@"
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
}

# Starts the shot program with ARGS and the path of its report ($report) in a
# virtual desktop of $prefix, and waits up to 10 s for the report; 1 when
# none came. The program goes on as $shot_pid.
start_shot() { # name args...
  local name=$1 i
  shift
  report=$work/$name.txt
  rm -f "$report"
  WINEPREFIX=$prefix wine explorer /desktop=shot,1024x768 "$exe" "$@" "Z:$report" >/dev/null 2>&1 &
  shot_pid=$!
  for i in $(seq 100); do [ -s "$report" ] && return 0; sleep 0.1; done
  return 1
}
photograph() { import -window root -crop 1024x768+0+0 +repage "$shots/$1.png"; } # name
