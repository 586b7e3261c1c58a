#!/usr/bin/env bash
# The Debian package: its files, its unit verified by systemd-analyze, and an
# install into a scratch root from which `varnel --help` runs and which a
# removal leaves empty.
# package_test.sh VARNEL
set -u
varnel=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
check() { # name expected actual
  if [ "$2" != "$3" ]; then echo "FAIL $1"; diff <(echo "$2") <(echo "$3"); failed=1; else echo "ok   $1"; fi
}

deb=$("$root/scripts/package-linux" --binary "$varnel" --output "$work") || { echo "FAIL package-linux"; exit 1; }
check "package contents" "./lib/systemd/system/varnel.service
./usr/bin/varnel
./usr/share/doc/varnel/copyright
./usr/share/man/man1/varnel.1.gz" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
check "depends on the libraries it links" "libc6 libgcc-s1 libstdc++6 libsystemd0 libudev1" \
  "$(dpkg-deb -f "$deb" Depends | tr -d ',' | tr ' ' '\n' | sort | paste -sd' ')"

# The unit as packaged, its program where the package unpacked it (the
# verification checks that ExecStart can run).
dpkg-deb -x "$deb" "$work/unpacked"
check "unit starts the packaged program" "ExecStart=/usr/bin/varnel daemon" \
  "$(grep '^ExecStart=' "$work/unpacked/lib/systemd/system/varnel.service")"
sed "s|/usr/bin/varnel|$work/unpacked/usr/bin/varnel|" "$work/unpacked/lib/systemd/system/varnel.service" \
  >"$work/varnel.service"
check "systemd-analyze verify" "" "$(systemd-analyze verify --man=no "$work/varnel.service" 2>&1)"

# dpkg into a scratch root; the libraries are the host's.
target=$work/target
mkdir -p "$target/var/lib/dpkg/info" "$target/var/lib/dpkg/updates" "$target/var/lib/dpkg/triggers"
: >"$target/var/lib/dpkg/status"
scratch_dpkg() { dpkg --root="$target" --log=/dev/null --force-depends --force-script-chrootless --force-not-root "$@"; }
scratch_dpkg -i "$deb" >/dev/null 2>&1 || { echo "FAIL dpkg -i"; failed=1; }
check "varnel --help from the package" "usage: varnel [--json] [--config FILE] COMMAND [ARGS]
exit 0" "$("$target/usr/bin/varnel" --help | head -1; echo "exit ${PIPESTATUS[0]}")"
scratch_dpkg -r varnel >/dev/null 2>&1 || { echo "FAIL dpkg -r"; failed=1; }
check "dpkg -r leaves nothing behind" "" "$(cd "$target" && find . -mindepth 1 -not -path './var*')"
exit $failed
