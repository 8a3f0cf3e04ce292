#!/bin/sh
# Sets up, builds and then starts Quorvale (./quorvale.sh run), runs every test
# (./quorvale.sh test), or runs the hardening checks (./quorvale.sh harden: every test again
# under AddressSanitizer and UndefinedBehaviorSanitizer, the monkey included, then the
# metafile reader's fuzz target for a minute) on Debian 12. Installs any missing Debian
# packages first, as root or through sudo.
set -eu
cd "$(dirname "$0")"
mode="${1:-run}"

packages="cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libqt6sql6-sqlite qt6-charts-dev libqt6opengl6-dev libgl-dev flite1-dev fonts-liberation fonts-wine appstream poppler-utils pulseaudio pulseaudio-utils"
[ "$mode" = harden ] && packages="$packages clang libclang-rt-14-dev"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
fi

case "$mode" in
    run|test)
        cmake --preset default >/dev/null
        cmake --build --preset default -j "$(nproc)"
        ;;
esac

case "$mode" in
    run) exec ./build/quorvale ;;
    test) QT_QPA_PLATFORM=offscreen ctest --preset default -j "$(nproc)" ;;
    harden)
        cmake --preset asan >/dev/null
        cmake --build --preset asan -j "$(nproc)"
        ctest --preset asan -j "$(nproc)"
        cmake --preset fuzz >/dev/null
        cmake --build --preset fuzz -j "$(nproc)" --target fuzz_wmf
        # New inputs go to a scratch folder, so the committed seeds stay as they are.
        found="$(mktemp -d)"
        trap 'rm -rf "$found"' EXIT
        ./build-fuzz/fuzz/fuzz_wmf -max_total_time="${QUORVALE_FUZZ_SECONDS:-60}" -max_len=4096 \
            -dict=fuzz/wmf.dict -print_final_stats=1 "$found" fuzz/corpus
        ;;
    *) echo "usage: $0 [run|test|harden]" >&2; exit 2 ;;
esac
