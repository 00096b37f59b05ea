#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building and testing
# Morvellan need, when any of them is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev   # the Linux build and its tests
  g++-mingw-w64-x86-64-posix wine wine64          # the Windows build, tested under Wine
  clang libclang-rt-14-dev                        # the fuzz target
  cvs                                             # the round trip with real CVS
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
