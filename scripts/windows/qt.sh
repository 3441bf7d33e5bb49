#!/usr/bin/env bash
# Qt for Windows: Core, Gui, Widgets, Test and the windows platform plugin,
# cross-built with MinGW-w64 from Debian's own qt6-base source package. The
# build runs once: its result is kept outside the clone, in
# ${VANTREL_CACHE_DIR:-~/.cache/vantrel}/qt6-windows-<key>, where <key> sums up
# the source version, the configure line and the compiler, and build/windows/qt
# leads to it. Prints the prefix on its last line.
#
#   scripts/windows/qt.sh [--print-key]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${VANTREL_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel}
jobs=$(nproc)

# Only what the program and its tests use. Debian's repack has no wintab
# (hence no tablet events); without direct2d the plugin links only if
# directwrite is off too.
configure_line=(
  -xplatform win32-g++ -qt-host-path /usr -release -shared
  -opensource -confirm-license -nomake examples -nomake tests
  -qt-zlib -qt-pcre -qt-harfbuzz -qt-libpng -qt-freetype -no-libjpeg
  -no-opengl -no-icu -no-dbus -no-feature-sql -no-feature-network -no-feature-xml
  -no-feature-printsupport -no-feature-vulkan -no-feature-concurrent
  -no-feature-tabletevent -no-feature-direct2d -no-feature-directwrite
  -feature-testlib
)

source_version() {
  apt-cache showsrc qt6-base 2>/dev/null | awk '/^Version:/ { print $2; exit }'
}

# Debian's source lists may carry no deb-src line; the script's own one asks
# for bookworm's sources, as the binary packages of this machine are.
ensure_source_list() {
  local list=/etc/apt/sources.list.d/vantrel-bookworm-src.sources
  [ -n "$(source_version)" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Qt for Windows needs Debian's qt6-base source package; as root, add a deb-src line for bookworm and run apt-get update" >&2
    exit 1
  fi
  cat >"$list" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  apt-get update -q >/dev/null
}

# Debian keeps the host Qt's CMake packages in its multiarch folder, where a
# cross build does not look by itself.
host_cmake_dir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake

ensure_source_list
version=$(source_version)
compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
key=$(printf '%s\n' "$version" "$compiler" "${configure_line[*]}" "$host_cmake_dir" "$(cat "$toolchain")" | sha256sum | cut -c1-12)
[ "${1:-}" = "--print-key" ] && { echo "$key"; exit 0; }

prefix=$cache/qt6-windows-$key
mkdir -p "$root/build/windows"
ln -sfn "$prefix" "$root/build/windows/qt"
if [ -f "$prefix/.complete" ]; then
  echo "Qt for Windows $version: cached in $prefix"
  echo "$prefix"
  exit 0
fi

work=$cache/qt6-windows-$key.work
rm -rf "$work" "$prefix"
mkdir -p "$work"
log=$work/build.log
echo "Qt for Windows $version: building into $prefix (log: $log)"
started=$(date +%s)
(
  cd "$work"
  apt-get source -q qt6-base
  mkdir build && cd build
  ../qt6-base-*/configure -prefix "$prefix" "${configure_line[@]}" -- \
    -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir"
  cmake --build . --parallel "$jobs"
  cmake --install .
) >"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "Qt for Windows: build failed (log: $log)" >&2; exit 1; }

cp "$log" "$prefix/build.log"
touch "$prefix/.complete"
rm -rf "$work"
echo "Qt for Windows $version: built in $(( $(date +%s) - started )) s"
echo "$prefix"
