#!/usr/bin/env bash
# The whole program's figures, one after the other in the same session: the
# Linux rumblet, then rumblet.exe of the 64-bit and the 32-bit Windows trees
# under Wine (where the tree has it and this machine runs its loader), each
# as the user who starts it and, when that is root, once more as an
# ordinary user (uid 65534). Each run takes two to four minutes.
#   run.sh <build dir> [--shots N]
# Wine runs in prefixes of their own in a scratch folder, made by
# tests/port/wine_run.sh (no COM name there leads to a device of this
# machine), one per user and word size.
set -uo pipefail
build=$(realpath "${1:?build directory}")
shift
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../tests/port/wine_run.sh
bench=$build/bench/program/program_bench
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
scratch=$(mktemp -d /tmp/rumblet-program-bench.XXXXXX)
chmod 755 "$scratch"
failed=""
trap '[ -z "$failed" ] && rm -rf "$scratch"' EXIT

# A command as the user named (nobody: uid 65534, no rights of root's).
as() {
  local who=$1
  shift
  if [ "$who" = nobody ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all env TMPDIR=/tmp "$@"
  else
    "$@"
  fi
}

fail() {
  failed=1
  echo "(failed; the Wine prefixes are kept in $scratch)"
}

users=("$(id -un)")
[ "$(id -u)" = 0 ] && users+=(nobody)
for who in "${users[@]}"; do
  home=$scratch/$who
  mkdir -p "$home"
  [ "$who" = nobody ] && chown 65534:65534 "$home"
  echo "== Linux, as $who"
  as "$who" "$bench" "$@" || fail
  for bits in 64 32; do
    loader=$(cached "WINE${bits/32/}_PROGRAM")  # WINE_PROGRAM is the 32-bit loader
    win=$(cached RUMBLET_WIN${bits}_BUILD)
    echo "== Windows ${bits}-bit under Wine, as $who"
    if [ -z "$loader" ] || [ ! -f "$win/app/rumblet.exe" ] || ! "$loader" --version >/dev/null 2>&1; then
      echo "(no rumblet.exe in '$win' or no loader that runs here: skipped)"
      continue
    fi
    prefix=$home/wineprefix$bits
    as "$who" env HOME="$home" "$wine_run" prefix "$loader" "$win" "$prefix" >"$home/prefix$bits.log" 2>&1 ||
      { fail; continue; }
    as "$who" "$bench" --wine "$loader" "$win" "$prefix" "$@" || fail
  done
done
