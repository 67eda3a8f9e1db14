#!/bin/bash
# Start-up time: from process start to the Java launcher class's main for a media file with no
# included files and a cached runtime version, against a minimal program that loads the same
# stand-in jvm.dll and calls main. Both end the process inside main, so each run measures exactly
# start → main. Prints medians of N runs (default 7) and their ratio; needs the win64 build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
runs="${1:-7}"
build="$root/build/win64"
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/wineprefix"
drx_ensure_prefix
drx_start_wineserver
trap drx_stop_wineserver EXIT

work="$(mktemp -d)"
trap 'rm -rf "$work"; drx_stop_wineserver' EXIT
mkdir -p "$work/runtime/bin/client"
cp "$build/standin/java.exe" "$build/standin/javaw.exe" "$work/runtime/bin/"
cp "$build/standin/jvm.dll" "$work/runtime/bin/client/"
printf 'jvm.main.action=exit 0\n' >"$work/runtime/standin.cfg"
winpath() { echo "Z:${1//\//\\}"; }
cat >"$work/start.properties" <<CFG
mainClass = com.example.Main
minJavaVersion = 1.5
jreSearchSequence = B$(winpath "$work/runtime" | sed 's/\\/\\\\/g');
CFG
"$root/build/host/tools/mkmedia/mkmedia" build --stub "$build/launcher/mediastub64.exe" \
  --config "$work/start.properties" -o "$work/setup.exe" >/dev/null

# Milliseconds of one run of a command.
elapsed_ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

launcher=(env LANQO_LOG= "$DRX_WINE64" "$work/setup.exe" -q)
driver=("$DRX_WINE64" "$build/tests/win/support/standin_vm_driver.exe" "$(winpath "$work/runtime/bin/client/jvm.dll")" \
  com/deployrix/runtime/launcher/WinLauncher)
# Warm-up: the first start runs java.exe -version once and caches the answer.
elapsed_ms "${launcher[@]}" >/dev/null
elapsed_ms "${driver[@]}" >/dev/null
runs_before=$(cat "$work/runtime/bin/java-runs.txt" 2>/dev/null | wc -l)
launcher_ms=() driver_ms=()
for _ in $(seq "$runs"); do
  launcher_ms+=("$(elapsed_ms "${launcher[@]}")")
  driver_ms+=("$(elapsed_ms "${driver[@]}")")
done
l=$(median "${launcher_ms[@]}") d=$(median "${driver_ms[@]}")
echo "start to main, median of $runs: launcher $l ms, minimal jvm.dll program $d ms"
awk -v l="$l" -v d="$d" 'BEGIN { printf "ratio launcher / minimal: %.2f (target <= 1.3)\n", l / d }'
# The version cache is warm after the first start: the timed starts must not run java.exe at all.
echo "warm-start java.exe runs: $(( $(cat "$work/runtime/bin/java-runs.txt" 2>/dev/null | wc -l) - runs_before ))"
