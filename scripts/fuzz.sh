#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
shopt -s nullglob
for fuzzer in build/fuzz/fuzz/*/fuzz_*; do
  [[ -x $fuzzer && -f $fuzzer ]] || continue
  name=$(basename "$fuzzer")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=fuzz/corpus/$name
  echo "--- $name (${seconds}s)"
  args=("$corpus")
  [[ -d $seeds ]] && args+=("$seeds")
  "$fuzzer" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "${args[@]}" 2>&1 | tail -n 3
done
