#!/usr/bin/env bash
# End-to-end update through a private JACK server, with the standalone
# simulated instrument and the headless updater as separate processes:
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
  stop_process "$instrument_pid"
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
  log "jackd cannot start here; skipping"
  sed 's/^/  jackd: /' "$work/jackd.log"
  exit 77
}

# start_instrument <name> [options...]: runs the instrument and waits for its input port.
start_instrument() {
  local name=$1
  shift
  "$instrument" --server "$server" --name "$name" --flash-out "$work/$name.flash" "$@" >"$work/$name.log" 2>&1 &
  instrument_pid=$!
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

make_inputs() {
  printf '0\n2000\n3000\n4000\n8000\n' >"$work/blocks.cfg"
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

for tool in "$updater" "$instrument"; do
  [ -x "$tool" ] || { log "missing program: $tool"; exit 1; }
done
command -v jackd >/dev/null && command -v jack_lsp >/dev/null || { log "jackd is not installed; skipping"; exit 77; }

start_server
make_inputs
case_flash_and_verify
case_no_reply
case_killed_mid_run

if [ $failures -ne 0 ]; then
  log "$failures check(s) failed"
  exit 1
fi
log "all checks passed"
