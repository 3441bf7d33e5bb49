#!/usr/bin/env bash
# The window under a dark desktop theme looks as under a light one: the real
# program under Xvfb, once with Qt's default (light) look and once with the
# GTK 3 platform theme and GTK's dark Adwaita, each shot idle and with the
# Model list dropped down by the keyboard. The pictures must differ in no
# more than a few pixels. Leaves build/artefacts/window-{light,dark}*.png.
#   scripts/dark_theme_test.sh [build dir]   (default build/release)
set -euo pipefail
source "$(dirname "$0")/x_window.sh"
window_check_start "${1:-}"

# Pixels the two pictures may differ in: none differ today; a few spare
# for the text cursor's blink.
readonly allowed_pixels=8

dpkg-query -W -f='${Status}' qt6-gtk-platformtheme 2>/dev/null | grep -q "install ok installed" ||
  { echo "SKIPPED: qt6-gtk-platformtheme is not installed"; exit 77; }
x_session || exit 1

# shots <name> [environment...]: the idle window and the window with the
# Model list open, as build/artefacts/window-<name>.png and window-<name>-list.png.
shots() {
  local name=$1 app wid x y w h
  shift
  env "$@" VANTREL_SIMULATOR=1 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$build/bin/vantrel" \
    >"$work/$name.log" 2>&1 &
  app=$!
  pids+=($app)
  wid=$(find_window "$title" "$app") || { cat "$work/$name.log" >&2; return 1; }
  read -r x y w h < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
  capture_settled "$out/window-$name.png" -window root -crop "${w}x${h}+${x}+${y}" +repage
  # Back from the first tab stop is the last, the Model list; Alt+Down opens it.
  xdotool windowfocus --sync "$wid"
  xdotool key --delay 50 shift+Tab alt+Down
  capture_settled "$out/window-$name-list.png" -window root -crop "${w}x${h}+${x}+${y}" +repage
  kill "$app"
  wait "$app" 2>/dev/null || true
}

same() {
  local differing
  differing=$(compare -metric AE "$out/window-light$1.png" "$out/window-dark$1.png" "$work/diff$1.png" 2>&1 || true)
  echo "window-light$1.png and window-dark$1.png differ in $differing pixels (at most $allowed_pixels)"
  [ "$differing" -le "$allowed_pixels" ]
}

shots light
shots dark QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark QT_LOGGING_RULES=qt.qpa.theme=true
# Without the theme the two runs would be alike for want of a dark one.
grep -q 'Successfully created platform theme "gtk3"' "$work/dark.log" ||
  { cat "$work/dark.log" >&2; echo "the GTK 3 platform theme did not load" >&2; exit 1; }
same "" && same "-list"
