#!/usr/bin/env bash
# Runs every fuzz target of the "fuzz" build for a bounded time each, growing
# its corpus under fuzz/corpus/<target>. Fails on any finding.
#   FUZZ_SECONDS=<n> scripts/run-fuzzers.sh   (default 20 seconds a target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
shopt -s nullglob
targets=(build/fuzz/bin/fuzz_*)
if ((${#targets[@]} == 0)); then
  echo "no fuzz targets built"
  exit 0
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus=fuzz/corpus/${name#fuzz_}
  mkdir -p "$corpus"
  echo "--- $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build/fuzz/ "$corpus" 2>&1 | tail -n 12
done
