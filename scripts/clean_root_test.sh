#!/usr/bin/env bash
# Installs the Debian package into a minimal Debian root and uses it there as
# a user would:
#   scripts/clean_root_test.sh [--release R] --prepare       only makes the cached root
#   scripts/clean_root_test.sh [--release R] <package.deb>   the whole test
# R is the Debian release of the root: bookworm (Debian 12, the default) or
# trixie (Debian 13). The root is made once with mmdebstrap (essential
# packages and apt only, from the machine's own mirror) and kept as
# build/cleanroot/<release>.tar; the packages downloaded into it are kept in
# build/cleanroot/archives-<release>. Each test unpacks a fresh copy, installs
# the package with apt-get (so a missing dependency fails the test), runs the
# three programs, takes a screenshot of the window
# (build/artefacts/package-window-<release>.png) and removes the package
# again, checking that nothing of it is left.
# Exits 77, after a line "SKIPPED: <reason>", when no clean root can be made
# here. The root is locked (build/cleanroot/<release>.lock) while it is made.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
release=bookworm
if [ "${1:-}" = "--release" ]; then
  release=${2:?usage: clean_root_test.sh [--release bookworm|trixie] --prepare | <package.deb>}
  shift 2
fi
case $release in
  bookworm) debian="Debian 12" ;;
  trixie) debian="Debian 13" ;;
  *) echo "clean root: unknown release $release (bookworm or trixie)" >&2; exit 2 ;;
esac
cache=$root/build/cleanroot
base=$cache/$release.tar
archives=$cache/archives-$release
artefacts=$root/build/artefacts
title="Firmware update   V1.0"
sample=/usr/lib/vantrel/sample-firmware.bin
# Fixed limits for every command (seconds).
readonly make_timeout=600 install_timeout=600 update_timeout=120 command_timeout=30 window_timeout=60

source "$root/scripts/x_window.sh"

log() { echo "clean root ($debian): $*"; }
skip() { log "SKIPPED: $*"; exit 77; }

# A root that cannot be made (no network, no mmdebstrap, not root) is a skip;
# everything after it that fails is a failure.
make_base() {
  [ "$(id -u)" -eq 0 ] || skip "making and entering a root needs root"
  command -v mmdebstrap >/dev/null || skip "mmdebstrap is not installed"
  mkdir -p "$cache" "$archives/partial"
  exec 8>"$cache/$release.lock"
  flock 8
  if [ -s "$base" ]; then
    return 0
  fi
  local started=$SECONDS
  # The machine's own package sources, for this release, so the root sees the
  # same mirror.
  sed "s/bookworm/$release/g" /etc/apt/sources.list.d/debian.sources >"$cache/$release.sources"
  if ! timeout "$make_timeout" mmdebstrap --mode=root --format=tar --variant=apt --skip=cleanup/apt/lists \
      --aptopt='Acquire::Check-Valid-Until "false"' \
      "$release" "$base.part" "$cache/$release.sources" >"$cache/mmdebstrap-$release.log" 2>&1; then
    rm -f "$base.part"
    skip "mmdebstrap could not make a $debian root: $(grep -m1 '^E:' "$cache/mmdebstrap-$release.log" || tail -n1 "$cache/mmdebstrap-$release.log")"
  fi
  mv "$base.part" "$base"
  log "made $base in $((SECONDS - started)) s ($(du -m "$base" | cut -f1) MiB)"
}

if [ "${1:-}" = "--prepare" ]; then
  make_base
  exit 0
fi
deb=${1:?usage: clean_root_test.sh [--release bookworm|trixie] --prepare | <package.deb>}
deb=$(realpath "$deb")
[ -f "$deb" ] || { log "no package $deb"; exit 1; }
make_base

work=$(mktemp -d "$cache/run.XXXXXX")
target=$work/root
pids=()
failures=0
fail() { log "FAIL: $*"; failures=$((failures + 1)); }
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# in_root <seconds> <command...>: runs a command in the root with a time
# limit, in mount and process namespaces of its own, so nothing mounted or
# started there outlives it. unshare sits out a TERM, so a KILL follows it.
in_root() {
  local limit=$1
  shift
  timeout -k 2 "$limit" unshare --mount --propagation private --pid --fork --kill-child -- \
    /bin/sh -c 'r=$1; shift
      mount -t proc proc "$r/proc" && mount --rbind /dev "$r/dev" &&
      mount --bind "$0" "$r/var/cache/apt/archives" || exit 1
      exec chroot "$r" /usr/bin/env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8 \
        XDG_RUNTIME_DIR=/run/user-test DEBIAN_FRONTEND=noninteractive DISPLAY="${DISPLAY:-}" "$@"' \
    "$archives" "$target" "$@"
}

