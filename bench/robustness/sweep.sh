#!/bin/bash
# The complete truncation and corruption sweep under wine: every truncation point of a small media
# file from its payload start, and a single-byte change (XOR 0xFF and XOR 0x01) at every payload
# offset, each run in quiet mode in its own empty directory, at most two at a time. Prints the
# offsets tried, the outcomes by kind, crashes and hangs. Arguments go to the sweep program
# (--sample N for a subset, --timeout MS per run). Needs the win64 build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build/win64"
cmake --build "$build" -j2 --target mediastub64 robustness_sweep >/dev/null
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"
export WINEPREFIX="$build/wineprefix"
drx_ensure_prefix
drx_start_wineserver
cleanup() { drx_stop_xvfb; }
trap cleanup EXIT
# Message boxes need a display; a wine virtual desktop makes confirming them fast.
if [ -z "${DISPLAY:-}" ]; then
  drx_start_xvfb >/dev/null || { echo "could not start Xvfb" >&2; exit 1; }
fi
DRX_WINE_DESKTOP=1 "$root/scripts/wine-run.sh" "$build/bench/robustness/robustness_sweep.exe" "$@"
