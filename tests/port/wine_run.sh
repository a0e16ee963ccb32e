#!/usr/bin/env bash
# Runs port.dll's checks under Wine for ctest.
#   wine_run.sh prefix  LOADER WINBUILD PREFIX        new Wine prefix, no COM name leads anywhere
#   wine_run.sh program LOADER WINBUILD PREFIX [EXE]  a check program (port/port_wine_check.exe,
#                                                     or EXE in WINBUILD) against port.dll
#   wine_run.sh exports LOADER WINBUILD PREFIX DEF    port.dll's export and import tables
#   wine_run.sh client  LOADER WINBUILD PREFIX PEER [LINES]
#                                                     the C client through the import library,
#                                                     with COM5 mapped to PEER's pseudo-terminal;
#                                                     with LINES (tests/port/pty_modem_lines.c,
#                                                     built for the loader's word size) preloaded,
#                                                     that terminal has a DCD line the client sets
#   wine_run.sh command LOADER WINBUILD PREFIX CMD... a command of the caller's (a test script
#                                                     that runs Windows programs with "$WINE")
# LOADER is Wine's loader for the build's word size (wine for 32-bit,
# wine64 for 64-bit). Exits 77 (skipped) when the build has no port.dll or
# this machine cannot run the loader (a kernel without 32-bit support).
#
# No COM name of the prefix ever leads to a serial device of this machine:
# on many machines /dev/ttyS0 is the system console. Wine gives every
# /dev/ttyS*, ttyUSB* and ttyACM* that exists a COM name of its own (the
# first at the latest COM256, beyond what its registry can block), so the
# whole run happens in a mount namespace whose /dev lacks them.
set -uo pipefail
mode=$1 loader=$2 win=$3 prefix=$4
dll=$win/port/port.dll

serial_device='^(ttyS|ttyUSB|ttyACM)[0-9]+$'
if [ -z "${PORT_WINE_DEVICES_HIDDEN:-}" ] && ls /dev | grep -qE "$serial_device"; then
  export PORT_WINE_DEVICES_HIDDEN=1
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --mount "$0" "$@"
  fi
  if ! unshare --user --map-root-user --mount true 2>/dev/null; then
    echo "cannot hide this machine's serial devices from Wine (no user namespaces): skipped"
    exit 77
  fi
  exec unshare --user --map-root-user --mount "$0" "$@"
fi
if [ -n "${PORT_WINE_DEVICES_HIDDEN:-}" ]; then
  # A /dev of our own: every entry of the real one but the serial devices.
  real=$(mktemp -d)
  mount --make-rprivate / && mount --rbind /dev "$real" && mount -t tmpfs -o mode=755 dev /dev || {
    echo "cannot hide this machine's serial devices from Wine"
    exit 1
  }
  # Pseudo-terminals from an instance of our own: a /dev/ptmx bound in from
  # the real /dev would not find its pts beside it.
  mkdir /dev/pts && mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts /dev/pts &&
    ln -s pts/ptmx /dev/ptmx || { echo "cannot make pseudo-terminals for Wine"; exit 1; }
  for entry in "$real"/*; do
    name=${entry##*/}
    [[ $name =~ $serial_device || $name = pts || $name = ptmx ]] && continue
    if [ -L "$entry" ]; then
      cp -P "$entry" "/dev/$name"
    elif [ -d "$entry" ]; then
      mkdir "/dev/$name" && mount --rbind "$entry" "/dev/$name"
    else
      touch "/dev/$name" && mount --bind "$entry" "/dev/$name"
    fi
  done
fi

if [ ! -f "$dll" ]; then
  echo "no $dll (build the Windows library with scripts/build --all): skipped"
  exit 77
fi
if [ "$mode" != exports ] && ! probe=$("$loader" --version 2>&1); then
  echo "this machine cannot run $loader ($probe): skipped"
  exit 77
fi

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A Wine server started in this namespace ends with it.
trap 'wineserver -k 2>/dev/null' EXIT
case $(basename "$loader") in
  wine64*) export WINEARCH=win64 ;;
  *) export WINEARCH=win32 ;;
esac

# Maps COM names as "NAME=target" arguments say and every other one the
# registry knows (COM1 to COM255) to nothing, then lets Wine renew its
# device links with the new map. An empty value keeps Wine from giving that
# name to a device it finds by itself.
map_com_ports() {
  local reg=$prefix/com-ports.reg
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    for n in $(seq 1 255); do
      local target=""
      for pair in "$@"; do [ "${pair%%=*}" = "COM$n" ] && target=${pair#*=}; done
      printf '"COM%d"="%s"\r\n' "$n" "$target"
    done
  } >"$reg"
  "$loader" regedit /S 'Z:'"${reg//\//\\}" || return 1
  wineserver -w
  "$loader" wineboot || return 1
  wineserver -w
}

