#!/usr/bin/env bash
# Times Morvellan against the floor, the bare listings and reads that the job needs.
#
#   bash bench/run.sh [directories...]      (default: 1000 10000)
#
# Builds the release program in build/bench-release and the helpers in build/bench/bin, and
# generates the working copies once per size in build/bench/trees: one that the floor and test
# mode read, and one that live mode changes and the generator puts back before each run. Prints
# for each size the median wall time of the floor, of test mode and of live mode, the ratios, and
# the peak resident memory, then the floor and test mode with nothing cached; then the same, warm,
# for one Entries file of 1,000,000 lines.
#
# BENCH_RUNS sets the number of timed runs (default 5); MORVELLAN names another build of the
# program to time instead. Warm cache: every series starts with an untimed run, and the floor
# and test mode take turns, so that a busy machine slows both alike. Cold cache, for the run a
# user waits for: the floor and test mode again by turns, the page cache dropped before each
# run, where the system lets this script drop it (root, and a writable /proc/sys/vm).
set -euo pipefail
cd "$(dirname "$0")/.."

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000)
runs="${BENCH_RUNS:-5}"
root="$PWD/build/bench"
bin="$root/bin"
mkdir -p "$bin" "$root/trees" "$root/cwd"

if [ -z "${MORVELLAN:-}" ]; then
  cmake --preset release -B build/bench-release >/dev/null
  cmake --build build/bench-release -j2 --target Morvellan >/dev/null
fi
morvellan="${MORVELLAN:-$PWD/build/bench-release/Morvellan}"

build_helper() {  # name, compiler, source, options...
  if [ ! -x "$bin/$1" ] || [ "$3" -nt "$bin/$1" ]; then
    "$2" -O2 -Wall -Wextra "${@:4}" -o "$bin/$1" "$3"
  fi
}
build_helper gen_tree c++ bench/gen_tree.cpp -std=c++20
build_helper floor cc bench/floor.c
build_helper measure cc bench/measure.c
generator_id=$(sha1sum bench/gen_tree.cpp | cut -c1-12)

# generate <dir> <gen_tree mode and arguments after the directory...>: once, unless the
# generator or the arguments changed.
generate() {
  local dir="$1"
  shift
  local stamp="$generator_id $*"
  if [ -f "$dir/.stamp" ] && [ "$(cat "$dir/.stamp")" = "$stamp" ]; then return; fi
  rm -rf "$dir"
  echo "generating $dir ..." >&2
  "$bin/gen_tree" "$1" "$dir" "${@:2}"
  echo "$stamp" >"$dir/.stamp"
}

manifest() { awk -v key="$2" '$1 == key { print $2 }' "$1/manifest"; }

# measure <command...>: one run in build/bench/cwd, with HOME at the tree's .cvsignore; prints
# "wall-seconds processor-seconds peak-KiB" and stops the benchmark when the command fails.
measure() {
  local result
  result=$(cd "$root/cwd" && HOME="$home" "$bin/measure" "$@")
  set -- $result
  if [ "$4" != 0 ]; then
    echo "run failed with status $4: $*" >&2
    exit 1
  fi
  echo "$1 $2 $3"
}

# The log of the last run must name every ignored entry and revision file, no more.
check_log() {  # tree
  local removed deleted
  removed=$(grep -c '^Remove from ' "$root/cwd/Morvellan.log" || true)
  deleted=$(grep -c '^Delete from repository: ' "$root/cwd/Morvellan.log" || true)
  if [ "$removed" != "$(manifest "$1" removed_lines)" ] ||
    [ "$deleted" != "$(manifest "$1" deleted_files)" ]; then
    echo "unexpected log: $removed lines removed, $deleted revision files deleted" >&2
    exit 1
  fi
}

