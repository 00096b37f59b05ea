#!/usr/bin/env bash
# Real CVS judges Morvellan. One repository with files that should never have
# been committed is checked out in every way CVS offers (trunk, tag, branch,
# date, binary files, unfinished adds and removes, unmerged Entries.Log, a root
# without a method, absolute Repository files). For each checkout: test mode
# changes nothing; after a live run `cvs status` of every kept file says what
# it said before, `cvs -q update` deletes no working file, and a fresh checkout
# lacks exactly the removed files.
# Usage: round_trip.sh <path of Morvellan>
set -euo pipefail

morvellan=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
row=setup
fail() {
  echo "FAIL [$row]: $*" >&2
  exit 1
}

user_home="$work/home"   # the user's, with the ignore patterns
setup_home="$work/setup" # for CVS itself, without them
mkdir -p "$user_home" "$setup_home"
printf '*.obj\r\nscratch\r\n' >"$user_home/.cvsignore"
cvs_q() { HOME="$setup_home" cvs -Q "$@"; }

# The master repository: ordinary files, a binary one, and build output
# committed by mistake; then a tag, a branch and a moment to check out by date.
master="$work/master"
cvs_q -d ":local:$master" init
mkdir -p "$work/import/sub"
echo 'int main() { return 0; }' >"$work/import/main.c"
echo 'notes' >"$work/import/README"
echo 'int helper;' >"$work/import/sub/helper.c"
(cd "$work/import" && cvs_q -d ":local:$master" import -m 'Initial import' proj vendor start)
(cd "$work" && cvs_q -d ":local:$master" checkout -d first proj)
first="$work/first"
printf '\x89PNG\r\n\x1a\n\x00' >"$first/logo.bin"
printf 'object\r\n\x00\x01' >"$first/data.obj"
echo 'object code' >"$first/main.obj"
echo 'object code' >"$first/sub/helper.obj"
mkdir "$first/scratch" && echo 'draft' >"$first/scratch/draft.txt"
(cd "$first" && cvs_q add -kb logo.bin data.obj && cvs_q add main.obj sub/helper.obj scratch &&
  cvs_q add scratch/draft.txt && cvs_q commit -m 'Commit build output by mistake')
cvs_q -d ":local:$master" rtag v1 proj
cvs_q -d ":local:$master" rtag -b br proj
sleep 1
moment=$(date -u '+%Y-%m-%d %H:%M:%S UTC')
sleep 1

kept=(main.c README sub/helper.c logo.bin)
removed=(main.obj sub/helper.obj data.obj)

# Everything below a folder: names, kinds and contents.
snapshot() { (cd "$1" && find . -print0 | sort -z | xargs -0 stat -c '%n %a %s %F' &&
  find . -type f -print0 | sort -z | xargs -0 md5sum); }
working_files() { (cd "$1" && find . -path '*/CVS' -prune -o -type f -print | sort); }

# Whether, in the system calls of a live run, the rename over CVS/Entries and
# an fsync of the CVS folder itself both came before main.obj,v was deleted: a
# power loss must never keep the deletion and lose the rename.
durable_order() {
  awk -v admin="\"$1/CVS\"" -v entries="\"$1/CVS/Entries\")" -v revision="\"$2/proj/main.obj,v\"" '
    /^rename/ && index($0, entries) { renamed = 1 }
    /^openat/ && index($0, admin ", ") && /O_DIRECTORY/ { admin_fd = $NF }
    /^fsync/ { fd = $0; sub(/^fsync\(/, "", fd); sub(/\).*/, "", fd); if (renamed && fd == admin_fd) flushed = 1 }
    /^unlink/ && index($0, revision) { deleted = 1; if (!flushed) early = 1 }
    END { exit !(deleted && !early) }' "$3"
}

# What each row does to its checkout before Morvellan runs.
prepare_none() { :; }
prepare_unfinished() {
  echo 'int added;' >new.c
  rm README
  cvs_q add new.c && cvs_q remove README
  status_extra=(new.c)
}
prepare_entries_log() {
  echo 'object code' >x.obj
  cvs_q add x.obj && cvs_q commit -m 'One more by mistake' x.obj
  removed=(sub/helper.obj) # the top folder is left alone
  left_alone=(main.obj data.obj x.obj)
  just_before_run=write_entries_log
  status=2 # a directory left unchanged
}
# Any CVS command merges Entries.Log, so it is written last.
write_entries_log() { printf 'A %s\n' "$(grep '^/x.obj/' CVS/Entries)" >CVS/Entries.Log; }
prepare_absolute_repository() {
  local file
  for file in CVS/Repository sub/CVS/Repository scratch/CVS/Repository; do
    echo "$repo/$(cat "$file")" >"$file"
  done
}

