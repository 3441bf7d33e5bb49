#!/usr/bin/env bash
# The Windows rows of the benchmark: vantrel-bench runs Linux programs only
# (JACK, /proc), so this times the headless update with verify against the
# simulated instrument for the Linux build and, beside it, the Windows build
# under Wine, and sets the best of each case's runs beside the lower bound
# vantrel-bench computes for that link. A run counts from its line about the
# sleep lock (just before the ports open) to its result line, so Wine's start
# and end of a process stay out of it.
#   scripts/windows/bench.sh [linux bin dir] [windows bin dir] [runs] [links]
#   (defaults: build/release/bin build/windows/release/bin 3 "fast unlimited")
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
linux_bin=$(realpath "${1:-build/release/bin}")
windows_bin=$(realpath "${2:-build/windows/release/bin}")
runs=${3:-3}
links=${4:-fast unlimited}
image=$linux_bin/sample-firmware.bin
declare -A rate=([fast]=31250 [unlimited]=0)
declare -A bound

pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wineserver -k 2>/dev/null || true' EXIT
source scripts/windows/wine.sh
name_failures
prepare_wine_prefix
# One server for every run, and Wine's own services started before the
# first, with no pipe of a run to hold open.
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1

while read -r key seconds; do bound[$key]=$seconds; done < <("$linux_bin/vantrel-bench" --cases fast,unlimited --bounds)

# Seconds from the sleep lock line of "$@" to its result line; fails unless the update succeeded.
time_run() {
  local first="" last="" line said=""
  while IFS= read -r line; do
    [[ -n $first || $line != *'"event":"inhibitor"'* ]] || first=$EPOCHREALTIME
    [[ $line != *'"event":"message"'* ]] || said=$line
    if [[ $line == *'"event":"result"'* ]]; then
      [[ $line == *'"exitCode":0'* ]] || { echo "update failed: $said $line" >&2; return 1; }
      last=$EPOCHREALTIME
      break
    fi
  done < <("$@" 2>&1)
  [ -n "$first" ] && [ -n "$last" ] || { echo "no sleep lock or result line from $*" >&2; return 1; }
  echo "$first $last" | awk '{ printf "%.3f\n", $2 - $1 }'
}

# One update of build "$1" on link "$2", timed.
run_once() {
  local args=(--simulated --sim-rate "${rate[$2]}" --sim-reply-words 16 --product "Home 61"
              --out simulated --in simulated --verify --json)
  if [ "$1" = Linux ]; then
    time_run "$linux_bin/vantrel-update" "${args[@]}" --data "$image"
  else
    time_run wine "$windows_bin/vantrel-update.exe" "${args[@]}" --data "$(wine_path "$image")"
  fi
}

echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores;" \
  "best of $runs runs, spread = slowest - fastest."
echo
echo "| Link | Build | Best | Spread | Lower bound | Ratio |"
echo "|---|---|---:|---:|---:|---:|"
# A run that fails (on a loaded machine a reply can miss its polls) is said
# and left out of the row.
for key in $links; do
  for build in Linux "Windows, under Wine"; do
    times=()
    for ((run = 0; run < runs; ++run)); do
      if t=$(run_once "$build" "$key"); then times+=("$t"); fi
    done
    [ ${#times[@]} -gt 0 ] || { echo "every run of $build on $key failed" >&2; exit 1; }
    link=$([ "$key" = fast ] && echo "31,250 B/s" || echo unlimited)
    printf '%s\n' "${times[@]}" | sort -n | awk -v link="$link" -v build="$build" -v bound="${bound[$key]}" '
      NR == 1 { best = $1 } { worst = $1 }
      END { printf "| %s | %s | %.2f s | %.2f s | %.2f s | %.3f |\n",
                    link, build, best, worst - best, bound, best / bound }'
  done
done
