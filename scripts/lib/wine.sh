# Shared Wine helpers, sourced by the scripts. Every build tree has a private
# prefix (<tree>/wineprefix); a run keeps one wineserver alive so that each
# Wine start costs about 0.1 s instead of about 3 s.

export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko, and no desktop menu entries made for the host at every
# start of a prefix's services (several tests run side by side on two cores).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}

# Finds the build tree that holds FILE (the folder with CMakeCache.txt).
varnel_build_root() {
  local d
  d=$(cd "$(dirname "$1")" 2>/dev/null && pwd) || return 1  # a missing folder would loop for ever
  while [ "$d" != / ]; do
    [ -f "$d/CMakeCache.txt" ] && { echo "$d"; return 0; }
    d=$(dirname "$d")
  done
  return 1
}

# Creates the prefix once; concurrent callers wait for the first.
# Its top-level windows are not handed to an X window manager: on a bare Xvfb
# there is none, and Wine would wait 2 s for one at every closing window.
varnel_prefix_init() {
  local prefix=$1
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.varnel-ready" ]; then
      WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
      WINEPREFIX=$prefix wineserver -w
      touch "$prefix/.varnel-ready"
    fi
    if [ ! -f "$prefix/.varnel-unmanaged" ]; then
      WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
        touch "$prefix/.varnel-unmanaged"
    fi
  ) 9>"$prefix.lock"
}

# Makes a prefix report Windows 98 (version 4.10 on the 9x platform), once.
# The caller holds the prefix for itself (a lock, or a template being made).
varnel_prefix_win98() { # prefix
  [ -f "$1/.varnel-win98" ] && return 0
  WINEPREFIX=$1 wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1 || return 1
  WINEPREFIX=$1 wineserver -w
  touch "$1/.varnel-win98"
}

# Starts a private headless X server; exports DISPLAY and sets VARNEL_XVFB_PID.
# The server takes the first free display number itself (-displayfd), so that
# scripts starting servers side by side never share one.
varnel_start_xvfb() {
  local number i
  number=$(mktemp "${TMPDIR:-/tmp}/varnel-xvfb.XXXXXX") || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  VARNEL_XVFB_PID=$!
  # A loaded machine can take many seconds to start it; it writes its number
  # once it accepts clients.
  for i in $(seq 600); do
    if grep -q '^[0-9][0-9]*$' "$number"; then
      export DISPLAY=:$(cat "$number")
      rm -f "$number"
      return 0
    fi
    kill -0 "$VARNEL_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill "$VARNEL_XVFB_PID" 2>/dev/null
  rm -f "$number"
  return 1
}

# Keeps one wineserver alive for WINEPREFIX (SECONDS after the last program
# ends; forever without) and starts the prefix's services now, with no
# terminal: services started by a test would inherit its output pipe and keep
# ctest waiting for as long as they live.
varnel_start_wineserver() {
  wineserver -p${1:-}
  wineboot </dev/null >/dev/null 2>&1
}

# A Russian locale, so that Wine's ANSI code page is 1251: the system's when
# installed, else compiled once into the build tree TREE (needs the
# definitions of Debian's "locales" package, no root). Concurrent callers wait
# for the first.
varnel_use_russian_locale() {
  local tree=$1
  if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
    export LOCPATH=$tree/locale
    mkdir -p "$LOCPATH"
    (
      flock 9
      [ -d "$LOCPATH/ru_RU.UTF-8" ] || localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" >/dev/null 2>&1 ||
        [ -d "$LOCPATH/ru_RU.UTF-8" ]
    ) 9>"$LOCPATH.lock" || { echo "cannot build the ru_RU.UTF-8 locale" >&2; return 1; }
  fi
  export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
}
