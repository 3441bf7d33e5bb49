#!/usr/bin/env bash
# Builds the page's engine (WebAssembly, Debian's Emscripten) with its tests
# into build/wasm, and lays the page's static files out in build/web/.
#   scripts/web_build.sh [cmake options...] [-- targets...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Debian's em++ finds its JavaScript parser (acorn) in Debian's Node folder,
# which a Node from elsewhere does not search by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
opts=()
targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
emcmake cmake -S "$root" -B "$root/build/wasm" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DVANTREL_WEB_SITE_DIR="$root/build/web" "${opts[@]}" >/dev/null
cmake --build "$root/build/wasm" ${targets[@]+--target "${targets[@]}"}
