#!/usr/bin/env bash
# Sets everything up, builds, and runs the demo. Arguments go to the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh default
exec build/default/bin/maplink-demo "$@"
