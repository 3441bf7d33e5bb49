#!/usr/bin/env bash
# The tests that run inside the USB-MIDI rig, all in one boot:
#   scripts/usb_rig.sh bash scripts/usb_rig/tests.sh <bin dir> [test...]
# The updater (headless and the real window on Xvfb) talks ALSA raw MIDI to
# the USB device that the kernel's USB-MIDI driver makes of a gadget; the
# standalone instrument serves the gadget's side of the cable. Outcomes are
# checked by bytes and exit codes: under emulation milliseconds mean little.
# Logs, screenshots and each test's time go to <bin dir>/../usb-rig/.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
out=$(cd "$bin/.." && pwd)/usb-rig
# shellcheck source=helpers.sh
source "$here/helpers.sh"

readonly IMAGE_BYTES=24576        # 12 Ki words: two flash blocks
readonly LONG_IMAGE_BYTES=131072  # long enough to pull the cable in the middle
readonly SEQUENCER_BYTES=4101     # one data message of 1024 words
# Limit of one run, in seconds of the clock.
readonly RUN_TIMEOUT_S=120

update() {
  local log=$1
  shift
  timeout "$RUN_TIMEOUT_S" "$bin/vantrel-update" --blocks "$out/blocks.cfg" "$@" >"$out/$log" 2>&1
}

# start_window <picture>: Xvfb and the window on it; sets x, y (the window's place).
start_window() {
  local work
  work=$(mktemp -d)
  start_xvfb "$work" || { note "FAIL: Xvfb did not start"; failures=$((failures + 1)); return 1; }
  show_window "$1" window.log env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$bin/vantrel"
}

test_sequencer() {
  # What the sequencer makes of one data message: the reason firmware goes
  # through raw MIDI. A measurement, not a product path.
  "$bin/sequencer_probe" hw:inst1,0 "USB MIDI Instrument" "$SEQUENCER_BYTES" >"$out/sequencer.log" 2>&1
  expect "the probe measured (exit $?)" log_has sequencer.log "arrived" || return
  note "ALSA sequencer to the USB device: $(cat "$out/sequencer.log")"
}

# contract_run <binary> <log>: the backend contract over ALSA raw MIDI; the
# test echoes on the gadget's port itself and pulls the cable once.
contract_run() {
  VANTREL_RIG_CARD=Instrument VANTREL_RIG_PEER=hw:inst1,0 \
    VANTREL_RIG_UNPLUG="$gadget unplug inst1 && $gadget wait-gone Instrument" \
    VANTREL_RIG_PLUG="$gadget plug inst1 && $gadget wait-card Instrument && $gadget wait-card inst1" \
    "$1" >"$out/$2" 2>&1
}

test_contract() {
  local rc tsan=${VANTREL_TSAN_BIN:-}/test_alsa_contract
  contract_run "$bin/test_alsa_contract" contract.log
  rc=$?
  note "$(grep -E '^\[  (PASSED|FAILED)  \] [0-9]' "$out/contract.log" | tr '\n' ' ')"
  expect "the contract holds (exit $rc; see contract.log)" [ $rc -eq 0 ]
  # The same under ThreadSanitizer, when the test command has built it.
  [ -n "${VANTREL_TSAN_BIN:-}" ] && [ -x "$tsan" ] || return 0
  TSAN_OPTIONS=halt_on_error=1 contract_run "$tsan" contract-tsan.log
  rc=$?
  expect "the contract holds under ThreadSanitizer (exit $rc; see contract-tsan.log)" [ $rc -eq 0 ]
}

test_update() {
  start_instrument inst1 || return
  update update.log --out USB --in USB --data "$out/image.bin" --verify
  local rc=$?
  stop_instrument inst1
  expect "exit code 0, not $rc" [ $rc -eq 0 ]
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
}

