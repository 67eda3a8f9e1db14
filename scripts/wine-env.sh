# Sourced by the wine scripts: the environment every wine run of this project uses.
# Callers set WINEPREFIX (one prefix per build directory) before sourcing.
export WINEDEBUG=-all
# winemenubuilder would write menu files on the host when a test saves a shortcut;
# mscoree/mshtml off so creating a prefix never offers to install a runtime.
# winedbg off: a crashing test program must end (and fail) at once, not wait in the debugger.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;mscoree,mshtml=${DRX_EXTRA_DLLOVERRIDES:+;$DRX_EXTRA_DLLOVERRIDES}"
export WINEARCH=win64

# Debian's /usr/bin/wine always starts the 32-bit loader; 64-bit programs need wine64.
DRX_WINE32=/usr/lib/wine/wine
DRX_WINE64=/usr/lib/wine/wine64
DRX_WINESERVER=/usr/lib/wine/wineserver64

# True when this machine can start 32-bit Linux programs, which 32-bit wine needs.
# Some kernels run with IA-32 emulation switched off (ia32_emulation=off).
drx_can_run_wine32() {
  [ -x "$DRX_WINE32" ] && "$DRX_WINE32" --version >/dev/null 2>&1
}

# Creates the prefix once; concurrent callers wait on a lock beside it.
drx_ensure_prefix() {
  local prefix="$WINEPREFIX"
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.drx-ready" ]; then
      echo "wine: creating prefix $prefix" >&2
      "$DRX_WINE64" wineboot -i >/dev/null 2>&1
      "$DRX_WINESERVER" -w
      [ -f "$prefix/system.reg" ] && touch "$prefix/.drx-ready"
    fi
  ) 9>"$prefix.lock"
  [ -f "$prefix/.drx-ready" ]
}

# A persistent wine server spares every test the server's start-up.
drx_start_wineserver() {
  "$DRX_WINESERVER" -p >/dev/null 2>&1 || true
}

drx_stop_wineserver() {
  "$DRX_WINESERVER" -k >/dev/null 2>&1 || true
}

# Prints i386, x86-64 or nothing for a PE file, from the COFF machine field.
drx_pe_machine() {
  python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    data = f.read(4096)
if data[:2] == b'MZ':
    off = struct.unpack_from('<I', data, 0x3C)[0]
    if data[off:off + 4] == b'PE\0\0':
        machine = struct.unpack_from('<H', data, off + 4)[0]
        print({0x14C: 'i386', 0x8664: 'x86-64'}.get(machine, ''))
PY
}
