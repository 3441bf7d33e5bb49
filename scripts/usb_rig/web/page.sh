# shellcheck shell=bash disable=SC2034,SC2154 # variables of tests.sh and helpers.sh, both ways
# The web runner's part of the USB-MIDI rig (tests.sh web): the page's engine
# in a headless browser inside the rig, run by the rig's own page
# (harness.html), which serve.py serves on the rig's loopback beside the site.
# Source it after helpers.sh, with `out`, `here` and `web_site` set.
#
# What a browser needs in the rig:
#  - the loopback up (the rig's init), the page on http://localhost, a secure
#    context;
#  - the permission for Web MIDI with System Exclusive messages stored in a
#    fresh profile as a user's "Allow" (profile.py);
#  - Chromium: udev describing the sound cards. It lists the sequencer's card
#    ports only for cards udev calls initialized (SOUND_INITIALIZED), and none
#    at all while the number of MIDI devices of those cards differs from the
#    number of card clients of the sequencer: udev told only of the USB
#    device's card, Chromium listed no port;
#  - the gadget's own end of the cable kept away from the browsers. A browser
#    subscribes every port it lists, and a subscription of the gadget's port
#    takes its raw MIDI device: with the instrument holding it, Chromium logged
#    "snd_seq_subscribe_port fails: Resource temporarily unavailable" and left
#    the port out; had the browser come first, the instrument could not have
#    opened its device, as after every re-plug. A udev rule therefore unbinds
#    the sequencer's MIDI driver from every gadget's card at each plug and
#    leaves such cards uninitialized: the browsers see only the USB device,
#    Chromium's counts agree, and the order in which the instrument and the
#    browser start does not matter.
# The sequencer's MIDI buffers stay at their defaults, as users have them.

readonly web_port=8099
readonly web_origin=http://localhost:$web_port
readonly BROWSER_WAIT_S=240   # Chromium shows a page in 20 to 80 s under emulation
page_browser=chromium         # the browser page_update runs in
web_browser="" web_browser_pid=""

# web_prepare: udev with the gadget rule, and the site served with the rig's page.
web_prepare() {
  mkdir -p /run/udev/rules.d
  cat >/run/udev/rules.d/90-usb-rig-gadget.rules <<'EOF'
SUBSYSTEM=="snd_seq", ACTION=="add", DEVPATH=="*/gadget.*", RUN+="/bin/sh -c 'echo %k >/sys/bus/snd_seq/drivers/snd_seq_midi/unbind'"
SUBSYSTEM=="sound", KERNEL=="card*", DEVPATH=="*/gadget.*", ENV{SOUND_INITIALIZED}=""
EOF
  export SYSTEMD_IGNORE_CHROOT=1  # the rig's command runs in a chroot
  /lib/systemd/systemd-udevd --daemon >"$out/udev.log" 2>&1 || return
  udevadm trigger --action=add --subsystem-match=sound --subsystem-match=snd_seq
  udevadm settle --timeout=10
  note "the sequencer's MIDI output buffer: $(cat /sys/module/snd_seq_midi/parameters/output_buffer_size) bytes"
  served=$out/site
  cp -r "$web_site" "$served"
  cp "$here/web/harness.html" "$here/web/harness.js" "$served/"
  /usr/bin/python3 "$here/web/serve.py" "$served" "$web_port" "$out" 2>"$out/serve.log" &
}

# browser_up <chromium|firefox>: that browser showing the rig's page, the other one ended.
browser_up() {
  [ "$web_browser" = "$1" ] && kill -0 "$web_browser_pid" 2>/dev/null && return 0
  browser_down
  local profile=/tmp/usb-rig-$1 started=$SECONDS
  # A page that comes up runs the command it finds: no earlier one's.
  rm -rf "$profile" "$out/page.log" "$served/command.json"
  /usr/bin/python3 "$here/web/profile.py" "$1" "$profile" "$web_origin" || return
  case $1 in
    chromium) chromium --headless=new --no-sandbox --disable-gpu --no-first-run --user-data-dir="$profile" \
      "$web_origin/harness.html" >"$out/chromium.log" 2>&1 & ;;
    firefox) firefox-esr --headless --no-remote --profile "$profile" "$web_origin/harness.html" >"$out/firefox.log" 2>&1 & ;;
  esac
  web_browser_pid=$! web_browser=$1
  wait_until "$BROWSER_WAIT_S" page_up_or_browser_gone
  if ! log_has page.log ready; then
    note "FAIL: $1 did not show the rig's page within $BROWSER_WAIT_S s, or ended (see $1.log)"
    failures=$((failures + 1))
    browser_down
    return 1
  fi
  note "$1 showed the rig's page in $((SECONDS - started)) s"
}

