#!/usr/bin/env bash
# vantrel-update.exe under Wine against its simulated instrument: a whole
# update with verify, a backup round trip, the same under a path of more than
# 300 characters, a failing erase, a data file no other program may open
# during a run, a session end refused during a run, and Ctrl-C in the middle
# of a run (a second one ends it at once). The image lies in a folder
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
prepare_wine_prefix

work=$root/$dir/headless-test
rm -rf "$work"
folder="$work/Zoë/Прошивка"
mkdir -p "$folder"
image="$folder/neu – 2.bin"
cp "$bin/sample-firmware.bin" "$image"
image_bytes=$(stat -c %s "$image")
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

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

echo "-- update with verify, image under $(wine_path "$image")"
update update --data "$(wine_path "$image")" --verify --sim-save "$(wine_path "$work/flash.bin")"
[ "$code" = 0 ] || fail "update exited $code: $(cat "$work/update.err")"
grep -q "Update successful !" "$work/update.err" || fail "no success message: $(cat "$work/update.err")"
same_start "$image" "$work/flash.bin" || fail "the simulated flash does not hold the image"

echo "-- the program in a folder named in three scripts finds config\\ beside itself"
app="$folder/Programm – ω"
mkdir -p "$app"
cp -r "$bin/vantrel-update.exe" "$bin"/*.dll "$bin/config" "$app/"
code=0
wine "$app/vantrel-update.exe" --simulated --product "Home 61" --out simulated --in simulated \
  --data "$(wine_path "$image")" >"$work/moved.out" 2>"$work/moved.err" || code=$?
[ "$code" = 0 ] || fail "the moved program exited $code: $(grep -v ALSA "$work/moved.err" | tail -n 3)"

echo "-- backup round trip: keep the old flash, update, write the backup back"
head -c "$image_bytes" /dev/zero | tr '\0' '\125' >"$work/old.bin"
update backup --data "$(wine_path "$image")" --sim-load "$(wine_path "$work/old.bin")" \
  --backup "$(wine_path "$folder/alt – sicherung.bin")" --sim-save "$(wine_path "$work/updated.bin")"
[ "$code" = 0 ] || fail "update with backup exited $code: $(cat "$work/backup.err")"
same_start "$work/old.bin" "$folder/alt – sicherung.bin" || fail "the backup does not hold the old flash"
update restore --data "$(wine_path "$folder/alt – sicherung.bin")" --sim-load "$(wine_path "$work/updated.bin")" \
  --sim-save "$(wine_path "$work/restored.bin")"
[ "$code" = 0 ] || fail "writing the backup back exited $code"
same_start "$work/old.bin" "$work/restored.bin" || fail "the flash written back differs from the old one"

echo "-- a data file and a backup under a path of more than 300 characters"
deep="$work/$(printf '%0120d' 0)/$(printf '%0120d' 1)/$(printf '%060d' 2)"
mkdir -p "$deep"
cp "$image" "$deep/image.bin"
[ "$(wine_path "$deep/image.bin" | wc -m)" -gt 300 ] || fail "the deep path is not long enough"
update deep --data "$(wine_path "$deep/image.bin")" --verify --sim-load "$(wine_path "$work/old.bin")" \
  --backup "$(wine_path "$deep/backup.bin")" --sim-save "$(wine_path "$work/deep.bin")"
[ "$code" = 0 ] || fail "the update under a long path exited $code: $(cat "$work/deep.err")"
same_start "$work/old.bin" "$deep/backup.bin" || fail "the backup under a long path does not hold the old flash"
update deep-restore --data "$(wine_path "$deep/backup.bin")" --sim-load "$(wine_path "$work/deep.bin")" \
  --sim-save "$(wine_path "$work/deep-restored.bin")"
[ "$code" = 0 ] || fail "writing back the backup under a long path exited $code: $(cat "$work/deep-restore.err")"
same_start "$work/old.bin" "$work/deep-restored.bin" || fail "the flash written back from a long path differs"

echo "-- an erase that never ends"
update stuck --data "$(wine_path "$image")" --sim-stuck-sector 0 --sim-load "$(wine_path "$work/old.bin")"
[ "$code" = 5 ] || fail "a stuck sector exited $code, expected 5"
grep -q "Fail to erase flash" "$work/stuck.err" || fail "no erase failure message: $(cat "$work/stuck.err")"

# start_writing <log> <link rate>: starts an update in the background and
# returns two chunks in (past the erase of the first block, in the middle of
# writing, the data file open); sets `writer`.
start_writing() {
  local log=$1 rate=$2 i
  wine "$bin/vantrel-update.exe" --simulated --product "Home 61" --out simulated --in simulated \
    --data "$(wine_path "$image")" --json --sim-rate "$rate" >"$work/$log.out" 2>"$work/$log.err" &
  writer=$!
  for ((i = 0; i < 300; i++)); do
    grep -q '"position":2,' "$work/$log.out" 2>/dev/null && break
    sleep 0.1
  done
}

echo "-- the data file is shared with no other program while a run sends it"
start_writing holder 20000
update second --data "$(wine_path "$image")"
[ "$code" = 3 ] || fail "a second run on the data file in use exited $code, expected 3"
grep -q "File shareing violation" "$work/second.err" || fail "no sharing violation: $(cat "$work/second.err")"
kill -INT "$writer" 2>/dev/null
wait "$writer" || true

echo "-- Ctrl-C during a run: the message in flight and the end command still go out"
# interrupt <log> <Ctrl-C count> <link rate>
interrupt() {
  local log=$1 signals=$2 rate=$3 i
  start_writing "$log" "$rate"
  # Wine hands a SIGINT to the program as Ctrl-C.
  for ((i = 0; i < signals; i++)); do kill -INT "$writer" 2>/dev/null; sleep 0.2; done
  code=0
  wait "$writer" || code=$?
}
interrupt ctrl-c 1 20000
[ "$code" = 130 ] || fail "Ctrl-C exited $code, expected 130: $(cat "$work/ctrl-c.err")"
grep -q '"interruptedBy":"Ctrl-C"' "$work/ctrl-c.out" || fail "the result does not name Ctrl-C: $(tail -n1 "$work/ctrl-c.out")"
grep -q '"endCommands":1' "$work/ctrl-c.out" || fail "the end command did not go out: $(grep instrument "$work/ctrl-c.out")"
grep -q 'incomplete firmware' "$work/ctrl-c.out" || fail "no word of the incomplete firmware: $(grep message "$work/ctrl-c.out")"

echo "-- a second Ctrl-C while the first is carried out ends the run at once"
# On a MIDI cable's speed a data message takes 1.3 s: the second Ctrl-C comes
# while the first waits for the message in flight.
interrupt twice 2 3125
[ "$code" = 130 ] || fail "two Ctrl-C exited $code, expected 130"
grep -q "the end command may not have gone out" "$work/twice.err" || fail "no word of the end command: $(cat "$work/twice.err")"

echo "-- the end of the session waits for a run"
# Windows ask whether the session may end, so the program's window needs a
# display driver: a Wine session of its own on a display of its own.
wineserver -k 2>/dev/null || true
start_xvfb "$work"
start_writing session 20000
refused=0
wine wineboot --end-session >"$work/end-session.log" 2>&1 || refused=1
# The run goes on; stopped here, it still sends the end command. (Its outcome
# is not asked for: Wine's work for the session's end can hold the simulated
# instrument's thread past a reply's time-out on a loaded machine.)
kill -INT "$writer" 2>/dev/null
wait "$writer" || true
wineserver -k 2>/dev/null || true
[ "$refused" = 1 ] || fail "the session was let end during a run"
grep -q '"what":"[^"]*WM_QUERYENDSESSION' "$work/session.out" ||
  fail "no refusal of the session's end taken: $(grep inhibitor "$work/session.out")"
grep -q '"endCommands":1' "$work/session.out" || fail "the run was cut off: $(tail -n 3 "$work/session.out")"

[ "$failures" = 0 ] || { echo "headless updater under Wine: $failures failure(s); logs in $work" >&2; exit 1; }
echo "headless updater under Wine: every case passed"