# Refuses to go on when a COM link of the prefix leads anywhere but to the
# one allowed pseudo-terminal ("com5 /dev/pts/3"), or nowhere when none is.
check_com_links() {
  local allowed=${1:-}
  for link in "$prefix"/dosdevices/com*; do
    [ -L "$link" ] || continue
    local entry
    entry="${link##*/} $(readlink "$link")"
    if [ "$entry" != "$allowed" ]; then
      echo "the Wine prefix maps $entry; refusing to run"
      return 1
    fi
  done
}

case $mode in
prefix)
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  "$loader" wineboot -i || exit 1
  wineserver -w
  map_com_ports || exit 1
  check_com_links || exit 1
  ;;
program)
  exe=$win/${5:-port/port_wine_check.exe}
  if [ ! -f "$exe" ]; then
    echo "no $exe: skipped"
    exit 77
  fi
  check_com_links || exit 1
  cd "$(dirname "$exe")" && "$loader" "./$(basename "$exe")"
  ;;
exports)
  def=$5
  table=$(i686-w64-mingw32-objdump -p "$dll" 2>/dev/null || x86_64-w64-mingw32-objdump -p "$dll") || exit 1
  # port.def names the decorated stdcall symbols; the table carries them plain.
  expected=$(awk '$NF ~ /^@[0-9]+$/ { sub("@", "", $NF); name = $1; sub(/@[0-9]+$/, "", name); print $NF, name }' "$def" | sort -n)
  actual=$(awk '/^Ordinal Base/ { base = $3 }
                /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
                names && /^\t\[/ { gsub(/[\[\]]/, " "); print $1 + base, $2; next }
                names { names = 0 }' <<<"$table" | sort -n)
  if [ "$expected" != "$actual" ]; then
    echo "export table differs from port.def (< port.def, > port.dll):"
    diff <(echo "$expected") <(echo "$actual")
    exit 1
  fi
  # The kernel, user-interface and multimedia libraries, and mingw's C runtime.
  imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$table" | sort -u)
  unexpected=$(grep -vxE 'kernel32\.dll|user32\.dll|winmm\.dll|msvcrt\.dll' <<<"$imports")
  if [ -n "$unexpected" ]; then
    echo "port.dll imports more than it may:" $unexpected
    exit 1
  fi
  # The import library: one import symbol per export, named as a client
  # compiled with port.h refers to it (__imp__OPENCOM@4 for 32-bit code,
  # __imp_OPENCOM for 64-bit code, whose table has no decorations).
  if i686-w64-mingw32-objdump -f "$dll" | grep -q 'pei-i386'; then
    wanted=$(awk '$NF ~ /^@[0-9]+$/ { print "__imp__" $1 }' "$def" | sort)
    symbols=$(i686-w64-mingw32-nm "$win/port/libport.dll.a" | awk '$2 == "I" && /__imp_/ { print $3 }' | sort)
  else
    wanted=$(awk '$NF ~ /^@[0-9]+$/ { name = $1; sub(/@[0-9]+$/, "", name); print "__imp_" name }' "$def" | sort)
    symbols=$(x86_64-w64-mingw32-nm "$win/port/libport.dll.a" | awk '$2 == "I" && /__imp_/ { print $3 }' | sort)
  fi
  if [ "$wanted" != "$symbols" ]; then
    echo "the import library's symbols differ from what port.h's callers need (< needed, > libport.dll.a):"
    diff <(echo "$wanted") <(echo "$symbols")
    exit 1
  fi
  echo "$(wc -l <<<"$actual") exports at their ordinals, as many import symbols; imports:" $imports
  ;;
client)
  peer=$5 lines=${6:-}
  check_com_links || exit 1
  coproc PEER { "$peer"; }
  read -r pty <&"${PEER[0]}"
  case $pty in
    /dev/pts/*) ;;
    *) echo "the line's other end gave no pseudo-terminal ($pty)"; exit 1 ;;
  esac
  status=1
  if map_com_ports "COM5=$pty" && check_com_links "com5 $pty"; then
    (cd "$win/port" && "$loader" ./port_client.exe COM5)
    status=$?
    if [ -n "$lines" ]; then
      # The client sets DCD through this file, on Wine's drive Z: (/).
      dcd=$prefix/dcd-line
      for check in edges unload; do
        echo 1 >"$dcd"
        (cd "$win/port" && PORT_TEST_DCD_FILE=$dcd LD_PRELOAD=$lines \
          "$loader" ./port_client.exe COM5 "Z:${dcd//\//\\}" $check) || status=1
      done
    fi
  fi
  eval "exec ${PEER[1]}>&-"
  wait "$PEER_PID" 2>/dev/null
  # Back to no COM name leading anywhere, for the other checks.
  map_com_ports && check_com_links || status=1
  exit $status
  ;;
command)
  shift 4
  check_com_links || exit 1
  WINE=$loader "$@"
  ;;
*)
  echo "unknown mode $mode"
  exit 2
  ;;
esac
