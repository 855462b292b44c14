#!/usr/bin/env bash
# How much processor time the running program takes (on the offscreen platform, or on a private
# Xvfb of its own with VELMORA_PLATFORM=xcb; VELMORA_WINDOW=WIDTHxHEIGHT sets the window): first with nothing
# received, then while four consoles (127.0.0.11 to .14) send ArtTimeCode at 30 frames a second.
# Velmora and the consoles run in a network namespace of their own, so port 6454 is bound there
# alone and nothing is sent beyond that namespace's loopback. Velmora gets a settings store of its
# own. Builds nothing; unshare needs root, or user namespaces when run as another user.
#
# Usage: bench/cpu_use.sh BUILD_DIR [SECONDS_PER_PHASE (10)] [label|lcd]
set -euo pipefail

IDLE_GOAL_PERCENT=1
SENDING_GOAL_PERCENT=3
SENDERS=4
FRAMES_PER_SECOND=30 # SMPTE, --type 3
PLATFORM="${VELMORA_PLATFORM:-offscreen}"
WINDOW="${VELMORA_WINDOW:-}"

# Processor time of the whole process so far: user + system in clock ticks (threads that ended
# included), and the scheduler's nanoseconds summed over the threads alive now.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { print sum + 0 }'; }
now_ns() { date +%s%N; }

# Set by inside(), cleared by cleanup(), which also runs when inside() stops early.
work=""
velmora=""
cleanup() {
    if [ -n "$velmora" ]; then
        kill "$velmora" 2>/dev/null || true
        wait "$velmora" 2>/dev/null || true
    fi
    [ -z "$work" ] || rm -rf "$work"
    velmora=""
    work=""
}

# measure PID SECONDS: prints "ticks ns wall_ns" spent over that many seconds
measure() {
    local pid="$1" seconds="$2" ticks0 ns0 wall0
    ticks0=$(cpu_ticks "$pid"); ns0=$(cpu_ns "$pid"); wall0=$(now_ns)
    sleep "$seconds"
    echo "$(( $(cpu_ticks "$pid") - ticks0 )) $(( $(cpu_ns "$pid") - ns0 )) $(( $(now_ns) - wall0 ))"
}

# row NAME GOAL "ticks ns wall_ns"
row() {
    local name="$1" goal="$2"
    read -r ticks ns wall <<<"$3"
    awk -v name="$name" -v goal="$goal" -v ticks="$ticks" -v ns="$ns" -v wall="$wall" -v hz="$(getconf CLK_TCK)" '
        BEGIN {
            stat = 100 * ticks / hz / (wall / 1e9); sched = 100 * ns / wall
            # The tick counts miss short wake-ups; judge by the higher of the two.
            worst = stat > sched ? stat : sched
            printf "  %-32s %10.2f %14.2f %9.1f %8.1f  %s\n", name, stat, sched, ns / 1e6, wall / 1e9,
                   (worst < goal ? "PASS" : "FAIL") " (< " goal " %)"
        }'
}

inside() {
    local exe="$1" sender="$2" seconds="$3" mode="$4" consoles idle sending sent n from=()
    ip link set lo up
    work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-cpu.XXXXXX")"
    mkdir -p "$work/config/velmora.example" "$work/runtime"
    chmod 700 "$work/runtime"
    [ "$mode" = lcd ] && printf '[General]\nUseLcd=true\n' >"$work/config/velmora.example/Velmora.conf"

    trap cleanup EXIT
    QT_QPA_PLATFORM="$PLATFORM" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        "$exe" ${WINDOW:+-qwindowgeometry "$WINDOW+0+0"} >"$work/velmora.log" 2>&1 &
    velmora=$!
    sleep 2 # start-up is not what is measured
    kill -0 "$velmora" || { echo "Velmora did not start:"; cat "$work/velmora.log"; exit 1; }

    idle=$(measure "$velmora" "$seconds")
    # The consoles: the project's sender, one source address each, every frame from all of them.
    for n in $(seq 1 "$SENDERS"); do from+=(--from "127.0.0.$((10 + n))"); done
    "$sender" "${from[@]}" --start 01:00:00:00 --type 3 --duration "$((seconds + 2))" >"$work/consoles.out" &
    consoles=$!
    sleep 1
    sending=$(measure "$velmora" "$seconds")
    wait "$consoles"
    sent=$(( $(awk '{ print $2 }' "$work/consoles.out") * SENDERS ))
    kill -0 "$velmora" || { echo "Velmora ended while measured:"; cat "$work/velmora.log"; exit 1; }

    echo "CPU use of $exe ($mode mode, $PLATFORM${WINDOW:+, window $WINDOW}), ${seconds} s per phase, $(getconf CLK_TCK) ticks/s"
    printf "  %-32s %10s %14s %9s %8s  %s\n" phase "% (stat)" "% (schedstat)" "cpu ms" "wall s" goal
    echo "  $(printf '%.0s-' {1..100})"
    row "idle" "$IDLE_GOAL_PERCENT" "$idle"
    row "$SENDERS senders at $FRAMES_PER_SECOND fps" "$SENDING_GOAL_PERCENT" "$sending"
    local seen=NO
    grep -q 'TIMECODE' "$work/velmora.log" && seen=yes
    echo "  datagrams sent: $sent; Velmora saw timecode: $seen"
    cleanup
}

if [ "${1:-}" = "--inside" ]; then
    shift
    inside "$@"
    exit
fi

if [ "$#" -lt 1 ] || [ "$#" -gt 3 ]; then
    echo "usage: $0 BUILD_DIR [SECONDS_PER_PHASE] [label|lcd]" >&2
    exit 2
fi
[ -d "$1" ] || { echo "no build folder $1" >&2; exit 2; }
exe="$(cd "$1" && pwd)/src/Velmora"
seconds="${2:-10}"
mode="${3:-label}"
sender="$(cd "$1" && pwd)/tools/velmora-send-timecode"
[ -x "$exe" ] && [ -x "$sender" ] || { echo "no program at $exe or $sender: build first" >&2; exit 2; }
[[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || { echo "seconds: a whole number above 0" >&2; exit 2; }
[ "$mode" = label ] || [ "$mode" = lcd ] || { echo "mode: label or lcd" >&2; exit 2; }
# On xcb the X server starts inside the namespace too; it is not measured, only Velmora is.
x=()
[ "$PLATFORM" = xcb ] && x=(env XVFB_SCREEN=1920x1080x24 bash "$(dirname "$0")/../scripts/with-xvfb.sh")
root=()
[ "$(id -u)" -eq 0 ] || root=(--map-root-user)
exec unshare --net "${root[@]}" "${x[@]}" bash "$0" --inside "$exe" "$sender" "$seconds" "$mode"
