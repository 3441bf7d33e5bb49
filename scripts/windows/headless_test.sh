#!/usr/bin/env bash
# vantrel-update.exe under Wine against its simulated instrument: a whole
# update with verify, a backup round trip, the same under a path of more than
# 300 characters, a failing erase, a data file no other program may open
# during a run, a session end refused during a run, and Ctrl-C in the middle
# of a run (a second one ends it at once). Every failure is said in a line
# naming its case. The image lies in a folder
# whose name holds letters outside the Windows code page, so only a program
# that reads its command line and opens its files in UTF-16 finds it.
#   scripts/windows/headless_test.sh [build dir]   (default build/windows/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
dir=${1:-build/windows/release}
bin=$root/$dir/bin
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
source scripts/windows/wine.sh
name_failures
prepare_wine_prefix

work=$root/$dir/headless-test
rm -rf "$work"
folder="$work/Zoë/Прошивка"
mkdir -p "$folder"
image="$folder/neu – 2.bin"
cp "$bin/sample-firmware.bin" "$image"
image_bytes=$(stat -c %s "$image")
failures=0

fail() { echo "FAIL: $case_name: $*" >&2; failures=$((failures + 1)); }

# update <log> <args...>: runs the updater with the simulated instrument on
# the product Home 61; sets `code`.
update() {
  local log=$1; shift
  code=0
  wine "$bin/vantrel-update.exe" --simulated --product "Home 61" --out simulated --in simulated "$@" \
    >"$work/$log.out" 2>"$work/$log.err" || code=$?
}

# Only the part of the flash the image reaches is compared.
same_start() { cmp -s -n "$image_bytes" "$1" "$2"; }

begin "update with verify, image under $(wine_path "$image")"
update update --data "$(wine_path "$image")" --verify --sim-save "$(wine_path "$work/flash.bin")"
[ "$code" = 0 ] || fail "update exited $code: $(cat "$work/update.err")"
grep -q "Update successful !" "$work/update.err" || fail "no success message: $(cat "$work/update.err")"
same_start "$image" "$work/flash.bin" || fail "the simulated flash does not hold the image"

