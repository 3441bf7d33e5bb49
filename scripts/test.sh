#!/usr/bin/env bash
# Builds and runs every test: the normal build, the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the reply hand-over test
# under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== build and test (RelWithDebInfo)"
bash scripts/build.sh build/release
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE no-sanitizer

echo "== reply hand-over and simulated link under ThreadSanitizer"
bash scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=thread -- test_reply_handover test_simulated_backend
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -R '^(test_reply_handover|test_simulated_backend)$'

echo "== the real window under Xvfb: title check and screenshots (build/artefacts)"
bash scripts/screenshots.sh build/release
