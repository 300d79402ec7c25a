#!/usr/bin/env bash
# Compares the symbols a shared library exports with the documented list.
#   check-exports.sh <library> <exports.txt>
set -euo pipefail
library=$1
documented=$2

expected=$(grep -v '^#' "$documented" | grep -v '^$' | sort -u)
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | c++filt | sort -u)
if [[ "$expected" != "$actual" ]]; then
  echo "exported symbols differ from $documented (< documented, > exported):"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "$(echo "$actual" | wc -l) exported symbols, as documented"
