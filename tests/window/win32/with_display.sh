#!/usr/bin/env bash
# Runs a command on an X display of its own (Xvfb, started and stopped
# here), for Windows programs under Wine that open windows.
#   with_display.sh COMMAND [ARGUMENT ...]
# Exits 77 (skipped) when this machine has no Xvfb.
set -uo pipefail
if ! command -v Xvfb >/dev/null; then
  echo "no Xvfb on this machine: skipped"
  exit 77
fi
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
if ! read -r -t 10 number <&"$fd"; then
  echo "Xvfb did not start"
  kill "$server" 2>/dev/null
  exit 1
fi
export DISPLAY=:$number
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
