#!/usr/bin/env bash
# A whole simulated update driven with the keyboard alone: the real program
# under Xvfb, given the keyboard focus by the X server (no pointer event at
# all), Tab to the path field, the path typed, Tab to UPDATE, Space, and the
# result must be "Update successful !". The result box's text is read from
# the accessibility tree (on a private session bus), not by selecting it with
# the mouse. After the box the focus must be back on UPDATE. Leaves
# build/artefacts/window-keyboard-focus.png: UPDATE with the focus ring, just
# before the run.
#   scripts/keyboard_test.sh [build dir]   (default build/release)
set -euo pipefail
source "$(dirname "$0")/x_window.sh"
window_check_start "${1:-}"
need_pyatspi
x_session || exit 1

drive() {
  local build=$1 work=$2 python=$3 image=$4 out=$5 app wid text waited
  VANTREL_SIMULATOR=1 QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/bin/vantrel" \
    >"$work/vantrel.log" 2>&1 &
  app=$!
  pids+=($app)
  wid=$(find_window "$title" "$app") || return 1
  xdotool windowfocus --sync "$wid"
  # The first tab stop (minimize) has the focus: four stops on is the path field.
  xdotool key --delay 50 Tab Tab Tab Tab
  xdotool type --delay 2 "$image"
  # Browse, Verify, then UPDATE.
  xdotool key --delay 50 Tab Tab Tab
  "$python" scripts/atspi_walk.py --focus vantrel UPDATE || return 1
  import -window "$wid" "$out/window-keyboard-focus.png"
  xdotool key space
  text=$("$python" scripts/atspi_walk.py --result vantrel) || return 1
  echo "result: '$text'"
  [ "$text" = "Update successful !" ] || { cat "$work/vantrel.log" >&2; return 1; }
  # The box takes the keyboard too: Space on its button closes it. The window
  # is given the focus again, as a window manager would (there is none), and
  # its focus is back on UPDATE for another run.
  xdotool key space
  for waited in $(seq 100); do
    [ "$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)" -le 1 ] && break
    sleep 0.1
  done
  xdotool windowfocus --sync "$wid"
  "$python" scripts/atspi_walk.py --focus vantrel UPDATE
}
export -f drive find_window
export title x_window_wait_s
XDG_RUNTIME_DIR="$work" dbus-run-session -- bash -c 'pids=(); trap "kill \${pids[*]} 2>/dev/null" EXIT; drive "$@"' \
  _ "$build" "$work" "$python" "$(cd "$build" && pwd)/bin/sample-firmware.bin" "$out"
