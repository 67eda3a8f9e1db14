#!/bin/bash
# Benchmark: building a 500 MB media file with mkmedia against copying 500 MB with cp, in the
# same run on the same disk. Prints both times and the ratio (build / copy).
# Usage: bench/mkmedia/run.sh [size in MB, default 500] [runs, default 3]
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
size_mb="${1:-500}"
runs="${2:-3}"
build="$root/build/bench-mkmedia"

# A release build without sanitizers: the host preset's instrumented binary is for tests.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRX_SANITIZE=OFF -DDRX_FUZZ=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2 --target mkmedia >/dev/null
mkmedia="$build/tools/mkmedia/mkmedia"

work="$(mktemp -d "${TMPDIR:-/tmp}/mkmedia-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/mkmedia/make_stub.py" "$work/stub.exe"
printf 'mainClass = com.example.Setup\nminJavaVersion = 1.8\n' > "$work/media.properties"
# Incompressible content, like a real runtime archive; one large file and one remaining-data part.
head -c "$((size_mb * 9 / 10))M" /dev/urandom > "$work/jre.tar.gz"
head -c "$((size_mb / 10))M" /dev/urandom > "$work/data.bin"
cat "$work/jre.tar.gz" "$work/data.bin" > "$work/input.bin"
cat "$work/jre.tar.gz" "$work/data.bin" "$work/input.bin" > /dev/null  # warm the page cache

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
# Medians of the runs; $1 = 1 flushes to disk inside each timing, 0 measures page-cache speed.
measure() {
  local flush=$1 copies=() builds=() t0 t1 t2 t3 copy_time build_time
  for _ in $(seq "$runs"); do
    rm -f "$work/copy.bin" "$work/media.exe"; sync
    t0=$(now); cp "$work/input.bin" "$work/copy.bin"; [ "$flush" = 1 ] && sync; t1=$(now)
    rm -f "$work/copy.bin"; sync
    t2=$(now)
    "$mkmedia" build --stub "$work/stub.exe" --config "$work/media.properties" -o "$work/media.exe" \
      --file "jre.tar.gz=$work/jre.tar.gz" --data "$work/data.bin" 2>/dev/null
    [ "$flush" = 1 ] && sync; t3=$(now)
    copies+=("$(awk "BEGIN { print $t1 - $t0 }")"); builds+=("$(awk "BEGIN { print $t3 - $t2 }")")
  done
  copy_time=$(median "${copies[@]}") build_time=$(median "${builds[@]}")
  printf '%s: cp %.3f s, mkmedia build %.3f s for %d MB, ratio mkmedia/cp: %.2f\n' \
    "$([ "$flush" = 1 ] && echo 'to disk (sync)' || echo 'page cache   ')" "$copy_time" "$build_time" "$size_mb" \
    "$(awk "BEGIN { print $build_time / $copy_time }")"
}
measure 1
measure 0
"$mkmedia" inspect "$work/media.exe" | grep '^checksum'
