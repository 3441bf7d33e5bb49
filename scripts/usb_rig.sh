#!/usr/bin/env bash
# Runs one command inside the USB-MIDI rig and returns its exit code.
#   scripts/usb_rig.sh [--] COMMAND [ARGS...]
#
# The rig is Debian's own kernel in QEMU with an emulated USB device
# controller (dummy_hcd) and a USB MIDI gadget "inst1" plugged into it: card 0
# is the gadget's side (f_midi, id inst1: the instrument's end of the cable),
# card 1 the USB device as snd-usb-audio drives it ("USB MIDI Instrument", id
# Instrument). The machine's
# root file system is shared into the rig and the command runs there
# unchanged, in the current directory and with the current environment; what
# it writes outside /tmp, /run and /dev/shm lands on the machine. Its output
# appears here. scripts/usb_rig/gadget.sh plugs and unplugs gadgets.
#
# Exits 77 (skipped) when QEMU cannot run here. Kernel and initramfs are
# cached in build/usb-rig (VANTREL_RIG_CACHE); VANTREL_RIG_TIMEOUT bounds the
# whole run in seconds (default 1200); VANTREL_RIG_QEMU names the QEMU program
# (default qemu-system-x86_64; a name that is not there shows the skip),
# VANTREL_RIG_CPU the CPU that software emulation models (default max,smap=off).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VANTREL_RIG_CACHE:-$root/build/usb-rig}
readonly timeout_s=${VANTREL_RIG_TIMEOUT:-1200}
readonly qemu=${VANTREL_RIG_QEMU:-qemu-system-x86_64}
# A kernel that has not reached its init in this time under KVM is taken for a
# KVM that hangs (as nested KVM can); software emulation boots in about 10 s.
readonly kvm_boot_s=20
readonly tcg_boot_s=120
readonly skipped=77

[ "${1:-}" = "--" ] && shift
[ $# -gt 0 ] || { echo "usage: scripts/usb_rig.sh [--] COMMAND [ARGS...]" >&2; exit 2; }

skip() {
  echo "usb_rig: SKIPPED: $*"
  exit "$skipped"
}

command -v "$qemu" >/dev/null || skip "QEMU ($qemu) is not installed (scripts/setup.sh installs it)"
bash "$root/scripts/usb_rig/prepare.sh" "$cache" || skip "cannot fetch Debian's kernel or build the initramfs"
cache=$(cd "$cache" && pwd)

run=$(mktemp -d "$cache/run.XXXXXX")
qemu_pid=""
cleanup() {
  if [ -n "$qemu_pid" ]; then
    kill "$qemu_pid" 2>/dev/null || true
    wait "$qemu_pid" 2>/dev/null || true
  fi
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# The command as a script the rig's bash runs: same directory, same environment.
{
  export -p | grep -Ev '^declare -x (DISPLAY|XAUTHORITY|WAYLAND_DISPLAY|XDG_RUNTIME_DIR|DBUS_SESSION_BUS_ADDRESS|SHLVL|OLDPWD)='
  printf 'cd %q || exit 1\n' "$PWD"
  printf 'exec'
  printf ' %q' "$@"
  printf '\n'
} >"$run/command"

# 9p passes ownership through only for root; others share what they may read.
security=none
[ "$(id -u)" -eq 0 ] && security=passthrough

# Software emulation of SMAP faults Wine's return to user mode (an iretq the
# kernel takes for a page fault: "Oops" in wineboot.exe); without it Wine runs.
start_qemu() {
  local accel=$1 cpu=${VANTREL_RIG_CPU:-max,smap=off}
  [ "$accel" = kvm ] && cpu=host
  "$qemu" -accel "$accel" -cpu "$cpu" -smp 2 -m 2048 \
    -nodefaults -no-user-config -display none -no-reboot \
    -kernel "$cache/vmlinuz" -initrd "$cache/initramfs.cpio.gz" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 rig_run=$run" \
    -chardev stdio,id=console,signal=off -serial chardev:console \
    -fsdev "local,id=hostroot,path=/,security_model=$security,multidevs=remap" \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    </dev/null > >(stdbuf -oL tr -d '\r') 2>"$run/qemu.log" &
  qemu_pid=$!
}

# Waits until the rig has booted (0), QEMU ended (1) or `seconds` passed (2).
wait_for_boot() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    [ -e "$run/booted" ] && return 0
    kill -0 "$qemu_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 2
}

stop_qemu() {
  kill "$qemu_pid" 2>/dev/null || true
  wait "$qemu_pid" 2>/dev/null || true
  qemu_pid=""
}

boot() {
  local accel=$1 limit=$2 status=0
  start_qemu "$accel"
  wait_for_boot "$limit" || status=$?
  [ $status -eq 0 ] && return 0
  stop_qemu
  return $status
}

started=$SECONDS
accel=""
if [ -r /dev/kvm ] && [ -w /dev/kvm ] && [ "$(cat "$cache/kvm" 2>/dev/null)" != hangs ]; then
  if boot kvm "$kvm_boot_s"; then
    accel=kvm
  else
    echo "usb_rig: KVM could not boot the rig (within $kvm_boot_s s); using software emulation"
    echo hangs >"$cache/kvm"
  fi
fi
if [ -z "$accel" ]; then
  status=0
  boot tcg "$tcg_boot_s" || status=$?
  if [ $status -eq 1 ]; then
    sed 's/^/usb_rig: qemu: /' "$run/qemu.log"
    skip "QEMU cannot run here"
  fi
  [ $status -eq 0 ] || { echo "usb_rig: the rig did not boot within $tcg_boot_s s" >&2; exit 1; }
  accel=tcg
fi
echo "usb_rig: booted in $((SECONDS - started)) s ($accel)"

# The rig powers off when the command ends.
deadline=$((started + timeout_s))
while kill -0 "$qemu_pid" 2>/dev/null; do
  if [ $SECONDS -ge $deadline ]; then
    echo "usb_rig: the command did not end within $timeout_s s" >&2
    exit 1
  fi
  sleep 0.2
done
wait "$qemu_pid" 2>/dev/null || true
qemu_pid=""
[ -s "$run/rc" ] || { echo "usb_rig: the rig ended without the command's exit code" >&2; exit 1; }
exit "$(cat "$run/rc")"
