#!/usr/bin/env bash
# Installs what is missing, builds the plug-in, installs it into ~/.vst3 and loads the
# installed bundle the way a host does.
#
# Arguments go to CMake (a later -DCMAKE_BUILD_TYPE overrides Release). Environment:
# SORVANDEL_BUILD_DIR chooses the build folder, SORVANDEL_BUILD_JOBS the compile jobs (default:
# the number of cores).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SORVANDEL_BUILD_DIR:-$root/build}"
jobs="${SORVANDEL_BUILD_JOBS:-$(nproc)}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" --parallel "$jobs" --target Sorvandel_VST3 sorvandel_host_demo

# The arguments may choose another build type, which puts the bundle in another folder; the
# configure records where this build's bundle is, three levels above its shared library.
library="$(cat "$build/bundle-library.txt")"
bundle="$(cd "$(dirname "$library")/../.." && pwd)"

mkdir -p "$HOME/.vst3"
rm -rf "$HOME/.vst3/Sorvandel.vst3"
cp -R "$bundle" "$HOME/.vst3/Sorvandel.vst3"
echo "Built $bundle"
echo "Installed $HOME/.vst3/Sorvandel.vst3"

"$build/tests/host/sorvandel_host_demo" "$HOME/.vst3/Sorvandel.vst3"