test_busy() {
  start_instrument inst1 || return
  hold_usb_input || return
  update busy.log --out USB --in USB --data "$out/image.bin"
  local rc=$?
  stop_instrument inst1
  expect "exit code 4, not $rc" [ $rc -eq 4 ]
  expect "the message says the port is in use" log_has busy.log "is in use by another program"
  expect "nothing reached the instrument" [ "$(messages_received inst1)" = 0 ]
}

test_unplug() {
  start_instrument inst1 || return
  update unplug.log --out USB --in USB --data "$out/long.bin" &
  local run=$! rc pulled ended
  expect "the run got under way" wait_for_log unplug.log "Updating... 20%" "$RUN_TIMEOUT_S" || return
  pulled=$(date +%s.%N)
  "$gadget" unplug inst1
  wait $run
  rc=$?
  ended=$(date +%s.%N)
  note "the run ended $(awk -v a="$pulled" -v b="$ended" 'BEGIN {printf "%.2f", b - a}') s after the cable was pulled"
  expect "exit code 5, not $rc" [ $rc -eq 5 ]
  # The device's own message, not a time-out's: the send ended when the cable went.
  expect "the device's message" log_has unplug.log "No such device"
  # Back in: the same instrument serves again and a new run succeeds.
  "$gadget" plug inst1
  expect "the USB device came back" "$gadget" wait-card Instrument || return
  expect "the instrument is serving again" wait_for_log inst1.log "is back" "$START_WAIT" || return
  update replug.log --out USB --in USB --data "$out/image.bin"
  rc=$?
  stop_instrument inst1
  # Later tests reuse the instrument's files: keep this one's for a look after a failure.
  cp "$out/inst1.log" "$out/unplug-inst1.log"
  cp "$out/inst1.flash" "$out/unplug-inst1.flash"
  expect "a new run after re-plugging succeeds (exit $rc)" [ $rc -eq 0 ]
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
}

test_window() {
  start_instrument inst1 || return
  start_window window || return
  type_data_path "$out/image.bin"
  expect "the run ended with a message" click_update window-result || return
  stop_instrument inst1
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
  expect "the image was read back" log_has inst1.log "read replies [1-9]"
}

test_hotplug() {
  start_instrument inst1 || return
  start_window hotplug || return
  type_data_path "$out/image.bin"
  # The chosen USB device goes and another takes its place in the lists.
  "$gadget" unplug inst1
  "$gadget" wait-gone inst1 && "$gadget" wait-gone Instrument
  "$gadget" add inst2 "USB MIDI Instrument Two"
  "$gadget" wait-card Two
  start_instrument inst2 || return
  "$bin/vantrel-update" --list >"$out/hotplug-list.log" 2>&1
  expect "the chosen place in the lists now names another device" log_has hotplug-list.log "1: USB MIDI Instrument Two"
  expect "the refusal came as a message" click_update hotplug-refused || return
  # The chosen device returns at another place: the next run opens exactly it.
  "$gadget" plug inst1
  "$gadget" wait-card Instrument
  expect "the first instrument is serving again" wait_for_log inst1.log "is back" "$START_WAIT"
  expect "the second run ended with a message" click_update hotplug-result
  stop_instrument inst1
  stop_instrument inst2
  expect "nothing reached the other instrument" [ "$(messages_received inst2)" = 0 ]
  expect "the chosen instrument got the image" flash_holds inst1 "$out/image.bin"
}

rm -rf "$out"
mkdir -p "$out"
printf '0\n2000\n3000\n4000\n8000\n' >"$out/blocks.cfg"
head -c "$IMAGE_BYTES" "$bin/sample-firmware.bin" >"$out/image.bin"
head -c "$LONG_IMAGE_BYTES" "$bin/sample-firmware.bin" >"$out/long.bin"

shift
tests=("$@")
[ ${#tests[@]} -gt 0 ] || tests=(sequencer contract update busy unplug window hotplug)
for name in "${tests[@]}"; do
  run_test "$name"
done
echo "usb_rig: $passed passed, $failed failed"
[ $failed -eq 0 ]
