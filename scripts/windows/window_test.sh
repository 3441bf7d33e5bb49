#!/usr/bin/env bash
# vantrel.exe under Wine on a virtual X display, as a person uses it: the
# window's title; a simulated update driven through the window (data path
# typed, Update clicked) to "Update successful !"; a second copy refused with
# "The program is current running!" while the first runs on; screenshots of
# the idle window and of the result in build/artefacts/. Then the window at
# 144 DPI (150 %, Windows' LogPixels): three halves of its size in units, its
# painted headings drawn from the 2x skin, not the 1x one enlarged.
#
# A message box's text is read the way Windows offers it: Ctrl+C copies it,
# and Wine hands the clipboard to X.
#   scripts/windows/window_test.sh [program folder] [name] [--title-only]
#   (defaults: build/windows/release/bin, "wine"; the installer test passes
#   the installed folder, and checks only the title there)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
program_dir=${1:-$root/build/windows/release/bin}
tag=${2:-wine}
title_only=${3:-}
out=$root/build/artefacts
title="Firmware update   V1.0"
readonly run_wait=600  # tenths of a second for the update's result
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  # The prefix is shared with the later Windows tests, which expect 96 DPI.
  [ -n "${dpi_set:-}" ] && set_dpi 96
  if [ -n "${work:-}" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
source scripts/windows/wine.sh
name_failures
# Wine starts slowly; the window may take a while to show.
prepare_wine_prefix
mkdir -p "$out"
work=$(mktemp -d)
# Windows get drawn by the Wine session that is running: one started without
# a display (by an earlier console program) would have no X driver.
wineserver -k 2>/dev/null || true
# Room for the window at 144 DPI (941 x 803 pixels).
start_xvfb "$work" 1280x1024x24

# message_box_text <pid>: waits for the program's message box (captioned with
# the program's name) and prints its text; the box stays open.
message_box_text() {
  local app=$1 box="" i
  for ((i = 0; i < run_wait; i++)); do
    box=$(xdotool search --onlyvisible --name '^vantrel$' 2>/dev/null | head -n1 || true)
    [ -n "$box" ] && break
    kill -0 "$app" 2>/dev/null || { echo "the program ended without a message" >&2; return 1; }
    sleep 0.1
  done
  [ -n "$box" ] || { echo "no message box within $((run_wait / 10)) s" >&2; return 1; }
  printf '' | xclip -selection clipboard
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
  sleep 0.3
  xdotool key --window "$box" ctrl+c
  for ((i = 0; i < 50; i++)); do
    text=$(xclip -selection clipboard -o 2>/dev/null || true)
    [ -n "$text" ] && break
    sleep 0.1
  done
  # The copy reads as Windows' own boxes give it: caption, text and buttons,
  # each between lines of dashes.
  printf '%s\n' "$text" | tr -d '\r' | awk '/^-+$/ { part++; next } part == 2'
  echo "$box" >"$work/box"
}

# close_box: answers the open message box with OK (Enter).
close_box() { xdotool key --window "$(cat "$work/box")" Return; }

# set_dpi <dots per inch>: the display's DPI as Windows keeps it, for programs
# started after this (Wine reads it from both keys).
set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  done
  wineserver -w
}

# rmse <image> <image>: their root mean square difference, 0 to 1.
rmse() { { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p'; }

VANTREL_SIMULATOR=1 wine "$program_dir/vantrel.exe" >"$work/first.log" 2>&1 &
app=$!
pids+=($app)
wid=$(find_window "$title" "$app") || { cat "$work/first.log" >&2; exit 1; }
echo "window title: '$title'"
read -r x y w h < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
sleep 1
import -window root -crop "${w}x${h}+${x}+${y}" "$out/$tag-window-idle.png"
[ "$title_only" = --title-only ] && exit 0

begin "a second copy is refused while the first runs"
wine "$program_dir/vantrel.exe" >"$work/second.log" 2>&1 &
second=$!
pids+=($second)
refusal=$(message_box_text "$second") || exit 1
[ "$refusal" = "The program is current running!" ] || { echo "second copy said '$refusal'" >&2; exit 1; }
close_box
wait "$second" || true
kill -0 "$app" || { echo "the first copy ended" >&2; exit 1; }
echo "second copy: '$refusal'"

begin "a simulated update through the window"
# Step 3: the data path (the field at 152,328 of the window), then Update (the picture at 258,422).
xdotool mousemove $((x + 250)) $((y + 342)) click 1
sleep 0.3
xdotool type --delay 5 "$(wine_path "$program_dir/sample-firmware.bin")"
sleep 0.3
xdotool mousemove $((x + 310)) $((y + 442)) click 1
result=$(message_box_text "$app") || exit 1
sleep 0.3
import -window root -crop "${w}x${h}+${x}+${y}" "$out/$tag-window-result.png"
[ "$result" = "Update successful !" ] || { echo "the update ended with '$result'" >&2; exit 1; }
echo "result: '$result'"
close_box
echo "screenshots: $out/$tag-window-idle.png $out/$tag-window-result.png"

begin "the window at 144 DPI"
kill "$app"
wait "$app" 2>/dev/null || true
wineserver -k 2>/dev/null || true
dpi_set=1
set_dpi 144
VANTREL_SIMULATOR=1 wine "$program_dir/vantrel.exe" >"$work/dpi.log" 2>&1 &
app=$!
pids+=($app)
wid=$(find_window "$title" "$app") || { cat "$work/dpi.log" >&2; exit 1; }
size=$(xwininfo -id "$wid" | awk '/Width/{w=$NF} /Height/{h=$NF} END{print w "x" h}')
# Qt rounds the 940.5 x 802.5 pixels of the 627 x 535 window up.
[ "$size" = "941x803" ] || { echo "at 144 DPI the window is $size pixels, expected 941x803" >&2; exit 1; }
read -r x y < <(xwininfo -id "$wid" |
  awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
shot=$out/$tag-window-144dpi.png
capture_settled "$shot" -window root -crop "${size}+${x}+${y}" +repage || exit 1
# The first step heading: 300 x 24 units at (36, 46).
convert "$shot[450x36+54+69]" +repage "$work/heading.png"
convert "resources/bitmap/149@2x.bmp[600x48+72+92]" -resize 75% "$work/from2x.png"
convert "resources/bitmap/149.bmp[300x24+36+46]" -sample 150% "$work/from1x.png"
near2x=$(rmse "$work/heading.png" "$work/from2x.png")
near1x=$(rmse "$work/heading.png" "$work/from1x.png")
echo "heading at 144 DPI: difference $near2x from the 2x skin scaled down, $near1x from the 1x skin enlarged"
awk -v a="$near2x" -v b="$near1x" 'BEGIN { exit !(a < b) }' ||
  { echo "at 144 DPI the heading is the 1x skin enlarged, not the 2x skin" >&2; exit 1; }
echo "screenshot: $shot ($size pixels)"
