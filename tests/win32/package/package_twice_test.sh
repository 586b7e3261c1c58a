#!/usr/bin/env bash
# scripts/package twice, with the program linked and the help files compiled
# anew in between: the same zip byte for byte, holding the program, both help
# files and both read-mes.
#   package_twice_test.sh SOURCE_ROOT WORK_DIR
set -u
root=$1 work=$2
rm -rf "$work"
"$root/scripts/package" "$work" || { echo "FAIL - scripts/package failed"; exit 1; }
zip=$(ls "$work"/varnel-*-win32.zip)
cp "$zip" "$work/first.zip"
tree=$root/build/package-win32
rm -f "$tree/varnel.exe" "$tree/varnel.chm" "$tree/varnel_en.chm"
sleep 2  # a time stamp would now differ
"$root/scripts/package" "$work" || { echo "FAIL - scripts/package failed the second time"; exit 1; }
status=0
if cmp "$work/first.zip" "$zip"; then
  echo "ok   - built twice, the same bytes"
else
  echo "FAIL - built twice, the zips differ"
  status=1
fi
entries=$(python3 -c 'import sys, zipfile; print(" ".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
if [ "$entries" = "readme_en.txt readme_ru.txt varnel.chm varnel.exe varnel_en.chm" ]; then
  echo "ok   - it holds: $entries"
else
  echo "FAIL - it holds: $entries"
  status=1
fi
exit $status
