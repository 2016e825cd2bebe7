#!/usr/bin/env bash
# Installs the Debian package into a fresh, empty root with dpkg and starts every program from
# there. The root's package database starts as a copy of this machine's, so dpkg checks the
# package's dependencies against what is installed here, whose libraries the programs then load.
# The package has no maintainer scripts, so dpkg never needs to run anything inside the root.
#   tests/package/install_test.sh dist/veltrano_<version>_amd64.deb
set -euo pipefail
deb="$(realpath "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "install test: $*" >&2
  exit 1
}

depends="$(dpkg-deb --field "$deb" Depends)"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
  [[ "$depends" == *"$needed"* ]] || fail "the dependencies lack $needed: $depends"
done
[[ "$depends" != *-dev* ]] || fail "a development package among the dependencies: $depends"

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
# dpkg warns about every copied package whose file list the root lacks; only a failure counts.
dpkg --root="$root" --install "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg: $(cat "$work/dpkg.log")"
bin="$root/usr/bin"
version="$(dpkg-deb --field "$deb" Version)"

for program in simserver virtual-platform window-picture flight-check; do
  # Read whole before it is searched: grep -q stops reading at the first match, and a long help
  # text written after that would end the program with SIGPIPE.
  help="$("$bin/$program" --help)" || fail "$program --help failed"
  grep -q "^Usage: $program" <<<"$help" || fail "$program --help"
  [ "$("$bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done
(cd "$work" && "$bin/window-picture" window.png) || fail "window-picture"
file "$work/window.png" | grep -q 'PNG image data' || fail "window-picture saved no PNG"
printf '0,10,30,0,2600,100\n1,10,30,0,2600,100\n' >"$work/flight.csv"
report="$(cd "$work" && "$bin/flight-check" flight.csv --picture cues.png 2>&1)" ||
  fail "flight-check: $report"
[[ "$report" == *$'\npitch: ok'* ]] || fail "flight-check: $report"
file "$work/cues.png" | grep -q 'PNG image data' || fail "flight-check saved no PNG"
# The control program takes no arguments and runs until its window is closed.
status=0
QT_QPA_PLATFORM=offscreen timeout 2 "$bin/veltrano" || status=$?
[ "$status" -eq 124 ] || fail "veltrano ended by itself with status $status"

share="$root/usr/share"
[ -s "$share/icons/hicolor/scalable/apps/veltrano.svg" ] || fail "no icon"
[ -s "$share/doc/veltrano/README.md" ] || fail "no README"
[ -s "$share/doc/veltrano/docs/platform-protocol.md" ] || fail "no docs"
# FlightGear finds the protocol file under the name that --generic gives, as its own file.
cmp -s "$share/games/flightgear/Protocol/veltrano.xml" \
  "$(dirname "$0")/../../tools/simserver/flightgear/veltrano.xml" || fail "no FlightGear protocol"
entry="$share/applications/veltrano.desktop"
desktop-file-validate "$entry" || fail "the menu entry is not valid"
# The entry's command runs the program in ~/.config/veltrano, made when missing: a stand-in for
# the program says where it was started. The entry's value is unescaped once (\\ is \); what
# remains is the command line in the shell's own quoting.
mkdir -p "$work/stand-in" "$work/home"
printf '#!/bin/sh\npwd\n' >"$work/stand-in/veltrano"
chmod +x "$work/stand-in/veltrano"
command="$(sed -n 's/^Exec=//p' "$entry" | sed 's/\\\\/\\/g')"
started_in="$(export HOME="$work/home" PATH="$work/stand-in:$PATH" && eval "$command")"
[ "$started_in" = "$work/home/.config/veltrano" ] || fail "the menu entry starts it in $started_in"
echo "install test: passed"
