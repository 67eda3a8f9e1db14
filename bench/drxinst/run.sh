#!/bin/bash
# Builds the win64 drxinst benchmark and runs it under wine: 100,000 getValue0 calls and 1 MB
# pipe blocks in both directions, each against the same Win32 calls made directly.
set -eu
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
cmake --preset win64 >/dev/null
cmake --build build/win64 -j2 --target bench_drxinst >/dev/null
WINEPREFIX="$root/build/win64/wineprefix" scripts/wine-run.sh build/win64/bench/drxinst/bench_drxinst.exe
