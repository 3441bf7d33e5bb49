# Functions for trying the real window under a virtual X display, shared by
# the window checks (scripts/screenshots.sh and its kin),
# scripts/clean_root_test.sh and the USB-MIDI rig's tests. Source this file; the
# caller ends the processes collected in its `pids` array on exit.

# window_check_start [build dir]: how every check of the real window starts:
# in the project's folder ($root), with the Debian packages it needs, the
# program built in <build dir> ($build, default build/release), the
# artefacts' folder made ($out) and the window's title ($title).
window_check_start() {
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  cd "$root"
  build=${1:-build/release}
  out=$root/build/artefacts
  title="Firmware update   V1.0"
  bash scripts/setup.sh
  [ -x "$build/bin/vantrel" ] || bash scripts/build.sh "$build" -- vantrel
  mkdir -p "$out"
}

# need_pyatspi: sets `python` to Debian's own Python, where python3-pyatspi
# is installed; exits 77 (skipped) without it.
need_pyatspi() {
  python=/usr/bin/python3
  "$python" -c 'import pyatspi' 2>/dev/null || { echo "SKIPPED: python3-pyatspi is not installed"; exit 77; }
}

# Limits of the waits, in seconds of the clock (one try of a look at the
# display can itself take a second under emulation, so tries would not bound
# them); a caller may set larger ones before sourcing, as the USB-MIDI rig does.
readonly x_display_wait_s=${x_display_wait_s:-30} x_window_wait_s=${x_window_wait_s:-60}

# start_xvfb <folder> [<width>x<height>x<depth>]: starts Xvfb on a free
# display (1024x768x24 by default), its files in <folder>, and exports DISPLAY.
# Xvfb picks the display number itself and reports it once it is ready, so runs
# on a shared machine don't race for one.
start_xvfb() {
  local dir=$1 screen=${2:-1024x768x24} deadline=$((SECONDS + x_display_wait_s))
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  pids+=($!)
  until [ -s "$dir/display" ] || [ $SECONDS -ge $deadline ]; do
    sleep 0.1
  done
  if [ ! -s "$dir/display" ]; then
    echo "Xvfb did not start: $(cat "$dir/xvfb.log")" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$dir/display")"
}

# x_session [<width>x<height>x<depth>]: a virtual X display for the rest of
# the script, its files in a folder of its own ($work); on exit every process
# in `pids` is ended and the folder removed.
x_session() {
  pids=()
  work=$(mktemp -d)
  trap x_session_end EXIT
  start_xvfb "$work" "$@"
}

x_session_end() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}

# find_window <title> <pid>: prints the id of the visible window titled
# exactly <title>, once the title the window manager reads matches too; fails
# when process <pid> ends first or no such window shows in time.
find_window() {
  local title=$1 app=$2 wid="" shown deadline=$((SECONDS + x_window_wait_s))
  while [ $SECONDS -lt $deadline ]; do
    wid=$(timeout 10 xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] && break
    kill -0 "$app" 2>/dev/null || { echo "the program ended early" >&2; return 1; }
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "no window titled '$title' within $x_window_wait_s s" >&2; return 1; }
  shown=$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
  [ "$shown" = "$title" ] || { echo "window title is '$shown', expected '$title'" >&2; return 1; }
  echo "$wid"
}

# box_text <wid>: prints the first line of the text of the message box <wid>.
# Its text can be selected with the mouse, and X hands the selection to
# whoever asks: a triple click on the line, which sits right of the icon and
# level with its middle, selects it whole. Fails when nothing new was selected.
box_text() {
  local wid=$1 bx by before text deadline
  read -r bx by < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
  before=$(xclip -o -selection primary 2>/dev/null || true)
  xdotool mousemove $((bx + 80)) $((by + 18)) click --repeat 3 --delay 50 1 || return 1
  deadline=$((SECONDS + x_window_wait_s))
  while [ $SECONDS -lt $deadline ]; do
    text=$(xclip -o -selection primary 2>/dev/null || true)
    [ -n "$text" ] && [ "$text" != "$before" ] && { echo "$text"; return 0; }
    sleep 0.1
  done
  return 1
}

# capture_settled <file> <import options...>: a picture taken with
# ImageMagick's import (e.g. `-window <wid>`), once two in a row agree, so it
# shows the finished paint rather than a first frame. Fails when the picture
# keeps changing.
capture_settled() {
  local file=$1 next same=0 deadline=$((SECONDS + x_window_wait_s))
  shift
  next="${file%.png}.next.png"
  rm -f "$file"
  while [ $same -lt 2 ] && [ $SECONDS -lt $deadline ]; do
    import "$@" "$next"
    if [ -f "$file" ] && [ "$(compare -metric AE "$file" "$next" null: 2>&1 || true)" = "0" ]; then
      same=$((same + 1))
    else
      same=0
      mv "$next" "$file"
    fi
  done
  rm -f "$next"
  [ "$same" -ge 2 ] || { echo "the picture $file did not settle" >&2; return 1; }
}
