#!/usr/bin/env bash
# rumblet's Windows packages from the 64-bit Windows tree: the portable zip
# and the installer, packed by CPack, their contents listed and checked;
# then, under wine64 in a scratch Wine prefix of their own (made by
# tests/port/wine_run.sh, where no COM name leads to a device of this
# machine) and on a display of their own, the installer runs silently (/S)
# into a scratch folder (/D=), the installed program starts from there,
# shows its main window and ends cleanly when the window is closed, and the
# uninstaller runs.
#
# Under Wine every folder may be written, so the installed folder would pass
# for a portable copy's: the program runs with that folder bound read-only in
# a mount namespace of its own, as Program Files is for a player, and must
# keep its settings in %APPDATA%\rumblet.
#
#   win64_test.sh <wine64 loader> <64-bit Windows build tree> <xwindow tool>
# Exits 77 (skipped) when the tree has no rumblet.exe or wine64 cannot run here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../port/wine_run.sh
fail() {
  echo "win64 packages test: $*" >&2
  exit 1
}
step() { echo "== $*"; }
# Wine's name for a file of this machine: drive Z: is the root.
windows_name() { echo "Z:${1//\//\\}"; }
# The window whose title matches, once it is there (empty after 30 s).
find_window() {
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
}
# A process's exit status once it has ended within 15 s; 124 when it has not.
wait_for() {
  for _ in $(seq 150); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; return; }
    sleep 0.1
  done
  return 124
}
expected_files="rumblet.exe port.dll IR.ini dsound/demo-engine.wav dsound/demo-engine.dat
  dsound/Schuss/demo-shot.wav dsound/Turm/demo-turret.wav dsound/atmo/demo-rain.wav"

# The installed program with its folder read-only (in a mount namespace of
# its own, run by the steps under Wine below).
if [ "${1:-}" = --read-only-run ]; then
  installed=$2 xwindow=$3
  mount --bind "$installed" "$installed" && mount -o remount,bind,ro "$installed" ||
    fail "cannot make $installed read-only"
  ! touch "$installed/.probe" 2>/dev/null || fail "$installed is still writable"
  SDL_AUDIODRIVER=dummy "$WINE" "$installed/rumblet.exe" &
  program=$!
  window=$(find_window '^rumblet   v')
  [ -n "$window" ] || { kill "$program"; fail "the installed rumblet showed no main window within 30 s"; }
  sleep 1  # the rest of the start-up: sounds, settings
  echo "main window $window; closing it"
  "$xwindow" close "$window"
  status=0
  wait_for "$program" || status=$?
  [ $status -eq 0 ] || fail "the installed rumblet did not end cleanly when its window was closed ($status)"
  wineserver -w
  exit 0
fi

# The steps under Wine, run by wine_run.sh with WINEPREFIX and WINE set.
if [ "${1:-}" = --under-wine ]; then
  scratch=$2 installer=$3 xwindow=$4
  installed=$scratch/installed

  step "the installer, silently, into $(windows_name "$installed")"
  "$WINE" "$installer" /S "/D=$(windows_name "$installed")" || fail "the installer failed"
  wineserver -w
  for file in $expected_files Uninstall.exe; do
    [ -f "$installed/$file" ] || fail "the installer did not install $file"
  done
  menu_entry=$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/rumblet/rumblet.lnk')
  [ -n "$menu_entry" ] || fail "no Start-menu entry rumblet/rumblet.lnk"
  echo "Start-menu entry: ${menu_entry#"$WINEPREFIX"/}"
  (cd "$installed" && find . | sort) >"$scratch/installed.list"

  step "the installed program, its folder read-only"
  namespace=(unshare --mount)
  [ "$(id -u)" -eq 0 ] || namespace=(unshare --user --map-root-user --mount)
  "${namespace[@]}" "$0" --read-only-run "$installed" "$xwindow"
  settings=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/rumblet' -type d)
  [ -n "$settings" ] || fail "no %APPDATA%\\rumblet after the first start"
  echo "the player's folder: ${settings#"$WINEPREFIX"/}"
  for file in IR.ini .sound-set-copied dsound/demo-engine.wav dsound/demo-engine.dat; do
    [ -f "$settings/$file" ] || fail "%APPDATA%\\rumblet lacks $file"
  done
  cmp -s "$settings/IR.ini" "$installed/IR.ini" || fail "the player's IR.ini differs from the installed one"
  (cd "$installed" && find . | sort) | cmp -s - "$scratch/installed.list" || fail "the installed folder changed"

  step "the uninstaller"
  "$WINE" "$installed/Uninstall.exe" /S || fail "the uninstaller failed"
  wineserver -w
  [ ! -e "$installed" ] || fail "the uninstaller left $(cd "$installed" && find . -mindepth 1 | tr '\n' ' ')"
  [ ! -e "$menu_entry" ] || fail "the uninstaller left the Start-menu entry"
  [ -f "$settings/IR.ini" ] || fail "the uninstaller removed the player's settings"
  exit 0
