#!/bin/bash
# A media file built by mkmedia.exe (under wine) with every setup-file option, read back with tools
# of the machine: wrestool and icotool (the icon byte for byte, the version strings, the manifest's
# level), objdump (resource directory, SizeOfImage, checksum field) and osslsigncode (checksum,
# signing, verifying); then mkmedia inspect on the signed file.
# Usage: read_back_with_tools.sh WINE_RUN MKMEDIA_EXE STUB ICON OBJDUMP WORK_DIR
set -u
wine_run=$1 mkmedia=$2 stub=$3 icon=$4 objdump=$5 work=$6
for tool in wrestool icotool osslsigncode openssl iconv; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
status=0
fail() { echo "FAIL: $*"; status=1; }
windows() { local p="$1"; echo "Z:${p//\//\\}"; }

# Two settings come from the configuration, the icon by a path relative to it.
cp "$icon" app.ico
printf 'mainClass = com.example.Setup\nsetup.company = Example Ltd\nsetup.icon = app.ico\n' >setup.properties
build() {
  "$wine_run" "$mkmedia" build --stub "$(windows "$stub")" --config "$(windows "$PWD/setup.properties")" \
    -o "$(windows "$PWD/setup.exe")" --file "readme.txt=$(windows "$PWD/readme.txt")" \
    --version 2.1.0.7 --product-name "Example App" \
    --description "Example App Setup" --copyright "2026 Example Ltd" --execution-level requireAdministrator
}
printf 'read me' >readme.txt
build
rc=$?
[ $rc -eq 77 ] && exit 77
[ $rc -eq 0 ] || { echo "FAIL: mkmedia build exit $rc"; exit 1; }
# osslsigncode leaves out an odd last byte from its checksum (Windows adds it): use an even length.
if [ $(( $(stat -c %s setup.exe) % 2 )) -ne 0 ]; then
  printf 'read me!' >readme.txt
  build || { echo "FAIL: mkmedia build"; exit 1; }
fi

# The icon: wrestool rebuilds an .ico from group 1001 and its images (and appends the group's
# bytes); up to the user's file length it must be that file, directory and images alike.
wrestool -x -t14 -n1001 setup.exe >group.ico
cmp -n "$(stat -c %s "$icon")" group.ico "$icon" || fail "icon group 1001 differs from $icon"
[ "$(icotool -l group.ico)" = "$(icotool -l "$icon")" ] || fail "icotool lists other images"

# The version resource's strings, and the manifest's execution level.
wrestool -x --raw -t16 -n1 setup.exe | iconv -c -f UTF-16LE -t UTF-8 | tr -s '\0' '\n' >version.txt
value() { grep -a -A1 "$1\$" version.txt | tail -n1; }
for pair in "FileVersion=2.1.0.7" "ProductVersion=2.1.0.7" "ProductName=Example App" "CompanyName=Example Ltd" \
            "FileDescription=Example App Setup" "LegalCopyright=2026 Example Ltd" "OriginalFilename=setup.exe"; do
  [ "$(value "${pair%%=*}")" = "${pair#*=}" ] || fail "version string ${pair%%=*} is '$(value "${pair%%=*}")'"
done
wrestool -x --raw -t24 -n1 setup.exe >manifest.xml
grep -q 'requestedExecutionLevel level="requireAdministrator"' manifest.xml || fail "manifest level not set"
grep -q 'Microsoft.Windows.Common-Controls' manifest.xml || fail "manifest lost its dependency"

# Headers as objdump reads them: the resource directory is the .rsrc section, SizeOfImage covers
# the last section, and the checksum field is what osslsigncode computes.
"$objdump" -h -p setup.exe >headers.txt
read -r rsrc_vma rsrc_size < <(awk '$2 == ".rsrc" {print $4, $3}' headers.txt)
read -r dir_rva dir_size < <(awk '/Resource Directory/ {print $3, $4}' headers.txt)
base=$(awk '$1 == "ImageBase" {print $2}' headers.txt)
align=$(awk '$1 == "SectionAlignment" {print $2}' headers.txt)
image=$(awk '$1 == "SizeOfImage" {print $2}' headers.txt)
read -r last_vma last_size < <(awk '$1 ~ /^[0-9]+$/ && NF >= 7 {vma=$4; size=$3} END {print vma, size}' headers.txt)
[ $((16#$dir_rva)) -eq $((16#$rsrc_vma - 16#$base)) ] || fail "resource directory $dir_rva is not the .rsrc section"
[ $((16#$dir_size)) -eq $((16#$rsrc_size)) ] || fail "resource directory size $dir_size, section $rsrc_size"
end=$((16#$last_vma - 16#$base + 16#$last_size))
expected=$(( (end + 16#$align - 1) / 16#$align * 16#$align ))
[ $((16#$image)) -eq $expected ] || fail "SizeOfImage $image, the last section ends at $(printf %x $expected)"
osslsigncode verify -in setup.exe >verify-unsigned.txt 2>&1
grep -q 'Warning: invalid PE checksum' verify-unsigned.txt && fail "checksum: $(grep -i checksum verify-unsigned.txt)"
field=$(awk '$1 == "CheckSum" {print $2}' headers.txt)
grep -qi "PE checksum *: *0*${field#0*}" verify-unsigned.txt || fail "objdump's CheckSum $field is not osslsigncode's"

# Signing keeps all of it and verifies.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=drx-test -addext extendedKeyUsage=codeSigning \
  -keyout key.pem -out cert.pem >/dev/null 2>&1 || fail "openssl req"
osslsigncode sign -certs cert.pem -key key.pem -in setup.exe -out signed.exe >sign.txt 2>&1 || fail "osslsigncode sign"
osslsigncode verify -CAfile cert.pem -in signed.exe >verify-signed.txt 2>&1
grep -q 'Signature verification: ok' verify-signed.txt || fail "signature does not verify"
# A Windows console program ends its lines with CR LF.
"$wine_run" "$mkmedia" inspect "$(windows "$PWD/signed.exe")" >inspect.raw 2>&1 || fail "inspect exit $?"
tr -d '\r' <inspect.raw >inspect.txt
grep -q 'checksum: .* OK$' inspect.txt || fail "inspect: payload CRC"
grep -q '^icon 1001: 16x16 1-bit, 32x32 1-bit, 48x48 1-bit, 256x256 PNG$' inspect.txt || fail "inspect: icon"
grep -q '^file version: 2.1.0.7, product version: 2.1.0.7$' inspect.txt || fail "inspect: version"
grep -q '^execution level: requireAdministrator$' inspect.txt || fail "inspect: execution level"
[ $status -eq 0 ] && echo "setup file read back: OK" || { echo "--- inspect"; cat inspect.txt; echo "--- headers"; grep -E 'rsrc|reloc|Resource|SizeOfImage|CheckSum' headers.txt; }
exit $status
