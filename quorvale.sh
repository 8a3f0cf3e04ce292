#!/bin/sh
# Sets up, builds and then starts Quorvale (./quorvale.sh run) or runs every test
# (./quorvale.sh test) on Debian 12. Installs any missing Debian packages first, as root
# or through sudo.
set -eu
cd "$(dirname "$0")"

packages="cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgl-dev fonts-liberation fonts-wine appstream"
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

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

case "${1:-run}" in
    run) exec ./build/quorvale ;;
    test) QT_QPA_PLATFORM=offscreen ctest --preset default -j "$(nproc)" ;;
    *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
