#!/usr/bin/env bash
# Builds Morvellan and shows it at work on the example under examples/demo: a
# CVS working copy whose build output was committed by mistake, its local
# repository, and a .cvsignore that names that output. First test mode, which
# only writes the log; then live mode on the same scratch copy, and what it
# changed. The example itself is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh build
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
morvellan="$PWD/build/release/Morvellan"

demo="$PWD/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp -a examples/demo "$demo/example"
# The example's CVS/Root files leave the repository's place open; it is the copy's.
find "$demo/example" -path '*/CVS/Root' \
  -exec sed -i "s|@REPOSITORY@|$demo/example/repository|" {} +
cp -a "$demo/example" "$demo/untouched"

run() {
  echo
  echo "\$ Morvellan $*"
  (cd "$demo/example" && HOME="$demo/example/home" "$morvellan" "$@")
  echo
  echo "Morvellan.log:"
  sed 's/^/    /' "$demo/example/Morvellan.log"
}

echo "The ignore patterns in $demo/example/home/.cvsignore:"
sed 's/^/    /' "$demo/example/home/.cvsignore"
echo
echo "== Test mode: nothing changes but the log"
run working-copy/hello
echo
echo "== Live mode, on the scratch copy in $demo/example"
run -f working-copy/hello
echo
echo "What changed:"
diff -r -x Morvellan.log "$demo/untouched" "$demo/example" |
  sed "s|$demo/||g; s/^/    /" || true
