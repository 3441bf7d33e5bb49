#!/usr/bin/env bash
# The window at display scales 1, 1.25, 1.5 and 2 under a virtual X display
# (QT_SCALE_FACTOR), saved as build/artefacts/window-scale-<scale>.png, and a
# pixel check of the skin's painted step headings: at 1 they are the 1x
# bitmap's pixels one to one, at 2 the 2x bitmap's, and not the 1x bitmap
# enlarged. Every scale must keep the window's size in units. The focus ring
# shows only after a key moved the focus (window-scale-<scale>-focus.png: Tab,
# Shift+Tab, the ring on minimize), and then on all four sides.
#   scripts/scale_screenshots.sh [build dir] [artefacts dir]
#   (defaults: build/release, build/artefacts)
set -euo pipefail
source "$(dirname "$0")/x_window.sh"
window_check_start "${1:-}"
out=$(realpath -m "${2:-$out}")
mkdir -p "$out"
readonly scales=(1 1.25 1.5 2)
readonly skin_units=(627 535)
# The first step heading ("STEP 1: SELECT MODEL", its accent bar and rule)
# in skin units: x y width height. No control covers it.
readonly heading=(36 46 300 24)

# Room for the window at 2x (1254 x 1070 pixels).
x_session 1600x1200x24 || exit 1

# ring_sides <picture> <scale>: pixels in the ring's colour (the skin's text
# colour) on the left, right, top and bottom edge of the minimize button
# (570,12 and 24 x 18 units), each edge the outermost whole device pixels.
ring_sides() {
  local x y w h
  read -r x y w h < <(awk -v s="$2" 'function ceil(v) { return v == int(v) ? v : int(v) + 1 }
    BEGIN { x = ceil(570 * s); y = ceil(12 * s); print x, y, int(594 * s) - x, int(30 * s) - y }')
  convert "$1" -crop "${w}x${h}+${x}+${y}" +repage txt:- | awk -F'[,: ]+' -v w="$w" -v h="$h" '
    toupper($0) ~ /#15428B/ { l += $1 == 0; r += $1 == w - 1; t += $2 == 0; b += $2 == h - 1 }
    END { print l + 0, r + 0, t + 0, b + 0 }'
}

# differing <image> <image>: how many pixels differ.
differing() { compare -metric AE "$1" "$2" null: 2>&1 || true; }

# region <scale>: the heading as ImageMagick's crop geometry at <scale>.
region() {
  local s=$1
  echo "$((heading[2] * s))x$((heading[3] * s))+$((heading[0] * s))+$((heading[1] * s))"
}

failed=0
for scale in "${scales[@]}"; do
  shot="$out/window-scale-$scale.png"
  VANTREL_SIMULATOR=1 QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale XDG_RUNTIME_DIR="$work" \
    "$build/bin/vantrel" >"$work/vantrel.log" 2>&1 &
  app=$!
  pids+=($app)
  wid=$(find_window "$title" "$app") || { cat "$work/vantrel.log" >&2; exit 1; }
  capture_settled "$shot" -window "$wid" || exit 1
  xdotool windowfocus --sync "$wid"
  xdotool key --delay 50 Tab shift+Tab
  capture_settled "${shot%.png}-focus.png" -window "$wid" || exit 1
  kill "$app"
  wait "$app" 2>/dev/null || true
  size=$(identify -format '%wx%h' "$shot")
  expected=$(awk -v s="$scale" -v w="${skin_units[0]}" -v h="${skin_units[1]}" \
    'BEGIN { printf "%dx%d", int(w * s + 0.5), int(h * s + 0.5) }')
  echo "scale $scale: $size pixels in $shot"
  if [ "$size" != "$expected" ]; then
    echo "FAILED: at scale $scale the window is $size pixels, expected $expected" >&2
    failed=1
  fi
  read -r idle < <(ring_sides "$shot" "$scale")
  read -r l r t b < <(ring_sides "${shot%.png}-focus.png" "$scale")
  echo "scale $scale: ring dots on minimize's left, right, top, bottom edge: $idle at start, $l $r $t $b after Tab"
  if [ "$idle" != "0 0 0 0" ] || [ "$l" -eq 0 ] || [ "$r" -eq 0 ] || [ "$t" -eq 0 ] || [ "$b" -eq 0 ]; then
    echo "FAILED: at scale $scale the ring shows before a key or lacks a side after Tab" >&2
    failed=1
  fi
done

# The headings, cut out of the screenshots and of the skin's two bitmaps.
skin1=resources/bitmap/149.bmp skin2=resources/bitmap/149@2x.bmp
convert "$out/window-scale-1.png[$(region 1)]" +repage "$work/shot1.png"
convert "$out/window-scale-2.png[$(region 2)]" +repage "$work/shot2.png"
convert "$skin1[$(region 1)]" +repage "$work/skin1.png"
convert "$skin2[$(region 2)]" +repage "$work/skin2.png"
convert "$work/skin1.png" -scale 200% "$work/skin1-enlarged.png"

at1=$(differing "$work/shot1.png" "$work/skin1.png")
at2=$(differing "$work/shot2.png" "$work/skin2.png")
enlarged=$(differing "$work/shot2.png" "$work/skin1-enlarged.png")
echo "heading at 1x: $at1 pixels differ from the 1x skin"
echo "heading at 2x: $at2 pixels differ from the 2x skin, $enlarged from the 1x skin enlarged"
[ "$at1" = "0" ] || { echo "FAILED: at scale 1 the heading is not the 1x skin one to one" >&2; failed=1; }
[ "$at2" = "0" ] || { echo "FAILED: at scale 2 the heading is not the 2x skin one to one" >&2; failed=1; }
# The 2x skin's own text is drawn on the finer grid: a good share of the
# heading's inked pixels must differ from an enlarged 1x picture.
if ! [ "$enlarged" -gt 500 ] 2>/dev/null; then
  echo "FAILED: at scale 2 the heading looks like the 1x skin enlarged" >&2
  failed=1
fi
exit "$failed"
