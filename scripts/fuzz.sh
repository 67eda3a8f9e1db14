#!/bin/bash
# Fuzzing campaign: builds the host preset's libFuzzer targets and runs each for SECONDS
# (default 60) from a scratch copy of its seed corpus, then prints one line per target.
#
#   scripts/fuzz.sh [SECONDS]
#   FUZZ_RUNS=n       also stop a target after n executions (default: time only)
#   FUZZ_JOBS=1|2     targets run at the same time (default 1; the machine has 2 cores)
#   FUZZ_TARGETS="a b" only these targets
#   FUZZ_NICE=n       niceness of the fuzzers (default 10)
#   FUZZ_WORK=dir     work folder (default build/host/fuzz/run)
#
# Work goes to <work>/<target>/ (corpus/, crashes/, log); the checked-in seeds in
# tests/fuzz_corpus/ are only read. Exits 1 when any target crashed, hung or ran out of memory;
# the inputs that did it stay in crashes/.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

seconds=${1:-60}
runs=${FUZZ_RUNS:--1}
jobs=${FUZZ_JOBS:-1}
niceness=${FUZZ_NICE:-10}
build="$root/build/host"
work="${FUZZ_WORK:-$build/fuzz/run}"

if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi
if [ "$jobs" != 1 ] && [ "$jobs" != 2 ]; then
  echo "FUZZ_JOBS must be 1 or 2" >&2
  exit 2
fi

# The logs lie beside the build folder, which a fresh checkout does not have yet.
mkdir -p "$root/build"
if ! cmake --preset host >"$build-fuzz-configure.log" 2>&1; then
  tail -20 "$build-fuzz-configure.log"
  echo "configure failed" >&2
  exit 1
fi
# Each line: name, input limit, program path (written by cmake/fuzzing.cmake).
mapfile -t lines <"$build/fuzz/targets.txt"
if [ "${#lines[@]}" -eq 0 ]; then
  echo "no fuzz targets: the host preset needs clang and DRX_FUZZ=ON" >&2
  exit 1
fi
declare -A maxLen program
names=()
for line in "${lines[@]}"; do
  read -r name limit path <<<"$line"
  names+=("$name")
  maxLen[$name]=$limit
  program[$name]=$path
done
if [ -n "${FUZZ_TARGETS:-}" ]; then
  names=($FUZZ_TARGETS)  # in the order given
  for name in "${names[@]}"; do
    if [ -z "${program[$name]:-}" ]; then
      echo "no fuzz target $name" >&2
      exit 2
    fi
  done
fi
if ! cmake --build "$build" -j2 --target "${names[@]}" >"$build-fuzz-build.log" 2>&1; then
  tail -30 "$build-fuzz-build.log"
  echo "build failed" >&2
  exit 1
fi

# Run copies, so rebuilding the tree during a long campaign does not swap a program under it.
mkdir -p "$work/bin"
for name in "${names[@]}"; do
  cp "${program[$name]}" "$work/bin/$name"
  program[$name]="$work/bin/$name"
done

runOne() {
  local name=$1 dir="$work/$1"
  rm -rf "$dir"
  mkdir -p "$dir/corpus" "$dir/crashes"
  if [ -d "$root/tests/fuzz_corpus/$name" ]; then
    cp "$root/tests/fuzz_corpus/$name"/* "$dir/corpus/" 2>/dev/null
  fi
  local start=$(date +%s.%N)
  nice -n "$niceness" "${program[$name]}" "$dir/corpus" -max_total_time="$seconds" -runs="$runs" \
    -max_len="${maxLen[$name]}" -timeout=10 -print_final_stats=1 -artifact_prefix="$dir/crashes/" \
    >"$dir/log" 2>&1
  echo $? >"$dir/status"
  awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }' >"$dir/seconds"
}

echo "fuzzing ${#names[@]} targets, ${seconds}s each$([ "$runs" != -1 ] && echo " or $runs executions"), $jobs at a time"
running=0
for name in "${names[@]}"; do
  if [ "$jobs" = 1 ]; then
    runOne "$name"
  else
    runOne "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
      wait -n
      running=$((running - 1))
    fi
  fi
done
wait

status=0
printf '%-22s %12s %7s %7s %8s %8s %9s\n' target executions cov ft corpus crashes seconds
for name in "${names[@]}"; do
  dir="$work/$name"
  log="$dir/log"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # Without final stats (killed), the last progress line's count.
  [ -n "$executions" ] || executions=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  corpus=$(find "$dir/corpus" -type f | wc -l)
  crashes=$(find "$dir/crashes" -type f | wc -l)
  printf '%-22s %12s %7s %7s %8s %8s %9.0f\n' "$name" "${executions:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$crashes" \
    "$(cat "$dir/seconds")"
  if [ "$crashes" -gt 0 ] || [ "$(cat "$dir/status")" != 0 ]; then
    status=1
  fi
done
for name in "${names[@]}"; do
  for input in "$work/$name"/crashes/*; do
    [ -e "$input" ] && echo "kept: $input (log: $work/$name/log)"
  done
done
exit $status
