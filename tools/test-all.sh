#!/usr/bin/env bash
# Builds Morvellan and runs every test: the Linux suite (with the round trip
# through real CVS), the Windows suite under Wine, the sanitizer suite and a
# short fuzz run. Installs what it needs first. Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
fuzz_seconds="${FUZZ_SECONDS:-60}"

for preset in linux windows asan; do
  echo "== $preset"
  cmake --preset "$preset" -DMORVELLAN_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== release"
cmake --preset release -DMORVELLAN_WERROR=ON >/dev/null
cmake --build --preset release

echo "== fuzz ($fuzz_seconds s)"
cmake --preset fuzz -DMORVELLAN_WERROR=ON >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
build/fuzz/masks_fuzz -max_total_time="$fuzz_seconds" -timeout=10 -print_final_stats=0 build/fuzz/corpus 2>&1 | tail -n 3

echo "All tests passed."
