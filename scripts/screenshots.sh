#!/usr/bin/env bash
# Screenshots of the real window for CI artefacts: starts a virtual X display,
# runs the program with the simulated instrument, checks the window title,
# then writes the idle window, the window in the middle of an update and the
# result of that update to build/artefacts/, and checks that the result is
# "Update successful !".
#   scripts/screenshots.sh [build dir]   (default build/release)
set -euo pipefail
source "$(dirname "$0")/x_window.sh"
window_check_start "${1:-}"

# Fixed limit for the update's result (tenths of a second).
readonly run_wait=600
# Time into the run for the mid-run picture: past the first erases, before the end.
readonly mid_run_seconds=3

x_session || exit 1

# A runtime directory of its own, so a copy the developer has open on the
# desktop doesn't hold the single-instance lock.
VANTREL_SIMULATOR=1 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$build/bin/vantrel" >"$work/vantrel.log" 2>&1 &
app=$!
pids+=($app)

wid=$(find_window "$title" "$app") || { cat "$work/vantrel.log" >&2; exit 1; }
echo "window title: '$title'"
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
# Any message of the program ends a run, a failure too: only this one is success.
text=$(box_text "$result") || { echo "screenshots: the result message could not be read" >&2; exit 1; }
echo "result: '$text'"
[ "$text" = "Update successful !" ] || { echo "screenshots: the update did not succeed" >&2; exit 1; }
