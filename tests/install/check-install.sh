#!/usr/bin/env bash
# Installs a build into a fresh prefix, builds the tiny host against it twice
# (CMake package, then pkg-config), runs it and checks the line the module
# logged through the logging library it found beside itself.
#   check-install.sh <build-dir> <work-dir>
set -euo pipefail
build=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" >/dev/null

cmake -S "$here/host" -B "$work/host-build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/host-build" >/dev/null
(cd "$work" && QUILLET_LOG_DIR="$work/log-cmake" "$work/host-build/host")
grep -q "ChPackageDispatcher::PackData packHeadLen(6) + totalPackLen(7) > maxBuff(4)" "$work/log-cmake/quillet.log"

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
# shellcheck disable=SC2046
g++ -o "$work/host-pkgconfig" "$here/host/Host.cpp" $(pkg-config --cflags --libs maplink)
(cd "$work" && QUILLET_LOG_DIR="$work/log-pkgconfig" "$work/host-pkgconfig")
grep -q "ChPackageDispatcher::PackData packHeadLen(6) + totalPackLen(7) > maxBuff(4)" "$work/log-pkgconfig/quillet.log"
echo "installed package works"
