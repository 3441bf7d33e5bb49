#!/usr/bin/env bash
# Cross-builds the Windows programs, their tests and the installer from this
# machine: Qt for Windows from scripts/windows/qt.sh (built once, then cached),
# GoogleTest from Debian's source, MinGW-w64. Prints the installer's path on
# its last line.
#   scripts/windows/build.sh [build dir]   (default build/windows/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
dir=${1:-build/windows/release}

qt=$(bash scripts/windows/qt.sh | tail -n1)
# The sample image comes from the generator built for this machine. -O2 as
# on Linux: at -O3 GCC 12 warns falsely about overlapping copies in std::string.
bash scripts/build.sh build/release -- make_sample_image
cmake -S "$root" -B "$dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DVANTREL_QT_PREFIX="$qt" \
  -DVANTREL_HOST_SAMPLE_IMAGE_TOOL="$root/build/release/tools/make_sample_image" >/dev/null
cmake --build "$dir"
(cd "$dir" && cpack -G NSIS >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
echo "$root/$dir/package/vantrel-1.0-win64.exe"
