#!/bin/bash
# The demo: builds the 32-bit launcher, mkmedia and the stand-in runtime, makes a media file with
# the runtime packed inside it, starts it under wine with the progress dialog on a virtual screen, and prints what
# the Java side received and the launcher's log. A screenshot of the dialog is kept.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

# 32-bit is what most media files carry; a machine that cannot start 32-bit programs even with
# the emulator setup registers falls back to the 64-bit launcher.
if drx_can_run_wine32; then
  preset=win32 launcher=mediastub.exe loader="$DRX_WINE32"
else
  preset=win64 launcher=mediastub64.exe loader="$DRX_WINE64"
fi
# Only what the demo runs: the builder on this machine, and the launcher, the stand-in runtime and
# the screenshot helper for Windows. The tests and benchmarks are scripts/test.sh's business.
echo "demo: building mkmedia (host) and $launcher with the stand-in runtime ($preset)"
cmake --preset host >/dev/null
cmake --build build/host -j2 --target mkmedia >/dev/null
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" -j2 --target "${launcher%.exe}" standin_jvm standin_java standin_javaw \
  standin_unpack200 capture_window >/dev/null
build="$root/build/$preset"
export WINEPREFIX="$build/wineprefix"
drx_ensure_prefix
[ -n "${DISPLAY:-}" ] || drx_start_xvfb
drx_start_wineserver
trap 'drx_stop_wineserver; drx_stop_xvfb' EXIT

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/runtime/bin/client"
cp "$build/standin/java.exe" "$build/standin/javaw.exe" "$build/standin/unpack200.exe" "$demo/runtime/bin/"
cp "$build/standin/jvm.dll" "$demo/runtime/bin/client/"
# The stand-in's main opens the installer's window for a while, which hides the progress dialog,
# and then ends the process as a Java installer does.
cat >"$demo/runtime/standin.cfg" <<'CFG'
java.firstLine=java version "1.8.0_202"
jvm.main.action=sleep 1500
jvm.main.action=window 2000 Demo installer
jvm.main.action=sleep 2500
jvm.main.action=exit 0
CFG
# The runtime travels inside the media file as jre.tar.gz, like a bundled Java runtime.
tar --format=ustar -C "$demo/runtime" -cf "$demo/jre.tar" bin standin.cfg
tar_size=$(stat -c %s "$demo/jre.tar")
gzip -9 "$demo/jre.tar"
printf 'Read me: installed by the deployrix demo.\n' >"$demo/readme.txt"
cat >"$demo/demo.properties" <<CFG
# The demo installer's launcher settings (see README.md, "Building a media file").
launcherFlavour = d
mainClass = com.example.DemoInstaller
launcherType = 1
minJavaVersion = 1.5
includedJreSize = $tar_size
programArguments = --demo "first run"
msgPreparing = Preparing the deployrix demo wizard\\u2026
CFG

"$root/build/host/tools/mkmedia/mkmedia" build --stub "$build/launcher/$launcher" --config "$demo/demo.properties" \
  -o "$demo/setup.exe" --file readme.txt="$demo/readme.txt" --file jre.tar.gz="$demo/jre.tar.gz"
"$root/build/host/tools/mkmedia/mkmedia" inspect "$demo/setup.exe" | grep -vE '^  (narrow|wide) +(1[0-9]{3}|20[0-9]{3}) '

winpath() { echo "Z:${1//\//\\}"; }
echo
echo "demo: starting setup.exe a b under wine: $launcher ($(drx_pe_machine "$build/launcher/$launcher")) with the" \
  "stand-in jvm.dll ($(drx_pe_machine "$build/standin/jvm.dll")) packed as jre.tar.gz"
# A start that reached Java leaves "InstallStarted" for the Java side to clear; the stand-in does
# not, so clear it here or the next demo would ask whether the last run failed.
"$DRX_WINE64" reg delete 'HKCU\Software\morvenic\lanqo' /v InstallStarted /f >/dev/null 2>&1 || true
"$loader" "$build/tests/support/process_driver/capture_window.exe" MyDialogClass \
  "$(winpath "$demo/progress_dialog.bmp")" 30000 >/dev/null 2>&1 &
capture=$!
set +e
(cd "$demo" && DRX_STANDIN_REPORT="$(winpath "$demo/report.txt")" LANQO_LOG=yes \
  timeout 120 "$loader" "$demo/setup.exe" a b >"$demo/stdout.txt" 2>"$demo/stderr.txt")
rc=$?
wait "$capture"
set -e
echo "demo: setup.exe exited with code $rc"
echo
echo "--- what the Java side received (stand-in report) ---"
grep -E '^jvm\.(option|main|arg|destroy) ' "$demo/report.txt" || echo "(no report)"
echo
echo "--- launcher log (kept: LANQO_LOG=yes) ---"
# wine gives its programs the prefix's own temporary folder, whatever TMP says on this side.
log=$(find "$WINEPREFIX/drive_c/users" -maxdepth 5 -type f -name 'drx*' -newer "$demo/demo.properties" 2>/dev/null | head -n 1)
if [ -n "$log" ]; then cat "$log"; mv "$log" "$demo/launcher.log"; else echo "(no log found)"; fi
[ -f "$demo/progress_dialog.bmp" ] && echo && echo "demo: screenshot of the progress dialog: $demo/progress_dialog.bmp"
exit "$rc"
