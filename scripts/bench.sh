#!/usr/bin/env bash
# Builds the optimised preset and runs every benchmark program under bench/.
# Extra arguments go to each program (e.g. --benchmark_filter=Recv).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh default
shopt -s nullglob
for program in build/default/bin/bench_*; do
  echo "=== $(basename "$program")"
  "$program" "$@"
done
