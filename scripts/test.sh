#!/usr/bin/env bash
# Builds the plug-in with its tests and runs the whole suite; ctest's summary is the last line.
# A run in which ctest finds no test fails, and so does a test program that lists no case; so
# does a configure or build that prints a warning.
#
# Arguments go to CMake (a later -DCMAKE_BUILD_TYPE overrides Release). Environment:
# SORVANDEL_BUILD_DIR chooses the build folder, SORVANDEL_BUILD_JOBS the compile jobs and
# SORVANDEL_TEST_JOBS the tests run at once (both default to the number of cores).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SORVANDEL_BUILD_DIR:-$root/build}"
jobs="${SORVANDEL_BUILD_JOBS:-$(nproc)}"
test_jobs="${SORVANDEL_TEST_JOBS:-$(nproc)}"

"$root/scripts/install-deps.sh"

# The framework is built as system code, so any warning the configure or the build prints is
# about our own code: it fails the run, listed after the build's output.
mkdir -p "$build"
build_log="$build/build-output.log"
{
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
    cmake --build "$build" --parallel "$jobs"
} 2>&1 | tee "$build_log"
warnings="$(grep -E 'warning:|CMake ([A-Za-z]+ )?Warning' "$build_log" || true)"
if [ -n "$warnings" ]; then
    echo "The build printed $(printf '%s\n' "$warnings" | wc -l) warning line(s); it must print none:" >&2
    printf '%s\n' "$warnings" >&2
    exit 1
fi

cd "$build"
set +e
xvfb-run -a ctest --output-on-failure --no-tests=error --parallel "$test_jobs" --timeout 900 2>&1 | tee ctest.log
status=${PIPESTATUS[0]}
set -e
grep -E "tests passed, [0-9]+ tests failed out of" ctest.log | tail -n 1 || true
exit "$status"
