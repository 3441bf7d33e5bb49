#!/usr/bin/env bash
# Builds and runs every test: the normal build, the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, every test that starts
# threads under ThreadSanitizer, a short fuzzing run of
# every parser of outside input, the window under Xvfb, the page's engine in
# Node and the page in headless Chromium, the end-to-end run through JACK,
# the tests in the USB-MIDI rig (QEMU), the page's engine there in Chromium
# and Firefox over Web MIDI; then the Debian package,
# checked and tried in clean Debian 12 and Debian 13 roots; then the Windows
# build, cross-built with MinGW-w64, its tests and its installer under Wine,
# and the Windows programs on the USB-MIDI rig through Wine's WinMM.
#
# Each check is one step (`step "<name>" command...`). A step passes on exit
# 0; exit 77 means it cannot run on this machine (its output says why, in a
# line with "SKIPPED: <reason>"); anything else fails it. A failed step does
# not stop the run: the later ones still run, so one run shows every result.
# Outside CI a step that cannot run is skipped; with CI=true it fails the run,
# as CI must show that every check ran. The last lines list every step with
# its result and time; the exit code is 1 when any step failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

export QT_QPA_PLATFORM=offscreen
# Only the sanitizer builds read these.
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
export TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp"
# The USB-MIDI rig runs the ALSA backend contract from there too.
export VANTREL_TSAN_BIN=$root/build/tsan/bin
jobs=$(nproc)
logs=build/steps
rm -rf "$logs"
mkdir -p "$logs"

step_names=()
step_results=()
step_seconds=()
step_notes=()
current_step=""
current_started=0
clean_roots_pid=""

in_ci() { [ "${CI:-}" = true ]; }

# step <name> <command...>: runs one step, its output shown and kept in
# build/steps/, and records its result.
step() {
  local name=$1
  shift
  local log
  log=$logs/$(printf '%02d' "${#step_names[@]}").log
  echo "== $name"
  current_step=$name
  current_started=$SECONDS
  local started=$SECONDS
  "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  current_step=""
  local result note=""
  case $rc in
    0) result=passed ;;
    77)
      note=$(grep 'SKIPPED:' "$log" | tail -n 1 | sed 's/.*SKIPPED: *//')
      note=${note:-$(tail -n 1 "$log")}
      if in_ci; then
        result=failed
        note="cannot run here, and CI runs every step: $note"
      else
        result=skipped
      fi
      echo "== $name: $result, $note"
      ;;
    *) result=failed; note="exit code $rc" ;;
  esac
  record "$name" "$result" $((SECONDS - started)) "$note"
}

record() {
  step_names+=("$1")
  step_results+=("$2")
  step_seconds+=("$3")
  step_notes+=("$4")
}

summary() {
  [ -z "$current_step" ] || record "$current_step" failed $((SECONDS - current_started)) "interrupted"
  local passed=0 failed=0 skipped=0 i
  echo "== summary"
  for i in "${!step_names[@]}"; do
    printf '%-8s %-60s %5d s%s\n' "${step_results[$i]}" "${step_names[$i]}" "${step_seconds[$i]}" \
      "${step_notes[$i]:+  ${step_notes[$i]}}"
    case ${step_results[$i]} in
      passed) passed=$((passed + 1)) ;;
      skipped) skipped=$((skipped + 1)) ;;
      *) failed=$((failed + 1)) ;;
    esac
  done
  echo "steps: $passed passed, $failed failed, $skipped skipped"
  [ $failed -eq 0 ]
}

# suite <build dir> [ctest options...]: the build tree's tests through ctest.
# A test that could not run here (ctest's skip code 77, or a GoogleTest case
# that skipped itself, found in the XML report each test writes into
# <build dir>/gtest-reports/) makes the step one that cannot run, with the
# reasons.
suite() {
  local build=$1
  shift
  local reports=$build/gtest-reports log=$build/ctest.log
  rm -rf "$reports"
  ctest --test-dir "$build" --output-on-failure "$@" | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || return 1
  local skipped
  skipped=$(skipped_ctest_tests "$log"; skipped_gtest_cases "$reports")
  [ -n "$skipped" ] || return 0
  echo "$skipped" | sed 's/^/not run: /'
  echo "SKIPPED: $(echo "$skipped" | wc -l) test(s) could not run here:" \
    "$(echo "$skipped" | sed 's/^[^(]*(\(.*\))$/\1/' | sort -u | awk '{ printf "%s%s", (NR > 1 ? "; " : ""), $0 }')"
  return 77
}

# "<test> (<reason>)" for each test ctest skipped; the reason is the test's
# own "SKIPPED:" line when its output (--verbose) shows one.
skipped_ctest_tests() {
  local reason
  reason=$(grep 'SKIPPED:' "$1" | tail -n 1 | sed 's/.*SKIPPED: *//')
  sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$1" | while read -r test; do
    echo "$test (${reason:-it exited 77; ctest --verbose shows why})"
  done
}

