#!/usr/bin/env bash
# The Windows programs in the USB-MIDI rig, through Wine's WinMM:
#   scripts/usb_rig/wine_tests.sh <Linux bin dir> <Windows bin dir> [test...]
# Wine's WinMM reaches the USB device through the ALSA sequencer, so the
# sequencer's MIDI driver first gets an output buffer large enough for the
# longest message (it drops what does not fit its default 4 KiB), and an
# input buffer as large for the contract's peer, which receives such
# messages. The standalone instrument (a Linux program) serves the gadget's
# side of the cable, as in scripts/usb_rig/tests.sh. Outcomes are checked by
# bytes and by the result each program reports.
#
# On the machine it prepares the Wine prefix (scripts/windows/wine.sh) and
# boots the rig, which runs it again inside (--in-rig). Exits 77 (skipped)
# without a Windows build or Wine. Logs, pictures and each test's time go to
# <Linux bin dir>/../usb-rig-wine/.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
readonly skipped=77

in_rig=0
[ "${1:-}" = --in-rig ] && { in_rig=1; shift; }
bin=$(cd "$1" && pwd)
windows_bin=$2
shift 2
# Under emulation one try of a wait for the display or a window can take a second or more.
x_display_wait=900 x_window_wait=900
# shellcheck source=../windows/wine.sh
source "$root/scripts/windows/wine.sh"

if [ $in_rig = 0 ]; then
  skip() { echo "usb_rig (Wine): SKIPPED: $*"; exit $skipped; }
  [ -x "$windows_bin/vantrel-update.exe" ] || skip "no Windows build in $windows_bin (scripts/windows/build.sh makes it)"
  command -v wine >/dev/null || skip "Wine is not installed"
  pids=()
  prepare_wine_prefix || exit 1
  # The rig's Wine writes to the same prefix: a server of the machine's own must be gone.
  wineserver -w
  exec bash "$root/scripts/usb_rig.sh" bash "$0" --in-rig "$bin" "$windows_bin" "$@"
fi

out=$(cd "$bin/.." && pwd)/usb-rig-wine
suite="usb rig (Wine)"
# shellcheck source=helpers.sh
source "$here/helpers.sh"

readonly SEQ_BUFFER_BYTES=65536   # snd-seq-midi's buffers: the longest message whole, both ways
readonly IMAGE_BYTES=8192         # 4 Ki words: four data messages of 1024 words (4101 bytes)
readonly LONG_IMAGE_BYTES=131072  # long enough to pull the cable in the middle
# Limit of one run: a Wine start under emulation takes up to a minute.
readonly RUN_TIMEOUT_S=300
# Windows executables do not run from the shared root file system (9p): the
# programs run from a copy on the rig's own /tmp.
readonly programs=/tmp/vantrel-windows

# wine_update <log> <args...>: vantrel-update.exe with the rig's block list,
# one JSON line per event into <log>; sets `code` to the exit code the updater
# reported in its result line (empty without one) and `wine_code` to the
# exit code Wine ended with. After its work Wine 8's MIDI driver may crash
# on the way out, so the updater's own word counts.
wine_update() {
  local log=$1
  shift
  wine_code=0
  timeout "$RUN_TIMEOUT_S" wine "$programs/vantrel-update.exe" --json --blocks "$(wine_path "$out/blocks.cfg")" "$@" \
    >"$out/$log" 2>&1 || wine_code=$?
  code=$(result_code "$log")
  [ -z "$code" ] || [ "$code" = "$wine_code" ] || note "Wine ended with $wine_code after the updater's result $code"
}

result_code() { sed -n 's/.*"event":"result".*"exitCode":\([0-9]*\).*/\1/p' "$out/$1" | tail -n1; }

# The text of the updater's last message.
last_message() { sed -n 's/.*"event":"message".*"text":"\(.*\)"}.*/\1/p' "$out/$1" | tail -n1; }

# The backend contract over WinMM; the test echoes on the gadget's port
# itself. Wine may crash on the way out after the work (see wine_update), so
# GoogleTest's own summary counts.
test_contract() {
  VANTREL_RIG_DEVICE="USB MIDI Instrument MIDI 1" VANTREL_RIG_PEER="f_midi - f_midi" \
    timeout "$RUN_TIMEOUT_S" wine "$programs/test_winmm_contract.exe" >"$out/contract.log" 2>&1
  note "$(grep -E '^\[  (PASSED|FAILED|SKIPPED) +\] [0-9]' "$out/contract.log" | tr '\n' ' ')"
  expect "the contract holds (see contract.log)" log_has contract.log '^\[  PASSED  \] [0-9]'
  expect "no case failed (see contract.log)" log_lacks contract.log '^\[  FAILED  \]'
}

test_update() {
  start_instrument inst1 || return
  wine_update update.log --out USB --in USB --data "$(wine_path "$out/image.bin")" --verify
  stop_instrument inst1
  expect "exit code 0, not '$code' (Wine: $wine_code)" [ "$code" = 0 ]
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
  note "the instrument received $(messages_received inst1) messages"
}

