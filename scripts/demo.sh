#!/bin/bash
# The demo: installs what is missing, builds, and runs the launcher under wine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# 32-bit wine needs IA-32 emulation in the kernel; fall back to the 64-bit launcher without it.
if drx_can_run_wine32; then
  preset=win32 launcher=mediastub.exe loader="$DRX_WINE32"
else
  preset=win64 launcher=mediastub64.exe loader="$DRX_WINE64"
fi
export WINEPREFIX="$root/build/$preset/wineprefix"
drx_ensure_prefix
trap 'drx_stop_wineserver; drx_stop_xvfb' EXIT
[ -n "${DISPLAY:-}" ] || drx_start_xvfb

echo "demo: running $launcher under wine"
set +e
"$loader" "$root/build/$preset/launcher/$launcher" "$@"
echo "demo: $launcher exited with code $?"
