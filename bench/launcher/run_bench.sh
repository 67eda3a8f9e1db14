#!/bin/bash
# Builds the win64 reader benchmark and runs it under wine: prints the verification throughput
# ratio (against zlib's crc32 in the same process) and the extraction time ratio (against CopyFileW).
# Usage: bench/launcher/run_bench.sh [rounds]   (the best of each is compared; default 5)
set -eu
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
cmake --preset win64 >/dev/null
cmake --build build/win64 -j2 --target bench_launcher_reader >/dev/null
data="$root/build/win64/benchdata"
mkdir -p "$data"
export WINEPREFIX="$root/build/win64/wineprefix"
# The data directory as wine sees it (drive Z: is the host's root).
"$root/scripts/wine-run.sh" build/win64/bench/launcher/bench_launcher_reader.exe "Z:${data//\//\\}" "${1:-5}"
