#!/usr/bin/env bash
# Checks a built Debian package: its metadata, its exact file list, the desktop entry, icon and
# AppStream metainfo inside it, that its program starts, and what lintian says. Prints one line
# per failed check; exits non-zero when any failed. Without an argument it checks the package
# scripts/package.sh builds.
#   bash scripts/check-package.sh [PACKAGE.deb]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
version="$(sed -nE 's/^project\(Velmora VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"
deb="${1:-$root/build/package/velmora_${version}_$(dpkg --print-architecture).deb}"
if [ "$#" -gt 1 ] || [ ! -f "$deb" ]; then
    echo "usage: $0 [PACKAGE.deb] (no package at $deb)" >&2
    exit 2
fi
deb="$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "package check failed: $*"
    failures=$((failures + 1))
}
# expect_field NAME VALUE: the control field is exactly VALUE.
expect_field() {
    local actual
    actual="$(dpkg-deb -f "$deb" "$1")"
    [ "$actual" = "$2" ] || fail "$1 is '$actual', expected '$2'"
}

expect_field Package velmora
expect_field Version "$version"
expect_field Architecture "$(dpkg --print-architecture)"
expect_field Section sound
expect_field Maintainer "velmora.example <packages@velmora.example>"
[ "$(basename "$deb")" = "velmora_${version}_$(dpkg --print-architecture).deb" ] ||
    fail "file name $(basename "$deb")"
[ -n "$(dpkg-deb -f "$deb" Description | sed -n 2p)" ] || fail "the description has no long part"
# Computed from the program's libraries, not written by hand: the Qt libraries it links appear.
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libsndfile1 libpulse0; do
    grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# The sound goes through libsndfile and PulseAudio; Qt Multimedia would be a library nothing uses.
! grep -qE "(^|, )libqt6multimedia6( |,|$)" <<<"$depends" || fail "Depends names libqt6multimedia6: $depends"

# Exactly these files, nothing else; the user's settings are never among them.
expected_files="/usr/bin/velmora
/usr/share/applications/example.velmora.Velmora.desktop
/usr/share/doc/velmora/changelog.gz
/usr/share/doc/velmora/copyright
/usr/share/icons/hicolor/128x128/apps/velmora.png
/usr/share/man/man1/velmora.1.gz
/usr/share/metainfo/example.velmora.Velmora.metainfo.xml"
files="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort)"
[ "$files" = "$expected_files" ] || fail "file list differs:
$(diff <(echo "$expected_files") <(echo "$files") || true)"
# No maintainer scripts: installing, reinstalling and removing only add and take away these files.
control_files="$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | xargs)"
[ "$control_files" = "control md5sums" ] || fail "control archive holds: $control_files"

dpkg-deb -x "$deb" "$work/root"
file "$work/root/usr/bin/velmora" | grep -q 'ELF 64-bit.*, stripped' || fail "usr/bin/velmora is not a stripped program"
cmp -s "$work/root/usr/share/icons/hicolor/128x128/apps/velmora.png" "$root/src/images/images/Velmora.png" ||
    fail "the icon is not the product image"
grep -q '^License: Apache-2.0$' "$work/root/usr/share/doc/velmora/copyright" || fail "copyright names no licence"

desktop="$work/root/usr/share/applications/example.velmora.Velmora.desktop"
# It calls some faults errors yet exits with 0: anything it says is a failure.
report="$(desktop-file-validate "$desktop" 2>&1)" && [ -z "$report" ] || fail "desktop-file-validate: $report"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = "Velmora" ] || fail "desktop entry Name is '$(entry Name)'"
[ "$(entry Categories)" = "AudioVideo;Audio;" ] || fail "desktop entry Categories is '$(entry Categories)'"
command="$(entry Exec | awk '{ print $1 }')"
[ -x "$work/root/usr/bin/$command" ] || fail "desktop entry Exec '$command' is not a program of the package"
[ -f "$work/root/usr/share/icons/hicolor/128x128/apps/$(entry Icon).png" ] || fail "desktop entry Icon '$(entry Icon)'"

# --no-net: the maker's web host in the links is a placeholder, and the checks reach nothing
# beyond this machine.
metainfo="$work/root/usr/share/metainfo/example.velmora.Velmora.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q '<project_license>Apache-2.0</project_license>' "$metainfo" || fail "metainfo names no licence"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

# The packaged program itself runs: offscreen, with settings of its own, in a network namespace of
# its own so that it takes port 6454 from nobody. Still up after three seconds is a start.
mkdir -p "$work/config" "$work/runtime" && chmod 700 "$work/runtime"
status=0
output="$(XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    unshare -n sh -c 'ip link set lo up && exec timeout 3 "$0"' "$work/root/usr/bin/velmora" 2>&1)" || status=$?
[ "$status" -eq 124 ] && grep -q "found IpV4 - 127.0.0.1" <<<"$output" ||
    fail "the packaged program did not start and stay up (exit $status): $output"

lintian --fail-on error,warning --display-info "$deb" ||
    fail "lintian reports errors or warnings"

if [ "$failures" -eq 0 ]; then
    echo "package $(basename "$deb"): metadata, files, desktop entry, metainfo, start and lintian in order"
fi
[ "$failures" -eq 0 ]
