#!/usr/bin/env bash
# What a screen reader finds in the window: the real program under Xvfb with
# Qt's AT-SPI bridge switched on, on a private session bus with its own
# accessibility bus, walked with pyatspi (scripts/atspi_walk.py): names,
# roles, states, labels, the progress bar's value during a simulated update
# started through AT-SPI, and the result as an alert. A second press during the
# run must start nothing: the log holds one run's line about the sleep lock
# (no system bus is given, so each run writes one).
#   scripts/atspi_test.sh [build dir]   (default build/release)
# The offscreen platform has no AT-SPI bridge: this needs xcb.
set -euo pipefail
source "$(dirname "$0")/x_window.sh"
window_check_start "${1:-}"
need_pyatspi
x_session || exit 1

# dbus-run-session ends the bus, and the accessibility bus it started on
# demand, with the walk.
XDG_RUNTIME_DIR="$work" dbus-run-session -- bash -c '
  VANTREL_SIMULATOR=1 QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$2/no-system-bus" "$1/bin/vantrel" >"$2/vantrel.log" 2>&1 &
  app=$!
  "$3" scripts/atspi_walk.py "$4" vantrel
  rc=$?
  kill $app 2>/dev/null
  wait $app 2>/dev/null
  runs=$(grep -c "no sleep inhibitor could be taken" "$2/vantrel.log")
  echo "runs started: $runs (one expected)"
  [ "$runs" = 1 ] || rc=1
  [ $rc -eq 0 ] || cat "$2/vantrel.log" >&2
  exit $rc
' _ "$build" "$work" "$python" "$(cd "$build" && pwd)/bin/sample-firmware.bin"
