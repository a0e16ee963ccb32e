#!/usr/bin/env bash
# Runs the real rumblet.exe of a Windows build under Wine on an X display,
# for pictures of its windows and for drives from outside:
#   wine_rumblet.sh LOADER WINBUILD PREFIX [FOLDER] [-- NAME=value ...]
# LOADER is Wine's loader for the build's word size, PREFIX a Wine prefix
# made by tests/port/wine_run.sh (no COM name there leads to a device of
# this machine; every run goes through that script). FOLDER, when given, is
# a program folder to run in instead of WINBUILD/app: rumblet.exe and
# port.dll are copied there, IR.ini and dsound only where it has none, so a
# run never changes the build's own settings. NAME=value pairs go into the
# program's environment (PORT_COM1=virtual:udp:127.0.0.1:5000,
# SDL_AUDIODRIVER=disk, SDL_DISKAUDIOFILE=...). Without DISPLAY an Xvfb of
# its own is started and stopped afterwards (tests/window/win32/
# with_display.sh). Ends with the program's exit status (77: this machine
# cannot run it).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
loader=$1 win=$2 prefix=$3
shift 3
folder=""
if [ $# -gt 0 ] && [ "$1" != -- ]; then folder=$1; shift; fi
[ "${1:-}" = -- ] && shift

if [ ! -f "$win/app/rumblet.exe" ]; then
  echo "no $win/app/rumblet.exe (build the Windows trees with scripts/build --all): skipped"
  exit 77
fi
program=$win/app
if [ -n "$folder" ]; then
  mkdir -p "$folder"
  cp "$win/app/rumblet.exe" "$win/app/port.dll" "$folder/"
  [ -e "$folder/IR.ini" ] || cp "$win/app/IR.ini" "$folder/" 2>/dev/null
  [ -e "$folder/dsound" ] || cp -r "$win/app/dsound" "$folder/" 2>/dev/null
  program=$folder
fi

# Without a display, one of its own for this run.
if [ -z "${DISPLAY:-}" ]; then
  exec "$here/../../window/win32/with_display.sh" "$0" "$loader" "$win" "$prefix" ${folder:+"$folder"} -- "$@"
fi

# wine_run.sh runs a program of the build tree; the folder is reached from
# there by a relative path.
relative=$(realpath --relative-to="$win" "$program/rumblet.exe")
exec env "$@" "$here/../../port/wine_run.sh" program "$loader" "$win" "$prefix" "$relative"
