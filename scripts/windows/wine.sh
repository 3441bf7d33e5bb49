# Wine for the Windows build's tests: a prefix of the project's own in
# build/windows/wine-prefix, made once per build folder. Source this file;
# `prepare_wine_prefix` makes the prefix if needed (it starts an X display of
# its own for that: a prefix made without one comes out incomplete), and
# `wine_path <linux path>` prints the Windows path of a file.
#
# The caller ends the processes collected in its `pids` array on exit (as
# scripts/x_window.sh expects).

export WINEPREFIX=${WINEPREFIX:-$root/build/windows/wine-prefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No desktop menu entries from the installer's shortcuts, no prompts to
# install Mono or Gecko.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

source "$root/scripts/x_window.sh"

prepare_wine_prefix() {
  [ -f "$WINEPREFIX/.vantrel-ready" ] && return 0
  local work display_before=${DISPLAY:-} started
  started=$(date +%s)
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  work=$(mktemp -d)
  start_xvfb "$work" || return 1
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; return 1; }
  wineserver -w
  # Wine's own fonts (Tahoma and the rest) are found only in the prefix's Fonts folder.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  # Arial, the window's font, is on every Windows but not in Wine: its
  # metric twin from Debian's fonts-liberation stands in, as on Linux.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null
  # A crash ends the program with its exit code instead of a dialog that waits.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
  wineserver -w
  kill "${pids[-1]}" 2>/dev/null || true
  if [ -n "$display_before" ]; then export DISPLAY=$display_before; else unset DISPLAY; fi
  rm -rf "$work"
  touch "$WINEPREFIX/.vantrel-ready"
  echo "Wine prefix made in $(( $(date +%s) - started )) s: $WINEPREFIX"
}

# name_failures: from here on a command that fails outside a check ends the
# script (set -e) with a line naming the case under way (`case_name`), the
# line and the command, rather than without a word.
name_failures() {
  set -E
  trap 'failed_with=$?; echo "FAIL: ${case_name:-setting up}: line $LINENO: \"$BASH_COMMAND\" exited $failed_with" >&2' ERR
}

# begin <case>: says which case starts, for the lines of its failures.
begin() {
  case_name=$1
  echo "-- $1"
}

# finish <pid> <seconds>: waits for background process <pid> for at most that
# long, then ends it (SIGKILL); sets `code` to its exit code (137 when ended here).
finish() {
  local deadline=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null && [ $SECONDS -lt "$deadline" ]; do sleep 0.1; done
  kill -KILL "$1" 2>/dev/null || true
  code=0
  wait "$1" || code=$?
}

# The Windows path of a Linux path: the prefix maps / to drive Z:.
wine_path() {
  printf 'Z:%s' "$(realpath -m "$1" | tr '/' '\\')"
}
