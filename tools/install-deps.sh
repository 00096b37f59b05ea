#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that Morvellan needs, when any of
# them is missing. "install-deps.sh build" installs only what building the
# Linux program needs; without an argument, everything the tests need too.
set -euo pipefail

packages=(cmake ninja-build g++)                    # the Linux build
if [ "${1:-all}" != build ]; then
  packages+=(
    googletest libgtest-dev                         # the test suites
    g++-mingw-w64-x86-64-posix wine wine64          # the Windows build, tested under Wine
    clang libclang-rt-14-dev                        # the fuzz target
    cvs strace                                      # the round trip with real CVS
    dpkg-dev lintian mandoc man-db                  # the packages and their checks
  )
fi

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