# After a live run, the revision files of the ignored entries must be gone, and no other.
check_repository() {  # tree
  local left
  left=$(find "$1/repo" -name '*,v' | wc -l)
  if [ "$left" != $(($(manifest "$1" revision_files) - $(manifest "$1" deleted_files))) ]; then
    echo "unexpected repository: $left revision files left" >&2
    exit 1
  fi
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
maximum() { printf '%s\n' "$@" | sort -g | tail -n 1; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }

# series <name> <before-each-run function or ""> <command...>: one untimed run, then $runs timed
# runs; the samples go to the arrays <name>_wall, <name>_cpu and <name>_peak.
series() {
  local name="$1" before="$2"
  shift 2
  local -n wall="${name}_wall" cpu="${name}_cpu" peak="${name}_peak"
  wall=() cpu=() peak=()
  local run sample
  for run in $(seq 0 "$runs"); do
    [ -z "$before" ] || "$before"
    sample=($(measure "$@"))
    [ "$run" = 0 ] && continue
    wall+=("${sample[0]}") cpu+=("${sample[1]}") peak+=("${sample[2]}")
  done
}

# by_turns <before-each-run function or ""> <name-a> <command-a...> -- <name-b> <command-b...>:
# like two series, run alternately.
by_turns() {
  local before="$1" name_a="$2"
  shift 2
  local -a command_a=()
  while [ "$1" != -- ]; do command_a+=("$1") && shift; done
  shift
  local name_b="$1"
  shift
  local -n wall_a="${name_a}_wall" cpu_a="${name_a}_cpu" peak_a="${name_a}_peak"
  local -n wall_b="${name_b}_wall" cpu_b="${name_b}_cpu" peak_b="${name_b}_peak"
  wall_a=() cpu_a=() peak_a=() wall_b=() cpu_b=() peak_b=()
  local run sample_a sample_b
  for run in $(seq 0 "$runs"); do
    [ -z "$before" ] || "$before"
    sample_a=($(measure "${command_a[@]}"))
    [ -z "$before" ] || "$before"
    sample_b=($(measure "$@"))
    [ "$run" = 0 ] && continue
    wall_a+=("${sample_a[0]}") cpu_a+=("${sample_a[1]}") peak_a+=("${sample_a[2]}")
    wall_b+=("${sample_b[0]}") cpu_b+=("${sample_b[1]}") peak_b+=("${sample_b[2]}")
  done
}

# row <label> <name> <floor median or ""> [note]: medians, ratio and peak memory of a series.
row() {
  local -n wall="${2}_wall" cpu="${2}_cpu" peak="${2}_peak"
  local median_wall
  median_wall=$(median "${wall[@]}")
  printf '  %-14s %7.3f s (cpu %6.3f s)  %-12s %10s  %s\n' "$1" "$median_wall" \
    "$(median "${cpu[@]}")" "${3:+$(ratio "$median_wall" "$3") floor}" \
    "$(mib "$(maximum "${peak[@]}")")" "${4:-}"
}

declare -a floor_wall floor_cpu floor_peak test_wall test_cpu test_peak
declare -a live_wall live_cpu live_peak
declare -a cold_floor_wall cold_floor_cpu cold_floor_peak
declare -a cold_test_wall cold_test_cpu cold_test_peak
declare -A test_seconds

# Page cache, directory entries and inodes; written back first, since dirty pages would stay.
drop_caches() { sync && echo 3 >/proc/sys/vm/drop_caches; }
cold=yes
why=$(drop_caches 2>&1) || cold=""

program="$morvellan"
[ -n "${MORVELLAN:-}" ] || program="Morvellan at $(git rev-parse --short HEAD)$(
  git diff --quiet HEAD -- app ignore platform textutil || echo ' with local changes')"
echo "$program, release build; $(nproc) cores," \
  "$(lscpu | sed -n 's/^Model name: *//p' | head -n 1); median of $runs runs," \
  "warm cache${cold:+, and cold for the floor and test mode}"
[ -n "$cold" ] || echo "cold series skipped: $(id -un) cannot drop the page cache" \
  "(/proc/sys/vm/drop_caches: ${why##*/drop_caches: })"

for size in "${sizes[@]}"; do
  tree="$root/trees/sparse-$size"
  live="$root/trees/live-sparse-$size"
  generate "$tree" tree "$size" 2 1
  generate "$live" tree "$size" 2 1
  home="$tree/home"
  echo
  echo "$size directories: $(manifest "$tree" working_files) working files," \
    "$(manifest "$tree" entry_lines) Entries lines, $(manifest "$tree" revision_files) revision" \
    "files; $(manifest "$tree" removed_lines) ignored entries (sparse)"
  by_turns "" floor "$bin/floor" "$tree/wc/proj" -- test "$morvellan" "$tree/wc/proj"
  check_log "$tree"
  floor=$(median "${floor_wall[@]}")
  test_seconds[$size]=$(median "${test_wall[@]}")
  row floor floor ""
  row "test mode" test "$floor"
  if [ -n "$cold" ]; then
    by_turns drop_caches cold_floor "$bin/floor" "$tree/wc/proj" -- \
      cold_test "$morvellan" "$tree/wc/proj"
    check_log "$tree"
    cold_floor=$(median "${cold_floor_wall[@]}")
    row "cold floor" cold_floor ""
    row "cold test mode" cold_test "$cold_floor" \
      "warm $(ratio "${test_seconds[$size]}" "$floor") floor"
  fi
  # Back to the generated state, with its writes on the disk, so that the run's flushes wait
  # only for its own; and a test-mode pass warms the caches as for the test series.
  home="$live/home"
  fresh_live() {
    "$bin/gen_tree" refresh "$live" "$size" 2 1 && sync -f "$live"
    measure "$morvellan" "$live/wc/proj" >/dev/null
  }
  series live fresh_live "$morvellan" -f "$live/wc/proj"
  check_log "$live"
  check_repository "$live"
  row "live mode" live "$floor" \
    "$(ratio "$(median "${live_wall[@]}")" "${test_seconds[$size]}") test mode"
done

if [ ${#sizes[@]} -gt 1 ]; then
  echo
  echo "Growth, test mode time per 1,000 directories:"
  for size in "${sizes[@]}"; do
    awk -v s="$size" -v t="${test_seconds[$size]}" \
      'BEGIN { printf "  %6d directories  %6.1f ms\n", s, t * 1e6 / s }'
  done
fi

lines=1000000
tree="$root/trees/entries-$lines"
live="$root/trees/live-entries-$lines"
generate "$tree" entries "$lines"
generate "$live" entries "$lines"
home="$tree/home"
echo
echo "One Entries file of $lines lines, $(manifest "$tree" removed_lines) of them ignored:"
series test "" "$morvellan" "$tree/wc/big"
check_log "$tree"
row "test mode" test ""
home="$live/home"
fresh_big() {
  "$bin/gen_tree" refresh-entries "$live" "$lines" && sync -f "$live"
  measure "$morvellan" "$live/wc/big" >/dev/null
}
series live fresh_big "$morvellan" -f "$live/wc/big"
check_log "$live"
check_repository "$live"
row "live mode" live ""