begin "the program in a folder named in three scripts finds config\\ beside itself"
app="$folder/Programm – ω"
mkdir -p "$app"
cp -r "$bin/vantrel-update.exe" "$bin"/*.dll "$bin/config" "$app/"
code=0
wine "$app/vantrel-update.exe" --simulated --product "Home 61" --out simulated --in simulated \
  --data "$(wine_path "$image")" >"$work/moved.out" 2>"$work/moved.err" || code=$?
[ "$code" = 0 ] || fail "the moved program exited $code: $(grep -v ALSA "$work/moved.err" | tail -n 3)"

begin "backup round trip: keep the old flash, update, write the backup back"
head -c "$image_bytes" /dev/zero | tr '\0' '\125' >"$work/old.bin"
update backup --data "$(wine_path "$image")" --sim-load "$(wine_path "$work/old.bin")" \
  --backup "$(wine_path "$folder/alt – sicherung.bin")" --sim-save "$(wine_path "$work/updated.bin")"
[ "$code" = 0 ] || fail "update with backup exited $code: $(cat "$work/backup.err")"
same_start "$work/old.bin" "$folder/alt – sicherung.bin" || fail "the backup does not hold the old flash"
update restore --data "$(wine_path "$folder/alt – sicherung.bin")" --sim-load "$(wine_path "$work/updated.bin")" \
  --sim-save "$(wine_path "$work/restored.bin")"
[ "$code" = 0 ] || fail "writing the backup back exited $code"
same_start "$work/old.bin" "$work/restored.bin" || fail "the flash written back differs from the old one"

begin "a data file and a backup under a path of more than 300 characters"
deep="$work/$(printf '%0120d' 0)/$(printf '%0120d' 1)/$(printf '%060d' 2)"
mkdir -p "$deep"
cp "$image" "$deep/image.bin"
[ "$(wine_path "$deep/image.bin" | wc -m)" -gt 300 ] || fail "the deep path is not long enough"
update deep --data "$(wine_path "$deep/image.bin")" --verify --sim-load "$(wine_path "$work/old.bin")" \
  --backup "$(wine_path "$deep/backup.bin")" --sim-save "$(wine_path "$deep/deep.bin")"
[ "$code" = 0 ] || fail "the update under a long path exited $code: $(cat "$work/deep.err")"
same_start "$work/old.bin" "$deep/backup.bin" || fail "the backup under a long path does not hold the old flash"
update deep-restore --data "$(wine_path "$deep/backup.bin")" --sim-load "$(wine_path "$deep/deep.bin")" \
  --sim-save "$(wine_path "$work/deep-restored.bin")"
[ "$code" = 0 ] || fail "writing back the backup under a long path exited $code: $(cat "$work/deep-restore.err")"
same_start "$work/old.bin" "$work/deep-restored.bin" || fail "the flash written back from a long path differs"

begin "an erase that never ends"
update stuck --data "$(wine_path "$image")" --sim-stuck-sector 0 --sim-load "$(wine_path "$work/old.bin")"
[ "$code" = 5 ] || fail "a stuck sector exited $code, expected 5"
grep -q "Fail to erase flash" "$work/stuck.err" || fail "no erase failure message: $(cat "$work/stuck.err")"

# Longest a run stopped by a test may take to end, in seconds.
readonly stop_wait=120

# start_writing <log> <link rate> [args...]: starts an update in the
# background and returns two chunks in (past the erase of the first block, in
# the middle of writing, the data file open); sets `writer`. Fails, naming
# the case, when the run does not get there.
start_writing() {
  local log=$1 rate=$2 i
  shift 2
  wine "$bin/vantrel-update.exe" --simulated --product "Home 61" --out simulated --in simulated \
    --data "$(wine_path "$image")" --json --sim-rate "$rate" "$@" >"$work/$log.out" 2>"$work/$log.err" &
  writer=$!
  pids+=("$writer")
  for ((i = 0; i < 600; i++)); do
    grep -q '"position":2,' "$work/$log.out" 2>/dev/null && return 0
    kill -0 "$writer" 2>/dev/null || break
    sleep 0.1
  done
  fail "the run did not get two chunks in: $(tail -n 3 "$work/$log.err")"
  return 1
}

# stop_writer: Ctrl-C to the run (Wine hands a SIGINT to the program as
# Ctrl-C), then waits for its end; sets `code`.
stop_writer() {
  kill -INT "$writer" 2>/dev/null || true
  finish "$writer" "$stop_wait"
}

begin "the data file is shared with no other program while a run sends it"
if start_writing holder 20000; then
  update second --data "$(wine_path "$image")"
  [ "$code" = 3 ] || fail "a second run on the data file in use exited $code, expected 3"
  grep -q "File shareing violation" "$work/second.err" || fail "no sharing violation: $(cat "$work/second.err")"
fi
stop_writer

begin "Ctrl-C during a run: the message in flight and the end command still go out"
if start_writing ctrl-c 20000; then
  stop_writer
  [ "$code" = 130 ] || fail "Ctrl-C exited $code, expected 130: $(cat "$work/ctrl-c.err")"
  grep -q '"interruptedBy":"Ctrl-C"' "$work/ctrl-c.out" || fail "the result does not name Ctrl-C: $(tail -n1 "$work/ctrl-c.out")"
  grep -q '"endCommands":1' "$work/ctrl-c.out" || fail "the end command did not go out: $(grep instrument "$work/ctrl-c.out")"
  grep -q 'incomplete firmware' "$work/ctrl-c.out" || fail "no word of the incomplete firmware: $(grep message "$work/ctrl-c.out")"
fi

begin "a second Ctrl-C while the first is carried out ends the run at once"
# The end command never leaves the simulated wire: once the program has said
# that it is stopping, the run cannot end before the second Ctrl-C comes.
if start_writing twice 20000 --sim-stall-at-end; then
  kill -INT "$writer" 2>/dev/null || true
  for ((i = 0; i < stop_wait * 10; i++)); do
    grep -q "stopping once the message on its way" "$work/twice.err" && break
    sleep 0.1
  done
  if ! grep -q "stopping once the message on its way" "$work/twice.err"; then
    fail "the first Ctrl-C was not taken within $stop_wait s: $(cat "$work/twice.err")"
  elif ! kill -0 "$writer" 2>/dev/null; then
    fail "the run ended with the end command still on the wire: $(cat "$work/twice.err")"
  fi
  stop_writer
  [ "$code" = 130 ] || fail "two Ctrl-C exited $code, expected 130"
  grep -q "the end command may not have gone out" "$work/twice.err" || fail "no word of the end command: $(cat "$work/twice.err")"
fi

begin "the end of the session waits for a run"
# Windows ask whether the session may end, so the program's window needs a
# display driver: a Wine session of its own on a display of its own.
wineserver -k 2>/dev/null || true
start_xvfb "$work"
refused=0
if start_writing session 20000; then
  wine wineboot --end-session >"$work/end-session.log" 2>&1 || refused=1
fi
# The run goes on; stopped here, it still sends the end command. (Its outcome
# is not asked for: Wine's work for the session's end can hold the simulated
# instrument's thread past a reply's time-out on a loaded machine.)
stop_writer
wineserver -k 2>/dev/null || true
[ "$refused" = 1 ] || fail "the session was let end during a run"
grep -q '"what":"[^"]*WM_QUERYENDSESSION' "$work/session.out" ||
  fail "no refusal of the session's end taken: $(grep inhibitor "$work/session.out")"
grep -q '"endCommands":1' "$work/session.out" || fail "the run was cut off: $(tail -n 3 "$work/session.out")"
# Wine ends no session that a window refused, so the hidden window's answer
# to WM_ENDSESSION and to another program's WM_CLOSE is tried by its test.
wine "$bin/test_shutdown_blocker.exe" >"$work/shutdown-blocker.log" 2>&1 ||
  fail "the hidden window's test failed: $(grep -E 'Failure|FAILED' -A3 "$work/shutdown-blocker.log" | head -n 12)"
grep -q '^\[  PASSED  \] 1 test' "$work/shutdown-blocker.log" ||
  fail "the hidden window's test did not run: $(tail -n 3 "$work/shutdown-blocker.log")"

[ "$failures" = 0 ] || { echo "headless updater under Wine: $failures failure(s); logs in $work" >&2; exit 1; }
echo "headless updater under Wine: every case passed"
