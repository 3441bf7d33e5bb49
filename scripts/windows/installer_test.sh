#!/usr/bin/env bash
# The Windows installer under Wine: a silent install (/S) into Program Files,
# with the Start menu entry and the uninstaller registered; the installed
# headless updater's --version and a simulated update; the installed window's
# title; then a silent uninstall that leaves no file, entry or key behind.
#   scripts/windows/installer_test.sh <installer .exe> [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
installer=$1
dir=${2:-build/windows/release}
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
source scripts/windows/wine.sh
name_failures
prepare_wine_prefix

program_files=$WINEPREFIX/drive_c/Program\ Files/Vantrel
start_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vantrel
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel'
work=$root/$dir/installer-test
rm -rf "$work" && mkdir -p "$work"

registered() {
  wine reg query "$uninstall_key" >/dev/null 2>&1 ||
    wine reg query "${uninstall_key/Software/Software\\WOW6432Node}" >/dev/null 2>&1
}

begin "silent install"
wine "$installer" /S
wineserver -w
for file in vantrel.exe vantrel-update.exe Uninstall.exe "config/Home 61.cfg" help/HelpEng.htm \
  sample-firmware.bin Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll libwinpthread-1.dll \
  platforms/qwindows.dll imageformats/qico.dll; do
  [ -f "$program_files/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
[ -f "$start_menu/Vantrel Firmware Update.lnk" ] || { echo "no Start menu entry in $start_menu" >&2; exit 1; }
registered || { echo "no uninstaller in Apps & features ($uninstall_key)" >&2; exit 1; }
echo "installed: $(du -sh "$program_files" | cut -f1) in $(wine_path "$program_files")"

begin "the installed programs"
version=$(wine "$program_files/vantrel-update.exe" --version 2>&1 | tr -d '\r')
echo "$version" | grep -q "1.0" || { echo "--version said: $version" >&2; exit 1; }
echo "vantrel-update --version: $version"
code=0
wine "$program_files/vantrel-update.exe" --simulated --product "Home 61" --out simulated --in simulated \
  --data "$(wine_path "$program_files/sample-firmware.bin")" --verify >"$work/update.out" 2>"$work/update.err" || code=$?
[ "$code" = 0 ] && grep -q "Update successful !" "$work/update.err" ||
  { echo "installed updater exited $code: $(cat "$work/update.err")" >&2; exit 1; }
echo "installed updater: Update successful !"
bash scripts/windows/window_test.sh "$program_files" installed --title-only

begin "silent uninstall"
wine "$program_files/Uninstall.exe" /S
wineserver -w
left=$(find "$program_files" "$start_menu" 2>/dev/null || true)
[ -z "$left" ] || { echo "left behind after uninstalling:"; echo "$left"; exit 1; } >&2
! registered || { echo "the uninstaller is still listed ($uninstall_key)" >&2; exit 1; }
echo "uninstalled: no file, Start menu entry or uninstall key left"
