#!/usr/bin/env bash
# Builds the page into build/web (the engine in WebAssembly, the page's files
# and its pictures) and serves that folder on http://localhost:8080: a secure
# context, as Web MIDI requires. Any static https host can serve the same folder.
#   scripts/web.sh           build, then serve until Ctrl-C
#   scripts/web.sh --build   build only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/web_build.sh -- vantrel-engine vantrel-page
[ "${1:-}" = --build ] && exit 0
echo "The page: http://localhost:8080/ (Ctrl-C ends)"
exec /usr/bin/python3 -m http.server 8080 --bind 127.0.0.1 --directory build/web
