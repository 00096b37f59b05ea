#!/usr/bin/env bash
# A round trip with real CVS: a :local: repository, a checkout with committed
# files that the user's .cvsignore matches, Morvellan in test mode (which must
# change nothing) and in live mode, and then CVS itself judges the result.
# Usage: round_trip.sh <path of Morvellan>
set -euo pipefail

morvellan=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

repo="$work/repo"
user_home="$work/home"     # the user's, with the ignore patterns
setup_home="$work/setup"   # for building the fixture, without them
mkdir -p "$user_home" "$setup_home"
printf '*.obj\r\nscratch\r\n' >"$user_home/.cvsignore"
cvs_setup() { HOME="$setup_home" cvs -Q -d ":local:$repo" "$@"; }
cvs_user() { HOME="$user_home" cvs -d ":local:$repo" "$@"; }

# A project with ordinary files, imported and checked out.
cvs_setup init
mkdir -p "$work/import/sub"
echo 'int main() { return 0; }' >"$work/import/main.c"
echo 'notes' >"$work/import/README"
echo 'int helper;' >"$work/import/sub/helper.c"
(cd "$work/import" && cvs_setup import -m 'Initial import' proj vendor start)
mkdir "$work/wc"
(cd "$work/wc" && cvs_setup checkout proj)
wc="$work/wc/proj"

# Files that should never have been committed, in the top folder and below.
echo 'object code' >"$wc/main.obj"
echo 'object code' >"$wc/sub/helper.obj"
mkdir "$wc/scratch" && echo 'draft' >"$wc/scratch/draft.txt"
(cd "$wc" && cvs_setup add main.obj sub/helper.obj scratch scratch/draft.txt &&
  cvs_setup commit -m 'Commit build output by mistake')
[ -f "$repo/proj/main.obj,v" ] || fail "fixture: main.obj,v was not committed"
[ -f "$repo/proj/sub/helper.obj,v" ] || fail "fixture: sub/helper.obj,v was not committed"

snapshot() {
  (cd "$work" && find wc repo -path '*/CVSROOT/history' -prune -o -print0 | sort -z |
    xargs -0 stat -c '%n %a %s %F' && find wc repo -type f -print0 | sort -z | xargs -0 md5sum)
}

# Test mode changes nothing but the log.
before=$(snapshot)
(cd "$work" && HOME="$user_home" "$morvellan" "$wc" >"$work/test-mode.out")
[ "$before" = "$(snapshot)" ] || fail "test mode changed files"
grep -q "Remove from $wc/CVS/Entries: /main.obj/" "$work/Morvellan.log" ||
  fail "test mode did not log the removal of main.obj"
grep -q "Delete from repository: $repo/proj/sub/helper.obj,v" "$work/Morvellan.log" ||
  fail "test mode did not log the deletion of helper.obj,v"

# Live mode.
(cd "$work" && HOME="$user_home" "$morvellan" -f "$wc" >"$work/live-mode.out")
for gone in "$repo/proj/main.obj,v" "$repo/proj/sub/helper.obj,v"; do
  [ ! -e "$gone" ] || fail "$gone is still in the repository"
done
for kept in "$wc/main.obj" "$wc/sub/helper.obj" "$wc/scratch/draft.txt" "$repo/proj/main.c,v"; do
  [ -e "$kept" ] || fail "$kept was removed"
done

# CVS's verdict: nothing to update, the kept files up to date, and a fresh
# checkout without the removed files.
update=$(cd "$wc" && cvs_user -n -q update 2>&1)
[ -z "$update" ] || fail "cvs -n -q update is not clean: $update"
(cd "$wc" && cvs_user status main.c) | grep -q 'Status: Up-to-date' || fail "main.c is not Up-to-date"
(cd "$wc" && cvs_user status sub/helper.c) | grep -q 'Status: Up-to-date' ||
  fail "sub/helper.c is not Up-to-date"
mkdir "$work/fresh"
(cd "$work/fresh" && cvs_setup checkout proj)
[ -f "$work/fresh/proj/main.c" ] && [ -f "$work/fresh/proj/sub/helper.c" ] ||
  fail "the fresh checkout lacks kept files"
[ ! -e "$work/fresh/proj/main.obj" ] && [ ! -e "$work/fresh/proj/sub/helper.obj" ] ||
  fail "the fresh checkout still has removed files"
echo "CVS round trip passed."
