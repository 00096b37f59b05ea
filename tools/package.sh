#!/usr/bin/env bash
# Builds the two packages, the .deb and the Windows zip, and checks them as a
# user would meet them: the man page source and each platform's page with
# mandoc and man, the .deb with lintian, then installed with dpkg, run under
# both its names, its man page found and telling Linux facts, and removed
# again. The zip must hold the program and its documents with CR LF: the
# manual rendered as text, telling Windows facts and none of Linux's, and a
# short README for Windows users; the program must run under Wine. Needs root
# (or sudo) for dpkg. Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

# Prints nothing and succeeds when the command printed nothing and succeeded.
quiet() {
  local output
  output=$("$@" 2>&1) || fail "$* failed: $output"
  [ -z "$output" ] || fail "$*: $output"
}

# The words of a text file with one blank between them, so that a phrase that
# the renderer broke across lines is still found.
words() {
  tr -s ' \r\n' ' ' <"$1"
}

# says FILE WHAT PHRASE...: fails unless the text holds each phrase as a whole
# word or words; WHAT names the text in the message.
says() {
  local text what=$2 phrase
  text=$(words "$1")
  shift 2
  for phrase in "$@"; do
    grep -qwF -- "$phrase" <<<"$text" || fail "$what does not say: $phrase"
  done
}

# never_says FILE WHAT PHRASE...: fails when the text holds one of the phrases.
never_says() {
  local text what=$2 phrase
  text=$(words "$1")
  shift 2
  for phrase in "$@"; do
    ! grep -qwF -- "$phrase" <<<"$text" || fail "$what says '$phrase', which is not for its platform"
  done
}

# The facts that only one platform's manual may tell.
posix_facts=('~/.cvsignore' 'password database' 'HOME' 'SIGHUP' 'SIGTERM' 'morvellan' 'ends in LF')
windows_facts=('%USERPROFILE%\.cvsignore' 'Morvellan.exe' '/?' 'Ctrl-Break' 'exit status 3'
               'ANSI code page' 'ends in CR LF')

for preset in deb windows-zip; do
  cmake --preset "$preset" -DMORVELLAN_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  cpack --preset "$preset" >/dev/null
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/deb/CMakeCache.txt)
deb="build/deb/morvellan_${version}_$(dpkg --print-architecture).deb"
zip="build/windows-zip/Morvellan-$version-win64.zip"

echo "-- man page"
for page in doc/Morvellan.1 build/deb/documents/Morvellan.1 build/windows-zip/documents/Morvellan.1; do
  quiet mandoc -Tlint -Wstyle "$page"
  MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null | { ! grep .; } ||
    fail "man reports problems in $page"
done
grep -q "^\.TH MORVELLAN 1 [0-9-]* \"Morvellan $version\" " build/deb/documents/Morvellan.1 ||
  fail "the built man page does not carry version $version"

echo "-- lintian $deb"
# Informational and pedantic tags are shown; errors and warnings fail.
if report=$(lintian --fail-on error,warning --display-info --pedantic "$deb" 2>&1); then status=0; else status=$?; fi
grep -v 'running with root privileges is not recommended' <<<"$report" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings"

echo "-- dpkg -i $deb"
if dpkg-query -W -f='${Status}' morvellan 2>/dev/null | grep -q 'install ok installed'; then
  fail "morvellan is already installed here; remove it first (dpkg -r morvellan)"
fi
# A minimal image may exclude /usr/share/man and /usr/share/doc in
# /etc/dpkg/dpkg.cfg.d; these options re-include ours for this one install only.
"${sudo[@]}" dpkg --path-include='/usr/share/man/man1/[Mm]orvellan.1.gz' \
  --path-include='/usr/share/doc/morvellan/*' -i "$deb" >/dev/null
trap '"${sudo[@]}" dpkg -r morvellan >/dev/null' EXIT

usage=$(/usr/bin/Morvellan) || fail "/usr/bin/Morvellan without arguments exited with $?"
[ "$(head -n 1 <<<"$usage")" = "Usage: Morvellan [-f] path" ] ||
  fail "unexpected usage text: $usage"
page=$(man -w Morvellan) || fail "man -w Morvellan finds no page"
[ "$page" = /usr/share/man/man1/Morvellan.1.gz ] || fail "man -w Morvellan gives $page"
MANWIDTH=80 man Morvellan 2>/dev/null | grep -q "Morvellan $version" ||
  fail "man Morvellan does not show version $version"
[ "$(readlink /usr/bin/morvellan)" = Morvellan ] ||
  fail "/usr/bin/morvellan is not a relative link to Morvellan: $(ls -l /usr/bin/morvellan 2>&1)"
