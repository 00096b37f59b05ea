#!/usr/bin/env bash
# Real CVS judges Morvellan.
# - One repository with files that should never have been committed is checked
#   out in every way CVS offers (trunk, tag, branch with a file only on it, date,
#   binary files, unfinished work, unmerged Entries.Log, the root forms, absolute
#   Repository files, a link to another checkout, a repository that cannot be
#   locked, a client/server checkout, a group-shared repository, names in
#   parentheses, Repository files that lead out of the root). Test mode changes
#   nothing and says what live mode says; after a live run `cvs status` of every
#   kept file says what it said before, `cvs -q update` deletes no working file,
#   and a fresh checkout lacks exactly the removed files. Folders named like
#   patterns still take commits and tags.
# - For many .cvsignore texts, the names a run removes are those CVS ignores.
# - A held #cvs.lock, a reader's lock, a LockDir repository, and live runs while
#   another checkout commits to the same folder: every commit goes in whole.
# Usage: round_trip.sh <path of Morvellan>
set -euo pipefail
umask 022
export LC_ALL=C
unset CVSIGNORE CVSREAD CVSUMASK # the user's own CVS settings must not change what CVS does here

work=$(mktemp -d)
trap 'kill $(jobs -pr) 2>/dev/null || true; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
chmod 755 "$work" # nobody runs Morvellan in one row
morvellan="$work/Morvellan" # a copy: stable while others rebuild, and reachable by nobody
cp "$1" "$morvellan"
checkouts=0
row=setup
fail() {
  echo "FAIL [$row]: $*" >&2
  exit 1
}

