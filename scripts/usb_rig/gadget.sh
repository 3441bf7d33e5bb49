#!/bin/sh
# USB MIDI gadgets of the rig, made through configfs. A gadget plugged into
# one of the emulated device controllers (dummy_udc.N) is a real USB device to
# the rig's kernel: snd-usb-audio drives it as "USB MIDI Instrument", while the
# gadget's own raw MIDI card (f_midi) is the instrument's end of the cable;
# that card's id is the gadget's NAME, so hw:NAME,0 opens it wherever it is.
#   gadget.sh add NAME [PRODUCT]   make a gadget and plug it in
#   gadget.sh unplug NAME          pull the cable: the USB device goes away
#   gadget.sh plug NAME            put it back into a free controller
#   gadget.sh remove NAME          unplug and delete it
#   gadget.sh reset NAME           delete every other gadget, NAME plugged in
#   gadget.sh wait-card ID [S]     wait up to S seconds (default 10) for ALSA card ID
#   gadget.sh wait-gone ID [S]     wait up to S seconds for ALSA card ID to go
set -eu

root=/sys/kernel/config/usb_gadget

die() { echo "gadget.sh: $*" >&2; exit 1; }

free_controller() {
  for udc in /sys/class/udc/*; do
    udc=${udc##*/}
    in_use=0
    for bound in "$root"/*/UDC; do
      [ -f "$bound" ] && [ "$(cat "$bound")" = "$udc" ] && in_use=1
    done
    [ "$in_use" = 0 ] && { echo "$udc"; return 0; }
  done
  return 1
}

add() {
  name=$1 product=${2:-USB MIDI Instrument}
  g=$root/$name
  [ -d "$g" ] && die "gadget $name exists"
  mkdir "$g"
  echo 0x1d6b >"$g/idVendor"   # Linux Foundation
  echo 0x0104 >"$g/idProduct"  # multifunction composite gadget
  mkdir "$g/strings/0x409"
  echo "Vantrel" >"$g/strings/0x409/manufacturer"
  echo "$product" >"$g/strings/0x409/product"
  echo "$name" >"$g/strings/0x409/serialnumber"
  mkdir "$g/configs/c.1"
  mkdir "$g/functions/midi.0"
  echo 1 >"$g/functions/midi.0/in_ports"
  echo 1 >"$g/functions/midi.0/out_ports"
  echo "$name" >"$g/functions/midi.0/id"
  ln -s "$g/functions/midi.0" "$g/configs/c.1/"
  plug "$name"
}

plug() {
  g=$root/$1
  [ -d "$g" ] || die "no gadget $1"
  udc=$(free_controller) || die "no free USB device controller"
  echo "$udc" >"$g/UDC"
}

unplug() {
  g=$root/$1
  [ -d "$g" ] || die "no gadget $1"
  echo "" >"$g/UDC"
}

remove() {
  g=$root/$1
  [ -d "$g" ] || return 0
  [ -n "$(cat "$g/UDC")" ] && unplug "$1"
  rm "$g/configs/c.1/midi.0"
  rmdir "$g/configs/c.1" "$g/functions/midi.0" "$g/strings/0x409" "$g"
}

reset() {
  for g in "$root"/*/; do
    g=${g%/}
    [ "${g##*/}" = "$1" ] || remove "${g##*/}"
  done
  [ -n "$(cat "$root/$1/UDC")" ] || plug "$1"
}

# Card ids are listed in /proc/asound as links named after the id.
wait_card() {
  id=$1 deadline=$(($(date +%s) + $2)) want=$3
  while [ "$(date +%s)" -le "$deadline" ]; do
    if [ -e "/proc/asound/$id" ]; then [ "$want" = present ] && return 0
    else [ "$want" = gone ] && return 0
    fi
    sleep 0.1
  done
  die "card $id did not become $want"
}

command=${1:-}
[ -n "$command" ] || die "usage: gadget.sh add|unplug|plug|remove|reset|wait-card|wait-gone ..."
shift
case "$command" in
  add) add "$@" ;;
  plug) plug "$@" ;;
  unplug) unplug "$@" ;;
  remove) remove "$@" ;;
  reset) reset "$@" ;;
  wait-card) wait_card "$1" "${2:-10}" present ;;
  wait-gone) wait_card "$1" "${2:-10}" gone ;;
  *) die "unknown command $command" ;;
esac
