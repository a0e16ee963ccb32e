#!/usr/bin/env bash
# Pictures of rumblet.exe's two windows under Wine, as a player sees them:
# the main window after start-up, and the sound editor with the demo engine
# sound and its segment "Fahren" chosen.
#   screenshots.sh LOADER WINBUILD PREFIX OUTDIR
# Writes OUTDIR/rumblet-windows-main.png and OUTDIR/rumblet-windows-soundedit.png.
# The program runs in a scratch copy of the build's program folder
# (wine_rumblet.sh), on an Xvfb display of its own unless DISPLAY is set.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
loader=$1 win=$2 prefix=$3 out=$4
if [ -z "${DISPLAY:-}" ]; then
  exec "$here/../../window/win32/with_display.sh" "$0" "$@"
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

# The window whose title matches, once it is there (empty after 30 s).
window() {
  for _ in $(seq 60); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.5
  done
}

# This machine has no receiver: the copy's settings name no serial port (the
# last line of IR.ini), so no message about COM1 covers the window.
mkdir -p "$folder/program"
sed '$ s/.*/ 0 \r/' "$win/app/IR.ini" >"$folder/program/IR.ini"
setsid "$here/wine_rumblet.sh" "$loader" "$win" "$prefix" "$folder/program" -- SDL_AUDIODRIVER=dummy &
program=$!
status=0
main=$(window '^rumblet   v')
if [ -z "$main" ]; then
  echo "the main window did not appear"
  status=1
else
  sleep 1
  import -window "$main" "$out/rumblet-windows-main.png" || status=1
  # The Soundedit button: Frame4 at 0,0 and the button at 240,1680 twips.
  xdotool mousemove --window "$main" 56 128 click 1
  editor=$(window '^Soundedit$')
  if [ -z "$editor" ]; then
    echo "the sound editor did not appear"
    status=1
  else
    # The segment "Fahren": Frame5 at 472,0 and its option at 8,88.
    xdotool mousemove --window "$editor" 490 96 click 1
    sleep 1.5
    import -window "$editor" "$out/rumblet-windows-soundedit.png" || status=1
    xdotool key --window "$editor" Escape 2>/dev/null
    sleep 1
  fi
fi
# Alt+F4 ends the program as its close box does. Without a window manager
# the key reaches the window only once the X focus is back on it: asked
# again until the program has ended.
for _ in $(seq 10); do
  kill -0 "$program" 2>/dev/null || break
  [ -n "$main" ] && xdotool key --window "$main" alt+F4 2>/dev/null
  for _ in $(seq 4); do kill -0 "$program" 2>/dev/null || break; sleep 0.5; done
done
if kill -0 "$program" 2>/dev/null; then
  echo "rumblet did not end when its window closed"
  kill -- -"$program" 2>/dev/null
  status=1
fi
[ $status -eq 0 ] && echo "pictures in $out"
exit $status
