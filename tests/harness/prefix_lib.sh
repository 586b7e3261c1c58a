# Wine prefixes of the end-to-end tests. Every test runs in prefixes of its
# own, so that tests run side by side, each with its own wineserver
# (scripts/with-drives and several tests end and restart it). A test's prefix
# is a copy of a template made once per build tree: Wine's programs,
# libraries, fonts and tables (almost all of a prefix's 1.3 GB, never written
# while a test runs) are hard links; every other file is a real copy, as Wine
# and the tests rewrite the registry files, the .ini files and the drive
# links. e2e_templates_intact checks afterwards that no test wrote into a
# template. Sourced by e2e_lib.sh and with_drives_lib.sh.

# The test's name: its work folder, its prefixes.
E2E_ID=${VARNEL_E2E_ID:-$(basename "$0" .sh)}

e2e_template_path() { echo "$VARNEL_BUILD/e2e/template-$1"; }

# Makes template ROW once (nt; win98-ru, in the Russian locale already set):
# every program runs in one 1024x768 virtual desktop. Concurrent callers wait.
e2e_template() { # row
  local template
  template=$(e2e_template_path "$1")
  mkdir -p "$template"
  (
    flock 9
    [ -f "$template/.varnel-ready" ] && exit 0
    export WINEPREFIX=$template
    # A set-up that ends without Wine's libraries in place would fail every
    # test that copies it: start again once, then say so.
    local attempt
    for attempt in 1 2; do
      wineboot -i >/dev/null 2>&1
      wineserver -w
      [ -f "$template/drive_c/windows/system32/kernel32.dll" ] && break
      echo "e2e: Wine could not set up the $1 template (attempt $attempt)" >&2
      find "$template" -mindepth 1 -delete
      [ "$attempt" = 2 ] && exit 1
    done
    if [ "$1" = win98-ru ]; then varnel_prefix_win98 "$template" || exit 1; fi
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
    touch "$template/.varnel-ready"
  ) 9>"$template.lock"
}

# Files that stay hard links to the template's.
E2E_LINKED='.*\.\(dll\|exe\|drv\|sys\|ocx\|cpl\|acm\|ax\|tlb\|nls\|ttf\|ttc\|fon\|mui\|vxd\|ds\|ime\|[a-z]*16\)'

# Points WINEPREFIX at this test's fresh copy of template ROW. Made once per
# test run: a script re-run under scripts/with-drives finds its copy there.
e2e_prefix() { # row
  local template copy=$VARNEL_BUILD/e2e/prefixes/$E2E_ID-$1
  template=$(e2e_template_path "$1")
  export WINEPREFIX=$copy
  [ "${VARNEL_E2E_PREFIX_MADE:-}" = "$copy" ] && return 0
  e2e_template "$1" || return 1
  rm -rf "$copy"
  mkdir -p "${copy%/*}"
  cp -al "$template" "$copy" &&
    (cd "$template" && find . -type f ! -iregex "$E2E_LINKED" -print0 |
      xargs -0 cp -p --parents --remove-destination -t "$copy") || {
    echo "cannot copy the prefix $template" >&2
    exit 2
  }
  export VARNEL_E2E_PREFIX_MADE=$copy
}

# True when no file of the templates changed since each was made: a test
# wrote through a hard link otherwise.
e2e_templates_intact() {
  local template written status=0
  for template in "$VARNEL_BUILD"/e2e/template-*/; do
    [ -f "$template/.varnel-ready" ] || continue
    written=$(find "$template" -type f -newer "$template/.varnel-ready" | head)
    [ -z "$written" ] && continue
    echo "written into the template ${template%/}:"
    echo "$written"
    status=1
  done
  return $status
}
