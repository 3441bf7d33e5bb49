#!/usr/bin/env bash
# The USB-MIDI rig's tests: one list of scenarios, run by one of three runners.
#   scripts/usb_rig/tests.sh linux <bin dir> [scenario...]
#   scripts/usb_rig/tests.sh wine <bin dir> <Windows bin dir> [scenario...]
#   scripts/usb_rig/tests.sh web <bin dir> <site dir> [scenario...]
# linux: the Linux programs (the headless updater and the real window on
# Xvfb) over ALSA raw MIDI to the USB device that the kernel's USB-MIDI driver
# makes of a gadget. wine: the Windows programs through Wine's WinMM, which
# reaches the same device through the ALSA sequencer. web: the page's engine
# (the site, build/web) in headless Chromium and Firefox over their Web MIDI,
# which reaches the device through the sequencer too (web/page.sh). Either way
# the standalone instrument (a Linux program) serves the gadget's side of the
# cable. Outcomes are checked by bytes and by the result each program
# reports: under emulation milliseconds mean little.
#
# On the machine it prepares what the runner needs (wine: the Wine prefix,
# scripts/windows/wine.sh) and boots the rig (scripts/usb_rig.sh), which runs
# this script again inside (--in-rig). The wine runner exits 77 (skipped)
# without a Windows build or Wine, the web runner without the page's engine or
# Chromium. Logs, screenshots and each scenario's time go to <bin dir>/../usb-rig/
# (linux), <bin dir>/../usb-rig-wine/ (wine) or <bin dir>/../usb-rig-web/ (web).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
readonly skipped=77

# Every scenario and the runners it applies to, in the order they run.
readonly scenarios=(
  "sequencer linux"           # what the ALSA sequencer makes of a data message
  "contract  linux wine"      # the backend contract, the peer echoing on the gadget's port
  "native    web"             # the update by the Linux updater: the page's reference, run before a browser holds the device
  "update    linux wine web"  # an update with verify
  "busy      linux wine"      # the USB device is held by another program
  "unplug    linux wine web"  # the cable pulled mid-run, put back, a new run
  "window    linux wine"      # an update through the real window
  "hotplug   linux"           # the chosen device is replaced by another while the window is open
  "twin      wine"            # a second instrument of the same name, chosen by number
  "firefox   web"             # the page's update in Firefox
)

usage() {
  echo "usage: scripts/usb_rig/tests.sh linux <bin dir> [scenario...]" >&2
  echo "       scripts/usb_rig/tests.sh wine <bin dir> <Windows bin dir> [scenario...]" >&2
  echo "       scripts/usb_rig/tests.sh web <bin dir> <site dir> [scenario...]" >&2
  exit 2
}

