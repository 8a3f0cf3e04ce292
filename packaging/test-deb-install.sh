#!/bin/bash
# Usage (as root): packaging/test-deb-install.sh [quorvale_VERSION_ARCH.deb]
# Installs the Debian package as a school's technician would (apt-get install ./FILE.deb),
# checks that the installed program runs from /usr alone, keeps a teacher's results, bank
# and settings across an upgrade to the next version, and that removing and purging the
# package leaves none of its files while the teacher's own data stays in their home folder.
# Without a file, builds one first with ./quorvale.sh package.
# Changes the machine while it runs: whatever it installed (the package, and any dependency
# that was not installed before) is purged again on the way out, pass or fail.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

say() { printf '== %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }
# grep -q for the end of a pipe: reads all its input, so the writer never dies of SIGPIPE,
# which pipefail would count as a failure.
grepq() { grep "$@" >/dev/null; }

[ "$(id -u)" = 0 ] || fail "run as root: the package is installed for real"
if dpkg-query -W -f='${Status}' quorvale 2>/dev/null | grepq "ok installed"; then
    fail "quorvale is already installed on this machine; remove it first so this test can leave the machine as it found it"
fi

if [ $# -ge 1 ]; then
    deb=$(readlink -f "$1")
else
    say "building the package"
    (cd "$source_dir" && ./quorvale.sh package)
    deb=$(ls -t "$source_dir"/build-deb/quorvale_*.deb 2>/dev/null | head -n 1 || true)
fi
[ -n "$deb" ] && [ -f "$deb" ] || fail "no package to install (expected quorvale_*.deb)"
say "package: $deb"

# Tools for driving the program on a screen of its own.
missing=""
for tool in Xvfb:xvfb xdotool:xdotool pdftotext:poppler-utils; do
    command -v "${tool%%:*}" >/dev/null || missing="$missing ${tool#*:}"
done
if [ -n "$missing" ]; then
    apt-get -o DPkg::Lock::Timeout=300 update -qq
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends $missing >/dev/null
fi

work=$(mktemp -d /tmp/quorvale-deb-test.XXXXXX)
chmod 755 "$work"
home="$work/home"
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
# What this test installs: the package and the dependencies apt brings for it, taken from a
# dry run so that packages someone else installs meanwhile are never touched.
installed="$work/installed"
: >"$installed"
app=""
xvfb=""

cleanup() {
    status=$?
    set +e
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    added=""
    for package in $(sort -u "$installed"); do
        # Installed, or left half way (unpacked, half-configured ...) by a failed install.
        state=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
        [ -n "$state" ] && [ "$state" != not-installed ] && added="$added $package"
    done
    if [ -n "$added" ]; then
        echo "== purging what this test installed:$added"
        aptq purge -y $added >/dev/null 2>&1 || echo "could not purge:$added" >&2
    fi
    rm -rf "$work"
    [ "$status" = 0 ] && echo "PASSED" || echo "FAILED (exit $status)"
    exit "$status"
}
trap cleanup EXIT

# apt-get, waiting for the package database when another install holds it.
# Its chatter goes to a log, shown when it fails.
aptq() {
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -qq "$@" 2>"$work/apt.log" \
        || { cat "$work/apt.log" >&2; return 1; }
}
trap 'exit 130' INT TERM

# The installed program, run as a teacher would: from / with a home of its own and nothing
# from the build's environment.
run() {
    (cd / && exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run" \
        QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "$@")
}

say "installing with apt-get"
echo quorvale >>"$installed"
aptq install -s "$deb" | sed -n 's/^Inst \([^ ]*\) .*/\1/p' >>"$installed"
deps=$(($(sort -u "$installed" | wc -l) - 1))
[ "$deps" -gt 0 ] && echo "   with $deps dependencies from Debian"
aptq install -y "$deb" >/dev/null || fail "apt-get install $deb"
version=$(dpkg-query -W -f='${Version}' quorvale)
say "installed quorvale $version"

say "the installed files use nothing from the source or build folders"
for file in $(dpkg -L quorvale); do
    [ -f "$file" ] && [ ! -L "$file" ] || continue
    case $file in /usr/*) ;; *) fail "the package installs outside /usr: $file" ;; esac
    if grep -q -F -e "$source_dir" "$file"; then fail "$file names the build folder $source_dir"; fi
    if cmp -s -n 4 "$file" <(printf '\177ELF'); then
        if ldd "$file" | grepq "not found"; then ldd "$file"; fail "$file: a library is not found"; fi
    fi
done
# The modules' folder, as the package lays it out (/usr/lib/quorvale or the multiarch one).
modules_dir=$(dirname "$(dpkg -L quorvale | grep -m 1 '/libquorvale-results\.so$' || echo /none/x)")
case $modules_dir in /usr/lib/*quorvale) ;; *) fail "the package has no results module under /usr/lib" ;; esac
for module in quorvale-results quorvale-teacher quorvale-speech; do
    [ -s "$modules_dir/lib$module.so" ] || fail "lib$module.so is not installed in $modules_dir"
done
echo "   modules in $modules_dir"

say "quorvale --version, --help"
shown=$(run quorvale --version) || fail "quorvale --version"
echo "   $shown"
upstream=${version#*:}; upstream=${upstream%-*}
case $shown in *"$upstream"*) ;; *) fail "--version shows '$shown', the package is $version" ;; esac
run quorvale --help | grepq -- "--export-results" || fail "quorvale --help does not list --export-results"

say "quorvale-content check (the built-in banks)"
checked=$(run quorvale-content check 2>/dev/null) || fail "quorvale-content check"
banks=$(echo "$checked" | grep -c ": ok$" || true)
echo "   $banks banks ok"
[ "$banks" -ge 30 ] || fail "only $banks built-in banks checked ok"

say "quorvale-content worksheet similes --items 4"
run quorvale-content worksheet similes --items 4 --seed 7 -o "$work/similes.pdf" >/dev/null 2>&1 \
    || fail "the worksheet was not written"
run quorvale-content export similes "$work" >/dev/null 2>&1 || fail "quorvale-content export similes"
grep -o '"prompt": "[^"]*"' "$work/similes.json" | sed 's/^"prompt": "//; s/"$//' >"$work/prompts"
found=$(pdftotext "$work/similes.pdf" - | grep -c -x -F -f "$work/prompts" || true)
echo "   $found of 4 items found in the PDF's text"
[ "$found" -ge 1 ] || fail "pdftotext finds no item of the similes bank in the worksheet"

# A teacher's own things in the home folder: the class for new visits in Settings, and their
# own similes bank with a sentence of theirs.
data="$home/.local/share/Quorvale"
settings="$home/.config/Quorvale/Quorvale.ini"
mkdir -p "$data/content" "$(dirname "$settings")"
printf '[results]\nclassLabel=5B\n' >"$settings"
sed 's/"prompt": "[^"]*"/"prompt": "Our class tortoise Zebedee was as slow as"/' "$work/similes.json" >"$data/content/similes.json"
run quorvale-content check "$data/content/similes.json" >/dev/null 2>&1 || fail "the teacher's bank does not pass the checks"

say "driving the installed program on a virtual screen"
display=90
while [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=:$display
# As run does, written out so that $! is the program itself.
(cd / && exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
    DISPLAY="$DISPLAY" LANG=C.UTF-8 /usr/bin/quorvale >"$work/program.log" 2>&1) &
app=$!
timeout 20 xdotool search --sync --onlyvisible --pid "$app" >/dev/null 2>&1 \
    || { cat "$work/program.log"; fail "the installed program showed no window"; }
sleep 1.5
click() { xdotool mousemove "$1" "$2" click 1; sleep "$3"; }
# At 1280x1024: OK on the title screen, Year 5 Term 1, Similes, the first answer, Exit.
click 565 807 1
click 172 469 1
click 640 535 1.5
click 222 645 1
click 158 863 1
xdotool key ctrl+t
windows=0
for _ in $(seq 40); do
    windows=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)
    [ "$windows" -ge 2 ] && break
    sleep 0.25
done
kill -0 "$app" 2>/dev/null || { cat "$work/program.log"; fail "the installed program ended on its own"; }
[ "$windows" -ge 2 ] || fail "the teacher window did not open on Ctrl+T"
echo "   teacher window open ($windows windows shown)"
modules=$(grep -o '/[^ ]*quorvale[^ ]*\.so[^ ]*' /proc/$app/maps | sort -u)
echo "$modules" | sed 's/^/   loaded: /'
for module in quorvale-results quorvale-teacher; do
    echo "$modules" | grepq -x -F "$modules_dir/lib$module.so" || fail "$module was not loaded from $modules_dir"
done
if echo "$modules" | grep -v '^/usr/'; then fail "a module was loaded from outside /usr"; fi
kill "$app"; wait "$app" 2>/dev/null || true; app=""
kill "$xvfb"; wait "$xvfb" 2>/dev/null || true; xvfb=""

results=$(run quorvale --export-results -) || fail "quorvale --export-results -"
echo "$results" | sed 's/^/   /'
visits=$(echo "$results" | tail -n +2 | grep -c . || true)
[ "$visits" = 1 ] || fail "$visits visits kept, expected the one just made"
echo "$results" | tail -n 1 | grepq "^[^,]*,[^,]*,5B,[^,]*,similes," \
    || fail "the visit is not the similes visit in class 5B (the teacher's setting)"

say "upgrading to the next version"
checksums() { sha256sum "$settings" "$data/content/similes.json"; }
kept_before=$(checksums)
repack="$work/next"
dpkg-deb -R "$deb" "$repack"
next="$version+1"
sed -i "s/^Version: .*/Version: $next/" "$repack/DEBIAN/control"
dpkg-deb --root-owner-group -b "$repack" "$work/quorvale_next.deb" >/dev/null
aptq install -y "$work/quorvale_next.deb" >/dev/null || fail "installing $next over $version"
now=$(dpkg-query -W -f='${Version}' quorvale)
echo "   $version -> $now"
[ "$now" = "$next" ] || fail "the installed version is $now, not $next"
[ "$(run quorvale --export-results -)" = "$results" ] || fail "the results changed across the upgrade"
[ "$(checksums)" = "$kept_before" ] || fail "the settings or the teacher's bank changed across the upgrade"
run quorvale-content dump --human similes 2>/dev/null | grepq "read from your file $data/content/similes.json" \
    || fail "after the upgrade the program does not use the teacher's similes bank"
echo "   results, settings and the teacher's bank kept"

say "removing and purging"
dpkg -L quorvale | grep -v -x "/\." | sort -r >"$work/files"
listed=$(wc -l <"$work/files")
aptq remove -y quorvale >/dev/null || fail "apt-get remove quorvale"
# A package with no configuration files is gone whole after removal; purge what is left.
if dpkg-query -W -f='${Status}' quorvale 2>/dev/null | grepq "config-files"; then
    aptq purge -y quorvale >/dev/null || fail "apt-get purge quorvale"
fi
state=$(dpkg-query -W -f='${db:Status-Status}' quorvale 2>/dev/null || true)
[ -z "$state" ] || [ "$state" = not-installed ] || fail "quorvale is still known to dpkg ($state)"
left=0
while read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        # A folder may stay only when another package owns it too (/usr/bin, /usr/share/man/man1 ...).
        dpkg -S "$path" >/dev/null 2>&1 || { echo "   left behind: $path/"; left=$((left + 1)); }
    elif [ -e "$path" ] || [ -L "$path" ]; then
        echo "   left behind: $path"; left=$((left + 1))
    fi
done <"$work/files"
echo "   $listed paths listed by the package, $left left behind"
[ "$left" = 0 ] || fail "files of the package remain after purging"
for kept in "$settings" "$data/content/similes.json" "$data/results.sqlite"; do
    [ -s "$kept" ] || fail "the teacher's $kept went with the package"
done
echo "   the home folder's results, bank and settings stay"
