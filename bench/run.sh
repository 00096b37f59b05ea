#!/usr/bin/env bash
# Times Morvellan against the floor, the bare listings and reads that the job needs.
#
#   bash bench/run.sh [directories...] [fuse]      (default: 1000 10000)
#
# Builds the release program in build/bench-release and the helpers in build/bench/bin, and
# generates the working copies once per size in build/bench/trees: one that the floor and test
# mode read, and one that live mode changes and the generator puts back before each run. Prints
# for each size the median wall time of the floor, of test mode and of live mode, the ratios, and
# the peak resident memory, then the floor and test mode with nothing cached; the system calls
# per directory of the floor and of test mode (read-ahead left to start by itself, and off), one
# warm run each under strace -f -c, with the calls where test mode differs most from the floor;
# and where one live run under strace -f -T spends its time: CVS's lock, rewriting the Entries
# files, flushing them, deleting revision files. Then the same, warm, for one Entries file of
# 1,000,000 lines.
#
# "fuse" adds the slow series, a few minutes: the floor and test mode on a folder of about 100
# directories of the 1,000-directory tree, working copy and repository both seen through
# ../shared/bench/fuse_latency.py, a FUSE mount that waits 2 ms in every request, mounted afresh
# before each run so that the kernel has nothing of it cached; once with the kernel allowed to
# cache names and attributes within the run, once with nothing cached. It prints the medians,
# the ratio and the requests each program made per operation. It installs Debian's
# python3-fusepy and fuse3 when they are missing. "fuse" alone runs only this series.
#
# BENCH_RUNS sets the number of timed runs (default 5); MORVELLAN names another build of the
# program to time instead. Warm cache: every series starts with an untimed run, and the floor
# and test mode take turns, so that a busy machine slows both alike. Cold cache, for the run a
# user waits for: the floor and test mode again by turns, the page cache dropped before each
# run, where the system lets this script drop it (root, and a writable /proc/sys/vm).
set -euo pipefail
cd "$(dirname "$0")/.."

sizes=()
fuse=""
for argument in "$@"; do
  if [ "$argument" = fuse ]; then fuse=yes; else sizes+=("$argument"); fi
