#!/bin/bash
# Checks a built Windows binary: machine type, subsystem, that it imports system DLLs only and,
# given a budget, that it is no larger than that many bytes.
# usage: pe_check.sh OBJDUMP FILE i386|x86-64 gui|console|dll [MAX_BYTES]
set -u
objdump="$1" file="$2" machine="$3" kind="$4" budget="${5:-}"

fail() { echo "FAIL: $file: $*"; exit 1; }
[ -f "$file" ] || fail "missing"
headers="$("$objdump" -p "$file")" || fail "objdump could not read it"

case "$machine" in
  i386) grep -q 'file format pei-i386' <<<"$headers" || fail "not an i386 PE file" ;;
  x86-64) grep -q 'file format pei-x86-64' <<<"$headers" || fail "not an x86-64 PE file" ;;
  *) fail "unknown machine $machine" ;;
esac

subsystem="$(awk '/^Subsystem/ {print $2}' <<<"$headers")"
characteristics="$(awk '/^Characteristics/ {print $2; exit}' <<<"$headers")"
is_dll=$(( (characteristics & 0x2000) != 0 ))
case "$kind" in
  gui) [ "$subsystem" = 00000002 ] && [ $is_dll = 0 ] || fail "not a GUI program (subsystem $subsystem)" ;;
  console) [ "$subsystem" = 00000003 ] && [ $is_dll = 0 ] || fail "not a console program (subsystem $subsystem)" ;;
  dll) [ $is_dll = 1 ] || fail "not a DLL" ;;
  *) fail "unknown kind $kind" ;;
esac

# Only DLLs that Windows always takes from the system directory (its known DLLs) may be imported
# statically: a setup program runs from download folders, and any other DLL name would first be
# looked for beside the program, where anyone can drop one. The rest (comctl32, version, wininet,
# psapi, netapi32, shfolder) is loaded at run time by full path; libstdc++, libgcc, winpthread and
# zlib are linked in.
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll comdlg32.dll shell32.dll ole32.dll 
 oleaut32.dll msvcrt.dll shlwapi.dll ntdll.dll "
allowed=" $(echo $allowed) "  # one space between names, whatever the line breaks above
imports="$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")"
[ -n "$imports" ] || fail "no import table"
for dll in $imports; do
  case "$allowed" in
    *" $dll "*) ;;
    *) fail "imports non-system DLL $dll (only DLLs Windows always loads from the system directory may be imported)" ;;
  esac
done

size=$(stat -c %s "$file") || fail "cannot read its size"
if [ -n "$budget" ]; then
  [[ "$budget" =~ ^[0-9]+$ ]] || fail "budget '$budget' is not a number of bytes"
  # Every installer download carries the launcher: growth past the budget is a decision, not drift.
  [ "$size" -le "$budget" ] || fail "$size bytes, over its size budget of $budget bytes"
fi
echo "OK: $(basename "$file") $machine $kind $size bytes${budget:+ (budget $budget)} imports: $(echo $imports)"
