#!/bin/bash
# Untar of a 120 MB, 2000-file jre.tar.gz under wine: the launcher against a minimal gzread loop
# built for the same target (and, when Debian's nsis is installed, an NSIS zlib installer of the
# same tree); and a 50 MB download from loopback against a plain curl of the same file.
set -eu
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
source scripts/wine-env.sh
cmake --preset win64 >/dev/null
cmake --build build/win64 -j2 --target bench_launcher_runtime >/dev/null
export WINEPREFIX="$root/build/win64/wineprefix"
drx_ensure_prefix
# One server for the whole run (it ends 10 s after its last client), so no timing pays its start.
"$DRX_WINESERVER" -p10 >/dev/null 2>&1 || true
bench="$root/build/win64/bench/launcher_runtime/bench_launcher_runtime.exe"
work="$(mktemp -d)"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }
best() { sort -n | head -1; }

# Optional argument: "untar" or "download" runs only that part.
part="${1:-all}"
if [ "$part" != download ]; then
# The benchmark data set's runtime tree and its archive.
python3 bench/data/generate.py "$root/build/bench-data" >/dev/null
ln -s "$root/build/bench-data/jre" "$work/tree"
cp "$root/build/bench-data/jre.tar.gz" "$work/jre.tar.gz"
echo "archive: $(du -m "$work/jre.tar.gz" | cut -f1) MB compressed, $(find "$work/tree" -type f | wc -l) files"

run_untar() {  # mode, run number: prints milliseconds measured inside the program
  rm -rf "$work/out-$1"
  "$DRX_WINE64" "$bench" untar "$(winpath "$work/jre.tar.gz")" "$(winpath "$work/out-$1")" "$1" 2>/dev/null | awk '/^ms/ {print $2}'
}
launcher_ms=(); minimal_ms=()
for run in 1 2 3; do
  launcher_ms+=("$(run_untar launcher)")
  minimal_ms+=("$(run_untar minimal)")
done
diff -r "$work/tree/lib" "$work/out-launcher/lib" >/dev/null && echo "launcher untar: tree identical"
l=$(printf '%s\n' "${launcher_ms[@]}" | best); m=$(printf '%s\n' "${minimal_ms[@]}" | best)
echo "untar launcher ${l} ms, minimal gzread loop ${m} ms (best of 3 each)"
awk -v l="$l" -v m="$m" 'BEGIN { printf "untar ratio launcher/minimal: %.3f (target <= 1.2)\n", l / m }'

if command -v makensis >/dev/null; then
  # The 64-bit stub: the same width as the launcher under test (and 32-bit wine may not run here).
  cat >"$work/tree.nsi" <<NSI
Target amd64-unicode
Name "tree"
OutFile "$work/tree-install.exe"
SetCompressor zlib
RequestExecutionLevel user
InstallDir "\$TEMP\\nsis-tree"
Section
  SetOutPath "\$INSTDIR"
  File /r "$work/tree/lib"
SectionEnd
NSI
  makensis -V1 "$work/tree.nsi" >/dev/null
  elapsed() { local start; start=$(date +%s%N); "$@" >/dev/null 2>&1 || true; echo $(( ($(date +%s%N) - start) / 1000000 )); }
  nsis_ms=(); whole_ms=()
  for run in 1 2 3; do
    rm -rf "$work/out-nsis" "$work/out-launcher"
    nsis_ms+=("$(elapsed "$DRX_WINE64" "$work/tree-install.exe" /S "/D=$(winpath "$work/out-nsis")")")
    whole_ms+=("$(elapsed "$DRX_WINE64" "$bench" untar "$(winpath "$work/jre.tar.gz")" "$(winpath "$work/out-launcher")" launcher)")
  done
  diff -r "$work/tree/lib" "$work/out-nsis/lib" >/dev/null && echo "NSIS installer: tree identical"
  n=$(printf '%s\n' "${nsis_ms[@]}" | best); w=$(printf '%s\n' "${whole_ms[@]}" | best)
  echo "whole process under wine: launcher untar ${w} ms, NSIS zlib installer ${n} ms (best of 3 each)"
  awk -v l="$w" -v n="$n" 'BEGIN { printf "untar ratio launcher/NSIS: %.3f (target < 1)\n", l / n }'
else
  echo "NSIS comparison skipped: makensis is not installed (Debian package nsis)"
fi

fi
[ "$part" = untar ] && exit 0

mkdir -p "$work/serve"
head -c $((50 * 1024 * 1024)) /dev/urandom >"$work/serve/jre.tar.gz"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/serve" >/dev/null 2>&1 &
server=$!
for _ in $(seq 50); do curl -sf -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
url="http://127.0.0.1:$port/jre.tar.gz"
curl_ms=(); download_ms=()
for run in 1 2 3; do
  curl_ms+=("$(curl -s -o "$work/curl.bin" -w '%{time_total}' "$url" | awk '{printf "%.1f", $1 * 1000}')")
  mkdir -p "$work/dl$run"
  download_ms+=("$("$DRX_WINE64" "$bench" download "$url" "$(winpath "$work/dl$run")" 2>/dev/null | awk '/^ms/ {print $2}')")
done
cmp -s "$work/serve/jre.tar.gz" "$work/dl1/jre.tar.gz" && echo "download: file identical"
c=$(printf '%s\n' "${curl_ms[@]}" | best); d=$(printf '%s\n' "${download_ms[@]}" | best)
echo "download 50 MB: launcher ${d} ms, curl ${c} ms (best of 3 each)"
awk -v c="$c" -v d="$d" 'BEGIN { printf "download rate ratio launcher/curl: %.3f (target >= 0.5)\n", c / d }'
