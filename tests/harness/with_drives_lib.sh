# Runs an e2e script again under scripts/with-drives, the NT row's way to its
# virtual drives: SPTI, the program's default there, through Wine's own
# pass-through to the drive server. A script that runs under the drives
# begins with
#   . "$(dirname "$0")/../harness/with_drives_lib.sh"
#   run_under_drives PROFILES "$0"
# and then sources e2e_lib.sh as usual.

# Outside the drives: runs the script again under them and ends with its
# code. Under them (the second run): returns at once.
run_under_drives() { # profiles script arguments...
  [ -n "${VARNEL_DRIVE_SOCKET:-}" ] && return 0
  start_outside_drives
  rerun_with_drives "$@"
  exit
}

# The prefix and the display every run under the drives shares.
start_outside_drives() {
  . "$VARNEL_SOURCE/scripts/lib/wine.sh"
  . "$VARNEL_SOURCE/tests/harness/prefix_lib.sh"
  e2e_prefix nt
  if [ -z "${DISPLAY:-}" ]; then
    varnel_start_xvfb || { echo "no X server"; exit 1; }
    trap 'kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
  fi
}

# The server writes the command log and reads the control file of the
# script's WORK (e2e_lib.sh); VARNEL_SIM_DELAYS and the like pass through to it.
rerun_with_drives() { # profiles script arguments...
  local profiles=$1 work=$VARNEL_BUILD/e2e/work/$E2E_ID
  shift
  mkdir -p "$work"
  export VARNEL_SIM_LOG=$work/commands.log VARNEL_SIM_CONTROL=$work/control
  : >"$VARNEL_SIM_LOG"
  : >"$VARNEL_SIM_CONTROL"
  "$VARNEL_SOURCE/scripts/with-drives" "$profiles" -- bash "$@"
}

# Under the drives: fresh drives under the same letters, as the drives of
# another machine would answer. The server is started anew on its socket
# (scripts/with-drives still stops it); its log and control file stay.
fresh_drives() {
  kill "$(cat "$VARNEL_DRIVE_SERVER_PID_FILE")" || return 1
  local i
  for i in $(seq 100); do [ -S "$VARNEL_DRIVE_SOCKET" ] || break; sleep 0.05; done  # it removes the socket as it ends
  LD_PRELOAD= "$VARNEL_DRIVE_SERVER_BIN" "$VARNEL_DRIVE_SOCKET" &
  echo $! >"$VARNEL_DRIVE_SERVER_PID_FILE"
  for i in $(seq 100); do [ -S "$VARNEL_DRIVE_SOCKET" ] && return 0; sleep 0.05; done
  return 1
}
