#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang and runs each of them.
# usage: scripts/fuzz.sh [seconds-per-target]      short run (CI), 30 s per target by default
#        scripts/fuzz.sh --long [TARGET...]        long run, by hand: each target (all by
#                                                  default) until 10,000,000 executions or
#                                                  30 minutes, at the lowest priority, one
#                                                  after the other; a summary per target in
#                                                  build/fuzz/long-run.txt
set -euo pipefail
cd "$(dirname "$0")/.."
long=0
if [[ ${1:-} == --long ]]; then
  long=1
  shift
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
shopt -s nullglob

# Runs one target; its own corpus grows in build/fuzz/corpus, the seeds stay as they are.
run_target() {
  local fuzzer=$1
  shift
  local name corpus seeds
  name=$(basename "$fuzzer")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=fuzz/corpus/$name
  local args=("$corpus")
  [[ -d $seeds ]] && args+=("$seeds")
  "$fuzzer" -max_len=16384 -timeout=10 -rss_limit_mb=2048 -artifact_prefix=build/fuzz/ "$@" "${args[@]}"
}

if ((long == 0)); then
  seconds=${1:-30}
  for fuzzer in build/fuzz/fuzz/*/fuzz_*; do
    [[ -x $fuzzer && -f $fuzzer ]] || continue
    echo "--- $(basename "$fuzzer") (${seconds}s)"
    run_target "$fuzzer" -max_total_time="$seconds" -print_final_stats=0 2>&1 | tail -n 3
  done
  exit 0
fi

report=build/fuzz/long-run.txt
wanted=("$@")
for fuzzer in build/fuzz/fuzz/*/fuzz_*; do
  [[ -x $fuzzer && -f $fuzzer ]] || continue
  name=$(basename "$fuzzer")
  if ((${#wanted[@]} > 0)) && [[ " ${wanted[*]} " != *" $name "* ]]; then continue; fi
  log=build/fuzz/long-$name.log
  echo "--- $name (10,000,000 executions or 30 minutes)"
  started=$(date +%s)
  status=0
  # At the lowest priority on a busy machine an input may wait for the processor far
  # longer than it runs: only an input that hangs for two minutes counts as hanging.
  nice -n 19 bash -c "$(declare -f run_target); run_target '$fuzzer' -runs=10000000 -max_total_time=1800 -timeout=120 -print_final_stats=1" \
    >"$log" 2>&1 || status=$?
  seconds=$(($(date +%s) - started))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  crashes=$(grep -c '^==[0-9]*==ERROR\|deadly signal\|^SUMMARY: ' "$log" || true)
  line="$(date -u +%FT%TZ) $name executions=${execs:-?} seconds=$seconds cov=${cov:-?} ft=${ft:-?} crashes=$crashes exit=$status"
  echo "$line" | tee -a "$report"
done
