# Steps shared by the tests that drive the drive settings dialog (the
# journeys, the speed measurement): the main
# menu's drive items clicked for real, the dialog's controls found by id
# through the test driver and clicked with the mouse, the stored lists and
# the command log read back. Sourced after e2e_lib.sh; the test sets
# VARNEL_SIM_LOG and VARNEL_SIM_CONTROL.

# The program's windows, and the controls of the one whose title matches.
TITLE='Varnel 3\.2 - Настройки привода'
controls_of() { # title-regex
  driver windows varnel.exe | tr -d '\r' |
    awk -v t="title=\"$1\"" '/^window/ { on = ($0 ~ t) && /visible=1/ } on && /^  control/'
}
dialog_open() { driver windows varnel.exe | tr -d '\r' | grep -q "title=\"$TITLE\".*visible=1"; }
dialog_closed() { ! dialog_open; }
field() { # id attribute [title]
  controls_of "${3:-$TITLE}" | grep -m1 " id=$1 " | sed "s/.* $2=\"\{0,1\}\([^\" ]*\).*/\1/"
}
text_of() { controls_of "$TITLE" | grep -m1 " id=$1 " | sed 's/.* text="\([^"]*\)".*/\1/'; }
# A real click in the middle of a control.
click() { # id [title]
  local l t r b
  IFS=, read -r l t r b < <(field "$1" rect "${2:-}")
  [ -n "$b" ] || return 1
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) sleep 0.2 click 1 sleep 0.3
}
# Opens the settings of drive N (0 or 1) from the main menu.
open_dialog() { # drive
  xdotool mousemove "$ICON_X" "$ICON_Y" click 3
  wait_for 30 menu_open || return 1
  sleep 0.5
  click_item $((6 + $1)) 3  # about, help, information, settings, clear, find drives, then the drives
  wait_for 100 dialog_open
}
progress_open() { controls_of "$1" | grep -q msctls_progress32; }
progress_closed() { ! progress_open "$1"; }
# The speeds of a stored list, in order: "8467 7056 ...".
stored_speeds() { # model-key value-name
  wine reg query "$1" /v "$2" | tr -d '\r' | awk -v n="$2" '$1 == n { print $3 }' |
    python3 -c 'import sys; b = bytes.fromhex(sys.stdin.read().strip() or "00")
print(" ".join(str(int.from_bytes(b[i:i + 4], "little")) for i in range(0, len(b) - 7, 8)))'
}
model_key() { wine reg query "$key" | tr -d '\r' | grep -m1 "^HKEY_CURRENT_USER.*$1"; }