said=$(/usr/bin/morvellan --version) || fail "/usr/bin/morvellan --version exited with $?"
[ "$said" = "Morvellan $version" ] || fail "/usr/bin/morvellan --version prints: $said"
lower_page=$(man -w morvellan) || fail "man -w morvellan finds no page"
[ "$(readlink -f "$lower_page")" = /usr/share/man/man1/Morvellan.1.gz ] ||
  fail "man -w morvellan gives $lower_page"
# mandoc, unlike man, never hyphenates, so every phrase stays whole.
installed_text=build/deb/installed-page.txt
mandoc -T ascii "$page" | sed 's/.\x08//g' >"$installed_text"
says "$installed_text" "the installed man page" "${posix_facts[@]}"
never_says "$installed_text" "the installed man page" "${windows_facts[@]}"
echo "$usage" | head -n 1
echo "$said"
echo "$page"

trap - EXIT
"${sudo[@]}" dpkg -r morvellan >/dev/null
for left in /usr/bin/Morvellan /usr/bin/morvellan /usr/share/man/man1/morvellan.1.gz; do
  [ ! -e "$left" ] && [ ! -L "$left" ] || fail "dpkg -r morvellan left $left"
done

echo "-- $zip"
unpacked=build/windows-zip/unpacked
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "../$(basename "$zip")")
top="$unpacked/Morvellan-$version-win64"
[ "$(ls "$top" | LC_ALL=C sort | tr '\n' ' ')" = "LICENSE.txt Morvellan.exe Morvellan.txt README.txt " ] ||
  fail "the zip holds: $(ls "$top")"
for text in README.txt LICENSE.txt Morvellan.txt; do
  [ "$(grep -c $'\r$' "$top/$text")" = "$(wc -l <"$top/$text")" ] ||
    fail "$text in the zip has lines without CR LF"
  [ "$(tail -c 1 "$top/$text" | od -An -c | tr -d ' ')" = '\n' ] ||
    fail "$text in the zip does not end with a line end"
done
# The manual as text: its NAME section, the version in its footer, and none of
# the backspaces with which mandoc overstrikes bold and underlined letters.
grep -q $'^NAME\r$' "$top/Morvellan.txt" || fail "Morvellan.txt has no NAME section"
awk '/^NAME\r$/ { getline; exit !/Morvellan/ }' "$top/Morvellan.txt" ||
  fail "Morvellan.txt does not name Morvellan under NAME"
grep -qF "Morvellan $version " "$top/Morvellan.txt" || fail "Morvellan.txt does not carry version $version"
! grep -q $'\b' "$top/Morvellan.txt" || fail "Morvellan.txt holds backspaces"
# The manual and the README tell Windows users what holds for them.
says "$top/Morvellan.txt" "Morvellan.txt" "${windows_facts[@]}" 'C:\Users\ann\.cvsignore' \
  'Morvellan.log' 'Ctrl-C' 'closing the console window'
never_says "$top/Morvellan.txt" "Morvellan.txt" "${posix_facts[@]}" '/usr/bin' 'kill -9'
says "$top/README.txt" "README.txt" '%USERPROFILE%\.cvsignore' 'Morvellan C:\work\proj' \
  'Morvellan -f C:\work\proj' '? Morvellan.log' 'outside the working copy' 'Morvellan /?' \
  'Morvellan.txt is the full manual'
never_says "$top/README.txt" "README.txt" '~/.cvsignore' 'apt' 'cmake' 'HOME' 'Linux'
for status in 0 1 2 3; do
  grep -q "^  $status  [A-Z]" "$top/README.txt" || fail "README.txt has no line for exit status $status"
done
[ "$(head -n 1 "$top/README.txt")" = $'Morvellan for Windows\r' ] ||
  fail "README.txt is not the Windows guide: $(head -n 1 "$top/README.txt")"
for text in README.txt Morvellan.txt; do
  ! LC_ALL=C grep -n '[^[:print:][:space:]]' "$top/$text" ||
    fail "$text holds bytes outside ASCII, which Notepad and the console may show differently"
  ! awk 'length($0) > 80 { print FNR ": " $0; found = 1 } END { exit !found }' "$top/$text" ||
    fail "$text has lines longer than 79 characters"
done
usage=$(cd "$top" && wine Morvellan.exe) || fail "Morvellan.exe without arguments exited with $?"
[ "$(head -n 1 <<<"$usage")" = $'Usage: Morvellan [-f] path\r' ] ||
  fail "unexpected usage text from Morvellan.exe: $usage"

echo "Packages built and checked: $deb $zip"
