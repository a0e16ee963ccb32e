#!/usr/bin/env bash
# Runs a Windows client of port.dll under Wine while irremote on Linux sends
# it IR frames over UDP:
#   udp_remote.sh IRREMOTE SCRIPT COMMAND...
# Picks a free loopback UDP port, maps COM1 to the virtual receiver there
# (PORT_COM1, which Wine hands to the Windows program), plays SCRIPT with
# irremote to that port and runs COMMAND (tests/port/wine_run.sh program ...).
# The client prints the frame it read ("frame <18 bits>"); it must be one
# that irremote logged as sent. Exit: COMMAND's status (77 skipped), or 1.
set -uo pipefail
irremote=$1 script=$2
shift 2

port=
for _ in $(seq 50); do
  candidate=$((20000 + RANDOM % 40000))
  if ! grep -qi ":$(printf %04X "$candidate") " /proc/net/udp; then port=$candidate; break; fi
done
[ -n "$port" ] || { echo "no free UDP port found"; exit 1; }
export PORT_COM1=virtual:udp:127.0.0.1:$port

sent=$(mktemp)
out=$(mktemp)
trap 'kill "$remote" 2>/dev/null; wait "$remote" 2>/dev/null; rm -f "$sent" "$out"' EXIT
"$irremote" --no-window --log-frames --socket "udp:127.0.0.1:$port" --script "$script" >"$sent" 2>&1 &
remote=$!

"$@" | tee "$out"
status=${PIPESTATUS[0]}
[ "$status" = 0 ] || exit "$status"
frame=$(tr -d '\r' <"$out" | awk '$1 == "frame" { print $2 }')
if [ -z "$frame" ]; then
  echo "the client printed no frame"
  exit 1
fi
# irremote logs "irremote: <seconds> frame <n> <bits grouped by field>".
if ! awk '$3 == "frame" { bits = ""; for (i = 5; i <= NF; ++i) bits = bits $i; print bits }' "$sent" |
     grep -x "$frame" >/dev/null; then
  echo "the client read frame $frame, which irremote never sent; irremote's log:"
  head -20 "$sent"
  exit 1
fi
echo "frame $frame was sent by irremote over UDP port $port"
