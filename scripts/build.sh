#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh <dir> [cmake options...] [-- targets...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
opts=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
cmake -S "$root" -B "$dir" -G Ninja "${opts[@]}" >/dev/null
cmake --build "$dir" ${targets[@]+--target "${targets[@]}"}
