#!/usr/bin/env bash
# Runs the tests that depend on permission bits (RefusalTest) as a user whom
# those bits stop. Run as root, they skip themselves; so as root this script
# copies the test binary, Morvellan and the probes of a Linux build (default
# build/linux) to a scratch directory and runs them there as nobody. Run as
# another user, it runs them in place. Fails unless they all ran and passed.
#   tools/test-unprivileged.sh [build directory]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/linux}"
filter='RefusalTest.*'
echo "== unprivileged ($filter)"

if [ "$(id -u)" -ne 0 ]; then
  run=("$build/morvellan_tests")
else
  # /tmp, not TMPDIR: every user can reach it.
  scratch="$(mktemp -d /tmp/morvellan-unprivileged.XXXXXX)"
  trap 'rm -rf "$scratch"' EXIT
  mkdir "$scratch/bin" "$scratch/home" "$scratch/tmp"
  cp "$build"/{morvellan_tests,Morvellan,args_probe,failure_probe} "$scratch/bin/"
  chmod 755 "$scratch" "$scratch/bin" "$scratch"/bin/*
  chown nobody:nogroup "$scratch/home" "$scratch/tmp"
  cd "$scratch/tmp"
  export HOME="$scratch/home" TMPDIR="$scratch/tmp"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all
    "$scratch/bin/morvellan_tests")
fi

status=0
output="$("${run[@]}" --gtest_filter="$filter" 2>&1)" || status=$?
echo "$output"
ran="$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from .* ran\..*/\1/p' <<<"$output")"
skipped="$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}.*/\1/p' <<<"$output")"
if [ "$status" -ne 0 ] || [ "${ran:-0}" -eq 0 ] || [ "${skipped:-0}" -ne 0 ]; then
  echo "Unprivileged pass failed: status $status, ${ran:-0} tests ran, ${skipped:-0} skipped."
  exit 1
fi
