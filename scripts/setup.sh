#!/usr/bin/env bash
# Installs what is missing, builds the plug-in, installs it into ~/.vst3 and loads the
# installed bundle the way a host does.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SORVANDEL_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" --parallel "$(nproc)" --target Sorvandel_VST3 sorvandel_host_demo

mkdir -p "$HOME/.vst3"
rm -rf "$HOME/.vst3/Sorvandel.vst3"
cp -R "$build/Sorvandel_artefacts/Release/VST3/Sorvandel.vst3" "$HOME/.vst3/"
echo "Installed $HOME/.vst3/Sorvandel.vst3"

"$build/tests/host/sorvandel_host_demo" "$HOME/.vst3/Sorvandel.vst3"
