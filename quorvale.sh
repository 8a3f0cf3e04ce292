#!/bin/sh
# Sets up, builds and then starts Quorvale (./quorvale.sh run), runs every test
# (./quorvale.sh test), or runs the hardening checks (./quorvale.sh harden: every test again
# under AddressSanitizer and UndefinedBehaviorSanitizer, the monkey included, then the
# metafile reader's fuzz target for a minute), or builds the Debian package
# (./quorvale.sh package: build-deb/quorvale_VERSION_ARCH.deb, checked, lintian included) on
# Debian 12. Installs any missing Debian packages first, as root or through sudo.
set -eu
cd "$(dirname "$0")"
mode="${1:-run}"

packages="cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libqt6sql6-sqlite libqt6sql6-psql postgresql qt6-charts-dev libqt6opengl6-dev libgl-dev flite1-dev fonts-liberation fonts-wine appstream poppler-utils pulseaudio pulseaudio-utils"
# The package's icons and manual pages, and what builds and checks the package (its test runs
# with the others).
packages="$packages librsvg2-bin help2man dpkg-dev file lintian"
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
    package)
        # A Release build of its own, installed under /usr (modules in /usr/lib/<multiarch>/quorvale),
        # built with Debian's hardening flags and without the tests.
        cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
            -DBUILD_TESTING=OFF \
            -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
            -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
            -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
            -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
        cmake --build build-deb -j "$(nproc)"
        rm -f build-deb/quorvale_*.deb
        (cd build-deb && cpack -G DEB)
        sh packaging/check-package.sh build-deb build-deb/quorvale_*.deb
        ;;
    *) echo "usage: $0 [run|test|harden|package]" >&2; exit 2 ;;
esac
