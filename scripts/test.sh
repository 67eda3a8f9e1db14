#!/bin/bash
# The test command: installs what is missing, builds every preset and runs every test.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

"$root/scripts/setup.sh" || { echo "setup failed"; exit 1; }

presets=(${DRX_PRESETS:-host win32 win64})
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

cleanup() {
  for preset in "${presets[@]}"; do
    if [ -d "$root/build/$preset/wineprefix" ]; then
      WINEPREFIX="$root/build/$preset/wineprefix" drx_stop_wineserver
    fi
  done
  drx_stop_xvfb
}
trap cleanup EXIT

drx_start_xvfb || { echo "could not start Xvfb"; exit 1; }

passed=0 failed=0 skippedTotal=0 status=0
# Formatting first: it takes seconds and names the files to fix with scripts/format.sh --fix.
echo "=== format"
if ! "$root/scripts/format.sh" --check; then
  echo "=== format: FAILED"
  status=1 failed=$((failed + 1))
fi
for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build-$preset.log" 2>&1; then
    tail -30 "build-$preset.log"
    echo "=== $preset: configure FAILED"
    status=1 failed=$((failed + 1))
    continue
  fi
  rm -f "build-$preset.log"
  if ! cmake --build --preset "$preset"; then
    echo "=== $preset: build FAILED"
    status=1 failed=$((failed + 1))
    continue
  fi
  if [ "$preset" != host ]; then
    export WINEPREFIX="$root/build/$preset/wineprefix"
    drx_ensure_prefix || { echo "=== $preset: wine prefix FAILED"; status=1; }
    drx_start_wineserver
  fi
  echo "=== $preset: tests"
  ctest --preset "$preset" -j2 2>&1 | tee "build/$preset/ctest.log"
  rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] || status=1
  summary="$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "build/$preset/ctest.log" | tail -1)"
  skipped=$(grep -c -E '\*\*\*Skipped|Not Run.*Skipped' "build/$preset/ctest.log")
  if [[ "$summary" =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1] - skipped))
    skippedTotal=$((skippedTotal + skipped))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  if [ "$preset" != host ]; then drx_stop_wineserver; fi
done

echo "all presets: $passed passed, $failed failed, $skippedTotal skipped"
exit $status
