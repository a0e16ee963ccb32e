#!/usr/bin/env bash
# Memory soak on the virtual receiver: runs virtual_receiver_soak once for
# each port library given (default: the build's own), all side by side, as
# an ordinary user (uid 65534) when started as root, and prints each run's
# slope. Usage: soak.sh <build dir> [minutes] [library ...]
set -euo pipefail
build=${1:?build directory}
minutes=${2:-30}
shift $(( $# >= 2 ? 2 : 1 ))
libraries=("$@")
[ ${#libraries[@]} -gt 0 ] || libraries=("$build/port/libport.so")
soak="$build/bench/virtual/virtual_receiver_soak"
as_user=()
[ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all)
out=$(mktemp -d)
chmod 755 "$out"
for i in "${!libraries[@]}"; do
  "${as_user[@]}" env TMPDIR=/tmp "$soak" --minutes "$minutes" --library "${libraries[$i]}" >"$out/$i.txt" 2>&1 &
done
wait
for i in "${!libraries[@]}"; do
  echo "== ${libraries[$i]} (as $("${as_user[@]}" id -un), $minutes min)"
  cat "$out/$i.txt"
done
rm -rf "$out"
