#!/usr/bin/env bash
# Makes the Debian package and checks it as a distribution would (lintian,
# desktop-file-validate, appstreamcli validate):
#   scripts/package.sh [build dir]   (default build/package)
# The build tree is configured without the tests (BUILD_TESTING=OFF): the
# package's build needs neither GoogleTest nor Qt Test.
# The last line printed is the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build/package}

bash scripts/setup.sh
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
rm -f "$build"/package/vantrel_*.deb
if ! cpack --config "$build/CPackConfig.cmake" -G DEB >"$build/cpack.log" 2>&1; then
  cat "$build/cpack.log" >&2
  exit 1
fi
deb=$(ls "$build"/package/vantrel_*.deb)
echo "package: $deb, $(du -k "$deb" | cut -f1) KiB, $(dpkg-deb -f "$deb" Installed-Size) KiB installed"
echo "depends: $(dpkg-deb -f "$deb" Depends)"

# The files as installed: the menu entry and the AppStream data.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
desktop-file-validate "$work"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/usr/share/metainfo/*.metainfo.xml
# Errors fail; warnings are listed (each one kept is explained in packaging/).
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "checks passed: desktop-file-validate, appstreamcli validate, lintian (no errors)"
echo "$deb"
