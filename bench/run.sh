#!/bin/bash
# Every benchmark in one run: builds what it needs (host, win64, and win32 for the binary sizes),
# writes the seeded data set once (build/bench-data), and prints one table of ratios against
# baselines measured in the same run, medians of RUNS runs (default 5). The table is also written
# to build/bench-results.md for README.md.
# Usage: bench/run.sh [RUNS]     BENCH_ONLY="reader untar ..." runs only the named steps.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
runs="${1:-5}"
[ "$runs" -ge 5 ] || { echo "bench: at least 5 runs, or the medians mean little" >&2; exit 2; }

# makensis and its stubs are the baselines of two rows; /usr/bin/time measures peak memory.
for tool in makensis:nsis /usr/bin/time:time curl:curl; do
  command -v "${tool%%:*}" >/dev/null || apt-get install -y -qq "${tool##*:}" >/dev/null
done

echo "== building"
cmake --preset host >/dev/null
cmake --build build/host -j2 --target mkmedia >/dev/null
cmake --preset win64 >/dev/null
cmake --build build/win64 -j2 --target mediastub64 drxinst64 bench_launcher_reader bench_launcher_runtime \
  bench_drxinst bench_runtime_search drx_standin_runtime standin_vm_driver >/dev/null
# The 32-bit binaries only for their sizes: this machine may not run 32-bit wine.
if cmake --preset win32 >/dev/null 2>&1; then
  cmake --build build/win32 -j2 --target mediastub drxinst >/dev/null || echo "bench: win32 build failed, sizes skipped"
fi

echo "== data"
python3 bench/data/generate.py "$root/build/bench-data"

source scripts/wine-env.sh
export WINEPREFIX="$root/build/win64/wineprefix" DRX_WINE64
drx_ensure_prefix
drx_start_wineserver
trap drx_stop_wineserver EXIT
python3 bench/run.py "$root" "$root/build/bench-data" "$runs" "$root/build/bench-results.md"
