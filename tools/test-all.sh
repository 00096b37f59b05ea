#!/usr/bin/env bash
# Builds Morvellan and runs every test: the Linux suite (with the round trip
# through real CVS), the Windows suite under Wine, the sanitizer suite and a
# short fuzz run. Installs what it needs first. Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
fuzz_seconds="${FUZZ_SECONDS:-80}"  # all fuzz targets together

for preset in linux windows asan tsan; do
  echo "== $preset"
  cmake --preset "$preset" -DMORVELLAN_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
tools/test-unprivileged.sh build/linux

echo "== release"
cmake --preset release -DMORVELLAN_WERROR=ON >/dev/null
cmake --build --preset release

echo "== package"
tools/package.sh

FUZZ_SECONDS="$fuzz_seconds" tools/fuzz.sh

echo "All tests passed."
