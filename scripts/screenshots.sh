#!/usr/bin/env bash
# Screenshots of the real window for CI artefacts: starts a virtual X display,
# runs the program with the simulated instrument, checks the window title,
# then writes the idle window, the window in the middle of an update and the
# result of that update to build/artefacts/.
#   scripts/screenshots.sh [build dir]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build/release}
out=$root/build/artefacts
title="Firmware update   V1.0"
# Fixed limits for every wait (tenths of a second).
readonly display_wait=100 window_wait=150 run_wait=600
# Time into the run for the mid-run picture: past the first erases, before the end.
readonly mid_run_seconds=3

bash scripts/setup.sh
[ -x "$build/bin/vantrel" ] || bash scripts/build.sh "$build" -- vantrel
mkdir -p "$out"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${work:-}" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT

# Xvfb picks a free display number itself and reports it once it is ready,
# so runs on a shared machine don't race for one.
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for ((i = 0; i < display_wait; i++)); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "screenshots: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# A runtime directory of its own, so a copy the developer has open on the
# desktop doesn't hold the single-instance lock.
VANTREL_SIMULATOR=1 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$build/bin/vantrel" >"$work/vantrel.log" 2>&1 &
app=$!
pids+=($app)

wid=""
for ((i = 0; i < window_wait; i++)); do
  wid=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
  [ -n "$wid" ] && break
  kill -0 "$app" 2>/dev/null || { echo "screenshots: the program ended early" >&2; cat "$work/vantrel.log" >&2; exit 1; }
  sleep 0.1
done
[ -n "$wid" ] || { echo "screenshots: no window titled '$title'" >&2; exit 1; }

shown=$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
if [ "$shown" != "$title" ]; then
  echo "screenshots: window title is '$shown', expected '$title'" >&2
  exit 1
fi
echo "window title: '$shown'"
read -r x y w h < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
echo "window: ${w}x${h} at ${x},${y}"
sleep 0.5
import -window "$wid" "$out/window-idle.png"

# Step 3: the data path (the field at 152,328 of the window), then Update (the picture at 258,422).
xdotool mousemove $((x + 250)) $((y + 342)) click 1
sleep 0.2
xdotool type --delay 2 "$root/$build/bin/sample-firmware.bin"
sleep 0.2
xdotool mousemove $((x + 310)) $((y + 442)) click 1
sleep "$mid_run_seconds"
import -window "$wid" "$out/window-running.png"

# The result comes as a message box of its own.
result=""
for ((i = 0; i < run_wait; i++)); do
  result=$(xdotool search --onlyvisible --name "^vantrel\$" 2>/dev/null | head -n1 || true)
  [ -n "$result" ] && break
  sleep 0.1
done
[ -n "$result" ] || { echo "screenshots: no result message within $((run_wait / 10)) s" >&2; exit 1; }
sleep 0.3
import -window root -crop "${w}x${h}+${x}+${y}" "$out/window-result.png"
echo "screenshots in $out: window-idle.png window-running.png window-result.png"
