#!/usr/bin/env bash
# Runs the virtual-receiver benchmark as the user who starts it and, when
# that is root, once more as an ordinary user without real-time rights
# (uid 65534), whose REALTIME does nothing. Usage: run.sh <build dir> [args]
set -euo pipefail
build=${1:?build directory}
shift
bench="$build/bench/virtual/virtual_receiver_bench"
echo "== as $(id -un)"
"$bench" "$@"
if [ "$(id -u)" = 0 ]; then
  echo "== as an ordinary user (uid 65534, no real-time rights)"
  setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all env TMPDIR=/tmp "$bench" "$@"
fi
