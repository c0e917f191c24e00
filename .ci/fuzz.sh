#!/usr/bin/env bash
# Builds the state fuzzer with clang, AddressSanitizer and UndefinedBehaviorSanitizer, then runs
# it for about a minute over a copy of the seed corpus. Any crash, sanitizer report, leak or
# timeout fails the script; the input that caused it is kept in the build directory.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SORVANDEL_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${SORVANDEL_FUZZ_SECONDS:-60}"
jobs="${SORVANDEL_BUILD_JOBS:-$(nproc)}"

"$root/scripts/install-deps.sh"

# The committed corpus holds the seeds exactly as make_corpus.py writes them.
python3 "$root/fuzz/make_corpus.py" --check

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DSORVANDEL_SANITIZE=address,undefined -DSORVANDEL_BUILD_FUZZERS=ON \
    -DSORVANDEL_BUILD_TESTS=OFF -DSORVANDEL_BUILD_BENCHMARKS=OFF
cmake --build "$build" --target sorvandel_state_fuzzer --parallel "$jobs"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$build/fuzz-findings"
cp "$root"/fuzz/corpus/* "$work/corpus/"

"$build/fuzz/sorvandel_state_fuzzer" "$work/corpus" \
    -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix="$build/fuzz-findings/" -print_final_stats=1
echo "State fuzzer: no findings in ${seconds} s"
