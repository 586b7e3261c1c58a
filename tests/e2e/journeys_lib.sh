# Steps of the user journeys (journeys_test.sh): the row's prefix, the tray
# icon and its menus clicked for real, dialogs found by title and their
# controls clicked by id, screenshots named after the journey and its step,
# and the layout check of every dialog a journey meets. Sourced after e2e_lib.sh
# and drive_dialog_lib.sh.

# The virtual drives of every journey, D: to G:.
JOURNEY_DRIVES=${JOURNEY_DRIVES:-cd48-reader,cdrw52-writer,dvdrom16-streaming,slot24-combo}
READER=0 WRITER=1 DVD=2 SLOT=3
RUN_KEY='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
# Where the disc autorun switches live, under HKLM (all users) and HKCU.
POLICY='SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\Explorer'
AUDIO_VERB='HKCR\AudioCD\shell'
BUILT_EXE=$VARNEL_EXE

# The NT row keeps e2e_lib.sh's prefix; the Russian Windows 98 row switches to
# e2e_lib.sh's Russian Windows 98 prefix.
use_row() { # nt|win98
  ROW=$1
  if [ "$ROW" = win98 ]; then
    wineserver -k 2>/dev/null
    use_win98_ru_prefix
  fi
  # On Windows 9x the program finds an ASPI drive's letter through the
  # configuration manager's keys; on the NT row the letters are Wine's.
  if [ "$ROW" = win98 ]; then driver letter 0 D && driver letter 1 E && driver letter 2 F && driver letter 3 G; fi
  start_desktop
}

# ---- Journeys and their screenshots ------------------------------------------
JOURNEY=0
journey() { # number title
  JOURNEY=$1
  echo "---- journey $1: $2"
}
jshot() { shot "journey_${ROW}_${JOURNEY}_$1"; }

# A clean state: nothing stored, no Run value, fresh drives with an empty
# command log. The drives are reached through their ASPI layer on Windows 9x
# and through SPTI, the program's default, on the NT row (journeys_test.sh
# gives each NT journey fresh drives of its own under scripts/with-drives).
clean_state() {
  if varnel_window_exists; then stop_varnel; fi
  reset_settings
  wine reg delete "$RUN_KEY" /v Varnel /f >/dev/null 2>&1
  wine reg delete "HKLM\\$POLICY" /v NoDriveTypeAutoRun /f >/dev/null 2>&1
  wine reg delete "HKCU\\$POLICY" /v NoDriveTypeAutoRun /f >/dev/null 2>&1
  wine reg add "$AUDIO_VERB" /ve /d play /f >/dev/null 2>&1  # audio CDs play, as Windows has it
  VARNEL_EXE=$BUILT_EXE
  use_virtual_drives "$JOURNEY_DRIVES"
}
# Starts the program and waits until the drives are left alone.
start_and_settle() { # arguments...
  start_varnel "$@"
  wait_for 300 varnel_window_exists || return 1
  sleep 1
  wait_for 50 log_settled
}

# ---- The icon and its menus ----------------------------------------------------
popup_rect() { driver popups | tr -d '\r' | head -1 | cut -d' ' -f2-; }
# Opens the drive menu (1) or the main menu (3) with a real click.
open_menu() { # button
  click_icon "$1"
  wait_for 30 menu_open || return 1
  xdotool mousemove 500 300  # off the icon, so that its tooltip hides no item
  sleep 0.5
}
# Main menu items: about, help, -, information, -, settings, clear, -, find
# drives, then one item per drive, -, exit.
choose_main() { # texts seps
  open_menu 3 || return 1
  click_item "$1" "$2"
}
open_program_settings() { choose_main 3 2 && wait_for 50 window_up "Настройки"; }
quit_by_menu() { choose_main $((6 + $(drive_count))) 4 && wait_for 100 varnel_ended; }
# The drives the program knows: the model keys (the password's key aside).
drive_count() { wine reg query "$key" 2>/dev/null | tr -d '\r' | grep '^HKEY_CURRENT_USER.*\\2\.5\\' | grep -vc '\\Lock$'; }