fi

loader=$1 win=$(realpath "$2") xwindow=$(realpath "$3")
if [ ! -f "$win/app/rumblet.exe" ]; then
  echo "no $win/app/rumblet.exe (build the Windows trees with scripts/build --all): skipped"
  exit 77
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$win/CPackConfig.cmake")
scratch=$(mktemp -d /tmp/rumblet-win64.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

step "the packages"
cpack --config "$win/CPackConfig.cmake" -B "$scratch/packages" >"$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; fail "cpack failed"; }
name=rumblet-$version-win64
zip=$scratch/packages/$name.zip
installer=$scratch/packages/$name.exe
[ -f "$zip" ] || fail "no $name.zip"
[ -f "$installer" ] || fail "no $name.exe"

step "the portable copy: $name.zip"
unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$name/||" | sort >"$scratch/zip.list"
cat "$scratch/zip.list"
echo "$expected_files" | tr -s ' \n' '\n\n' | grep . | sort | cmp -s - "$scratch/zip.list" ||
  fail "$name.zip holds other files than the program's folder"
unzip -q "$zip" -d "$scratch/portable"
file "$scratch/portable/$name/rumblet.exe" | grep -q 'PE32+ executable (GUI) x86-64' || fail "rumblet.exe is no 64-bit Windows program"
file "$scratch/portable/$name/port.dll" | grep -q 'PE32+ executable (DLL).*x86-64' || fail "port.dll is no 64-bit Windows DLL"
# Without it a program's writes to Program Files would be redirected, and an
# installed copy would pass for a portable one.
grep -q 'requestedExecutionLevel level="asInvoker"' "$scratch/portable/$name/rumblet.exe" ||
  fail "rumblet.exe's manifest does not ask to run as the player (asInvoker)"
[ "$(tail -n 1 "$scratch/portable/$name/IR.ini")" = $' 0 \r' ] || fail "the packed IR.ini chooses a serial port"

step "the installer: $name.exe"
file "$installer" | grep -q 'Nullsoft Installer' || fail "$name.exe is no installer"
staged=$scratch/packages/_CPack_Packages/win64/NSIS64/$name
(cd "$staged" && find . -type f | sed 's|^\./||' | sort) | cmp -s - "$scratch/zip.list" ||
  fail "the installer holds other files than the portable copy"
echo "holds the same files, $(du -h "$installer" | cut -f1)"

step "a scratch Wine prefix"
status=0
"$run" prefix "$loader" "$win" "$scratch/prefix" >"$scratch/prefix.log" 2>&1 || status=$?
[ $status -eq 77 ] && { cat "$scratch/prefix.log"; exit 77; }
[ $status -eq 0 ] || { cat "$scratch/prefix.log"; fail "no Wine prefix"; }

"$here/../window/win32/with_display.sh" \
  "$run" command "$loader" "$win" "$scratch/prefix" "$0" --under-wine "$scratch" "$installer" "$xwindow"
