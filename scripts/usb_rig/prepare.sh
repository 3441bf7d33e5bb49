#!/usr/bin/env bash
# Fetches Debian's own kernel and builds the USB-MIDI rig's initramfs, both
# cached in <cache dir>; a second call with nothing changed does nothing.
#   scripts/usb_rig/prepare.sh <cache dir>
# Leaves <cache dir>/vmlinuz, <cache dir>/initramfs.cpio.gz and the kernel's
# modules under <cache dir>/kernel/lib/modules/<version>.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=$1
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

# Modules the rig needs; their dependencies come from modprobe --show-depends.
readonly modules=(
  virtio_pci 9pnet_virtio 9p
  dummy_hcd libcomposite usb_f_midi
  snd-usb-audio snd-seq-midi
)
# Two emulated USB device controllers, so a second instrument can be plugged in.
readonly dummy_hcd_params="num=2"

# The versioned kernel package that linux-image-amd64 points at.
current_kernel_package() {
  local package
  package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')
  if [ -z "$package" ] && [ "$(id -u)" -eq 0 ]; then
    apt-get update -q >/dev/null
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')
  fi
  [ -n "$package" ] || { echo "usb_rig: cannot find Debian's linux-image-amd64 package" >&2; return 1; }
  echo "$package"
}

fetch_kernel() {
  [ -s "$cache/vmlinuz" ] && [ -s "$cache/kernel-version" ] && return 0
  local package deb version
  package=$(current_kernel_package)
  echo "usb_rig: fetching $package"
  rm -rf "$cache/kernel" "$cache"/*.deb
  (cd "$cache" && apt-get download -q -o APT::Sandbox::User=root "$package" >/dev/null)
  deb=$(ls "$cache"/linux-image-*.deb)
  dpkg-deb -x "$deb" "$cache/kernel"
  rm -f "$deb"
  version=$(ls "$cache/kernel/lib/modules")
  depmod -b "$cache/kernel" "$version"
  cp "$cache/kernel/boot/vmlinuz-$version" "$cache/vmlinuz"
  echo "$version" >"$cache/kernel-version"
}

# Module files in load order, each once.
module_load_order() {
  local version=$1 module
  for module in "${modules[@]}"; do
    modprobe -d "$cache/kernel" -S "$version" --show-depends "$module" | awk '$1 == "insmod" {print $2}'
  done | awk '!seen[$0]++'
}

build_initramfs() {
  local image=$cache/initramfs.cpio.gz
  if [ -s "$image" ] && [ "$image" -nt "$here/init" ] && [ "$image" -nt "$here/gadget.sh" ] &&
     [ "$image" -nt "$here/prepare.sh" ] && [ "$image" -nt "$cache/vmlinuz" ]; then
    return 0
  fi
  local version tree file name
  version=$(cat "$cache/kernel-version")
  tree=$(mktemp -d "$cache/initramfs.XXXXXX")
  mkdir -p "$tree"/{bin,dev,proc,sys,host,modules}
  cp /bin/busybox "$tree/bin/busybox"
  : >"$tree/modules/order"
  while read -r file; do
    name=$(basename "$file")
    cp "$file" "$tree/modules/$name"
    case "$name" in
      dummy_hcd.ko*) echo "$name $dummy_hcd_params" >>"$tree/modules/order" ;;
      *) echo "$name" >>"$tree/modules/order" ;;
    esac
  done < <(module_load_order "$version")
  install -m 755 "$here/init" "$tree/init"
  install -m 755 "$here/gadget.sh" "$tree/bin/gadget.sh"
  (cd "$tree" && find . -print0 | cpio --null -o -H newc --quiet | gzip -1) >"$image.tmp"
  mv "$image.tmp" "$image"
  rm -rf "$tree"
}

fetch_kernel
build_initramfs