# The drive menu in its default style shows, per drive from D: down: its
# speeds, a separator, "Автозапуск" and "Проводник", a separator, the eject
# item with the drive's name, then two separators before the next drive.
# Rows before the speed K of drive N, given the number of speeds of each
# drive shown (SPEEDS, space-separated).
speed_row() { # drive k speeds...
  local n=$1 k=$2 texts=0 seps=0 i=0; shift 2
  for count in "$@"; do
    [ "$i" -eq "$n" ] && break
    texts=$((texts + count + 3)); seps=$((seps + 4)); i=$((i + 1))
  done
  echo "$((texts + k)) $seps"
}
eject_row() { # drive speeds...
  local n=$1 texts seps; shift
  read -r texts seps < <(speed_row "$n" "$(eval echo "\${$((n + 1))}")" "$@")
  echo "$((texts + 2)) $((seps + 2))"
}


# ---- Dialogs ---------------------------------------------------------------------
listing() { driver windows varnel.exe | tr -d '\r'; }
window_up() { listing | grep -q "^window .*title=\"[^\"]*$1[^\"]*\".*visible=1"; }
window_gone() { ! window_up "$1"; }
# A real click in the middle of control ID of the window whose title holds TEXT.
click_in() { # title-text id
  local r l t rr b
  r=$(listing | awk -v t="$1" -v id="$2" '/^window / { on = index($0, t) > 0 && /visible=1/ }
      on && $0 ~ ("^  control .* id=" id " ") { match($0, /rect=[-0-9,]+/); print substr($0, RSTART + 5, RLENGTH - 5); exit }')
  [ -n "$r" ] || { echo "no control $2 in \"$1\""; return 1; }
  IFS=, read -r l t rr b <<<"$r"
  xdotool mousemove $(((l + rr) / 2)) $(((t + b) / 2)) sleep 0.2 click 1
  sleep 0.3
}
# Every visible dialog of the program passes the layout check; the listing
# is kept beside the screenshots.
check_layout() { # step
  local file=$WORK/journey_${ROW}_${JOURNEY}_$1.txt
  driver layout varnel.exe | tr -d '\r' >"$file"
  driver check-layout varnel.exe
}
layout_ok() { expect "the dialogs of step '$1' pass the layout check" check_layout "$1"; }

# ---- Registry -----------------------------------------------------------------
reg_value() { # key name: the data as `wine reg query` shows it
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
# The type and the data: "REG_DWORD 0xb5"; "" for the default value.
reg_entry() { # key name
  local args=(/v "$2"); [ -z "$2" ] && args=(/ve)
  wine reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' | grep -m1 -o 'REG_[A-Z_]* .*' | tr -s ' '
}
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
drive_key() { echo "$(model_key "$1")\\00"; }

# ---- The command log with its ticks -----------------------------------------
# Tick of the first SET CD SPEED with SPEED to DRIVE after line MARK, at or
# after tick SINCE, or nothing.
speed_tick() { # mark drive speed since
  python3 - "$VARNEL_SIM_LOG" "$@" <<'EOF'
import json, sys
path, (mark, drive, speed, since) = sys.argv[1], map(int, sys.argv[2:6])
for n, line in enumerate(open(path, encoding="utf-8")):
    if n < mark or not line.strip():
        continue
    e = json.loads(line)
    if e.get("drive") != drive or "cdb" not in e or e["t"] < since:
        continue
    cdb = bytes.fromhex(e["cdb"].replace(" ", ""))
    if cdb[0] == 0xBB and (cdb[2] << 8 | cdb[3]) == speed:
        print(e["t"]); break
EOF
}
# Milliseconds by the drives' clock from the first control action to DRIVE
# after MARK (its tray opened by hand) to the program's START STOP UNIT load.
closed_after_ms() { # mark drive
  python3 - "$VARNEL_SIM_LOG" "$@" <<'EOF'
import json, sys
path, mark, drive = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
opened = None
for n, line in enumerate(open(path, encoding="utf-8")):
    if n < mark or not line.strip():
        continue
    e = json.loads(line)
    if e.get("drive") != drive:
        continue
    if opened is None and "control" in e:
        opened = e["t"]
    elif opened is not None and "cdb" in e:
        cdb = bytes.fromhex(e["cdb"].replace(" ", ""))
        if cdb[0] == 0x1B and cdb[4] == 3:
            print(e["t"] - opened); break
EOF
}
# Tick of the first control action to DRIVE after MARK.
control_tick() { # mark drive
  python3 - "$VARNEL_SIM_LOG" "$@" <<'EOF'
import json, sys
path, mark, drive = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for n, line in enumerate(open(path, encoding="utf-8")):
    if n >= mark and line.strip():
        e = json.loads(line)
        if e.get("drive") == drive and "control" in e:
            print(e["t"]); break
EOF
}
