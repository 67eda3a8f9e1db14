#!/bin/bash
# Builds the win64 reader benchmark and runs it under wine over the benchmark data set's 100 MB of
# mixed files: prints the verification throughput ratio (against zlib's crc32 in the same process)
# and the extraction time ratio (against CopyFileW of the same files). bench/run.sh runs it too.
# Usage: bench/launcher/run_bench.sh [rounds]   (medians; default 5)
set -eu
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
cmake --preset win64 >/dev/null
cmake --build build/win64 -j2 --target bench_launcher_reader >/dev/null
python3 bench/data/generate.py "$root/build/bench-data"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export WINEPREFIX="$root/build/win64/wineprefix"
# Paths as wine sees them (drive Z: is the host's root).
"$root/scripts/wine-run.sh" build/win64/bench/launcher/bench_launcher_reader.exe "Z:${work//\//\\}" \
  "Z:${root//\//\\}\\build\\bench-data\\mixed" "${1:-5}"
