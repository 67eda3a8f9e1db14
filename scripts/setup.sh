#!/bin/bash
# Installs what the build and the tests need, with apt-get, only what is missing. Safe to rerun.
set -euo pipefail

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

packages=(
  cmake ninja-build clang libclang-rt-14-dev googletest zlib1g-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 libz-mingw-w64-dev
  openjdk-17-jdk-headless
  wine wine32:i386 wine64
  xvfb xauth
  osslsigncode python3
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture (for wine32)"
  "${SUDO[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for pkg in "${packages[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "setup: done"
