#!/usr/bin/env bash
# The zip for 32-bit Windows callers, packed from the Windows tree: port.dll,
# port.h, port.def and the import library, side by side.
#
#   win32_zip_test.sh <32-bit Windows build tree>
set -euo pipefail
build=$(realpath "$1")
scratch=$(mktemp -d /tmp/rumblet-zip.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "win32 zip test: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" || { cat "$scratch/cpack.log"; fail "cpack failed"; }
zip=$(ls "$scratch"/port-*-win32.zip)
unzip -Z1 "$zip" | sort >"$scratch/list"
echo "$(basename "$zip"): $(tr '\n' ' ' <"$scratch/list")"
for file in port.dll port.h port.def; do grep -qx "$file" "$scratch/list" || fail "$zip lacks $file"; done
grep -Eqx '(lib)?port(\.dll)?\.(a|lib)' "$scratch/list" || fail "$zip lacks the import library"
unzip -q "$zip" port.dll -d "$scratch/unpacked"
file "$scratch/unpacked/port.dll" | grep -q 'PE32 executable (DLL).*Intel 80386' || fail "port.dll is no 32-bit Windows DLL"
