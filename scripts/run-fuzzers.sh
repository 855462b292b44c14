#!/usr/bin/env bash
# Runs every libFuzzer target of a build made with -DVELMORA_FUZZ=ON for a share of a total time:
# half to the Art-Net dispatch, a quarter each to the hardware address parser and the WAV reader,
# and an eighth (taken from the dispatch's half) to the reader of the update service's answer.
# Each starts from a copy of its seed corpus in a temporary folder, so the source tree is never
# written to. Prints one line per fuzzer; exits non-zero when any of them failed, after copying the
# failing input and the fuzzer's log to BUILD_DIR/fuzz-findings/ (or $VELMORA_FUZZ_FINDINGS).
#
# Usage: scripts/run-fuzzers.sh BUILD_DIR SECONDS_TOTAL
set -euo pipefail

if [ "$#" -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
    echo "usage: $0 BUILD_DIR SECONDS_TOTAL" >&2
    exit 2
fi
build_dir="$(cd "$1" && pwd)"
total="$2"
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fuzz_dir="$source_dir/fuzz"
findings="${VELMORA_FUZZ_FINDINGS:-$build_dir/fuzz-findings}"

work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Stop at the first fault with its stack. Leak checking stays on: the node's lasting state stays
# reachable, so only memory that is really lost is reported. Options the caller set come first so
# that these win.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}halt_on_error=1:print_stacktrace=1:detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$fuzz_dir/lsan.supp:print_suppressions=0"

# share NAME: the seconds this fuzzer gets, at least one.
share() {
    local quarter=$((total / 4))
    local seconds
    case "$1" in
        fuzz_dispatch) seconds=$((total - 2 * quarter - total / 8)) ;;
        fuzz_updatebody) seconds=$((total / 8)) ;;
        *) seconds=$quarter ;;
    esac
    [ "$seconds" -ge 1 ] || seconds=1
    echo "$seconds"
}

# extra_options NAME: the options a fuzzer needs beyond the common ones.
extra_options() {
    case "$1" in
        # Art-Net datagrams are at most 530 bytes; the limit leaves room to go past that.
        fuzz_dispatch) echo "-max_len=1024 -dict=$fuzz_dir/artnet.dict" ;;
        # Past the 64 KiB that the check keeps, so that the cut is exercised too.
        fuzz_updatebody) echo "-max_len=70000 -dict=$fuzz_dir/updatebody.dict" ;;
    esac
}

found=0
ran=0
for name in fuzz_dispatch fuzz_macaddress fuzz_audiofile fuzz_updatebody; do
    binary="$build_dir/fuzz/$name"
    if [ ! -x "$binary" ]; then
        echo "$name: not built (its part is not in VELMORA_PARTS), skipped"
        continue
    fi
    seconds="$(share "$name")"
    corpus="$work/$name/corpus"
    artifacts="$work/$name/artifacts"
    log="$work/$name/log"
    mkdir -p "$corpus" "$artifacts"
    cp -R "$fuzz_dir/corpus/$name/." "$corpus/"

    status=0
    # shellcheck disable=SC2046 # the extra options are meant to split into words
    "$binary" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" $(extra_options "$name") \
        >"$log" 2>&1 || status=$?
    ran=$((ran + 1))

    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    runs="${runs:-unknown}"
    rate="unknown"
    [[ "$runs" =~ ^[0-9]+$ ]] && rate=$((runs / seconds))
    coverage="$(grep -Eo 'cov: [0-9]+' "$log" | tail -n 1 | sed 's/cov: //' || true)"

    if [ "$status" -eq 0 ]; then
        echo "$name: $runs runs in ${seconds}s ($rate/s, ${coverage:-?} edges), result: ok"
        continue
    fi
    found=1
    mkdir -p "$findings/$name"
    cp "$log" "$findings/$name/log.txt"
    saved=""
    for input in "$artifacts"/*; do
        [ -e "$input" ] || continue
        cp "$input" "$findings/$name/"
        saved="$saved $findings/$name/$(basename "$input")"
    done
    kind="$(grep -Eo 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer): [a-z-]+' "$log" |
        head -n 1 || true)"
    kind="${kind:-$(grep -Eo 'runtime error: .*' "$log" | head -n 1 || true)}"
    echo "$name: $runs runs, result: FAILED (exit $status${kind:+, $kind})"
    echo "  log: $findings/$name/log.txt"
    # The report itself, for logs of machines whose build folder is gone afterwards.
    awk '/^==[0-9]+==ERROR|runtime error:|^fuzz_[a-z]+: |ALARM: working on the last Unit/ { on = 1 }
         on && shown < 60 { print "  | " $0; shown++ }
         on && /^SUMMARY: / { exit }' "$log"
    if [ -n "$saved" ]; then
        for input in $saved; do
            echo "  input: $input ($(wc -c <"$input") bytes; rerun with: $binary $input)"
            if [ "$(wc -c <"$input")" -le 1024 ]; then
                od -An -tx1 -v "$input" | sed 's/^ */  hex: /'
            fi
        done
    else
        echo "  no input was saved; see the log"
    fi
done

if [ "$ran" -eq 0 ]; then
    echo "no fuzzers found under $build_dir/fuzz (configure with -DVELMORA_FUZZ=ON)" >&2
    exit 1
fi
exit "$found"