# Lists every path in the root outside the kernel's file systems.
list_files() {
  (cd "$target" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./var/cache/apt/archives \) -prune -o -print | sort)
}

started=$SECONDS
mkdir -p "$target"
tar -C "$target" --numeric-owner -xpf "$base"
cp /etc/resolv.conf "$target/etc/resolv.conf"
mkdir -m 700 "$target/run/user-test"
cp "$deb" "$target/tmp/"
list_files >"$work/before"

# The package lists made with the root serve for a day.
update="apt-get update -q"
[ -z "$(find "$base" -mmin +1440)" ] && update=true
step=$SECONDS
if ! in_root "$install_timeout" sh -c "$update"' && apt-get install -y -q --no-install-recommends "/tmp/$1"' \
    _ "$(basename "$deb")" >"$work/install.log" 2>&1; then
  tail -n 20 "$work/install.log"
  log "FAIL: apt-get could not install $(basename "$deb") into a clean $debian root"
  exit 1
fi
log "installed with $(grep -c '^Setting up' "$work/install.log") packages in $((SECONDS - step)) s"
in_root "$command_timeout" dpkg-query -L vantrel >"$work/files"

# The programs on the PATH, in the root.
if version=$(in_root "$command_timeout" vantrel-update --version 2>&1); then
  log "vantrel-update --version: $version"
else
  fail "vantrel-update --version: $version"
fi
in_root "$command_timeout" vantrel-update --list >"$work/list.log" 2>&1 || fail "vantrel-update --list: $(cat "$work/list.log")"
step=$SECONDS
if in_root "$update_timeout" vantrel-update --simulated --product "Home 61" --out simulated --in simulated \
    --data "$sample" --verify >"$work/update.log" 2>&1 && grep -q "Update successful !" "$work/update.log"; then
  log "simulated update with verify: $(tail -n1 "$work/update.log") ($((SECONDS - step)) s)"
else
  fail "simulated update: $(tail -n3 "$work/update.log")"
fi
help_text=$(in_root "$command_timeout" vantrel-sim-instrument --help 2>&1) || fail "vantrel-sim-instrument --help: $help_text"

# The window under a virtual X display of this machine: the program in the
# root reaches it through the display's abstract socket.
window_test() {
  start_xvfb "$work" || { fail "no virtual display"; return; }
  in_root "$window_timeout" vantrel >"$work/vantrel.log" 2>&1 &
  local app=$! wid
  pids+=($app)
  wid=$(find_window "$title" "$app") || { fail "the window: $(cat "$work/vantrel.log")"; return; }
  log "window title: '$title'"
  sleep 0.5
  mkdir -p "$artefacts"
  import -window "$wid" "$artefacts/package-window-$release.png" && log "screenshot: $artefacts/package-window-$release.png"
  kill "$app"
  wait "$app" 2>/dev/null
}
window_test
rm -rf "$target/run/user-test"/* "$target/tmp/$(basename "$deb")"

# Removing the package leaves none of its files, nor anything named after it
# (its own folders included); folders it shares with other packages stay.
step=$SECONDS
in_root "$install_timeout" apt-get purge -y -q vantrel >"$work/purge.log" 2>&1 || fail "apt-get purge: $(tail -n3 "$work/purge.log")"
list_files >"$work/after"
left=$(sed 's|^|.|' "$work/files" | sort | comm -12 - "$work/after" | comm -23 - "$work/before" |
  while read -r path; do [ -d "$target/$path" ] || echo "$path"; done)
named=$(grep -i vantrel "$work/after" | comm -23 - "$work/before")
[ -z "$left$named" ] || fail "left behind after removal: $(echo $left $named)"
log "removed in $((SECONDS - step)) s"

log "test took $((SECONDS - started)) s"
if [ $failures -ne 0 ]; then
  log "$failures check(s) failed"
  exit 1
fi
log "all checks passed"
