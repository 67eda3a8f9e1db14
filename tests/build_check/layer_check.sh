#!/bin/bash
# Checks that the launcher's static libraries form layers: every drx symbol a library leaves
# undefined is defined at its own layer or below it, never only above. A call upward links today
# only because the program happens to pull the upper object first, and breaks the next program
# that links the lower library alone.
# usage: layer_check.sh NM LEVEL=LIBRARY...   (a higher LEVEL may use a lower or equal one)
set -u
nm="$1"
shift
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

index=0
for pair in "$@"; do
  level="${pair%%=*}" library="${pair#*=}"
  [ -f "$library" ] || { echo "FAIL: $library: missing"; exit 1; }
  echo "$level $library" >>"$work/libraries"
  "$nm" -C --defined-only "$library" | awk '$2 ~ /^[TDBRVW]$/ { $1 = ""; $2 = ""; print substr($0, 3) }' |
    grep '^drx::' | sort -u | sed "s/^/$level\t/" >>"$work/defined"
  "$nm" -C --undefined-only "$library" | awk '{ $1 = ""; print substr($0, 2) }' | grep '^drx::' | sort -u |
    sed "s|^|$level\t$(basename "$library")\t|" >>"$work/undefined"
  index=$((index + 1))
done
touch "$work/defined" "$work/undefined"

# For each undefined symbol: the lowest level that defines it.
awk -F'\t' 'NR == FNR { if (!($2 in lowest) || $1 < lowest[$2]) lowest[$2] = $1; next }
            ($3 in lowest) && lowest[$3] > $1 { printf "UPWARD: %s (level %s) needs %s from level %s\n", $2, $1, $3, lowest[$3]; bad = 1 }
            END { exit bad }' "$work/defined" "$work/undefined"
status=$?
[ $status = 0 ] && echo "OK: $index libraries, every drx symbol resolved at its own level or below"
exit $status