user_home="$work/home"   # the user's, with the ignore patterns
setup_home="$work/setup" # for CVS itself, without them
mkdir -p "$user_home" "$setup_home"
printf '*.obj Debug *.o (*.a)\r\nscratch\tcore \r\n' >"$user_home/.cvsignore"
cvs_runner=() # check_row makes its own, for a row whose checkout belongs to another user
cvs_q() { HOME="$setup_home" "${cvs_runner[@]}" cvs -Q "$@"; }
# For :ext: roots: the server starts here, whatever host and user the root names.
printf '#!/bin/sh\nexec cvs server\n' >"$work/rsh"
chmod 755 "$work/rsh"
export CVS_RSH="$work/rsh"
# LeakSanitizer cannot run under a tracer.
untraced_leaks() { ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$@"; }

# Everything below a folder: names, kinds and contents.
snapshot() { (cd "$1" && find . -print0 | sort -z | xargs -0 stat -c '%n %a %s %F' &&
  find . -type f -print0 | sort -z | xargs -0 md5sum); }
working_files() { (cd "$1" && find . -path '*/CVS' -prune -o -type f -print | sort); }
# checkout_copy REPOSITORY DIR: a copy of the repository in DIR/repo, checked out in DIR/wc;
# Morvellan runs in DIR/run.
checkout_copy() {
  mkdir -p "$2/run"
  cp -a "$1" "$2/repo"
  (cd "$2" && cvs_q -d ":local:$2/repo" checkout -d wc proj)
}

# The master repository: ordinary files, a binary one, a name that holds ",v",
# source folders named like patterns, and build output committed by mistake;
# then a tag, a branch and a moment to check out by date.
make_master() {
  master="$work/master"
  cvs_q -d ":local:$master" init
  mkdir -p "$work/import/sub"
  echo 'int main() { return 0; }' >"$work/import/main.c"
  echo 'notes' >"$work/import/README"
  echo 'int helper;' >"$work/import/sub/helper.c"
  (cd "$work/import" && cvs_q -d ":local:$master" import -m 'Initial import' proj vendor start)
  (cd "$work" && cvs_q -d ":local:$master" checkout -d first proj)
  local first="$work/first"
  printf '\x89PNG\r\n\x1a\n\x00' >"$first/logo.bin"
  printf 'object\r\n\x00\x01' >"$first/data.obj"
  echo 'object code' >"$first/main.obj"
  echo 'object code' >"$first/sub/helper.obj"
  echo 'int version2;' >"$first/core,v2.c"
  mkdir "$first/scratch" "$first/Debug" "$first/core"
  echo 'draft' >"$first/scratch/draft.txt"
  echo 'int trace;' >"$first/Debug/trace.c"
  echo 'int engine;' >"$first/core/engine.c"
  (cd "$first" && cvs_q add -kb logo.bin data.obj && cvs_q add main.obj sub/helper.obj core,v2.c &&
    cvs_q add scratch Debug core && cvs_q add scratch/draft.txt Debug/trace.c core/engine.c &&
    cvs_q commit -m 'Commit build output by mistake')
  cvs_q -d ":local:$master" rtag v1 proj
  cvs_q -d ":local:$master" rtag -b br proj
  sleep 1
  moment=$(date -u '+%Y-%m-%d %H:%M:%S UTC')
  sleep 1
}

kept=(main.c README sub/helper.c logo.bin 'core,v2.c' Debug/trace.c core/engine.c)

# The revision file of a name below proj, in its folder or in that folder's Attic.
revision_file() {
  local base=${1##*/}
  local folder="$repo/proj/${1%"$base"}"
  [ -e "$folder$base,v" ] && echo "$folder$base,v" && return
  [ -e "${folder}Attic/$base,v" ] && echo "${folder}Attic/$base,v" && return
  fail "$1 has no revision file in the repository"
}

# Reads the system calls of a trunk live run and prints what came in the wrong
# order. The lock on proj must be taken before CVS/Entries is replaced and let
# go after the last revision file of proj is deleted; the rename and an fsync
# of the CVS folder must both come before any deletion (a power loss must never
# keep the deletion and lose the rename); and the log must name each change
# before it is made (a killed run's log names everything already done).
trace_problems() {
  awk -v wc="$1" -v repo="$2" '
    # strace -y prints each descriptor with its path: 5</tmp/x/wc/CVS>.
    BEGIN { folder = repo "/proj"; lock = "\"" folder "/#cvs.lock\""; admin = "<" wc "/CVS>" }
    /^write\(/ && index($0, "/Morvellan.log>,") { logged = logged $0 }
    /^mkdir/ && index($0, lock) && !locked { locked = NR }
    (/^rmdir/ || /AT_REMOVEDIR/) && index($0, lock) { released = NR }
    /^renameat/ && index($0, admin ", \"Entries.out\"") && index($0, admin ", \"Entries\")") {
      renamed = NR
      if (!index(logged, "Remove from " wc "/CVS/Entries: /main.obj/"))
        print "CVS/Entries was replaced before the log named its removed lines"
    }
    /^fsync\(/ && index($0, admin ")") { if (renamed) flushed = 1 }
    /^unlinkat\(/ && (start = index($0, "<" folder ">, \"")) {
      name = substr($0, start + length(folder) + 5)
      name = substr(name, 1, index(name, "\"") - 1)
      if (name !~ /,v$/) next
      deleted = NR
      if (!flushed) print "the revision file " name " went before CVS/ was flushed"
      if (!index(logged, "Delete from repository: " folder "/" name "\\n"))
        print "the revision file " name " went before the log named it"
    }
    END {
      if (!deleted) print "no revision file of proj was deleted"
      if (!renamed) print "CVS/Entries was not replaced"
      if (!locked || locked > renamed) print "CVS/Entries was replaced before proj was locked"
      if (released < deleted) print "the lock on proj was let go before its last revision file went"
    }' "$3"
}

# What each row does to its checkout before Morvellan runs; it runs in the
# checkout, and may change the row's lists and hooks.
prepare_none() { :; }
prepare_trunk() { after_update=commit_from_top; }
# CVS reaches a folder only through its D line: edits and tags there must still
# go in from the top after the run.
commit_from_top() {
  local file
  for file in Debug/trace.c core/engine.c; do echo '/* edited */' >>"$file"; done
  cvs_q commit -m 'Edit in folders named like patterns' && cvs_q tag cleaned
  for file in Debug/trace.c core/engine.c; do
    cvs_q status -v "$file" | grep -q 'cleaned[[:space:]]*(revision: 1\.2)' ||
      fail "the commit or the tag from the top did not reach $file"
  done
}
# A file added on a branch only has its revision file in the Attic.
prepare_branch_file() {
  echo 'object code' >extra.obj
  cvs_q add extra.obj && cvs_q commit -m 'Build output on the branch' extra.obj
  [ -e "$repo/proj/Attic/extra.obj,v" ] || fail "CVS did not put extra.obj,v in the Attic"
  removed+=(extra.obj)
}
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
  expected_lines=("Directory left unchanged (CVS has not merged its Entries.Log yet; run cvs update there first): $wc/CVS/Entries.Log")
  status=2
}
# Any CVS command merges Entries.Log, so it is written last.
write_entries_log() { printf 'A %s\n' "$(grep '^/x.obj/' CVS/Entries)" >CVS/Entries.Log; }
prepare_absolute_repository() {
  local file
  for file in CVS/Repository sub/CVS/Repository scratch/CVS/Repository; do
    echo "$repo/$(cat "$file")" >"$file"
  done
}
# The link leads into another checkout, whose repository must keep its files.
prepare_link() {
  cp -a "$master" "$dir/other-repo"
  (cd "$dir" && cvs_q -d ":local:$dir/other-repo" checkout -d other proj)
  ln -s "$dir/other" linked
  expected_lines=("Not entered (link): $wc/linked")
  guarded=("$dir/other" "$dir/other-repo")
}
# Without the lock nothing of a directory may change, and test mode foresees it.
cannot_lock() {
  removed=() left_alone=(main.obj data.obj sub/helper.obj) guarded=("$wc" "$repo") status=2
  expected_lines=("Directory left unchanged (cannot lock the repository ($1)): $repo/proj"
    "Directory left unchanged (cannot lock the repository ($1)): $repo/proj/sub")
}
# Root's permission bits stop nobody, whose working copy it is.
prepare_not_writable() {
  runner=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all)
  chown nobody "$dir/run"
  chown -R nobody .
  cannot_lock 'Permission denied'
}
prepare_missing_repository() {
  just_before_run=hide_repository just_after_run=restore_repository
  cannot_lock 'No such file or directory'
}
hide_repository() { mv "$repo/proj" "$repo/proj.away"; }
restore_repository() { mv "$repo/proj.away" "$repo/proj"; }
# The revision files are out of reach: removing entries would only put the working
# files in the way of their revisions. The checkout's Entries.Log (only "A D/..."
# lines) must not stop anything; any CVS command merges it, so it is put back last.
prepare_client_server() {
  cp CVS/Entries.Log "$dir/Entries.Log" || fail "the checkout left no CVS/Entries.Log"
  just_before_run=restore_entries_log
  removed=() left_alone=(main.obj data.obj sub/helper.obj) guarded=("$wc" "$repo") status=2
  expected_lines=("Repository not local, its directories are left unchanged: $root")
}
restore_entries_log() { cp "$dir/Entries.Log" CVS/Entries.Log; }
# Folders of the group (setgid), revision files root's and read-only, as another
# user's commits leave them; nobody, in the group, owns the working copy. Deleting
# needs only the folder: the run must not need the mode change it cannot make.
prepare_group_shared() {
  chgrp -R users "$repo"
  find "$repo" -type d -exec chmod 2775 {} +
  [ -z "$(find "$repo/proj" -name '*,v' \( ! -user root -o ! -perm 444 \))" ] ||
    fail "CVS left revision files that are not root's and read-only"
  chown nobody "$dir" "$dir/run"
  chown -R nobody .
  runner=(setpriv --reuid=nobody --regid=users --groups=users --inh-caps=-all)
  cvs_runner=("${runner[@]}")
  just_after_run=no_mode_change after_update=commit_as_nobody
}
no_mode_change() {
  ! grep -E '^f?chmod' "$dir/live.trace" | grep -F "$repo/" || fail "changed a mode in the repository"
}
commit_as_nobody() {
  echo '/* edited */' >>main.c
  cvs_q commit -m 'Edit as nobody' main.c || fail "nobody cannot commit after the run"
}
# CVS reads entry names literally: "/(notes)/" is the entry of (notes) and of (notes),v;
# *.o does not match (lib.o), (*.a) matches (lib.a). The single-file run names (notes).
prepare_parentheses() {
  local name
  for name in '(notes)' '(lib.o)' '(lib.a)'; do echo 'text' >"$name"; done
  cvs_q add '(notes)' '(lib.o)' '(lib.a)' && cvs_q commit -m 'Names in parentheses'
  removed+=('(lib.a)') left_alone=('(lib.o)') status_extra=('(notes)' '(lib.o)')
}
prepare_parentheses_single_file() {
  prepare_parentheses
  target="$wc/(notes)" removed=('(notes)') status_extra=('(lib.o)' '(lib.a)')
  left_alone=(main.obj data.obj sub/helper.obj '(lib.o)' '(lib.a)')
}
# Repository files that lead into other repositories: one beside the root, and one
# whose path begins with the root's text. Their revision files must all stay.
prepare_outside_root() {
  cp -a "$repo/proj" "$dir/victim"
  cp -a "$master" "$dir/repo2"
  just_before_run=point_outside just_after_run=point_inside
  removed=() left_alone=(main.obj data.obj sub/helper.obj) status=2
  guarded=("$wc" "$repo" "$dir/victim" "$dir/repo2")
  expected_lines=("Directory left unchanged (repository outside its root): $repo/../victim"
    "Directory left unchanged (repository outside its root): $dir/repo2/proj/sub")
}
point_outside() { echo ../victim >CVS/Repository && echo "$dir/repo2/proj/sub" >sub/CVS/Repository; }
point_inside() { echo proj >CVS/Repository && echo proj/sub >sub/CVS/Repository; }

# check_row NAME PREPARE ROOT-KIND CHECKOUT-OPTIONS...
check_row() {
  row=$1
  local prepare=$2 root_kind=$3
  shift 3
  local dir="$work/rows/$row"
  mkdir -p "$dir/run" # where Morvellan writes its log
  repo="$dir/repo"
  cp -a "$master" "$repo"
  local root=":local:$repo" cvs_runner=()
  [ "$root_kind" = bare ] && root="$repo"
  [ "$root_kind" = ext ] && root=":ext:localhost:$repo"
  status_extra=() left_alone=() removed=(main.obj sub/helper.obj data.obj) status=0
  expected_lines=() guarded=() runner=() just_before_run=: just_after_run=: after_update=:
  (cd "$dir" && cvs_q -d "$root" checkout -d wc "$@" proj)
  local wc="$dir/wc" target="$dir/wc"
  cd "$wc" && $prepare && cd "$work" # in this shell: a row may change the lists above
  [ "$(cat "$wc/CVS/Root")" = "$root" ] || fail "CVS wrote the root as $(cat "$wc/CVS/Root")"

  local before_status before_files before guarded_before name mode said expected revisions=()
  for name in "${removed[@]}"; do revisions+=("$(revision_file "$name")"); done
  before_status=$(cd "$wc" && cvs_q status "${kept[@]}" "${status_extra[@]}" 2>&1)
  before_files=$(working_files "$wc")
  (cd "$wc" && $just_before_run)
  before=$(snapshot "$wc" && snapshot "$repo")
  guarded_before=$(for name in "${guarded[@]}"; do snapshot "$name"; done)
  local code=0
  (cd "$dir/run" && HOME="$user_home" "${runner[@]}" "$morvellan" "$target" >"$dir/test.out") || code=$?
  [ "$code" = "$status" ] || fail "test mode ended with $code"
  [ "$before" = "$(snapshot "$wc" && snapshot "$repo")" ] || fail "test mode changed files"
  for name in "${revisions[@]}"; do
    grep -qxF "Delete from repository: $name" "$dir/run/Morvellan.log" ||
      fail "test mode did not log the deletion of $name"
  done

  code=0
  (cd "$dir/run" && HOME="$user_home" untraced_leaks strace -y -qq -s 65536 -o "$dir/live.trace" \
    -e trace=openat,write,rename,renameat,renameat2,fsync,unlink,unlinkat,mkdir,mkdirat,rmdir,chmod,fchmod,fchmodat \
    "${runner[@]}" "$morvellan" -f "$target" >"$dir/live.out") || code=$?
  [ "$code" = "$status" ] || fail "live mode ended with $code"
  # Besides its first two lines, Processing lines and last two, each mode says these, each once.
  expected=$(printf '%s\n' "${expected_lines[@]}" | sort)
  for mode in test live; do
    said=$(sed -e 1,2d -e '/^Processing: /d' "$dir/$mode.out" | head -n -2 | sort)
    [ "$said" = "$expected" ] || fail "$mode mode said:"$'\n'"$said"$'\n'"instead of:"$'\n'"$expected"
  done
  [ "$guarded_before" = "$(for name in "${guarded[@]}"; do snapshot "$name"; done)" ] ||
    fail "live mode changed files it had to leave alone in ${guarded[*]}"
  (cd "$wc" && $just_after_run)
  if [ "$row" = trunk ]; then
    local problems
    problems=$(trace_problems "$wc" "$repo" "$dir/live.trace")
    [ -z "$problems" ] || fail "$problems"
  fi
  for name in "${revisions[@]}"; do
    [ ! -e "$name" ] || fail "$name is still in the repository"
  done
  for name in "${left_alone[@]}"; do
    revision_file "$name" >/dev/null
  done
  [ "$before_files" = "$(working_files "$wc")" ] || fail "the live run touched working files"
  local after_status
  after_status=$(cd "$wc" && cvs_q status "${kept[@]}" "${status_extra[@]}" 2>&1)
  [ "$before_status" = "$after_status" ] ||
    fail "cvs status changed:"$'\n'"$(diff <(echo "$before_status") <(echo "$after_status"))"

  local update
  update=$(cd "$wc" && HOME="$setup_home" "${cvs_runner[@]}" cvs -q update 2>&1) ||
    fail "cvs update failed: $update"
  if grep -E 'no longer in the repository|not \(any longer\) pertinent|in the way|conflict|^C ' <<<"$update"; then
    fail "cvs update dropped files or found conflicts: $update"
  fi
  local after_files
  after_files=$(working_files "$wc")
  [ -z "$(comm -23 <(echo "$before_files") <(echo "$after_files"))" ] ||
    fail "cvs update deleted working files: $(comm -23 <(echo "$before_files") <(echo "$after_files"))"
  (cd "$wc" && $after_update)

  (cd "$dir" && cvs_q -d "$root" checkout -d fresh "$@" proj)
  for name in "${kept[@]}"; do
    [ -e "$dir/fresh/$name" ] || fail "the fresh checkout lacks $name"
  done
  for name in "${removed[@]}"; do
    [ ! -e "$dir/fresh/$name" ] || fail "the fresh checkout still has $name"
  done
  checkouts=$((checkouts + 1))
  echo "ok: $row"
}

# The names a test-mode run would remove must be the names CVS ignores, for
# every text below as .cvsignore; for the texts that Morvellan reads
# differently, never more than those. CVS is shown the names as unversioned
# files (it reports "? name" for those it does not ignore), Morvellan as
# entries.
ignore_texts=(
  '*.s'                      # start.S is a hand-written source: case counts
  'CORE' 'core'              # only the name of that case
  '*.o *.obj core'           # several patterns on a line
  $'\t*.o\t\tx.obj  \n\n   b \t' # tabs, runs of blanks, empty lines, trailing blanks
  $'*.o\n!\n*.obj'           # '!' empties the list read so far
  'a* ! b*'                  # also in the middle of a line
  '!a'                       # a pattern that only begins with '!'
  $'core\r\n*.s\r\n'         # CR LF line ends
  '[a-c]*' '[!a]*' '[abc] [0-9]' '*[!s]'
  '?' '??' '*.?' 'a?' '*b?' '?*' '*b' 'a*b*' '*a*c*' 'x.o*' '*' '.*' '#*' ',*'
)
# Read differently by Morvellan's masks: a name goes only where both readings agree.
subset_texts=(
  'x*?' 'a*?'                # a '?' right after '*' is dropped by the masks, not by CVS
  '[^a]*'                    # '^' negates for CVS, is a member for the masks
  '\#*' 'a\b'                # backslash escapes for CVS, is a byte for the masks
  '[z-a]*'                   # a reversed range: empty for CVS, its first byte for the masks
)
names=(a ab abc b ba bc c ca cab A AB z z1 9 a1 x xq aq '^q' '#q' '\#q' start.s start.S core CORE
  Core core.c x.o '(x.o)' x.obj X.OBJ x.o.bak .hidden '#tmp#' ',v' 'a b' 'a\b' 'a*' '-a' '^a' '!a' 'a]' 'a-' '-')
# compare_names TEXT MODE [CVSIGNORE] [FOLDER-IGNORE]: MODE is equal or subset.
compare_names() {
  local text=$1 mode=$2 environment=${3-} folder=${4-} ignored removed prefix all
  prefix="Remove from $dir/entries/CVS/Entries: /"
  all=$(printf '%s\n' "${names[@]}" | sort)
  rm -f "$dir/wc/.cvsignore" "$dir/entries/.cvsignore"
  if [ -n "$folder" ]; then
    printf '%s' "$folder" >"$dir/wc/.cvsignore"
    printf '%s' "$folder" >"$dir/entries/.cvsignore"
  fi
  printf '!\n%s' "$text" >"$dir/home/.cvsignore" # clears CVS's own list
  ignored=$(comm -23 <(echo "$all") <(cd "$dir/wc" && CVSIGNORE="$environment" HOME="$dir/home" \
    cvs -n -q update 2>&1 | sed -n 's/^? //p' | sort))
  printf '%s' "$text" >"$dir/home/.cvsignore"
  (cd "$dir/run" && CVSIGNORE="$environment" HOME="$dir/home" "$morvellan" "$dir/entries" >/dev/null) ||
    fail "Morvellan ended with $? for .cvsignore $(printf %q "$text")"
  removed=$(awk -v prefix="$prefix" 'index($0, prefix) == 1 {
    name = substr($0, length(prefix) + 1); print substr(name, 1, index(name, "/") - 1) }' \
    "$dir/run/Morvellan.log" | sort)
  local more
  more=$(comm -13 <(echo "$ignored") <(echo "$removed"))
  [ -z "$more" ] || fail "for .cvsignore $(printf %q "$text") ${environment:+CVSIGNORE=$environment} " \
    "${folder:+folder .cvsignore $(printf %q "$folder")}, Morvellan removes what CVS does not ignore: ${more//$'\n'/ }"
  [ "$mode" = subset ] || [ "$ignored" = "$removed" ] || fail "for .cvsignore $(printf %q "$text"), cvs ignores:" \
    "${ignored//$'\n'/ }; Morvellan removes: ${removed//$'\n'/ }"
}
check_names() {
  row=names
  dir="$work/names"
  local name text
  mkdir -p "$dir/home" "$dir/run" "$dir/empty" "$dir/entries/CVS"
  cvs_q -d ":local:$dir/repo" init
  (cd "$dir/empty" && cvs_q -d ":local:$dir/repo" import -m 'Nothing yet' proj vendor start)
  (cd "$dir" && cvs_q -d ":local:$dir/repo" checkout -d wc proj)
  for name in "${names[@]}"; do
    : >"$dir/wc/$name"
    echo "/$name/1.1/Thu Jan  1 00:00:00 2026//"
  done >"$dir/entries/CVS/Entries"
  echo ":local:$dir/repo" >"$dir/entries/CVS/Root" # its revision files are not there
  echo proj >"$dir/entries/CVS/Repository"
  for text in "${ignore_texts[@]}"; do compare_names "$text" equal; done
  for text in "${subset_texts[@]}"; do compare_names "$text" subset; done
  # A '!' that CVS reads after ~/.cvsignore, in $CVSIGNORE or the folder's own .cvsignore,
  # leaves nothing for the user's patterns to remove.
  compare_names '*.o a*' equal '!'
  compare_names '*.o a*' subset 'x.obj ! b*' # CVS then ignores b*, by a pattern not the user's
  compare_names '*.o a*' equal '' $'junk\n!\n'
  echo "ok: $row (${#ignore_texts[@]} + ${#subset_texts[@]} .cvsignore texts, ${#names[@]} names)"
}

# A repository of one folder for the lock cases and the concurrency test:
# sources, and build output committed by mistake. The sources' names put the
# output's names in the middle, so that CVS commits some sources before them.
rounds=20
make_small() {
  small="$work/small"
  mkdir "$work/import-small"
  local n
  for n in $(seq -w 1 10); do echo "int a$n;" >"$work/import-small/a$n.c"; done
  for n in $(seq 11 19); do echo "int z$n;" >"$work/import-small/z$n.c"; done
  for n in $(seq -w 1 "$rounds"); do echo 'object code' >"$work/import-small/junk$n.obj"; done
  cvs_q -d ":local:$small" init
  (cd "$work/import-small" && cvs_q -d ":local:$small" import -I ! -m 'Initial import' proj vendor start)
}
is_clean() { # is_clean DIR: no build output in the repository or Entries, no lock left
  ! compgen -G "$1/repo/proj/junk*" >/dev/null && ! grep -q '^/junk' "$1/wc/CVS/Entries" &&
    ! compgen -G "$1/repo/proj/#cvs.*" >/dev/null
}

# The one case that waits the full 30 seconds runs while the others go on.
start_held_lock() {
  held="$work/locks/held"
  checkout_copy "$small" "$held"
  mkdir "$held/repo/proj/#cvs.lock"
  # As a killed CVS leaves it: its write lock file names this host and a process that is gone.
  dead_pid=$(sh -c 'echo $$')
  : >"$held/repo/proj/#cvs.wfl.$(uname -n).$dead_pid"
  held_before=$(snapshot "$held/wc" && snapshot "$held/repo")
  held_start=$(date +%s)
  (cd "$held/run" && HOME="$user_home" exec "$morvellan" -f "$held/wc" >"$held/out" 2>&1) &
  held_pid=$!
}
finish_held_lock() {
  row='held-lock'
  local code=0 lock="$held/repo/proj/#cvs.lock"
  wait "$held_pid" || code=$?
  [ "$code" = 2 ] || fail "live mode ended with $code"
  # The last line was written when it gave up.
  local waited=$(($(stat -c %Y "$held/out") - held_start))
  [ "$waited" -ge 29 ] || fail "gave up after $waited seconds"
  local stale=" (left by process $dead_pid, which is no longer running: remove it with rmdir once no CVS command runs)"
  local said="Waiting for the repository lock: $lock$stale"$'\n'"Directory left unchanged (repository locked): $lock$stale"
  [ "$(grep -e '^Waiting' -e '^Directory left' "$held/out")" = "$said" ] ||
    fail "did not wait for $lock and then give up:"$'\n'"$(cat "$held/out")"
  [ "$held_before" = "$(snapshot "$held/wc" && snapshot "$held/repo")" ] ||
    fail "changed files although the repository was locked"
  echo "ok: $row"
}

check_reader_lock() {
  row='reader-lock'
  local dir="$work/locks/reader" code=0
  checkout_copy "$small" "$dir"
  local reader="$dir/repo/proj/#cvs.rfl.elsewhere.4242"
  : >"$reader"
  (cd "$dir/run" && HOME="$user_home" exec "$morvellan" -f "$dir/wc" >"$dir/out" 2>&1) &
  local pid=$!
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "did not wait while a reader held the repository"
  [ -e "$dir/repo/proj/junk01.obj,v" ] && grep -q '^/junk01.obj/' "$dir/wc/CVS/Entries" ||
    fail "changed files while a reader held the repository"
  rm "$reader"
  wait "$pid" || code=$?
  [ "$code" = 0 ] || fail "live mode ended with $code after the reader left"
  grep -qxF "Waiting for the repository lock: $reader (held by process 4242 on elsewhere)" "$dir/out" ||
    fail "did not say it waited for $reader, held by process 4242 on elsewhere"
  is_clean "$dir" || fail "did not finish the cleanup after the reader left"
  echo "ok: $row"
}

check_lock_dir() {
  row='lock-dir'
  local dir="$work/locks/lock-dir" code=0
  checkout_copy "$small" "$dir"
  mkdir "$dir/locks"
  echo "LockDir=$dir/locks" >>"$dir/repo/CVSROOT/config"
  (cd "$dir/run" && HOME="$user_home" untraced_leaks strace -qq -o "$dir/trace" \
    -e trace=openat,mkdir,mkdirat "$morvellan" -f "$dir/wc" >/dev/null) || code=$?
  [ "$code" = 0 ] || fail "live mode ended with $code"
  grep -F "\"$dir/locks/proj/#cvs.lock\"" "$dir/trace" | grep -q '^mkdir.* = 0$' ||
    fail "did not lock $dir/locks/proj"
  ! grep -F "\"$dir/repo/proj/#cvs." "$dir/trace" || fail "made a lock in the repository itself"
  is_clean "$dir" || fail "did not finish the cleanup"
  ! compgen -G "$dir/locks/proj/#cvs.*" >/dev/null || fail "left its lock in $dir/locks/proj"
  echo "ok: $row"
}

# Checkout wc runs Morvellan while checkout b commits 20 files to the same
# repository folder, one of them the file that the run deletes. Morvellan
# starts once the commit holds its write lock; it must then wait for the commit
# to finish, so that every commit goes in whole. Each round removes the next
# junkNN.obj.
check_concurrency() {
  row=concurrency
  local dir="$work/concurrency" name round code revisions waited=0 commit_pid faults=()
  mkdir -p "$dir/home"
  checkout_copy "$small" "$dir"
  (cd "$dir" && cvs_q -d ":local:$dir/repo" checkout -d b proj)
  for round in $(seq -w 1 "$rounds"); do
    echo "junk$round.obj" >"$dir/home/.cvsignore"
    for name in "$dir"/b/[az]*.c "$dir/b/junk$round.obj"; do echo "// round $round" >>"$name"; done
    rm -f "$dir/commit.status"
    { if (cd "$dir/b" && HOME="$setup_home" exec cvs -q commit -m "Round $round") >"$dir/commit.out" 2>&1
      then echo 0 >"$dir/commit.status"; else echo $? >"$dir/commit.status"; fi; } &
    commit_pid=$!
    until compgen -G "$dir/repo/proj/#cvs.wfl*" >/dev/null || [ -e "$dir/commit.status" ]; do
      sleep 0.002
    done
    code=0
    (cd "$dir/run" && HOME="$dir/home" "$morvellan" -f "$dir/wc" >"$dir/clean.out") || code=$?
    wait "$commit_pid"
    grep -q '^Waiting for the repository lock' "$dir/clean.out" && waited=$((waited + 1))
    [ "$code" = 0 ] || faults+=("round $round: Morvellan ended with $code")
    [ ! -e "$dir/repo/proj/junk$round.obj,v" ] || faults+=("round $round: junk$round.obj,v is still there")
    revisions=$(grep -c '^new revision' "$dir/commit.out" || true)
    if [ "$(cat "$dir/commit.status")" != 0 ] || [ "$revisions" != 20 ] ||
      grep -q 'internal error' "$dir/commit.out"; then
      faults+=("round $round: the commit ended with $(cat "$dir/commit.status") after $revisions of 20 files: $(
        sed '/^new revision/d; / <-- /d' "$dir/commit.out" | tr '\n' ' ')")
      # A cut commit does not wait out its second; without this CVS takes the next edits for none.
      sleep 1
    fi
    # b drops its copy of the file whose history is gone, as its owner would.
    (cd "$dir/b" && rm "junk$round.obj" && cvs_q update "junk$round.obj") ||
      faults+=("round $round: cvs update in b failed")
  done
  [ ${#faults[@]} = 0 ] || fail "${#faults[@]} of $rounds rounds went wrong:"$'\n'"$(printf '%s\n' "${faults[@]}")"
  [ "$waited" -gt 0 ] || fail "no run ever met the commit's lock: the race was not tested"
  local out
  out=$(HOME="$setup_home" cvs -d ":local:$dir/repo" -q rlog proj 2>&1 >/dev/null) ||
    fail "cvs rlog cannot read the repository: $out"
  [ -z "$out" ] || fail "cvs rlog complained: $out"
  out=$(cd "$dir/wc" && HOME="$setup_home" cvs -q update 2>&1) || fail "cvs update in wc failed: $out"
  ! grep -E 'in the way|conflict|^C ' <<<"$out" || fail "cvs update in wc found conflicts: $out"
  echo "ok: $row (Morvellan met the commit's lock in $waited of $rounds rounds)"
}

make_master
make_small
start_held_lock # its 30 seconds pass while the rest runs
check_row trunk prepare_trunk local
check_row tag prepare_none local -r v1
check_row branch prepare_branch_file local -r br
check_row date prepare_none local -D "$moment"
check_row unfinished-add-and-remove prepare_unfinished local
check_row entries-log prepare_entries_log local
check_row root-without-method prepare_none bare
check_row absolute-repository prepare_absolute_repository local -r v1
check_row link-to-other-checkout prepare_link local
check_row repository-not-writable prepare_not_writable local
check_row repository-missing prepare_missing_repository local
check_row client-server prepare_client_server ext
check_row group-shared-repository prepare_group_shared local
check_row names-in-parentheses prepare_parentheses local
check_row name-in-parentheses-single-file prepare_parentheses_single_file local
check_row repository-outside-root prepare_outside_root local
check_names
check_reader_lock
check_lock_dir
check_concurrency
finish_held_lock
echo "CVS round trip passed: $checkouts checkouts, ${#ignore_texts[@]} .cvsignore texts" \
  "against ${#names[@]} names, 3 lock cases, $rounds concurrent commits."
