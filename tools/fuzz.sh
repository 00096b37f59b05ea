#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, in build/fuzz) and runs each of
# them for a bounded time on a scratch copy of its starting inputs in fuzz/corpus/.
# FUZZ_SECONDS is the time for all targets together (default 80), shared
# equally. A crash or a broken property fails the script; the fuzzer's report
# and the failing input, as hex, are printed.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(masks entries command_line fields)
total_seconds="${FUZZ_SECONDS:-80}"
seconds=$((total_seconds / ${#targets[@]}))
[ "$seconds" -ge 1 ] || seconds=1

echo "== fuzz (${#targets[@]} targets, $seconds s each)"
cmake --preset fuzz -DMORVELLAN_WERROR=ON >/dev/null
cmake --build --preset fuzz

# tmpfs where there is one: the entries target flushes every file it rewrites.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base="${TMPDIR:-/tmp}"
scratch="$(mktemp -d "$base/morvellan-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

failed=()
for name in "${targets[@]}"; do
  work="$scratch/$name"
  mkdir -p "$work/corpus" "$work/crashes" "$work/tmp"
  cp fuzz/corpus/"$name"/* "$work/corpus/"
  if TMPDIR="$work/tmp" "build/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=10 \
      -artifact_prefix="$work/crashes/" "$work/corpus" >"$work/log" 2>&1; then
    # The last status line: executions, coverage (cov: edges, ft: features), speed.
    summary="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -n 1 || true)"
    echo "$name: ${summary:-$(tail -n 1 "$work/log")}"
  else
    echo "$name: FAILED"
    tail -n 60 "$work/log"
    for input in "$work"/crashes/*; do
      [ -f "$input" ] || continue
      echo "-- input $(basename "$input") ($(wc -c <"$input") bytes):"
      od -A x -t x1z -v "$input" | head -n 64
    done
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing failed: ${failed[*]}"
  exit 1
fi
