#!/bin/bash
# Builds the win64 preset's runtime-search benchmark and runs it under wine: prints the time of a
# warm-cache search over 20 candidate directories against one, and their ratio; with the stand-in
# runtime built, also a cold search over one directory whose java.exe runs every time.
set -eu
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
cmake --preset win64 >/dev/null
cmake --build build/win64 -j2 --target bench_runtime_search >/dev/null
java=()
if cmake --build build/win64 -j2 --target drx_standin_runtime >/dev/null 2>&1 && [ -f build/win64/standin/java.exe ]; then
  java=("Z:$(echo "$root/build/win64/standin/java.exe" | tr / '\\')")
fi
WINEPREFIX="$root/build/win64/wineprefix" scripts/wine-run.sh build/win64/bench/launcher_jvm/bench_runtime_search.exe "${java[@]}"