in_rig=0
[ "${1:-}" = --in-rig ] && { in_rig=1; shift; }
runner=${1:-}
case $runner in linux | wine | web) ;; *) usage ;; esac
shift
[ $# -ge 1 ] || usage
bin=$(cd "$1" && pwd)
shift
windows_bin="" web_site=""
if [ "$runner" = wine ]; then
  [ $# -ge 1 ] || usage
  windows_bin=$1
  shift
elif [ "$runner" = web ]; then
  [ $# -ge 1 ] || usage
  web_site=$1
  shift
fi

# Under emulation one look at the display can take a second or more, and a
# Wine program's first window half a minute.
x_display_wait_s=120 x_window_wait_s=240
if [ "$runner" = wine ]; then
  # shellcheck source=../windows/wine.sh
  source "$root/scripts/windows/wine.sh"
fi

if [ $in_rig = 0 ]; then
  if [ "$runner" = wine ]; then
    skip() { echo "usb_rig (Wine): SKIPPED: $*"; exit $skipped; }
    [ -x "$windows_bin/vantrel-update.exe" ] || skip "no Windows build in $windows_bin (scripts/windows/build.sh makes it)"
    command -v wine >/dev/null || skip "Wine is not installed"
    windows_bin=$(cd "$windows_bin" && pwd)
    pids=()
    prepare_wine_prefix || exit 1
    # The rig's Wine writes to the same prefix: a server of the machine's own must be gone.
    wineserver -w
  elif [ "$runner" = web ]; then
    skip() { echo "usb_rig (page): SKIPPED: $*"; exit $skipped; }
    [ -f "$web_site/vantrel-engine.js" ] || skip "no page engine in $web_site (scripts/web_build.sh makes it)"
    command -v chromium >/dev/null || skip "Chromium is not installed (scripts/setup.sh installs it)"
    [ -x /lib/systemd/systemd-udevd ] || skip "udev is not installed (scripts/setup.sh installs it)"
    web_site=$(cd "$web_site" && pwd)
  fi
  exec bash "$root/scripts/usb_rig.sh" bash "$0" --in-rig "$runner" "$bin" ${windows_bin:+"$windows_bin"} \
    ${web_site:+"$web_site"} "$@"
fi

if [ "$runner" = wine ]; then
  out=$(cd "$bin/.." && pwd)/usb-rig-wine
  suite="usb rig (Wine)"
elif [ "$runner" = web ]; then
  out=$(cd "$bin/.." && pwd)/usb-rig-web
  suite="usb rig (page)"
else
  out=$(cd "$bin/.." && pwd)/usb-rig
  suite="usb rig"
fi
# shellcheck source=helpers.sh
source "$here/helpers.sh"
# shellcheck source=web/page.sh
[ "$runner" != web ] || source "$here/web/page.sh"

readonly LONG_IMAGE_BYTES=131072  # long enough to pull the cable in the middle
readonly SEQUENCER_BYTES=4101     # one data message of 1024 words
readonly SEQ_BUFFER_BYTES=65536   # snd-seq-midi's buffers for Wine: the longest message whole, both ways
readonly CONTRACT_TIMEOUT_S=300   # one run of the backend contract
if [ "$runner" = wine ]; then
  readonly IMAGE_BYTES=8192       # 4 Ki words: four data messages of 1024 words (4101 bytes)
  readonly RUN_TIMEOUT_S=300      # a Wine start under emulation takes up to a minute
  readonly DESKTOP_WAIT_S=300     # Wine's desktop, started once: minutes on a busy machine
  # Windows executables do not run from the shared root file system (9p):
  # the programs run from a copy on the rig's own /tmp.
  readonly programs=/tmp/vantrel-windows
else
  readonly IMAGE_BYTES=24576      # 12 Ki words: two flash blocks
  # The page's update of the image takes 20 to 90 s under emulation.
  if [ "$runner" = web ]; then readonly RUN_TIMEOUT_S=300; else readonly RUN_TIMEOUT_S=120; fi
  readonly programs=$bin
fi
# How far the run has written before the cable is pulled: 10 %, the page's 50 %.
if [ "$runner" = web ]; then
  readonly UNPLUG_PERCENT='([5-9][0-9]|100)'
  # The page's pace for the instrument's own USB port, ten times a MIDI
  # cable's; unpaced, the browsers in the rig send hardly faster (README).
  readonly WEB_BYTES_PER_SECOND=31250
else
  readonly UNPLUG_PERCENT='([1-9][0-9]|100)'
fi

# program <name>: sets `started` to the words that start one of the programs.
program() {
  if [ "$runner" = wine ]; then
    started=(wine "$programs/$1.exe")
  else
    started=("$programs/$1")
  fi
}

# file_arg <path>: a file's path as the programs take it.
file_arg() {
  if [ "$runner" = wine ]; then wine_path "$1"; else echo "$1"; fi
}

# update <log> <args...>: the headless updater with the rig's block list, one
# JSON line per event into <log>; sets `code` to the exit code the updater
# reported in its result line (empty without one). The web runner's is the
# page's (page_update).
update() {
  if [ "$runner" = web ]; then page_update "$@"; else program_update "$@"; fi
}

# program_update <log> <args...>: update by the program itself. After its
# work Wine 8's MIDI driver may crash on the way out (exit 139), so the
# updater's own word counts, and Wine's exit code is noted when it differs.
program_update() {
  local log=$1 exited=0 started
  shift
  program vantrel-update
  timeout "$RUN_TIMEOUT_S" "${started[@]}" --json --blocks "$(file_arg "$out/blocks.cfg")" "$@" \
    >"$out/$log" 2>&1 || exited=$?
  code=$(result_code "$log")
  [ -z "$code" ] || [ "$code" = "$exited" ] || note "the process ended with $exited after the updater's result $code"
}

# expect_success <log>: the run in <log> succeeded; otherwise its last message is shown.
expect_success() { expect "exit code 0, not '$code': $(last_message "$1")" [ "$code" = 0 ]; }

result_code() { sed -n 's/.*"event":"result".*"exitCode":\([0-9]*\).*/\1/p' "$out/$1" | tail -n1; }

# The text of the updater's last message.
last_message() { sed -n 's/.*"event":"message".*"text":"\(.*\)"}.*/\1/p' "$out/$1" | tail -n1; }

# wine_desktop: Wine's desktop (explorer.exe) up before the first window. A
# program that finds no desktop starts explorer itself but waits only 10 s
# for it; under emulation explorer takes a minute or more, and the program is
# then left without a display driver: it runs on, and its windows never show.
# Explorer started as the desktop runs the command it is given once the
# desktop is up: that command leaves a folder as the sign. The desktop stays
# for every later window, until the Wine server ends.
desktop_up=0
wine_desktop() {
  [ $desktop_up = 1 ] && return 0
  local started=$SECONDS sign=$out/desktop-up
  rm -rf "$sign"
  wine explorer.exe /desktop=Default cmd.exe /c mkdir "$(wine_path "$sign")" >"$out/desktop.log" 2>&1 &
  if ! wait_until "$DESKTOP_WAIT_S" test -d "$sign"; then
    note "FAIL: Wine's desktop did not come up within $DESKTOP_WAIT_S s (see desktop.log)"
    failures=$((failures + 1))
    return 1
  fi
  desktop_up=1
  note "Wine's desktop came up in $((SECONDS - started)) s"
}

# open_window <picture>: the window on the rig's display; sets x, y.
open_window() {
  if [ "$runner" = wine ]; then
    wine_desktop || return
    show_window "$1" window.log wine "$programs/vantrel.exe"
  else
    show_window "$1" window.log env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$xdg_runtime" "$programs/vantrel"
  fi
}

test_sequencer() {
  # What the sequencer makes of one data message: the reason firmware goes
  # through raw MIDI. A measurement, not a product path.
  "$bin/sequencer_probe" hw:inst1,0 "USB MIDI Instrument" "$SEQUENCER_BYTES" >"$out/sequencer.log" 2>&1
  expect "the probe measured (exit $?)" log_has sequencer.log "arrived" || return
  note "ALSA sequencer to the USB device: $(cat "$out/sequencer.log")"
}

# alsa_contract <binary> <log>: the backend contract over ALSA raw MIDI; the
# test echoes on the gadget's port itself and pulls the cable once.
alsa_contract() {
  VANTREL_RIG_CARD=Instrument VANTREL_RIG_PEER=hw:inst1,0 \
    VANTREL_RIG_UNPLUG="$gadget unplug inst1 && $gadget wait-gone Instrument" \
    VANTREL_RIG_PLUG="$gadget plug inst1 && $gadget wait-card Instrument && $gadget wait-card inst1" \
    timeout "$CONTRACT_TIMEOUT_S" "$1" >"$out/$2" 2>&1
}

# The backend contract over WinMM; the test echoes on the gadget's port
# itself. Wine may crash on the way out after the work (see update), so
# GoogleTest's own summary counts.
winmm_contract() {
  VANTREL_RIG_DEVICE="USB MIDI Instrument MIDI 1" VANTREL_RIG_PEER="f_midi - f_midi" \
    timeout "$CONTRACT_TIMEOUT_S" wine "$programs/test_winmm_contract.exe" >"$out/contract.log" 2>&1
}

test_contract() {
  local rc=0 tsan=${VANTREL_TSAN_BIN:-}/test_alsa_contract
  if [ "$runner" = wine ]; then
    winmm_contract
  else
    alsa_contract "$bin/test_alsa_contract" contract.log || rc=$?
    expect "the contract's program ended well (exit $rc)" [ $rc -eq 0 ]
  fi
  note "$(grep -E '^\[  (PASSED|FAILED|SKIPPED) +\] [0-9]' "$out/contract.log" | tr '\n' ' ')"
  expect "the contract holds (see contract.log)" log_has contract.log '^\[  PASSED  \] [0-9]'
  expect "no case failed (see contract.log)" log_lacks contract.log '^\[  FAILED  \]'
  # The same under ThreadSanitizer, when the test command has built it.
  [ "$runner" = linux ] && [ -n "${VANTREL_TSAN_BIN:-}" ] && [ -x "$tsan" ] || return 0
  rc=0
  TSAN_OPTIONS=halt_on_error=1 alsa_contract "$tsan" contract-tsan.log || rc=$?
  expect "the contract holds under ThreadSanitizer (exit $rc; see contract-tsan.log)" [ $rc -eq 0 ]
}

# updated <log>: an update with verify of the image, checked by the instrument's flash.
updated() {
  start_instrument inst1 || return
  update "$1" --out USB --in USB --data "$(file_arg "$out/image.bin")" --verify
  stop_instrument inst1
  expect_success "$1"
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
  note "the instrument received $(messages_received inst1) messages"
  [ "$runner" != web ] || page_checked "$1"
}

test_update() { updated update.log; }

# The page's reference: the same update by the Linux updater over raw MIDI, its bytes and its time.
test_native() {
  local started
  start_instrument inst1 || return
  started=$(date +%s.%N)
  program_update native.log --out USB --in USB --data "$out/image.bin" --verify
  seconds_since "$started" >"$out/native.seconds"
  stop_instrument inst1
  expect_success native.log
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
  cp "$out/inst1.log" "$out/native-inst1.log"
  cp "$out/inst1.received" "$out/native.received"
  note "$(cat "$out/native.seconds") s; the instrument received $(stat -c %s "$out/inst1.received") bytes"
}

test_firefox() {
  local page_browser=firefox
  expect "Firefox is installed (scripts/setup.sh installs it)" installed firefox-esr || return
  updated firefox.log
  browser_down
}

test_busy() {
  start_instrument inst1 || return
  hold_usb_input || return
  update busy.log --out USB --in USB --data "$(file_arg "$out/image.bin")"
  stop_instrument inst1
  note "the message: $(last_message busy.log)"
  expect "exit code 4, not '$code'" [ "$code" = 4 ]
  if [ "$runner" = wine ]; then
    # Wine's WinMM names no reason of its own; the message names the device.
    expect "the message names the device" log_has busy.log 'USB MIDI Instrument MIDI 1'
  else
    expect "the message says the port is in use" log_has busy.log "is in use by another program"
  fi
  expect "nothing reached the instrument" [ "$(messages_received inst1)" = 0 ]
}

# The unplugged run has written UNPLUG_PERCENT of the image, or has ended.
under_way() { grep -Eqs "\"phase\":\"Updating...\",\"percent\":${UNPLUG_PERCENT}[,}]" "$out/unplug.log"; }
has_result() { [ -n "$(result_code unplug.log)" ]; }

test_unplug() {
  start_instrument inst1 || return
  [ "$runner" != web ] || browser_up "$page_browser" || return
  rm -f "$out/unplug.log"  # the run is under way by its own log, not an earlier one's
  update unplug.log --out USB --in USB --data "$(file_arg "$out/long.bin")" &
  local run=$! pulled ended seconds
  expect "the run got under way" wait_until "$RUN_TIMEOUT_S" under_way || return
  pulled=$(date +%s.%N)
  "$gadget" unplug inst1
  wait_until "$RUN_TIMEOUT_S" has_result
  ended=$(date +%s.%N)
  wait $run
  # The page tells when its run ended.
  [ "$runner" != web ] || ended=$(awk -v ms="$(page_field unplug.log endedAt)" 'BEGIN {printf "%.3f", ms / 1000}')
  seconds=$(awk -v a="$pulled" -v b="$ended" 'BEGIN {printf "%.2f", b - a}')
  note "the run ended $seconds s after the cable was pulled: $(last_message unplug.log)"
  expect "exit code 5, not '$(result_code unplug.log)'" [ "$(result_code unplug.log)" = 5 ]
  case $runner in
    # Over raw MIDI the device's own message, not a time-out's: the send ended when the cable went.
    linux) expect "the device's message" log_has unplug.log "No such device" ;;
    # The browser tells the port's statechange, which ends the run within 2 s.
    web)
      expect "the device's message" log_has unplug.log 'is no longer connected'
      expect "the run ended within 2 s of the pull, not $seconds s" awk -v s="$seconds" 'BEGIN {exit !(s <= 2)}'
      ;;
  esac
  # Back in: the same instrument serves again and a new run succeeds.
  "$gadget" plug inst1
  expect "the USB device came back" "$gadget" wait-card Instrument || return
  expect "the instrument is serving again" wait_for_log inst1.log "is back" "$START_WAIT" || return
  update replug.log --out USB --in USB --data "$(file_arg "$out/image.bin")"
  stop_instrument inst1
  # Later scenarios reuse the instrument's files: keep this one's for a look after a failure.
  cp "$out/inst1.log" "$out/unplug-inst1.log"
  cp "$out/inst1.flash" "$out/unplug-inst1.flash"
  expect_success replug.log
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
}

test_window() {
  start_instrument inst1 || return
  open_window window || return
  type_data_path "$(file_arg "$out/image.bin")"
  expect "the run ended with a message" click_update window-result || return
  stop_instrument inst1
  expect "the flash holds the image" flash_holds inst1 "$out/image.bin"
  expect "the image was read back" log_has inst1.log "read replies [1-9]"
}

test_hotplug() {
  start_instrument inst1 || return
  open_window hotplug || return
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
  "$gadget" remove inst2
  expect "nothing reached the other instrument" [ "$(messages_received inst2)" = 0 ]
  expect "the chosen instrument got the image" flash_holds inst1 "$out/image.bin"
}

# The number of the second device named "USB MIDI Instrument MIDI 1" in the
# MIDI out list of twin-list.log (a Windows console's lines end in CR LF).
second_instrument() {
  tr -d '\r' <"$out/twin-list.log" | sed -n '/MIDI out/,/MIDI in/p' |
    sed -n 's/^ *\([0-9]*\): USB MIDI Instrument MIDI 1$/\1/p' | sed -n 2p
}

test_twin() {
  start_instrument inst1 || return
  # A second instrument of the same make comes: two devices of one name.
  "$gadget" add inst2
  "$gadget" wait-card inst2 && "$gadget" wait-card Instrument_1
  start_instrument inst2 || return
  local started
  program vantrel-update
  timeout "$RUN_TIMEOUT_S" "${started[@]}" --list >"$out/twin-list.log" 2>&1
  local second
  second=$(second_instrument)
  expect "a new process lists both instruments" [ -n "$second" ] || return
  update twin.log --out "$second" --in "$second" --data "$(file_arg "$out/image.bin")"
  stop_instrument inst1
  stop_instrument inst2
  "$gadget" remove inst2
  expect_success twin.log
  expect "the second instrument got the image" flash_holds inst2 "$out/image.bin"
  expect "nothing reached the first" [ "$(messages_received inst1)" = 0 ]
}

# restore_rig: the rig as a scenario finds it: the one instrument's USB
# device plugged in and no other.
restore_rig() {
  "$gadget" reset inst1 && "$gadget" wait-card Instrument && "$gadget" wait-card inst1
}

# applies <scenario>: true when the scenario runs on this runner.
applies() {
  local entry
  for entry in "${scenarios[@]}"; do
    read -r -a words <<<"$entry"
    [ "${words[0]}" = "$1" ] || continue
    [[ " ${words[*]:1} " == *" $runner "* ]] && return 0
    return 1
  done
  return 1
}

rm -rf "$out"
mkdir -p "$out"
printf '0\n2000\n3000\n4000\n8000\n' >"$out/blocks.cfg"
head -c "$IMAGE_BYTES" "$bin/sample-firmware.bin" >"$out/image.bin"
head -c "$LONG_IMAGE_BYTES" "$bin/sample-firmware.bin" >"$out/long.bin"
if [ "$runner" = wine ]; then
  for way in output input; do
    echo "$SEQ_BUFFER_BYTES" >/sys/module/snd_seq_midi/parameters/${way}_buffer_size
  done
  rm -rf "$programs"
  mkdir -p "$programs"
  (cd "$windows_bin" && cp -r vantrel.exe vantrel-update.exe test_winmm_contract.exe ./*.dll platforms styles imageformats config help "$programs/")
fi

# One display for every scenario (and, for Wine, one Wine server: Wine
# starts its services and its desktop once); the browsers need none.
xvfb=""
if [ "$runner" = web ]; then
  web_prepare || exit 1
else
  display=$(mktemp -d)
  xdg_runtime=$display
  start_xvfb "$display" || exit 1
  xvfb=${pids[-1]}
  pids=()
fi
[ "$runner" = wine ] && wineserver -p

chosen=("$@")
if [ ${#chosen[@]} -eq 0 ]; then
  for entry in "${scenarios[@]}"; do
    read -r name _ <<<"$entry"
    applies "$name" && chosen+=("$name")
  done
fi
for name in "${chosen[@]}"; do
  if applies "$name"; then
    run_test "$name"
  else
    note "FAIL: no scenario '$name' for the $runner runner"
    failed=$((failed + 1))
  fi
done
[ "$runner" = wine ] && wineserver -k
[ "$runner" != web ] || browser_down
[ -z "$xvfb" ] || stop_pid "$xvfb"
[ ${#second_tries[@]} -eq 0 ] || note "passed on the second try: ${second_tries[*]}"
echo "$suite: $passed passed, $failed failed"
[ $failed -eq 0 ]
