#!/usr/bin/env bash
# Sets up Velmora on Debian 12 and runs the whole test suite: the tests of a normal build, the
# same tests built with AddressSanitizer and UndefinedBehaviorSanitizer (clang), and the fuzzers
# for a bounded time. Exits non-zero on any failure.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
mkdir -p "$VELMORA_ROOT/build"

passed=0
failed=0
# run_suite NAME BUILD_DIR: runs ctest there and adds up its counts.
run_suite() {
    local name="$1" dir="$2" log="$2.ctest.log" status=0
    echo "== $name: ctest"
    (cd "$dir" && ctest --output-on-failure --timeout 600 -j 1) 2>&1 | tee "$log" || status=1
    local summary total failures
    summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
    if [ -z "$summary" ]; then
        failed=$((failed + 1))
        return
    fi
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    failures=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    passed=$((passed + total - failures))
    failed=$((failed + failures))
    [ "$status" -eq 0 ] || [ "$failures" -gt 0 ] || failed=$((failed + 1))
}

echo "== normal build"
configure_and_build "$VELMORA_ROOT/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite "normal build" "$VELMORA_ROOT/build/test"

echo "== sanitizer build (clang, ASan + UBSan, with the fuzzers)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$VELMORA_ROOT/tests/lsan.supp:print_suppressions=0"
CC=clang CXX=clang++ configure_and_build "$VELMORA_ROOT/build/sanitize" -DCMAKE_BUILD_TYPE=Debug \
    -DVELMORA_FUZZ=ON
run_suite "sanitizer build" "$VELMORA_ROOT/build/sanitize"

echo "== code format (.clang-format)"
# The project's own sources, found without git: a copy of the project need not be a checkout.
if (cd "$VELMORA_ROOT" && find src tests bench fuzz tools \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror); then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

echo "== Debian package (scripts/package.sh, scripts/check-package.sh)"
if bash "$VELMORA_ROOT/scripts/package.sh" && bash "$VELMORA_ROOT/scripts/check-package.sh"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

echo "== fuzzers"
if bash "$VELMORA_ROOT/scripts/run-fuzzers.sh" "$VELMORA_ROOT/build/sanitize" "${VELMORA_FUZZ_SECONDS:-60}"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

echo "velmora: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
