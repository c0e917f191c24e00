#!/usr/bin/env bash
# Runs the whole test suite (unit, editor, host and conformance tests) in a clang Debug build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the concurrency tests (ctest label
# "concurrency") in a clang build with ThreadSanitizer. Any failed test, sanitizer report or
# leak fails the script; in the Debug build so does any JUCE assertion, in the test programs and
# in the bundle the host tests load alike.
#
# Environment: SORVANDEL_ASAN_BUILD_DIR and SORVANDEL_TSAN_BUILD_DIR choose the build folders,
# SORVANDEL_BUILD_JOBS the compile jobs and SORVANDEL_TEST_JOBS the tests run at once (both
# default to the number of cores).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
asan_build="${SORVANDEL_ASAN_BUILD_DIR:-$root/build-asan}"
tsan_build="${SORVANDEL_TSAN_BUILD_DIR:-$root/build-tsan}"
jobs="${SORVANDEL_BUILD_JOBS:-$(nproc)}"
test_jobs="${SORVANDEL_TEST_JOBS:-$(nproc)}"

"$root/scripts/install-deps.sh"

configure() {
    local build="$1" build_type="$2" sanitizers="$3"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DSORVANDEL_SANITIZE="$sanitizers" -DSORVANDEL_BUILD_BENCHMARKS=OFF
}

run_ctest() {
    # A label or filter that matches nothing must not pass as a clean run.
    xvfb-run -a ctest --output-on-failure --no-tests=error --timeout 900 "$@"
}

start=$SECONDS
phase() {
    echo "== $1 ($((SECONDS - start)) s so far)"
}

# Every finding ends the process that made it with a non-zero status, so ctest counts the test
# as failed; leaks count as findings. Neither JUCE nor our own code trips a sanitizer in these
# runs, so nothing is suppressed.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="second_deadlock_stack=1:exitcode=66"

phase "AddressSanitizer + UndefinedBehaviorSanitizer Debug build"
configure "$asan_build" Debug address,undefined
cmake --build "$asan_build" --parallel "$jobs"
phase "AddressSanitizer + UndefinedBehaviorSanitizer tests"
(cd "$asan_build" && run_ctest --parallel "$test_jobs")

# Only the executables that hold concurrency tests are built here.
phase "ThreadSanitizer build"
configure "$tsan_build" RelWithDebInfo thread
cmake --build "$tsan_build" --parallel "$jobs" --target sorvandel_engine_tests sorvandel_editor_tests \
    sorvandel_host_tests sorvandel_editor_window_tests
phase "ThreadSanitizer concurrency tests"
(cd "$tsan_build" && run_ctest -L concurrency --parallel "$test_jobs")

phase "Sanitizer runs clean"
