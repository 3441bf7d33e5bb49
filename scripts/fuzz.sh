#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang in a tree of their own
# (build/fuzz) and runs each for a fixed time, starting from its committed
# seeds (fuzz/corpus/<harness>/). Fails on any finding; the input that found
# it is kept as build/fuzz/findings/<harness>-crash-... and becomes a test.
#   scripts/fuzz.sh [seconds per harness]   (default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-10}
build=build/fuzz
jobs=$(nproc)

started=$SECONDS
# Quiet when it builds; the configure or compiler output in full when not.
mkdir -p "$build"
if ! { cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ && cmake --build "$build"; } >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  echo "fuzz: the harnesses did not build (log: $build/build.log)"
  exit 1
fi
echo "fuzz: harnesses built in $((SECONDS - started)) s; each runs ${seconds} s, ${jobs} at a time"

mkdir -p "$build/findings" "$build/logs"
pids=()
trap 'for pid in "${pids[@]}"; do pkill -P "$pid" 2>/dev/null; kill "$pid" 2>/dev/null || true; done' EXIT

run() {
  local name=$1
  mkdir -p "$build/corpus/$name"
  # New inputs go to the build tree's corpus; the committed seeds are only read.
  local rc=0
  "$build/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$name-" "$build/corpus/$name" "fuzz/corpus/$name" \
    >"$build/logs/$name.log" 2>&1 || rc=$?
  echo "$rc" >"$build/logs/$name.rc"
}

harnesses=()
for seeds in fuzz/corpus/*/; do
  harnesses+=("$(basename "$seeds")")
done
for name in "${harnesses[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run "$name" &
  pids+=($!)
done
wait
pids=()

failures=0
for name in "${harnesses[@]}"; do
  if [ "$(cat "$build/logs/$name.rc")" = 0 ]; then
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$name.log")
    echo "fuzz: $name: ${executions:-?} executions, no finding"
  else
    failures=$((failures + 1))
    echo "fuzz: $name: FINDING (log: $build/logs/$name.log)"
    grep -E '^(==[0-9]+==ERROR|finding:|SUMMARY|.*runtime error)' "$build/logs/$name.log" | head -n 5 | sed 's/^/  /'
  fi
done
echo "fuzz: done in $((SECONDS - started)) s"
[ $failures -eq 0 ]