test_window() {
  start_instrument inst1 || return
  show_window window window.log wine "$programs/vantrel.exe" || return
  type_data_path "$(wine_path "$out/image.bin")"
  expect "the run ended with a message" click_update window-result || return
  stop_instrument inst1
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
  expect "the image was read back" log_has inst1.log "read replies [1-9]"
}

# The run has written a tenth of the image.
under_way() { grep -q '"phase":"Updating...","percent":[1-9][0-9]' "$out/unplug.log" 2>/dev/null; }
has_result() { [ -n "$(result_code unplug.log)" ]; }

test_unplug() {
  start_instrument inst1 || return
  wine_update unplug.log --out USB --in USB --data "$(wine_path "$out/long.bin")" &
  local run=$! pulled ended
  expect "the run got under way" wait_until "$RUN_TIMEOUT_S" under_way || return
  pulled=$(date +%s.%N)
  "$gadget" unplug inst1
  wait_until "$RUN_TIMEOUT_S" has_result
  ended=$(date +%s.%N)
  wait $run
  note "the run ended $(awk -v a="$pulled" -v b="$ended" 'BEGIN {printf "%.2f", b - a}') s after the cable was pulled: $(last_message unplug.log)"
  expect "exit code 5, not '$(result_code unplug.log)'" [ "$(result_code unplug.log)" = 5 ]
  # Back in: the same instrument serves again and a new run succeeds.
  "$gadget" plug inst1
  expect "the USB device came back" "$gadget" wait-card Instrument || return
  expect "the instrument is serving again" wait_for_log inst1.log "is back" "$START_WAIT" || return
  wine_update replug.log --out USB --in USB --data "$(wine_path "$out/image.bin")"
  stop_instrument inst1
  cp "$out/inst1.log" "$out/unplug-inst1.log"
  expect "a new run after re-plugging succeeds (exit '$code')" [ "$code" = 0 ]
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
}

test_busy() {
  start_instrument inst1 || return
  hold_usb_input || return
  wine_update busy.log --out USB --in USB --data "$(wine_path "$out/image.bin")"
  stop_instrument inst1
  note "the message: $(last_message busy.log)"
  expect "exit code 4, not '$code'" [ "$code" = 4 ]
  expect "the message names the device" log_has busy.log 'USB MIDI Instrument MIDI 1'
  expect "nothing reached the instrument" [ "$(messages_received inst1)" = 0 ]
}

# The number of the second device named "USB MIDI Instrument MIDI 1" in the
# MIDI out list of hotplug-list.log (a Windows console's lines end in CR LF).
second_instrument() {
  tr -d '\r' <"$out/hotplug-list.log" | sed -n '/MIDI out/,/MIDI in/p' |
    sed -n 's/^ *\([0-9]*\): USB MIDI Instrument MIDI 1$/\1/p' | sed -n 2p
}

test_hotplug() {
  start_instrument inst1 || return
  # A second instrument of the same make comes: two devices of one name.
  "$gadget" add inst2
  "$gadget" wait-card inst2 && "$gadget" wait-card Instrument_1
  start_instrument inst2 || return
  timeout "$RUN_TIMEOUT_S" wine "$programs/vantrel-update.exe" --list >"$out/hotplug-list.log" 2>&1
  local second
  second=$(second_instrument)
  expect "a new process lists both instruments" [ -n "$second" ] || return
  wine_update hotplug.log --out "$second" --in "$second" --data "$(wine_path "$out/image.bin")"
  stop_instrument inst1
  stop_instrument inst2
  "$gadget" remove inst2
  expect "exit code 0, not '$code'" [ "$code" = 0 ]
  expect "the second instrument got the image" flash_holds inst2 "$out/image.bin"
  expect "nothing reached the first" [ "$(messages_received inst1)" = 0 ]
}

rm -rf "$out" "$programs"
mkdir -p "$out" "$programs"
for way in output input; do
  echo "$SEQ_BUFFER_BYTES" >/sys/module/snd_seq_midi/parameters/${way}_buffer_size
done
printf '0\n2000\n3000\n4000\n8000\n' >"$out/blocks.cfg"
head -c "$IMAGE_BYTES" "$bin/sample-firmware.bin" >"$out/image.bin"
head -c "$LONG_IMAGE_BYTES" "$bin/sample-firmware.bin" >"$out/long.bin"
(cd "$windows_bin" && cp -r vantrel.exe vantrel-update.exe test_winmm_contract.exe ./*.dll platforms styles imageformats config help "$programs/")

# One display and one Wine server for every test: Wine starts its services
# and its desktop once.
display=$(mktemp -d)
start_xvfb "$display" || exit 1
xvfb=${pids[-1]}
pids=()
wineserver -p

tests=("$@")
[ ${#tests[@]} -gt 0 ] || tests=(contract update window unplug busy hotplug)
for name in "${tests[@]}"; do
  run_test "$name"
done
wineserver -k
stop_pid "$xvfb"
echo "usb_rig (Wine): $passed passed, $failed failed"
[ $failed -eq 0 ]
