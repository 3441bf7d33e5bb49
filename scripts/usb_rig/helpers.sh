# shellcheck shell=bash disable=SC2034 # the variables are for the scripts that source this
# What the USB-MIDI rig's scenarios (tests.sh) share: failures counted per test, the
# standalone instrument on a gadget's side of the cable, waits on conditions,
# and the window driven through X. Source it after setting
#   bin    the Linux build's programs (the standalone instrument)
#   out    where logs, flash files and pictures go
# The caller ends what it started through cleanup_test after each test.

if ! declare -F find_window >/dev/null; then
  # shellcheck source=../x_window.sh
  source "$(dirname "${BASH_SOURCE[0]}")/../x_window.sh"
fi

readonly gadget=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/gadget.sh
title="Firmware update   V1.0"
# Places clicked in the window: step 3's data path field and step 4's Update picture.
readonly data_path_xy="250 342" update_xy="310 442"
# Limits of the waits, in seconds of the clock.
readonly START_WAIT=30 MESSAGE_WAIT=120

declare -A instrument_pid=()
pids=()  # helpers of the running test: Xvfb, the window, a port holder
failures=0
passed=0
failed=0

note() { echo "    $*"; }

# expect <what> <command...>: counts a failure of the test when the command fails.
expect() {
  local what=$1
  shift
  "$@" && return 0
  note "FAIL: $what"
  failures=$((failures + 1))
  return 1
}

log_has() { grep -qs -- "$2" "$out/$1"; }
log_lacks() { ! log_has "$@"; }

# wait_until <seconds> <command...>: true once the command is, false after the time.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# wait_for_log <log> <text> <seconds>
wait_for_log() { wait_until "$3" log_has "$1" "$2"; }

stop_pid() {
  local pid=$1 deadline=$((SECONDS + 5))
  kill -TERM "$pid" 2>/dev/null || return 0
  while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

# start_instrument <gadget>: the standalone instrument on the gadget's side.
start_instrument() {
  local name=$1 deadline=$((SECONDS + START_WAIT))
  "$bin/vantrel-sim-instrument" --rawmidi "hw:$name,0" --flash-out "$out/$name.flash" --received-out "$out/$name.received" \
    >"$out/$name.log" 2>&1 &
  instrument_pid[$name]=$!
  while [ $SECONDS -lt $deadline ]; do
    log_has "$name.log" "listening" && return 0
    kill -0 "${instrument_pid[$name]}" 2>/dev/null || break
    sleep 0.1
  done
  note "FAIL: the instrument on hw:$name,0 did not start"
  sed 's/^/      /' "$out/$name.log"
  failures=$((failures + 1))
  return 1
}

# stop_instrument <gadget>: ends it; its flash and summary land in $out.
stop_instrument() {
  [ -n "${instrument_pid[$1]:-}" ] && stop_pid "${instrument_pid[$1]}"
  unset "instrument_pid[$1]"
}

# hold_usb_input: another program (amidi) holds the USB device's input, as
# the kernel shows once the port is open.
hold_usb_input() {
  amidi -p hw:Instrument,0 -d >/dev/null 2>&1 &
  pids+=($!)
  expect "amidi holds the port" wait_until "$START_WAIT" grep -q "Owner PID" /proc/asound/Instrument/midi0
}

# The messages the instrument received, from its summary line.
messages_received() { sed -n 's/.*: messages \([0-9]*\) .*/\1/p' "$out/$1.log" | tail -n1; }

# flash_holds <gadget> <image>: the flash begins with the image.
flash_holds() { cmp -s -n "$(stat -c %s "$2")" "$out/$1.flash" "$2"; }

# show_window <picture> <log> <command...>: starts the window on the current
# display and finds it; sets x, y (the window's place) and keeps a picture of
# it idle.
show_window() {
  local picture=$1 log=$2 wid app
  shift 2
  "$@" >"$out/$log" 2>&1 &
  app=$!
  pids+=("$app")
  if ! wid=$(find_window "$title" "$app"); then
    note "FAIL: no window"
    sed 's/^/      /' "$out/$log"
    failures=$((failures + 1))
    return 1
  fi
  read -r x y < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
  sleep 1
  import -window "$wid" "$out/$picture-idle.png"
}

# click_at <x> <y>: a left click at that place of the window.
click_at() {
  xdotool mousemove $((x + $1)) $((y + $2)) click 1
}

type_data_path() {
  # shellcheck disable=SC2086 # the place is two words
  click_at $data_path_xy
  sleep 0.3
  xdotool type --delay 5 "$1"
}

# box_showing: true while the message box (titled as the program) is up.
box_showing() { xdotool search --onlyvisible --name '^vantrel$' >/dev/null 2>&1; }
box_gone() { ! box_showing; }

# click_update <picture>: clicks Update, waits for the message box that ends
# the run, keeps a picture of it and closes it with its default button.
# Returns 1 when no box came or it would not close.
click_update() {
  # From elsewhere onto the picture, so the window sees the pointer arrive.
  xdotool mousemove 0 0
  sleep 0.3
  # shellcheck disable=SC2086 # the place is two words
  click_at $update_xy
  wait_until "$MESSAGE_WAIT" box_showing || return 1
  sleep 0.5
  import -window root "$out/$1.png"
  xdotool key Return
  wait_until "$START_WAIT" box_gone
}

cleanup_test() {
  local name pid
  for name in "${!instrument_pid[@]}"; do stop_instrument "$name"; done
  for pid in "${pids[@]}"; do stop_pid "$pid"; done
  pids=()
}

# run_test <name>: runs test_<name>, ends what it started and notes its
# outcome and time in the log and in $out/times.txt. Under emulation the
# rig's timing is not the product's: a scenario that fails is run once more
# from a restored rig (restore_rig), its first try's files kept in
# $out/first-try/<name>/. A pass on the second try counts as a pass and is
# named as such in the log and in the summary.
run_test() {
  local name=$1 started result
  started=$(date +%s.%N)
  echo "-- $name"
  if try_test "$name"; then
    result=passed
  else
    keep_first_try "$name"
    note "the first try failed; once more from a restored rig (its files: first-try/$name/)"
    if restore_rig && try_test "$name"; then
      result="passed on the second try"
      second_tries+=("$name")
    else
      result=FAILED
    fi
  fi
  if [ "$result" = FAILED ]; then failed=$((failed + 1)); else passed=$((passed + 1)); fi
  echo "${suite:-usb rig} test $name: $result in $(seconds_since "$started") s" | tee -a "$out/times.txt"
}
second_tries=()

# try_test <name>: one run of test_<name>; false when it counted a failure.
try_test() {
  local before=$failures
  touch "$out/.try-started"
  "test_$1"
  cleanup_test
  [ "$failures" -eq "$before" ]
}

# keep_first_try <name>: moves what the failed try wrote into first-try/<name>/.
keep_first_try() {
  local kept=$out/first-try/$1
  mkdir -p "$kept"
  find "$out" -maxdepth 1 -type f -newer "$out/.try-started" ! -name times.txt -exec mv -t "$kept" {} +
}

seconds_since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN {printf "%.1f", b - a}'; }
