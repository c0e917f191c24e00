#!/usr/bin/env bash
# Builds the plug-in with its tests and runs the whole suite.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SORVANDEL_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
xvfb-run -a ctest --output-on-failure --parallel "$(nproc)" --timeout 900
