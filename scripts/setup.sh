#!/bin/bash
# Installs what the build and the tests need, with apt-get, only what is missing. Safe to rerun.
# On a kernel that cannot start 32-bit programs it also brings QEMU's i386 user-mode emulator
# and registers it with binfmt_misc, so 32-bit wine (and with it every win32 test) runs.
set -euo pipefail

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

packages=(
  cmake ninja-build clang libclang-rt-14-dev clang-format-14 googletest zlib1g-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 libz-mingw-w64-dev
  openjdk-17-jdk-headless
  wine wine32:i386 wine64
  xvfb xauth
  osslsigncode python3 icoutils
  openssl
)

installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" = "install ok installed" ]
}

apt_updated=0
apt_update() {
  [ "$apt_updated" -eq 1 ] && return 0
  "${SUDO[@]}" apt-get update -q
  apt_updated=1
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture (for wine32)"
  "${SUDO[@]}" dpkg --add-architecture i386
fi

missing=()
for pkg in "${packages[@]}"; do
  installed "$pkg" || missing+=("$pkg")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages present"
else
  echo "setup: installing ${missing[*]}"
  apt_update
  "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# ---- 32-bit programs on a kernel that runs 64-bit code only ----------------------------------
wine32_loader=/usr/lib/wine/wine
qemu=/usr/bin/qemu-i386-static
binfmt=/proc/sys/fs/binfmt_misc
entry="$binfmt/qemu-i386"
# Remembers which qemu file the kernel opened at registration, and in which boot.
stamp_dir=/var/lib/drx-setup
stamp="$stamp_dir/qemu-i386.registered"

can_run_32bit() { "$wine32_loader" --version >/dev/null 2>&1; }

# The Debian mirror this machine already uses, so the backports suite comes from the same place.
debian_mirror() {
  local uri
  uri="$(awk '/^URIs:/ {u=$2} /^Suites:/ && / bookworm( |$)/ {print u; exit}' \
           /etc/apt/sources.list.d/*.sources 2>/dev/null || true)"
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri="$(awk '$1=="deb" && $3=="bookworm" {print $2; exit}' /etc/apt/sources.list)"
  fi
  echo "$uri"
}

# QEMU 7.2 (bookworm) ignores MAP_FIXED_NOREPLACE and takes about 50 s per wine start;
# QEMU 10 from bookworm-backports takes a fraction of a second.
install_qemu() {
  local version
  version="$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)"
  if [ -n "$version" ] && dpkg --compare-versions "$version" ge 1:10; then return 0; fi
  local list=/etc/apt/sources.list.d/drx-bookworm-backports.sources
  if [ ! -f "$list" ]; then
    local mirror; mirror="$(debian_mirror)"
    [ -n "$mirror" ] || { echo "setup: no Debian bookworm source configured; cannot add backports" >&2; return 1; }
    echo "setup: adding bookworm-backports from $mirror (for QEMU 10)"
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$mirror" | "${SUDO[@]}" tee "$list" >/dev/null
    apt_updated=0
  fi
  echo "setup: installing qemu-user-static from bookworm-backports"
  apt_update
  "${SUDO[@]}" apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
}

qemu_identity() { echo "$(cat /proc/sys/kernel/random/boot_id) $(stat -L -c '%d:%i:%Y' "$qemu")"; }

register_qemu() {
  if [ ! -f "$binfmt/register" ]; then
    "${SUDO[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
  fi
  local want; want="$(qemu_identity)"
  if [ -f "$entry" ] && grep -qx enabled "$entry" && grep -q "interpreter $qemu" "$entry" \
     && grep -q '^flags: .*F' "$entry" && [ "$(cat "$stamp" 2>/dev/null)" = "$want" ]; then
    return 0
  fi
  # A registration with F pins the file the kernel opened; an update of the package leaves it
  # pinned to the old one, so drop it and register again.
  [ -f "$entry" ] && echo -1 | "${SUDO[@]}" tee "$entry" >/dev/null
  echo "setup: registering $qemu for i386 ELF programs"
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" | "${SUDO[@]}" tee "$binfmt/register" >/dev/null
  "${SUDO[@]}" mkdir -p "$stamp_dir"
  echo "$want" | "${SUDO[@]}" tee "$stamp" >/dev/null
}

# DRX_I386_EMULATOR=1 takes the emulator path on a kernel that would not need it, to try it out;
# `echo -1 > /proc/sys/fs/binfmt_misc/qemu-i386` undoes the registration.
if [ -f "$entry" ] || [ "${DRX_I386_EMULATOR:-0}" = 1 ] || ! can_run_32bit; then
  # Either this kernel needs the emulator, or an earlier run registered it (keep it current).
  install_qemu
  register_qemu
  can_run_32bit || { echo "setup: 32-bit programs still cannot start after registering QEMU" >&2; exit 1; }
fi
