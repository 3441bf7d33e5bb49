#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with the simulated
# instrument in both MIDI lists, so an update can be tried without hardware.
# Without a display it runs the same update with the headless updater instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/release
bin=$build/bin

bash scripts/setup.sh
bash scripts/build.sh "$build"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cat <<TEXT
Starting the updater. To try an update without an instrument:
  Step 1: any model (Home 61 fits the sample image)
  Step 2: "Simulated instrument (no hardware)" in both lists
  Step 3: $root/$bin/sample-firmware.bin
  Step 4: click UPDATE
TEXT
  VANTREL_SIMULATOR=1 exec "$bin/vantrel"
fi

echo "No display found: running the same update with the headless updater."
"$bin/vantrel-update" --simulated --product "Home 61" --out simulated --in simulated \
  --data "$bin/sample-firmware.bin" --verify
cat <<TEXT

To open the window, run this on a desktop session (X11 or Wayland):
  VANTREL_SIMULATOR=1 $root/$bin/vantrel
or simply scripts/run.sh there.
TEXT
