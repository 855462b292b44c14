#!/usr/bin/env bash
# Runs a command on a private Xvfb server with Qt's X11 platform, so that what Velmora draws is
# judged from the pixels of a real X server; the server goes away with the command.
#   [XVFB_SCREEN=WIDTHxHEIGHTxDEPTH] bash scripts/with-xvfb.sh COMMAND [ARGUMENTS...]
# Xvfb picks a free display number itself (-displayfd), so parallel runs never collide. The one
# place that starts an X server from a script: the tests, the screenshots and the benchmarks.
set -euo pipefail

dir="$(mktemp -d)"
server=""
cleanup() {
    if [ -n "$server" ]; then
        kill "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
server=$!
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    kill -0 "$server" 2>/dev/null || { cat "$dir/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
[ -s "$dir/display" ] || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }

# libxkbcommon-x11 copies the server's keymap names with strndup from buffers of exactly that
# length, which is allowed; AddressSanitizer's strict string checks take it for an overflow.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi

status=0
DISPLAY=":$(head -n 1 "$dir/display")" QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
