#!/usr/bin/env bash
# Runs port.dll's checks under Wine for ctest.
#   wine_run.sh prefix  WIN32_BUILD PREFIX PORT_DEF   new Wine prefix, COM9 mapped to nothing
#   wine_run.sh program WIN32_BUILD PREFIX PORT_DEF   the 32-bit check program against port.dll
#   wine_run.sh exports WIN32_BUILD PREFIX PORT_DEF   port.dll's export and import tables
# Exits 77 (skipped) when the Windows build has no port.dll.
set -uo pipefail
mode=$1 win32=$2 prefix=$3 def=$4
dll=$win32/port/port.dll
if [ ! -f "$dll" ]; then
  echo "no $dll (build the Windows library with scripts/build --all): skipped"
  exit 77
fi

export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

case $mode in
prefix)
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wineboot -i || exit 1
  # An empty value keeps Wine from giving that COM name to any device: COM1
  # to COM9 lead nowhere, so "COM9:" is an absent port however many
  # /dev/ttyS* this machine has, and no test can reach the system console.
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    for n in 1 2 3 4 5 6 7 8 9; do printf '"COM%d"=""\r\n' "$n"; done
  } >"$prefix/no-com-ports.reg"
  wine regedit /S 'Z:'"${prefix//\//\\}"'\no-com-ports.reg' || exit 1
  wineserver -w
  # Wine renews its device links when it starts: once more with the new map.
  wineboot || exit 1
  wineserver -w
  ;;
program)
  for link in "$prefix"/dosdevices/com[1-9]; do
    if [ -L "$link" ]; then
      echo "the Wine prefix maps ${link##*/} to $(readlink "$link"); refusing to run"
      exit 1
    fi
  done
  cd "$win32/port" && wine ./port_wine_check.exe
  ;;
exports)
  table=$(i686-w64-mingw32-objdump -p "$dll") || exit 1
  expected=$(awk '$NF ~ /^@[0-9]+$/ { sub("@", "", $NF); print $NF, $1 }' "$def" | sort -n)
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
  echo "$(wc -l <<<"$actual") exports at their ordinals; imports:" $imports
  ;;
*)
  echo "unknown mode $mode"
  exit 2
  ;;
esac
