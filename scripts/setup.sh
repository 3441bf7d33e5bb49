#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, if any are missing.
# As root it runs apt-get itself; as another user it prints the line to run.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev
  googletest libgtest-dev nlohmann-json3-dev
  libcli11-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libasound2-dev libjack-jackd2-dev jackd2 libsystemd-dev
  dbus python3-dbusmock
  fonts-liberation fonts-wqy-zenhei
  xvfb xauth x11-utils xdotool imagemagick
  chromium chromium-driver python3-selenium
  at-spi2-core python3-pyatspi qt6-gtk-platformtheme
  dpkg-dev file help2man lintian desktop-file-utils appstream mmdebstrap
  qemu-system-x86 busybox-static kmod cpio alsa-utils
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis xclip
  emscripten chromium firefox-esr udev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && $line" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
