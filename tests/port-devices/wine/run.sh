#!/usr/bin/env bash
# Runs the Windows test program under Wine; skips (77) when the Windows
# build has not made it or port.dll beside it.
set -euo pipefail
wine="$1" exe="$2"
if [ ! -f "$exe" ] || [ ! -f "$(dirname "$exe")/port.dll" ]; then
  echo "skipped: no $exe with port.dll (build build-win32 first)"
  exit 77
fi
exec "$wine" "$exe"