# "<suite>.<case> (<reason>)" for each GoogleTest case that skipped itself;
# the reason is the last line of the skip's message.
skipped_gtest_cases() {
  cat "$1"/*.xml 2>/dev/null | awk '
    function attribute(name,   value) {
      if (!match($0, name "=\"[^\"]*\"")) return ""
      return substr($0, RSTART + length(name) + 2, RLENGTH - length(name) - 3)
    }
    /<testcase / && /result="skipped"/ { test = attribute("classname") "." attribute("name"); next }
    test != "" && /<skipped / {
      reason = attribute("message"); sub(/.*&#x0A;/, "", reason)
      gsub(/&apos;/, "\047", reason); gsub(/&quot;/, "\"", reason)
      gsub(/&lt;/, "<", reason); gsub(/&gt;/, ">", reason); gsub(/&amp;/, "\\&", reason)
      print test " (" reason ")"; test = ""
    }'
}

finish() {
  local rc=$?
  [ -z "$clean_roots_pid" ] || kill -TERM -- -"$clean_roots_pid" 2>/dev/null || true
  summary || [ $rc -ne 0 ] || rc=1
  exit $rc
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# clean_root <release>: the package made by the package step, tried in a
# clean root of that Debian release. It waits while the background job holds
# the root's lock; a root that job could not make is not tried again.
clean_root() {
  local prepared=build/cleanroot/prepare-$1
  flock "build/cleanroot/$1.lock" true
  cat "$prepared.log" 2>/dev/null
  [ "$(cat "$prepared.rc" 2>/dev/null)" != 77 ] || return 77
  bash scripts/clean_root_test.sh --release "$1" build/package/package/vantrel_*.deb
}

# tsan_build: the tests that start threads (ctest label threads) and the
# rig's backend contract, built with ThreadSanitizer; nothing else.
tsan_build() {
  local targets
  mapfile -t targets < <(ctest --test-dir build/release -L threads -N | sed -n 's/^ *Test *#[0-9]*: //p')
  bash scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=thread -- "${targets[@]}" test_alsa_contract
}

# windows_suite: the cross-built test suites under Wine (ctest runs each test
# through `wine`), in a subshell of its own for Wine's environment.
windows_suite() (
  pids=()
  trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
  source scripts/windows/wine.sh
  prepare_wine_prefix || exit 1
  suite build/windows/release -j "$jobs"
)

# web_suite: the page's engine built for WebAssembly and its tests in Node.
web_suite() {
  bash scripts/web_build.sh && suite build/wasm -j "$jobs"
}

# web_page: the page laid out in build/web and checked in headless Chromium.
web_page() {
  bash scripts/web_build.sh -- vantrel-engine vantrel-page && /usr/bin/python3 tests/web/page_test.py build/web
}

step "setup: the Debian packages the project needs" bash scripts/setup.sh
# The clean roots for the package test are network and disk bound: they are
# made in the background while the builds compile, one after the other.
mkdir -p build/cleanroot
rm -f build/cleanroot/prepare-*
setsid bash -c 'for release in "$@"; do
    bash scripts/clean_root_test.sh --release "$release" --prepare >"build/cleanroot/prepare-$release.log" 2>&1
    echo $? >"build/cleanroot/prepare-$release.rc"
  done' _ bookworm trixie &
clean_roots_pid=$!

step "build (RelWithDebInfo)" bash scripts/build.sh build/release
step "tests (RelWithDebInfo)" suite build/release -j "$jobs" -LE 'usb-rig|end-to-end'
step "build under ASan + UBSan" bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=address,undefined
step "tests under ASan + UBSan" suite build/asan -j "$jobs" -LE no-sanitizer
step "build under TSan (every test that starts threads)" tsan_build
step "tests under TSan" suite build/tsan -j "$jobs" -L threads
step "fuzzing: every parser of outside input (libFuzzer)" bash scripts/fuzz.sh
step "the real window under Xvfb: title check and screenshots" bash scripts/screenshots.sh build/release
step "the window at display scales 1, 1.25, 1.5 and 2: screenshots and pixel check" \
  bash scripts/scale_screenshots.sh build/release
step "screen readers: the AT-SPI tree walked with pyatspi, an update through it" \
  bash scripts/atspi_test.sh build/release
step "keyboard only: a simulated update by key events to \"Update successful !\"" \
  bash scripts/keyboard_test.sh build/release
step "dark GTK theme: the window equals the light one" bash scripts/dark_theme_test.sh build/release
step "web: the engine in WebAssembly, its tests and the shipped engine in Node" web_suite
step "web: the page in headless Chromium (update visible and hidden, keyboard, accessibility, screenshots)" \
  web_page
step "end-to-end through a private JACK server" suite build/release -L end-to-end --verbose
step "USB-MIDI rig: the kernel's USB-MIDI driver in QEMU" suite build/release -L usb-rig --verbose
step "USB-MIDI rig: the page's engine over Chromium's and Firefox's Web MIDI" \
  bash scripts/usb_rig/tests.sh web build/release/bin build/web
step "Debian package: build, lintian, desktop and AppStream checks" bash scripts/package.sh
step "the package in a clean Debian 12 root" clean_root bookworm
step "the package in a clean Debian 13 root" clean_root trixie
step "Qt for Windows from Debian's source (built once, then cached)" bash scripts/windows/qt.sh
step "Windows build and installer (MinGW-w64, NSIS)" bash scripts/windows/build.sh
step "Windows test suites under Wine" windows_suite
step "Windows: the headless updater under Wine" bash scripts/windows/headless_test.sh
step "Windows: the window under Wine, screenshots" bash scripts/windows/window_test.sh
step "Windows: the installer under Wine" bash scripts/windows/installer_test.sh \
  build/windows/release/package/vantrel-1.0-win64.exe
step "USB-MIDI rig under Wine: WinMM on the kernel's USB-MIDI driver" bash scripts/usb_rig/tests.sh wine \
  build/release/bin build/windows/release/bin
