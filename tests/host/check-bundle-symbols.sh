#!/usr/bin/env bash
# Checks that the bundle's library resolves every symbol it needs and that it exports nothing
# but the VST3 entry points a Linux host looks up.
set -euo pipefail

library="$1"

unresolved="$(ldd -r "$library" 2>&1 | grep -E 'undefined symbol|not found' || true)"
if [ -n "$unresolved" ]; then
    echo "Unresolved symbols in $library:"
    echo "$unresolved"
    exit 1
fi

exported="$(nm -D --defined-only "$library" | awk '{ print $3 }' | sort)"
expected="$(printf '%s\n' GetPluginFactory ModuleEntry ModuleExit | sort)"
if [ "$exported" != "$expected" ]; then
    echo "$library exports more or less than the VST3 entry points:"
    diff <(echo "$expected") <(echo "$exported") || true
    exit 1
fi

echo "$library: no unresolved symbols; exports only $(echo $expected)"