done
[ $# -gt 0 ] || sizes=(1000 10000)
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

# The entries and revision files that the log of the last run names: "removed deleted".
log_counts() {
  echo "$(grep -c '^Remove from ' "$root/cwd/Morvellan.log" || true)" \
    "$(grep -c '^Delete from repository: ' "$root/cwd/Morvellan.log" || true)"
}

# The log of the last run must name every ignored entry and revision file, no more.
check_counts() {  # removed-lines deleted-files
  local counts
  counts=$(log_counts)
  if [ "$counts" != "$1 $2" ]; then
    echo "unexpected log: ${counts% *} lines removed, ${counts#* } revision files deleted" >&2
    exit 1
  fi
}
check_log() { check_counts "$(manifest "$1" removed_lines)" "$(manifest "$1" deleted_files)"; }

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
# runs; the samples go to the arrays <name>_wall, <name>_cpu and <name>_peak. The function is
# given the name.
series() {
  local name="$1" before="$2"
  shift 2
  local -n wall="${name}_wall" cpu="${name}_cpu" peak="${name}_peak"
  wall=() cpu=() peak=()
  local run sample
  for run in $(seq 0 "$runs"); do
    [ -z "$before" ] || "$before" "$name"
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
    [ -z "$before" ] || "$before" "$name_a"
    sample_a=($(measure "${command_a[@]}"))
    [ -z "$before" ] || "$before" "$name_b"
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

# traced <strace options...> -- <command...>: one run under strace in build/bench/cwd, as
# measure runs it; stops the benchmark when the command fails.
traced() {
  local -a options=()
  while [ "$1" != -- ]; do options+=("$1") && shift; done
  shift
  if ! (cd "$root/cwd" && HOME="$home" strace "${options[@]}" "$@" >/dev/null 2>&1); then
    echo "traced run failed: $*" >&2
    exit 1
  fi
}

# count_calls <file> <command...>: the system calls of one run, "name calls failed" to file.
count_calls() {
  local file="$1"
  shift
  traced -f -c -o "$file.strace" -- "$@"
  awk '$1 ~ /^[0-9.]+$/ && $NF != "total" { print $NF, $4, NF == 6 ? $5 : 0 }' \
    "$file.strace" >"$file"
}

# calls_row <label> <counts> <floor counts> <directories>: system calls per directory, and the
# six calls whose number per directory differs most from the floor's.
calls_row() {
  awk -v label="$1" -v directories="$4" '
    FNR == NR { floor[$1] = $2; floor_failed[$1] = $3; next }
    { calls[$1] = $2; failed[$1] = $3; total += $2 }
    END {
      printf "    %-26s %5.1f per directory\n", label, total / directories
      for (name in floor) if (!(name in calls)) calls[name] = failed[name] = 0
      for (name in calls) {
        difference = (calls[name] - floor[name]) / directories
        if (difference * difference < 0.0001) continue
        printf "%f       %-16s %6.2f vs %5.2f floor", (difference < 0 ? -difference : difference),
          name, calls[name] / directories, floor[name] / directories
        if (failed[name] / directories >= 0.005 || floor_failed[name] / directories >= 0.005)
          printf "   (failed %.2f vs %.2f)", failed[name] / directories,
            floor_failed[name] / directories
        printf "\n"
      }
    }' "$3" "$2" | {
    IFS= read -r line && echo "$line"
    sort -gr | head -n 6 | cut -d' ' -f2-
  }
}

# system_calls <tree>: the floor and test mode, warm, read-ahead as it starts by itself and off.
system_calls() {
  local counts="$root/trace/calls" directories
  directories=$(manifest "$1" directories)
  mkdir -p "$counts"
  # Warm: the cold series before left nothing cached.
  measure "$bin/floor" "$1/wc/proj" >/dev/null
  measure "$morvellan" "$1/wc/proj" >/dev/null
  count_calls "$counts/floor" "$bin/floor" "$1/wc/proj"
  count_calls "$counts/test" "$morvellan" "$1/wc/proj"
  check_log "$1"
  MORVELLAN_READAHEAD=off count_calls "$counts/test-off" "$morvellan" "$1/wc/proj"
  check_log "$1"
  echo "  system calls, one warm run under strace -f -c:"
  printf '    %-26s %5.1f per directory\n' floor \
    "$(awk -v d="$directories" '{ n += $2 } END { print n / d }' "$counts/floor")"
  calls_row "test mode" "$counts/test" "$counts/floor" "$directories"
  calls_row "test mode, read-ahead off" "$counts/test-off" "$counts/floor" "$directories"
}

# The calls that live mode's changes are made of (with them, the walk's opens, closes and status
# calls); reads and listings go untraced.
live_calls=mkdir,rmdir,unlink,unlinkat,openat,newfstatat,ftruncate,fcntl,write,close
live_calls+=,rename,renameat,renameat2,fsync,fdatasync

# Sums the traced calls' times (strace -T -y, every thread) by what they serve: "group calls
# seconds". A file that the run creates in a CVS folder (the companion of Entries) is followed
# by its descriptor and by its name in the same folder (the stale one removed, the rename).
group_live_calls() {  # trace
  awk '
    function pathOf(text) { sub(/^[0-9]+</, "", text); sub(/>.*/, "", text); return text }
    FNR == NR {
      if ($0 ~ /^openat\(/ && /O_CREAT/ && /\/CVS\/[^\/>]*> </ && !/#cvs\./) {
        match($0, /= [0-9]+<[^>]*>/)
        created[pathOf(substr($0, RSTART + 2, RLENGTH - 2))] = 1
      }
      next
    }
    $NF !~ /^<[0-9.]+>$/ { next }
    {
      seconds = substr($NF, 2, length($NF) - 2)
      folder = $0; sub(/^[a-z0-9_]+\(/, "", folder); folder = pathOf(folder)
      name = ""
      if (match($0, /^[a-z0-9_]+\([0-9]+<[^>]*>, "[^"]*"/)) {
        name = substr($0, RSTART, RLENGTH); sub(/^[^"]*"/, "", name); sub(/"$/, "", name)
      }
      made = ""
      if (match($0, /= [0-9]+<[^>]*> <[0-9.]+>$/)) made = pathOf(substr($0, RSTART + 2))
      if ($0 ~ /^(fsync|fdatasync)\(/) group = "flush"
      else if (/#cvs\./) group = "lock"
      else if (folder in created || (folder "/" name) in created || made in created)
        group = "rewrite"
      else if ($0 ~ /^unlink(at)?\(/ && /,v"/) group = "delete"
      else group = "other"
      calls[group]++
      total[group] += seconds
    }
    END { for (group in calls) print group, calls[group], total[group] }' "$1" "$1"
}

# split_live <tree> <untraced median> <command...>: one live run under strace, the time of its
# system calls by what they serve, beside the wall times. A traced call's time includes the
# tracer's share of it: on a busy machine, a call that waits (unlinkat, fsync) can take several
# times as long as untraced. The walk's calls slow the traced run down, but are in no group.
split_live() {
  local tree="$1" untraced="$2" trace="$root/trace/live" start end
  shift 2
  rm -rf "$trace" && mkdir -p "$trace"
  start=$(date +%s.%N)
  traced -ff -qq -T -y --seccomp-bpf -e trace="$live_calls" -o "$trace/calls" -- "$@"
  end=$(date +%s.%N)
  check_log "$tree"
  check_repository "$tree"
  cat "$trace"/calls.* >"$trace/all"
  group_live_calls "$trace/all" >"$trace/groups"
  awk -v traced="$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" \
    -v untraced="$untraced" '
    { calls[$1] = $2; seconds[$1] = $3 }
    function line(group, what) {
      printf "    %-9s %8.1f ms %7d calls  %s\n", group, seconds[group] * 1000, calls[group], what
      sum += seconds[group]
    }
    END {
      printf "  live mode, system calls by what they serve (one run under strace -f -T, %.3f s;" \
        " untraced median %.3f s):\n", traced, untraced
      line("lock", "#cvs.lock made and removed, #cvs.wfl created and removed")
      line("rewrite", "the new Entries created, written, renamed over the old")
      line("flush", "fsync of the new Entries and of its folder")
      line("delete", "revision files unlinked")
      printf "    %-9s %8.1f ms\n", "together", sum * 1000
    }' "$trace/groups"
}

# Back to the generated state, with its writes on the disk, so that the run's flushes wait only
# for their own; and a test-mode pass warms the caches as for the test series.
fresh_live() {
  "$bin/gen_tree" refresh "$live" "$size" 2 1 && sync -f "$live"
  measure "$morvellan" "$live/wc/proj" >/dev/null
}
fresh_big() {
  "$bin/gen_tree" refresh-entries "$live" "$lines" && sync -f "$live"
  measure "$morvellan" "$live/wc/big" >/dev/null
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

# size_series <directories>: every series of one generated tree.
size_series() {
  local tree="$root/trees/sparse-$1" floor
  live="$root/trees/live-sparse-$1"
  generate "$tree" tree "$1" 2 1
  generate "$live" tree "$1" 2 1
  home="$tree/home"
  echo
  echo "$1 directories: $(manifest "$tree" working_files) working files," \
    "$(manifest "$tree" entry_lines) Entries lines, $(manifest "$tree" revision_files) revision" \
    "files; $(manifest "$tree" removed_lines) ignored entries (sparse)"
  by_turns "" floor "$bin/floor" "$tree/wc/proj" -- test "$morvellan" "$tree/wc/proj"
  check_log "$tree"
  floor=$(median "${floor_wall[@]}")
  test_seconds[$1]=$(median "${test_wall[@]}")
  row floor floor ""
  row "test mode" test "$floor"
  if [ -n "$cold" ]; then
    by_turns drop_caches cold_floor "$bin/floor" "$tree/wc/proj" -- \
      cold_test "$morvellan" "$tree/wc/proj"
    check_log "$tree"
    cold_floor=$(median "${cold_floor_wall[@]}")
    row "cold floor" cold_floor ""
    row "cold test mode" cold_test "$cold_floor" \
      "warm $(ratio "${test_seconds[$1]}" "$floor") floor"
  fi
  system_calls "$tree"
  home="$live/home"
  series live fresh_live "$morvellan" -f "$live/wc/proj"
  check_log "$live"
  check_repository "$live"
  row "live mode" live "$floor" \
    "$(ratio "$(median "${live_wall[@]}")" "${test_seconds[$1]}") test mode"
  fresh_live
  split_live "$live" "$(median "${live_wall[@]}")" "$morvellan" -f "$live/wc/proj"
}

# entries_series: both modes, warm, on one Entries file of $lines lines.
entries_series() {
  local tree="$root/trees/entries-$lines"
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
  series live fresh_big "$morvellan" -f "$live/wc/big"
  check_log "$live"
  check_repository "$live"
  row "live mode" live ""
  fresh_big
  split_live "$live" "$(median "${live_wall[@]}")" "$morvellan" -f "$live/wc/big"
}

# The slow file system: a copy of one folder of the 1,000-directory tree and of its repository
# folder, whose CVS/Root names the repository as seen through the mount.
fuse_dir="$root/fuse"
fuse_source="$fuse_dir/source"
fuse_mount_point="$fuse_dir/mount"
fuse_subtree=proj/build/server
fuse_latency_ms=2
fuse_python=/usr/bin/python3  # Debian's, where python3-fusepy is
fuse_script="$PWD/../shared/bench/fuse_latency.py"
fuse_pid=""
declare -a fuse_floor_wall fuse_floor_cpu fuse_floor_peak fuse_test_wall fuse_test_cpu
declare -a fuse_test_peak

# Installs python3-fusepy and fuse3 when missing, as tools/install-deps.sh does.
install_fuse() {
  local package missing=() sudo=()
  for package in python3-fusepy fuse3; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}" >&2
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# copy_fuse_source <tree>: once per generated tree.
copy_fuse_source() {
  local stamp
  stamp="$(cat "$1/.stamp") $fuse_subtree $fuse_mount_point"
  if [ -f "$fuse_dir/source.stamp" ] && [ "$(cat "$fuse_dir/source.stamp")" = "$stamp" ]; then
    return
  fi
  rm -rf "$fuse_source"
  mkdir -p "$fuse_source/wc/${fuse_subtree%/*}" "$fuse_source/repo/${fuse_subtree%/*}"
  cp -a "$1/wc/$fuse_subtree" "$fuse_source/wc/$fuse_subtree"
  cp -a "$1/repo/$fuse_subtree" "$fuse_source/repo/$fuse_subtree"
  cp -a "$1/repo/CVSROOT" "$fuse_source/repo/CVSROOT"
  find "$fuse_source/wc" -path '*/CVS/Root' \
    -exec sed -i "s|^:local:.*|:local:$fuse_mount_point/repo|" {} +
  echo "$stamp" >"$fuse_dir/source.stamp"
}

is_mounted() { awk -v m="$fuse_mount_point" '$5 == m { found = 1 } END { exit !found }' \
  /proc/self/mountinfo; }

fuse_unmount() {
  if [ -n "$fuse_pid" ]; then
    fusermount3 -u "$fuse_mount_point"
    wait "$fuse_pid" || true
    fuse_pid=""
  fi
}

# fuse_mount <stats file>: the source at the mount point, with the options of $fuse_options.
fuse_mount() {
  "$fuse_python" "$fuse_script" "$fuse_source" "$fuse_mount_point" \
    --latency-ms "$fuse_latency_ms" --stats "$1" --options "$fuse_options" \
    2>>"$fuse_dir/daemon.log" &
  fuse_pid=$!
  local attempt
  for attempt in $(seq 200); do
    is_mounted && return
    kill -0 "$fuse_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "cannot mount $fuse_mount_point: see $fuse_dir/daemon.log" >&2
  exit 1
}

# Before each run: a fresh mount, so that the kernel keeps nothing of the last run, and a stats
# file for the run's requests, named after the series.
fuse_fresh() {  # series name
  fuse_unmount
  [ -z "$cold" ] || drop_caches
  fuse_runs=$((fuse_runs + 1))
  fuse_mount "$fuse_dir/stats/$1-$fuse_runs.json"
}

# fuse_requests <series name>: the median number of requests per operation over its runs (the
# untimed one too), and of the most requests in flight at once.
fuse_requests() {
  "$fuse_python" - "$fuse_dir/stats/$1"-*.json <<'EOF'
import json, statistics, sys
runs = [json.load(open(path))["counts"] for path in sys.argv[1:]]
operations = sorted({name for counts in runs for name in counts})
each = [f"{name} {statistics.median(counts.get(name, 0) for counts in runs):.0f}"
        for name in operations]
total = statistics.median(sum(counts.values()) for counts in runs)
at_once = statistics.median(json.load(open(path))["max_in_flight"] for path in sys.argv[1:])
print(", ".join(each + [f"total {total:.0f}"]) + f"; at most {at_once:.0f} at once")
EOF
}

# fuse_case <label> <mount options>: the floor and test mode by turns on a fresh mount each.
fuse_case() {
  local floor
  fuse_options="$2"
  fuse_runs=0
  rm -rf "$fuse_dir/stats" && mkdir -p "$fuse_dir/stats"
  by_turns fuse_fresh fuse_floor "$bin/floor" "$fuse_mount_point/wc/$fuse_subtree" -- \
    fuse_test "$morvellan" "$fuse_mount_point/wc/$fuse_subtree"
  fuse_unmount
  check_counts $fuse_expected
  floor=$(median "${fuse_floor_wall[@]}")
  echo "  $1 ($2):"
  row "  floor" fuse_floor ""
  row "  test mode" fuse_test "$floor"
  echo "    requests, floor:     $(fuse_requests fuse_floor)"
  echo "    requests, test mode: $(fuse_requests fuse_test)"
}

fuse_series() {
  local tree="$root/trees/sparse-1000" folders caches="the disk below keeps its page cache"
  [ -z "$cold" ] || caches="the page cache dropped too"
  install_fuse
  generate "$tree" tree 1000 2 1
  home="$tree/home"
  ! is_mounted || fusermount3 -u "$fuse_mount_point"
  mkdir -p "$fuse_dir" "$fuse_mount_point"
  : >"$fuse_dir/daemon.log"
  copy_fuse_source "$tree"
  measure "$morvellan" "$tree/wc/$fuse_subtree" >/dev/null
  fuse_expected=$(log_counts)
  folders=$(find "$fuse_source/wc" -type d -name CVS | wc -l)
  trap fuse_unmount EXIT
  echo
  echo "$folders directories ($fuse_subtree of the 1,000-directory tree) through FUSE," \
    "$fuse_latency_ms ms per request, mounted afresh before each run;" \
    "$caches:"
  fuse_case "kernel caches within the run" attr_timeout=60,entry_timeout=60,kernel_cache
  fuse_case "nothing cached" attr_timeout=0,entry_timeout=0
  trap - EXIT
}

program="$morvellan"
[ -n "${MORVELLAN:-}" ] || program="Morvellan at $(git rev-parse --short HEAD)$(
  git diff --quiet HEAD -- app ignore platform textutil || echo ' with local changes')"
echo "$program, release build; $(nproc) cores," \
  "$(lscpu | sed -n 's/^Model name: *//p' | head -n 1); median of $runs runs," \
  "warm cache${cold:+, and cold for the floor and test mode}"
[ -n "$cold" ] || echo "cold series skipped: $(id -un) cannot drop the page cache" \
  "(/proc/sys/vm/drop_caches: ${why##*/drop_caches: })"

for size in "${sizes[@]}"; do size_series "$size"; done

if [ ${#sizes[@]} -gt 1 ]; then
  echo
  echo "Growth, test mode time per 1,000 directories:"
  for size in "${sizes[@]}"; do
    awk -v s="$size" -v t="${test_seconds[$size]}" \
      'BEGIN { printf "  %6d directories  %6.1f ms\n", s, t * 1e6 / s }'
  done
fi

lines=1000000
[ ${#sizes[@]} -eq 0 ] || entries_series
[ -z "$fuse" ] || fuse_series