installed() { command -v "$1" >/dev/null; }

page_up_or_browser_gone() { log_has page.log ready || ! kill -0 "$web_browser_pid" 2>/dev/null; }

browser_down() {
  [ -z "$web_browser_pid" ] || stop_pid "$web_browser_pid"
  web_browser="" web_browser_pid=""
}

# page_update <log> <args...>: one run of the page's engine in $page_browser
# with the headless updater's arguments, at the rig's pace; its JSON lines go
# to <log>, every byte it handed to the browser to <log>.sent. The files of
# the run (the rig's, in $out) go into the site, where the page takes them
# from. Sets `code` as update does.
page_update() {
  local log=$1 arg args=() error
  shift
  code=""
  browser_up "$page_browser" || return
  for arg in --blocks "$out/blocks.cfg" "$@"; do
    case $arg in "$out"/*) cp "$arg" "$served/" && arg=/input/${arg##*/} ;; esac
    args+=("$arg")
  done
  rm -f "$out/$log" "$out/$log.sent"
  # A new id for each run, also from a subshell (a run in the background).
  printf '{"id":%s,"log":"%s","bytesPerSecond":%d,"args":%s}\n' "$(date +%s%N)" "$log" "$WEB_BYTES_PER_SECOND" \
    "$(json_words "${args[@]}")" >"$served/command.next"
  mv "$served/command.next" "$served/command.json"
  wait_until "$RUN_TIMEOUT_S" log_has "$log" '"event":"page"'
  code=$(result_code "$log")
  error=$(sed -n 's/.*"event":"page","error":"\(.*\)","endedAt".*/\1/p' "$out/$log")
  [ -z "$error" ] || note "the page could not run: $error"
}

json_words() {
  local word list=""
  for word; do
    word=${word//\\/\\\\}
    list+="${list:+,}\"${word//\"/\\\"}\""
  done
  echo "[$list]"
}

# page_field <log> <field>: a number of the page's last line.
page_field() { sed -n "s/.*\"event\":\"page\".*\"$2\":\([0-9.]*\).*/\1/p" "$out/$1"; }

# page_checked <log>: every byte the page sent reached the instrument, which
# did the same work as for the native updater (scenario native); the times.
page_checked() {
  local native page
  note "the page sent $(stat -c %s "$out/$1.sent") bytes; $(stat -c %s "$out/inst1.received") reached the instrument"
  expect "the instrument received every byte the page sent" cmp "$out/$1.sent" "$out/inst1.received"
  [ -s "$out/native.seconds" ] || { note "no native run to compare with (scenario native)"; return; }
  expect "the instrument did what it did for the native updater" [ "$(work_done inst1.log)" = "$(work_done native-inst1.log)" ]
  cmp -s "$out/native.received" "$out/$1.sent" ||
    note "the page's bytes and the native updater's: $(cmp "$out/native.received" "$out/$1.sent" 2>&1 | sed "s|$out/||g")"
  native=$(cat "$out/native.seconds") page=$(page_field "$1" seconds)
  note "time: the page $(printf %.1f "$page") s, the native updater $native s" \
    "($(awk -v p="$page" -v n="$native" 'BEGIN {printf "%.1f", p / n}')x)"
}

# What the instrument's summary says it did, apart from the count of messages.
work_done() { sed -n 's/.*: messages [0-9]* (malformed 0), //p' "$out/$1" | tail -n1; }
