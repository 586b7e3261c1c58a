#!/usr/bin/env bash
# The program at the screen densities of 100, 125, 150 and 200 % (96, 120,
# 144 and 192 DPI), in Russian and in English: every dialog passes the layout
# check and is photographed (build/e2e/shots/dpi_<dpi>_<language>_<dialog>.png),
# and the tray shows the picture drawn for the small-icon size of the density.
# Wine 8 reads the density when its server starts, from
# HKCU\Control Panel\Desktop\LogPixels and, without that value, from
# HKEY_CURRENT_CONFIG\Software\Fonts\LogPixels (the one winecfg writes).
# DPIS="96 120" checks only those (ctest runs the densities in two halves).
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings
use_virtual_drives cd48-reader,dvdrom16-streaming
wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f >/dev/null
desktop='HKCU\Software\Wine\Explorer\Desktops'
density='HKCU\Control Panel\Desktop'
# Room for the dialogs at 200 %: the whole X screen.
wine reg add "$desktop" /v Default /d 1280x1024 /f >/dev/null

dialog_shown() { driver layout varnel.exe | tr -d '\r' | grep -q '^window class="#32770".*visible=1'; }
no_dialog() { ! dialog_shown; }
# Opens a dialog with its command, checks and photographs it, and closes it
# with the button BUTTON.
check_dialog() { # name command button
  local listing=$WORK/dpi_${dpi}_${language}_$1.txt
  driver post "$2" >/dev/null
  wait_for 100 dialog_shown || { echo "no dialog after command $2"; return 1; }
  sleep 1
  shot "dpi_${dpi}_${language}_$1" >/dev/null
  driver layout varnel.exe | tr -d '\r' >"$listing"
  local checked=0
  driver check-layout varnel.exe "$dpi" || checked=1
  driver cancel varnel.exe "$3" >/dev/null
  wait_for 50 no_dialog
  return $checked
}

for dpi in ${DPIS:-96 120 144 192}; do
  wine reg add "$density" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  wineserver -k 2>/dev/null
  varnel_start_wineserver 30
  start_varnel
  expect "$dpi DPI: the program starts" wait_for 300 varnel_window_exists
  wait_for 50 log_settled
  for language in 1049 1033; do
    wine reg add "$key" /v Language /t REG_DWORD /d "$language" /f >/dev/null
    driver send 105 >/dev/null  # "Найти приводы": a reload, in the language now stored
    wait_for 50 log_settled
    expect "$dpi DPI, language $language: the program settings pass the layout check" check_dialog settings 106 2
    expect "the drive settings" check_dialog drive_settings 0x8000 2
    expect "the information box" check_dialog information 104 1
    expect "the about box" check_dialog about 102 1
  done
  # The icon at the right end of the taskbar, which is as tall as the icon.
  xdotool mousemove 600 400
  sleep 1
  shot "dpi_${dpi}_tray" >/dev/null
  stop_varnel
done
wine reg delete "$density" /v LogPixels /f >/dev/null 2>&1
wine reg add "$desktop" /v Default /d 1024x768 /f >/dev/null
reset_settings
finish
