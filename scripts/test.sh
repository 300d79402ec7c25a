#!/usr/bin/env bash
# Sets everything up and runs every test: the whole suite in the normal build
# and under AddressSanitizer + UndefinedBehaviorSanitizer, the tests labelled
# "concurrency" under ThreadSanitizer, and the fuzz targets for a bounded
# time. Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."

failed=()
stage() {
  local name=$1
  shift
  echo "=== $name"
  if ! "$@"; then failed+=("$name"); fi
}

stage "set-up and builds" scripts/setup.sh default asan tsan fuzz || true
if ((${#failed[@]} > 0)); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
stage "tests (normal build)" ctest --preset default -j2
stage "tests (ASan + UBSan)" ctest --preset asan -j2
stage "concurrency tests (TSan)" ctest --preset tsan
stage "fuzzing" scripts/run-fuzzers.sh

if ((${#failed[@]} > 0)); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All tests passed."
