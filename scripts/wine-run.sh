#!/bin/bash
# Runs one Windows program under wine for ctest: output goes through files (pipes cost
# seconds per run under wine), known wine noise is filtered, the exit code is kept.
# A 32-bit program on a machine that cannot start 32-bit programs is a failure, not a skip:
# scripts/setup.sh registers QEMU's i386 emulator for exactly that case.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${WINEPREFIX:?set WINEPREFIX to the prefix of the build directory}"
source "$here/wine-env.sh"

program="$1"
shift
case "$(drx_pe_machine "$program")" in
  x86-64) loader="$DRX_WINE64" ;;
  i386)
    if ! drx_can_run_wine32; then
      echo "this machine cannot start 32-bit programs, so 32-bit wine cannot run $(basename "$program");" \
        "scripts/setup.sh registers an i386 emulator for that" >&2
      exit 2
    fi
    loader="$DRX_WINE32" ;;
  *) echo "not a Windows program: $program" >&2; exit 2 ;;
esac
drx_ensure_prefix || { echo "could not create wine prefix $WINEPREFIX" >&2; exit 2; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
if [ -n "${DRX_WINE_DESKTOP:-}" ]; then
  # Windows opened without a window manager take about 2 s to close; inside a wine virtual
  # desktop they close at once. explorer does not pass the exit code on, so the program
  # writes it into a file (tests/support/desktop_test_main.cpp).
  export DRX_EXIT_CODE_FILE="Z:${tmp//\//\\}\\exit-code"
  "$loader" explorer "/desktop=drx$$,1024x768" "$program" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
  rc=$(tr -dc '0-9' <"$tmp/exit-code" 2>/dev/null)
  [ -n "$rc" ] || { echo "no exit code from $(basename "$program") (it did not finish)" >&2; rc=1; }
else
  "$loader" "$program" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
  rc=$?
fi
cat "$tmp/out"
grep -v -e 'Read access denied for device' -e 'X connection to .* broken' \
  -e '^[0-9a-f]*:err:' -e '^[0-9a-f]*:fixme:' "$tmp/err" >&2
exit $rc
