#!/usr/bin/env bash
# A whole simulated update driven with the keyboard alone: the real program
# under Xvfb, given the keyboard focus by the X server (no pointer event at
# all), Tab to the path field, the path typed, Tab to UPDATE, Space, and the
# result must be "Update successful !". The result box's text is read from
# the accessibility tree (on a private session bus), not by selecting it with
# the mouse. The focus ring shows from the first Tab on, not before. Keys
# typed during the run (Space, letters, arrows, Enter) change nothing: after
# the box the focus is back on UPDATE and a second run succeeds as well.
# Leaves build/artefacts/window-keyboard-focus.png: UPDATE with the focus ring,
# just before the run.
#   scripts/keyboard_test.sh [build dir]   (default build/release)
set -euo pipefail
source "$(dirname "$0")/x_window.sh"
window_check_start "${1:-}"
need_pyatspi
x_session || exit 1

# ring_dots <picture>: pixels in the ring's colour (the skin's text colour)
# on the minimize and close buttons.
ring_dots() {
  convert "$1" -crop 48x18+570+12 +repage txt:- | grep -ci "#15428B" || true
}

# result: the next message box's text, which must be "Update successful !".
result() {
  local text
  text=$("$python" scripts/atspi_walk.py --result vantrel) || return 1
  echo "result: '$text'"
  [ "$text" = "Update successful !" ] || { cat "$work/vantrel.log" >&2; return 1; }
}

drive() {
  local build=$1 work=$2 python=$3 image=$4 out=$5 app wid waited start tab
  VANTREL_SIMULATOR=1 QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/bin/vantrel" \
    >"$work/vantrel.log" 2>&1 &
  app=$!
  pids+=($app)
  wid=$(find_window "$title" "$app") || return 1
  xdotool windowfocus --sync "$wid"
  # The first tab stop (minimize) has the focus, shown once Tab moved it.
  capture_settled "$work/start.png" -window "$wid"
  xdotool key Tab
  "$python" scripts/atspi_walk.py --focus vantrel Close || return 1
  capture_settled "$work/tab.png" -window "$wid"
  start=$(ring_dots "$work/start.png") tab=$(ring_dots "$work/tab.png")
  echo "ring dots on minimize and close: $start at start, $tab after Tab"
  [ "$start" = 0 ] && [ "$tab" -gt 0 ] || return 1
  # Three stops on is the path field.
  xdotool key --delay 50 Tab Tab Tab
  xdotool type --delay 2 "$image"
  # Browse, Verify, then UPDATE.
  xdotool key --delay 50 Tab Tab Tab
  "$python" scripts/atspi_walk.py --focus vantrel UPDATE || return 1
  import -window "$wid" "$out/window-keyboard-focus.png"
  xdotool key space
  # While the run hides UPDATE the progress bar holds the focus; keys typed
  # there must reach no list, the path field nor a button.
  "$python" scripts/atspi_walk.py --focus vantrel "Step 4 : Update" || return 1
  xdotool key --delay 50 space z z Down Up Left Right Return space
  "$python" scripts/atspi_walk.py --focus vantrel "Step 4 : Update" || return 1  # still running
  result || return 1
  # The box takes the keyboard too: Space on its button closes it. The window
  # is given the focus again, as a window manager would (there is none), and
  # its focus is back on UPDATE for another run, with the same choices.
  xdotool key space
  for waited in $(seq 100); do
    [ "$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)" -le 1 ] && break
    sleep 0.1
  done
  xdotool windowfocus --sync "$wid"
  "$python" scripts/atspi_walk.py --focus vantrel UPDATE || return 1
  xdotool key space
  result
}
export -f drive find_window capture_settled ring_dots result
export title x_window_wait_s
XDG_RUNTIME_DIR="$work" dbus-run-session -- bash -c 'pids=(); trap "kill \${pids[*]} 2>/dev/null" EXIT; drive "$@"' \
  _ "$build" "$work" "$python" "$(cd "$build" && pwd)/bin/sample-firmware.bin" "$out"
