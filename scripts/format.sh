#!/bin/bash
# Formats the project's C++ sources with the pinned clang-format (14) and the repository's .clang-format.
#   scripts/format.sh --check   lists every file that is not formatted and exits 1 if there is one
#   scripts/format.sh --fix     rewrites those files in place
# Only files git tracks are read, so build trees and scratch copies never count. A newer or older
# clang-format formats differently, so it refuses any other version rather than report noise.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

mode="${1:-}"
case "$mode" in
  --check|--fix) ;;
  *) echo "usage: $0 --check|--fix" >&2; exit 2 ;;
esac

tool="${CLANG_FORMAT:-clang-format-14}"
if ! command -v "$tool" >/dev/null; then
  echo "format: $tool not found (scripts/setup.sh installs clang-format-14)" >&2
  exit 2
fi
if ! "$tool" --version | grep -q 'version 14\.'; then
  echo "format: $tool is not clang-format 14: $("$tool" --version)" >&2
  exit 2
fi

# C and C++ sources and headers. Resource scripts and the .inc table stay as written: windres
# and the table's includer read them, and their layout is data.
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' ':!:build/**')

if [ "$mode" = --fix ]; then
  "$tool" -i --style=file "${files[@]}"
  exit 0
fi

unformatted=()
for file in "${files[@]}"; do
  if ! "$tool" --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
    unformatted+=("$file")
  fi
done
if [ ${#unformatted[@]} -ne 0 ]; then
  printf 'format: not formatted: %s\n' "${unformatted[@]}"
  echo "format: ${#unformatted[@]} file(s); run scripts/format.sh --fix"
  exit 1
fi
echo "format: ${#files[@]} files formatted"
