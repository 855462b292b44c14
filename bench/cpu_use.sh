#!/usr/bin/env bash
# How much processor time the running program takes, its window at 1920x1080: first with nothing
# received, then while four consoles (127.0.0.11 to .14) send ArtTimeCode at 30 frames a second
# and a cue plays (from 01:00:01, into the null output of a PulseAudio server of the run's own, so
# that the show line shows a playing cue and a countdown).
# On the offscreen platform and on a private Xvfb (xcb), in label and LCD mode: all four, or the
# one named. Velmora and the consoles run in a network namespace of their own, so port 6454 is
# bound there alone and nothing leaves that namespace's loopback; Velmora gets a settings store of
# its own. Only Velmora's process is measured, never the X server. Builds nothing; unshare needs
# root, or user namespaces when run as another user.
#
# Usage: bench/cpu_use.sh BUILD_DIR [SECONDS_PER_PHASE (10)] [offscreen|xcb label|lcd]
set -euo pipefail

SENDERS=4

# Processor time of the process so far: user + system in clock ticks (threads that ended
# included), and the scheduler's nanoseconds summed over the threads alive now.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { print sum + 0 }'; }

# measure PID SECONDS GOAL_PERCENT NAME: a row of % of a core by ticks and by the scheduler; the
# ticks miss short wake-ups, so the goal is judged by the higher of the two.
measure() {
    local t0 n0 w0
    t0=$(cpu_ticks "$1"); n0=$(cpu_ns "$1"); w0=$(date +%s%N)
    sleep "$2"
    awk -v t=$(($(cpu_ticks "$1") - t0)) -v n=$(($(cpu_ns "$1") - n0)) -v w=$(($(date +%s%N) - w0)) \
        -v hz="$(getconf CLK_TCK)" -v goal="$3" -v name="$4" 'BEGIN {
            stat = 100 * t / hz / (w / 1e9); sched = 100 * n / w
            printf "  %-24s %8.2f %12.2f  %s\n", name, stat, sched,
                   ((stat > sched ? stat : sched) < goal ? "PASS" : "FAIL") " (< " goal " %)" }'
}

# inside EXE SENDER SECONDS PLATFORM MODE: one run, in the namespace (and on the X server).
inside() {
    local consoles from=()
    ip link set lo up
    # Globals: the trap runs after this function has returned.
    work="$(mktemp -d)" velmora="" pulse=""
    trap 'for p in $velmora $pulse; do { kill "$p"; wait "$p"; } 2>/dev/null || true; done; rm -rf "$work"' EXIT
    mkdir -p "$work/config/velmora.example" "$work/runtime" && chmod 700 "$work/runtime"
    python3 -c '
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as cue:
    cue.setnchannels(1); cue.setsampwidth(2); cue.setframerate(48000)
    cue.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(i * 2 * math.pi * 440 / 48000)))
                             for i in range(48000 * 60)))' "$work/cue.wav"
    {
        printf '[General]\naudio_file_0=%s\naudio_hour_0=1\naudio_minute_0=0\naudio_seconds_0=1\n' "$work/cue.wav"
        printf 'audio_file_1=%s\naudio_hour_1=2\naudio_minute_1=0\naudio_seconds_1=0\n' "$work/cue.wav"
        if [ "$5" = lcd ]; then printf 'UseLcd=true\n'; fi
    } >"$work/config/velmora.example/Velmora.conf"
    XDG_RUNTIME_DIR="$work/runtime" pulseaudio --daemonize=no --system=false -n --exit-idle-time=-1 \
        --disallow-exit --disable-shm=true --use-pid-file=false --log-level=error --load=module-null-sink \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$work/pulse" >"$work/pulse.log" 2>&1 &
    pulse=$!
    QT_QPA_PLATFORM="$4" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        PULSE_SERVER="unix:$work/pulse" "$1" -qwindowgeometry 1920x1080+0+0 >"$work/velmora.log" 2>&1 &
    velmora=$!
    sleep 2 # start-up is not what is measured
    kill -0 "$velmora" || { echo "Velmora did not start:"; cat "$work/velmora.log"; exit 1; }
    echo "CPU use of Velmora, $5 mode, $4, 1920x1080, $3 s per phase:  % (stat)  % (schedstat)"
    measure "$velmora" "$3" 1 idle
    # The consoles: the project's sender, one source address each, every frame from all of them.
    for n in $(seq 1 "$SENDERS"); do from+=(--from "127.0.0.$((10 + n))"); done
    "$2" "${from[@]}" --start 01:00:00:00 --type 3 --duration "$(($3 + 2))" >"$work/consoles.out" &
    consoles=$!
    sleep 1
    measure "$velmora" "$3" 2 "$SENDERS senders, a cue"
    playing=$(PULSE_SERVER="unix:$work/pulse" pactl list short sink-inputs | wc -l)
    wait "$consoles"
    kill -0 "$velmora" || { echo "Velmora ended while measured:"; cat "$work/velmora.log"; exit 1; }
    echo "  datagrams sent: $(($(awk '{ print $2 }' "$work/consoles.out") * SENDERS));" \
        "Velmora saw timecode: $(grep -q TIMECODE "$work/velmora.log" && echo yes || echo NO);" \
        "streams playing at the end: $playing"
    [ "$playing" -ge 1 ] || cat "$work/velmora.log"
}

if [ "${1:-}" = "--inside" ]; then
    shift
    inside "$@"
    exit
fi
[ "$#" -ge 1 ] && [ "$#" -le 4 ] && [ "$#" -ne 3 ] || {
    echo "usage: $0 BUILD_DIR [SECONDS_PER_PHASE] [offscreen|xcb label|lcd]" >&2
    exit 2
}
exe="$(cd "$1" && pwd)/src/Velmora"
sender="$(cd "$1" && pwd)/tools/velmora-send-timecode"
seconds="${2:-10}"
[ -x "$exe" ] && [ -x "$sender" ] || { echo "no program at $exe or $sender: build first" >&2; exit 2; }
[[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || { echo "seconds: a whole number above 0" >&2; exit 2; }
root=()
[ "$(id -u)" -eq 0 ] || root=(--map-root-user)
for platform in ${3:-offscreen xcb}; do
    for mode in ${4:-label lcd}; do
        [[ "$platform" =~ ^(offscreen|xcb)$ && "$mode" =~ ^(label|lcd)$ ]] || { echo "offscreen|xcb label|lcd" >&2; exit 2; }
        # On xcb the X server starts inside the namespace too.
        x=()
        [ "$platform" = xcb ] && x=(env XVFB_SCREEN=1920x1080x24 bash "$(dirname "$0")/../scripts/with-xvfb.sh")
        unshare --net "${root[@]}" "${x[@]}" bash "$0" --inside "$exe" "$sender" "$seconds" "$platform" "$mode"
    done
done
