#!/bin/bash
# The version resource of a shipped binary, and the launcher's application manifest, as wrestool
# reads them. Usage: version_check.sh BINARY VERSION manifest|no-manifest
set -u
binary=$1 version=$2 manifest=$3
command -v wrestool >/dev/null || { echo "SKIPPED: wrestool (icoutils) is not installed"; exit 77; }
status=0
fail() { echo "FAIL: $(basename "$binary"): $*"; status=1; }
strings=$(wrestool -x --raw -t16 -n1 "$binary" | iconv -c -f UTF-16LE -t UTF-8 | tr -s '\0' '\n')
value() { printf '%s\n' "$strings" | grep -a -A1 "$1\$" | tail -n1; }
for pair in "FileVersion=$version" "ProductVersion=$version" "OriginalFilename=$(basename "$binary")" \
            "ProductName=deployrix" "CompanyName=morvenic"; do
  [ "$(value "${pair%%=*}")" = "${pair#*=}" ] || fail "${pair%%=*} is '$(value "${pair%%=*}")', not '${pair#*=}'"
done
[ -n "$(value FileDescription)" ] || fail "no FileDescription"
if [ "$manifest" = manifest ]; then
  xml=$(wrestool -x --raw -t24 -n1 "$binary")
  for part in 'level="asInvoker"' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
              '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
              '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' \
              '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '<dpiAware>true</dpiAware>'; do
    printf '%s' "$xml" | tr -s ' \n' ' ' | grep -qF "$part" || fail "manifest lacks $part"
  done
  printf '%s' "$xml" | grep -q '<longPathAware' && fail "manifest declares longPathAware"
else
  [ -z "$(wrestool -l -t24 "$binary")" ] || fail "unexpected manifest"
fi
[ $status -eq 0 ] && echo "$(basename "$binary"): version $version OK"
exit $status
