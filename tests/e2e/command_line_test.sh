#!/usr/bin/env bash
# What rumblet, irremote and portinfo answer on their command lines before
# they need a display, a receiver or a data folder: --help and --version on
# standard output with status 0, an unknown argument with the usage on
# standard error and status 2; without a display one line of the program's
# own and status 1, never Qt's abort with a core dump.
#   command_line_test.sh RUMBLET IRREMOTE PORTINFO VERSION
set -uo pipefail
rumblet=$1 irremote=$2 portinfo=$3 version=${4//./\\.}
ulimit -c 0
out=$(mktemp) err=$(mktemp) socket=$(mktemp -u)
trap 'rm -f "$out" "$err" "$socket"' EXIT
failures=0

# row STATUS STREAM LINES PATTERN -- [VARIABLE=VALUE...] PROGRAM [ARGUMENT...]
# STREAM (out or err) holds a line matching PATTERN and LINES lines (- for
# any number); the other stream stays empty, but for what a program that ends
# for want of a display said before. Every row runs without a display.
row() {
  local status=$1 stream=$2 lines=$3 pattern=$4
  shift 5
  # A program that starts for good after all opens no real port, makes no
  # sound and is killed, never closed: a close would write its settings.
  timeout -s KILL 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy \
    PORT_COM1="virtual:$socket" PORT_COM2="virtual:$socket" "$@" >"$out" 2>"$err" </dev/null
  local got=$? problem=
  local text other
  if [ "$stream" = out ]; then text=$out other=$err; else text=$err other=$out; fi
  [ "$got" -eq "$status" ] || problem+=" status $got, not $status;"
  grep -qE -- "$pattern" "$text" || problem+=" no line matching '$pattern' on std$stream;"
  [ "$lines" = - ] || [ "$(wc -l <"$text")" -eq "$lines" ] || problem+=" $(wc -l <"$text") lines on std$stream, not $lines;"
  [ "$status" -eq 1 ] || [ ! -s "$other" ] || problem+=" the other stream is not empty;"
  if [ -n "$problem" ]; then
    echo "FAIL: $*:$problem"
    sed 's/^/  stdout: /' "$out"
    sed 's/^/  stderr: /' "$err"
    failures=$((failures + 1))
  else
    echo "ok:   $*"
  fi
}

row 0 out - '^Aufruf: rumblet \[--help \| --version\]$'                 -- "$rumblet" --help
row 0 out 1 "^rumblet $version\$"                                       -- "$rumblet" --version
row 0 out 1 "^rumblet $version\$"                                       -- "$rumblet" -platform offscreen --version
row 1 err 1 '^rumblet: kein Bildschirm \(weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt\)\.$' -- "$rumblet"
row 1 err - '^rumblet: kein Bildschirm \(keine Verbindung mit DISPLAY=:65000\)\.$' -- DISPLAY=:65000 "$rumblet"
row 0 out - '^usage: irremote \[--port COM1\|COM2\]'                     -- "$irremote" --help
row 0 out 1 "^irremote $version\$"                                      -- "$irremote" --version
row 2 err - '^irremote: unknown argument "--bogus"$'                    -- "$irremote" --bogus
row 1 err 1 '^irremote: kein Bildschirm \(weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt\)\.$' -- "$irremote" --socket udp:127.0.0.1:9
row 0 out - '^usage: portinfo$'                                         -- "$portinfo" --help
row 0 out 1 "^portinfo $version\$"                                      -- "$portinfo" --version
row 2 err - '^portinfo: unknown argument "--bogus"$'                    -- "$portinfo" --bogus

[ "$failures" -eq 0 ] || { echo "$failures of the rows failed"; exit 1; }
