#!/usr/bin/env bash
# The running program's processor time with its window at 1920x1080 and four senders at 30 fps,
# in both display modes, on the offscreen platform and on a real X server (a private Xvfb): the
# figures of the README's Speed section. Each run is bench/cpu_use.sh; only Velmora's own process
# is measured, never the X server.
#
# Usage: bench/cpu_use_displays.sh BUILD_DIR [SECONDS_PER_PHASE (10)]
set -euo pipefail

[ "$#" -ge 1 ] || { echo "usage: $0 BUILD_DIR [SECONDS_PER_PHASE]" >&2; exit 2; }
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
command -v Xvfb >/dev/null || { echo "Xvfb is missing (Debian package xvfb)" >&2; exit 2; }

summary=()
for platform in offscreen xcb; do
    for mode in label lcd; do
        output=$(VELMORA_PLATFORM=$platform VELMORA_WINDOW=1920x1080 bash "$here/cpu_use.sh" "$1" "${2:-10}" "$mode")
        echo "$output"
        summary+=("$(printf '%-10s %-6s' "$platform" "$mode") $(grep -E '^ +(idle|[0-9]+ senders)' <<<"$output" |
            awk '{ printf "  %s %s / %s %%", ($1 == "idle" ? "idle" : "sending"), $(NF-7), $(NF-6) }')")
    done
done
echo
echo "1920x1080, % of a core by /proc stat / schedstat"
printf '%s\n' "${summary[@]}"
