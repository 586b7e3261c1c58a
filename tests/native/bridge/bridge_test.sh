#!/usr/bin/env bash
# Starts a drive server with a cd48-reader, a USB writer and a cd48-reader
# behind an adapter that wants four-byte alignment, runs the C client with
# the bridge preloaded, and checks the server's command log saw the
# client's commands. Usage: bridge_test.sh SERVER BRIDGE_DIR CLIENT
set -u
server_bin=$1 bridge_dir=$2 client=$3
work=$(mktemp -d)
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$work"' EXIT
: >"$work/drive0"; : >"$work/drive1"; : >"$work/drive2"; : >"$work/plain"; : >"$work/control"
cat >"$work/setup.json" <<'EOF'
{"drives": [{"profile": "cd48-reader"}, {"profile": "usbwriter8-external", "target": 1},
            {"profile": "cd48-reader", "target": 2, "adapter": {"maxTransfer": 65536, "alignmentMask": 3}}]}
EOF
VARNEL_SIM_SETUP=$work/setup.json VARNEL_SIM_LOG=$work/log VARNEL_SIM_CONTROL=$work/control \
  "$server_bin" "$work/socket" &
server=$!
for _ in $(seq 100); do [ -S "$work/socket" ] && break; sleep 0.05; done
VARNEL_DRIVE_SOCKET=$work/socket VARNEL_DRIVE_DEVICES=$work/drive0:$work/drive1:$work/drive2 \
  LD_PRELOAD="$bridge_dir/\$LIB/varnel-drive-bridge.so" "$client" "$work/drive0" "$work/plain" "$work/control" \
  "$work/drive1" "$work/drive2"
failures=$?
# The lock, the eject and the close reached the drive as the sr driver sends them.
grep -q '"cdb":"1e 00 00 00 01 00".*"status":0' "$work/log" &&
  grep -q '"cdb":"1b 00 00 00 02 00".*"status":0' "$work/log" &&
  grep -q '"cdb":"1b 00 00 00 03 00".*"status":0' "$work/log" || { echo "command log: $(cat "$work/log")"; failures=1; }
# Exactly the two requests beyond their adapters were refused, and logged so.
[ "$(grep -c '"refused"' "$work/log")" = 2 ] && grep -q '"drive":1,.*"length":67584,"refused":"tooLong"' "$work/log" &&
  grep -q '"drive":2,.*"misalignment":2,"refused":"misaligned"' "$work/log" || { echo "refusals wrong"; failures=1; }
# A server stopped by SIGTERM takes its socket with it.
kill "$server"; wait "$server"
[ -e "$work/socket" ] && { echo "socket left behind"; failures=1; }
exit $((failures != 0))
