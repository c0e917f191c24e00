#!/usr/bin/env bash
# Builds the plug-in with its tests and runs the whole suite; ctest's summary is the last line.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SORVANDEL_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" --parallel "$(nproc)"

cd "$build"
set +e
xvfb-run -a ctest --output-on-failure --parallel "$(nproc)" --timeout 900 2>&1 | tee ctest.log
status=${PIPESTATUS[0]}
set -e
grep -E "tests passed, [0-9]+ tests failed out of" ctest.log | tail -n 1 || true
exit "$status"
