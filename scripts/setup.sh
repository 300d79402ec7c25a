#!/usr/bin/env bash
# Installs every Debian package the project needs (when missing), then
# configures and builds the given CMake presets (default: "default").
#   scripts/setup.sh [preset ...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config ccache
  zlib1g-dev libspdlog-dev
  qt6-base-dev libxkbcommon-dev fonts-wqy-microhei xvfb xauth
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}"
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
  apt_install() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
      -o DPkg::Lock::Timeout=600 "${missing[@]}"
  }
  if ! apt_install; then
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update
    apt_install
  fi
fi

# Compiler cache keyed by paths relative to the checkout, so a fresh clone
# in another folder reuses what an earlier one compiled.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

presets=("$@")
if ((${#presets[@]} == 0)); then presets=(default); fi
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