# check_row NAME PREPARE ROOT-KIND CHECKOUT-OPTIONS...
check_row() {
  row=$1
  local prepare=$2 root_kind=$3
  shift 3
  local dir="$work/rows/$row"
  mkdir -p "$dir"
  repo="$dir/repo"
  cp -a "$master" "$repo"
  local root=":local:$repo"
  [ "$root_kind" = bare ] && root="$repo"
  status_extra=() left_alone=() removed=(main.obj sub/helper.obj data.obj) just_before_run=: status=0
  (cd "$dir" && cvs_q -d "$root" checkout -d wc "$@" proj)
  local wc="$dir/wc"
  cd "$wc" && $prepare && cd "$work" # in this shell: a row may change the lists above
  [ "$(cat "$wc/CVS/Root")" = "$root" ] || fail "CVS wrote the root as $(cat "$wc/CVS/Root")"

  local before_status before_files before
  before_status=$(cd "$wc" && cvs_q status "${kept[@]}" "${status_extra[@]}" 2>&1)
  before_files=$(working_files "$wc")
  (cd "$wc" && $just_before_run)
  before=$(snapshot "$wc" && snapshot "$repo")
  mkdir "$dir/run" # where Morvellan writes its log
  local code=0
  (cd "$dir/run" && HOME="$user_home" "$morvellan" "$wc" >/dev/null) || code=$?
  [ "$code" = "$status" ] || fail "test mode ended with $code"
  [ "$before" = "$(snapshot "$wc" && snapshot "$repo")" ] || fail "test mode changed files"
  grep -q "Delete from repository: $repo/proj/sub/helper.obj,v" "$dir/run/Morvellan.log" ||
    fail "test mode did not log the deletion of helper.obj,v"

  # LeakSanitizer cannot run under a tracer; the untraced test-mode run above keeps it.
  code=0
  (cd "$dir/run" && HOME="$user_home" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    strace -qq -o "$dir/live.trace" \
    -e trace=openat,rename,renameat,renameat2,fsync,unlink,unlinkat "$morvellan" -f "$wc" \
    >"$dir/live.out") || code=$?
  [ "$code" = "$status" ] || fail "live mode ended with $code"
  if [ "$row" = trunk ]; then
    durable_order "$wc" "$repo" "$dir/live.trace" || fail "main.obj,v went before CVS/ was flushed"
  fi
  local name
  for name in "${removed[@]}"; do
    [ ! -e "$repo/proj/$name,v" ] || fail "$name,v is still in the repository"
  done
  for name in "${left_alone[@]}"; do
    [ -e "$repo/proj/$name,v" ] || fail "$name,v was deleted from a folder with an Entries.Log"
  done
  [ "$before_files" = "$(working_files "$wc")" ] || fail "the live run touched working files"
  local after_status
  after_status=$(cd "$wc" && cvs_q status "${kept[@]}" "${status_extra[@]}" 2>&1)
  [ "$before_status" = "$after_status" ] ||
    fail "cvs status changed:"$'\n'"$(diff <(echo "$before_status") <(echo "$after_status"))"

  local update
  update=$(cd "$wc" && HOME="$setup_home" cvs -q update 2>&1) || fail "cvs update failed: $update"
  if grep -E 'no longer in the repository|not \(any longer\) pertinent' <<<"$update"; then
    fail "cvs update dropped files: $update"
  fi
  local after_files
  after_files=$(working_files "$wc")
  [ -z "$(comm -23 <(echo "$before_files") <(echo "$after_files"))" ] ||
    fail "cvs update deleted working files: $(comm -23 <(echo "$before_files") <(echo "$after_files"))"

  (cd "$dir" && cvs_q -d "$root" checkout -d fresh "$@" proj)
  for name in "${kept[@]}"; do
    [ -e "$dir/fresh/$name" ] || fail "the fresh checkout lacks $name"
  done
  for name in "${removed[@]}"; do
    [ ! -e "$dir/fresh/$name" ] || fail "the fresh checkout still has $name"
  done
  echo "ok: $row"
}

check_row trunk prepare_none local
check_row tag prepare_none local -r v1
check_row branch prepare_none local -r br
check_row date prepare_none local -D "$moment"
check_row unfinished-add-and-remove prepare_unfinished local
check_row entries-log prepare_entries_log local
check_row root-without-method prepare_none bare
check_row absolute-repository prepare_absolute_repository local -r v1
grep -q '^Directory left unchanged (CVS has not merged its Entries.Log yet): ' \
  "$work/rows/entries-log/live.out" || { row=entries-log && fail "no line about Entries.Log"; }
echo "CVS round trip passed: 8 checkouts."
