#!/usr/bin/env bash
# End-to-end runs through a private JACK server, with the standalone
# simulated instrument and the headless updater as separate processes: an
# update, failures, a backup and its round trip, verify-only, read-out, and
# two instruments updated at the same time.
#   scripts/jack_e2e.sh <vantrel-update> <vantrel-sim-instrument> [sample image]
# Exits 77 (skipped) only when jackd cannot start here.
set -uo pipefail

updater=$1
instrument=$2
sample=${3:-}

# Fixed limits for every wait.
readonly SERVER_START_TIMEOUT_S=10
readonly PORT_TIMEOUT_S=5
readonly UPDATE_TIMEOUT_S=60
readonly STOP_TIMEOUT_S=5
readonly IMAGE_BYTES=24576   # 12 Ki words: two flash blocks, a few seconds of run

server="vantrel-e2e-$$"
work=$(mktemp -d)
export JACK_DEFAULT_SERVER=$server
export JACK_NO_START_SERVER=1
jackd_pid=""
instrument_pid=""
instrument_pids=()
failures=0

log() { echo "jack_e2e: $*"; }
fail() { log "FAIL: $*"; failures=$((failures + 1)); }

# Sends TERM, waits up to STOP_TIMEOUT_S, then KILLs; reaps the process.
stop_process() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt $((STOP_TIMEOUT_S * 10)) ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

