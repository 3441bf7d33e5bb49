#!/usr/bin/env bash
# Runs a command with a private system bus on which logind is python3-dbusmock's
# template, started by the bus at the first call; VANTREL_MOCK_LOGIND=1 tells the
# tests that it is there. Without dbus-daemon or python3-dbusmock: exit 77 (skipped), exit 1 under CI=true.
set -uo pipefail
unavailable() { echo "mock logind: $1"; [ "${CI:-}" = true ] && exit 1; exit 77; }
command -v dbus-run-session >/dev/null && /usr/bin/python3 -c 'import dbusmock' 2>/dev/null ||
  unavailable "needs dbus-daemon and python3-dbusmock (Debian packages dbus, python3-dbusmock)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[D-BUS Service]\nName=org.freedesktop.login1\nExec=/usr/bin/python3 -m dbusmock --system --template logind\n' \
  >"$work/org.freedesktop.login1.service"
cat >"$work/system.conf" <<EOF
<busconfig><type>system</type><listen>unix:path=$work/bus</listen><auth>EXTERNAL</auth><servicedir>$work</servicedir>
  <policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
    <allow receive_sender="*"/></policy>
</busconfig>
EOF
# The command starts once the bus listens; the bus goes down after it, and the mock with it.
DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/bus VANTREL_MOCK_LOGIND=1 \
  dbus-run-session --config-file="$work/system.conf" -- "$@"
