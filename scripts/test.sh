#!/usr/bin/env bash
# Builds and runs every test: the normal build, the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, the cross-thread reply
# hand-over and wake-up tests under ThreadSanitizer, a short fuzzing run of
# every parser of outside input, the tests in the USB-MIDI rig (QEMU); then the
# Debian package, checked and tried in a clean Debian 12 root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# The clean root for the package test is network and disk bound: it is made
# in the background while the builds compile, and joined before that test.
mkdir -p build/cleanroot
setsid bash scripts/clean_root_test.sh --prepare >build/cleanroot/prepare.log 2>&1 &
clean_root_pid=$!
trap 'kill -TERM -- -$clean_root_pid 2>/dev/null || true' EXIT

echo "== build and test (RelWithDebInfo)"
bash scripts/build.sh build/release
ctest --test-dir build/release --output-on-failure -j "$jobs" -LE usb-rig

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE no-sanitizer

echo "== reply hand-over, reply wake-up and simulated link under ThreadSanitizer"
bash scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=thread -- test_reply_handover test_reply_wake test_simulated_backend
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -R '^(test_reply_handover|test_reply_wake|test_simulated_backend)$'

echo "== fuzzing: every parser of outside input for a fixed time (clang, libFuzzer)"
bash scripts/fuzz.sh

echo "== the real window under Xvfb: title check and screenshots (build/artefacts)"
bash scripts/screenshots.sh build/release

echo "== the kernel's USB-MIDI driver with an emulated USB device, in QEMU (one boot for every rig test)"
ctest --test-dir build/release --output-on-failure -L usb-rig --verbose

echo "== Debian package: build, lintian, desktop-file-validate, appstreamcli validate"
bash scripts/package.sh build/release | tee build/package.log
deb=$(tail -n1 build/package.log)

echo "== the package in a clean Debian 12 root"
prepared=0
wait "$clean_root_pid" || prepared=$?
cat build/cleanroot/prepare.log
case $prepared in
  0) bash scripts/clean_root_test.sh "$deb" ;;
  77) ;;  # the line above says why no clean root could be made
  *) exit 1 ;;
esac