cleanup() {
  # Clients first, then the server, each by its own process id.
  local pid
  for pid in "${instrument_pids[@]}"; do stop_process "$pid"; done
  stop_process "$jackd_pid"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP  # so a time-out of the caller still cleans up

start_server() {
  # The server goes down with this script even when the script is killed
  # outright (no trap runs then): a machine holds only a few JACK servers.
  local launcher=()
  command -v setpriv >/dev/null && launcher=(setpriv --pdeathsig TERM)
  "${launcher[@]}" jackd --no-realtime -n "$server" -S -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
  jackd_pid=$!
  local deadline=$((SECONDS + SERVER_START_TIMEOUT_S))
  while [ $SECONDS -lt $deadline ]; do
    if ! kill -0 "$jackd_pid" 2>/dev/null; then
      break
    fi
    if timeout 2 jack_lsp -s "$server" >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.2
  done
  sed 's/^/  jackd: /' "$work/jackd.log"
  log "SKIPPED: jackd cannot start here (its output above)"
  exit 77
}

# start_instrument <name> [options...]: runs the instrument and waits for its input port.
start_instrument() {
  local name=$1
  shift
  "$instrument" --server "$server" --name "$name" --flash-out "$work/$name.flash" "$@" >"$work/$name.log" 2>&1 &
  instrument_pid=$!
  instrument_pids+=("$instrument_pid")
  local deadline=$((SECONDS + PORT_TIMEOUT_S))
  while [ $SECONDS -lt $deadline ]; do
    if timeout 2 jack_lsp -s "$server" 2>/dev/null | grep -qx "$name:midi_in"; then
      return 0
    fi
    sleep 0.1
  done
  fail "$name: the instrument's ports did not appear"
  cat "$work/$name.log"
  return 1
}

stop_instrument() {
  stop_process "$instrument_pid"
  instrument_pid=""
}

# update <name> <log> [options...]: runs the headless updater against instrument <name>.
update() {
  local name=$1 out=$2
  shift 2
  timeout "$UPDATE_TIMEOUT_S" "$updater" --out "$name" --in "$name" --blocks "$work/blocks.cfg" "$@" >"$out" 2>&1
}

# flash_is <flash file> <image>: the flash holds the image and is erased beyond it.
flash_is() {
  local flash=$1 image=$2 size
  size=$(stat -c %s "$image")
  cmp -n "$size" "$image" "$flash" >/dev/null 2>&1 &&
    [ "$(tail -c +$((size + 1)) "$flash" | tr -d '\377' | wc -c)" -eq 0 ]
}

make_inputs() {
  printf '0\n2000\n3000\n4000\n8000\n' >"$work/blocks.cfg"
  # Small sectors for the service runs: the old image reaches into the third,
  # the new one ends inside the second.
  printf '0\n400\n800\nC00\n' >"$work/small-blocks.cfg"
  head -c 5120 /dev/urandom >"$work/old.bin"
  head -c 2560 /dev/urandom >"$work/new.bin"
  head -c "$IMAGE_BYTES" /dev/urandom >"$work/other.bin"
  if [ -n "$sample" ] && [ -f "$sample" ]; then
    head -c "$IMAGE_BYTES" "$sample" >"$work/image.bin"
    cp "$sample" "$work/long.bin"
  else
    log "no sample image given; using random bytes"
    head -c "$IMAGE_BYTES" /dev/urandom >"$work/image.bin"
    head -c 131072 /dev/urandom >"$work/long.bin"
  fi
}

case_flash_and_verify() {
  local name=vantrel-e2e-ok
  # The largest reply that fits the updater's input buffer keeps the read-back short.
  start_instrument "$name" --reply-words 49 || return
  local started=$SECONDS
  update "$name" "$work/ok.out" --data "$work/image.bin" --verify
  local rc=$?
  stop_instrument
  log "flash and verify: exit $rc after $((SECONDS - started)) s; instrument: $(tail -n 1 "$work/$name.log")"
  [ $rc -eq 0 ] || fail "flash and verify exited $rc: $(grep -v '%' "$work/ok.out" | tail -n 3)"
  grep -q "Update successful !" "$work/ok.out" || fail "no \"Update successful !\""
  if ! cmp -n "$IMAGE_BYTES" "$work/image.bin" "$work/$name.flash" >/dev/null 2>&1; then
    fail "the instrument's flash differs from the image"
  fi
}

case_no_reply() {
  local name=vantrel-e2e-mute
  start_instrument "$name" --no-reply || return
  update "$name" "$work/mute.out" --data "$work/image.bin" --verify
  local rc=$?
  stop_instrument
  log "instrument that never answers: exit $rc: $(tail -n 1 "$work/mute.out")"
  [ $rc -ne 0 ] && [ $rc -ne 124 ] || fail "expected a failure exit, got $rc"
  grep -q "Wait Time Out!" "$work/mute.out" || fail "no \"Wait Time Out!\""
}

case_killed_mid_run() {
  local name=vantrel-e2e-killed
  start_instrument "$name" || return
  local started=$SECONDS
  update "$name" "$work/killed.out" --data "$work/long.bin" --verify &
  local updater_pid=$!
  sleep 2.5  # inside the erase/write of the first blocks
  kill -KILL "$instrument_pid" 2>/dev/null
  wait "$instrument_pid" 2>/dev/null
  instrument_pid=""
  wait "$updater_pid"
  local rc=$?
  log "instrument killed mid-run: exit $rc after $((SECONDS - started)) s: $(tail -n 1 "$work/killed.out")"
  [ $rc -ne 0 ] || fail "the run claimed success"
  [ $rc -ne 124 ] || fail "the updater hung until the $UPDATE_TIMEOUT_S s limit"
  grep -q "Update successful !" "$work/killed.out" && fail "\"Update successful !\" after the instrument died"
  [ -s "$work/killed.out" ] || fail "no message at all"
}

case_service_runs() {
  local name=vantrel-e2e-service blocks=(--blocks "$work/small-blocks.cfg")
  start_instrument "$name" --reply-words 49 --sectors 0,0x400,0x800,0xC00 --flash-in "$work/old.bin" || return
  local started=$SECONDS
  update "$name" "$work/backup.out" "${blocks[@]}" --data "$work/new.bin" --backup "$work/old-backup.bin"
  local backup_rc=$?
  update "$name" "$work/restore.out" "${blocks[@]}" --data "$work/old-backup.bin"
  local restore_rc=$?
  update "$name" "$work/same.out" "${blocks[@]}" --data "$work/old.bin" --verify-only
  local same_rc=$?
  update "$name" "$work/differs.out" "${blocks[@]}" --data "$work/new.bin" --verify-only
  local differs_rc=$?
  update "$name" "$work/read.out" --read "$work/read.bin" --from 0x100 --words 0x200
  local read_rc=$?
  stop_instrument
  log "backup, restore, verify-only twice, read-out: exits $backup_rc $restore_rc $same_rc $differs_rc $read_rc" \
    "after $((SECONDS - started)) s"
  [ $backup_rc -eq 0 ] || fail "update with --backup exited $backup_rc: $(tail -n 2 "$work/backup.out")"
  [ "$(stat -c %s "$work/old-backup.bin" 2>/dev/null)" = 4096 ] || fail "the backup is not words 0 to 0x7FF"
  [ $restore_rc -eq 0 ] || fail "writing the backup back exited $restore_rc"
  flash_is "$work/$name.flash" "$work/old.bin" || fail "after the round trip the flash differs from before"
  [ $same_rc -eq 0 ] || fail "--verify-only of the flash's own image exited $same_rc"
  [ $differs_rc -eq 5 ] || fail "--verify-only of another image exited $differs_rc"
  grep -q "The first word that differs is at 0x" "$work/differs.out" || fail "no first differing word"
  [ $read_rc -eq 0 ] || fail "--read exited $read_rc"
  cmp "$work/read.bin" <(tail -c +513 "$work/old.bin" | head -c 1024) >/dev/null 2>&1 ||
    fail "--read did not save words 0x100 to 0x2FF"
}

case_two_at_once() {
  start_instrument vantrel-e2e-left --reply-words 49 || return
  local left_pid=$instrument_pid
  start_instrument vantrel-e2e-right --reply-words 49 || return
  local right_pid=$instrument_pid
  local started=$SECONDS
  # The flash files show what was written; without the read-back the two
  # runs meet in the erase polls only, whose replies have the longest waits.
  update vantrel-e2e-left "$work/left.out" --data "$work/image.bin" --no-verify &
  local left_update=$!
  update vantrel-e2e-right "$work/right.out" --data "$work/other.bin" --no-verify &
  local right_update=$!
  wait "$left_update"
  local left_rc=$?
  wait "$right_update"
  local right_rc=$?
  stop_process "$left_pid"
  stop_process "$right_pid"
  log "two updates at once: exits $left_rc and $right_rc after $((SECONDS - started)) s"
  [ $left_rc -eq 0 ] || fail "the first of two updates exited $left_rc: $(tail -n 2 "$work/left.out")"
  [ $right_rc -eq 0 ] || fail "the second of two updates exited $right_rc: $(tail -n 2 "$work/right.out")"
  flash_is "$work/vantrel-e2e-left.flash" "$work/image.bin" || fail "the first instrument's flash differs"
  flash_is "$work/vantrel-e2e-right.flash" "$work/other.bin" || fail "the second instrument's flash differs"
}

for tool in "$updater" "$instrument"; do
  [ -x "$tool" ] || { log "missing program: $tool"; exit 1; }
done
command -v jackd >/dev/null && command -v jack_lsp >/dev/null || { log "SKIPPED: jackd is not installed"; exit 77; }

start_server
make_inputs
case_flash_and_verify
case_no_reply
case_killed_mid_run
case_service_runs
case_two_at_once

if [ $failures -ne 0 ]; then
  log "$failures check(s) failed"
  exit 1
fi
log "all checks passed"
