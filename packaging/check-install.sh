#!/bin/sh
# Usage: check-install.sh BUILD_DIR APP_ID
# Installs the build into a scratch prefix, checks that the program, its content tool, the
# class results' and the teacher window's modules, the desktop entry, the icon and the
# metainfo are all installed and agree with each other, and validates the metainfo with
# appstreamcli. Exits 77 (skipped) only when appstreamcli is missing and everything else
# passed.
set -eu
build=$1
id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
for file in bin/quorvale bin/quorvale-content \
            "share/applications/$id.desktop" \
            "share/icons/hicolor/scalable/apps/$id.svg" \
            "share/metainfo/$id.metainfo.xml"; do
    if [ ! -s "$prefix/$file" ]; then
        echo "not installed: $file"
        status=1
    fi
done
# The modules (the class results, the teacher window, read-aloud), where the installed program looks
# for them: ../lib/quorvale.
for module in quorvale-results quorvale-teacher quorvale-speech; do
    if ! ls "$prefix"/lib/quorvale/*"$module".so >/dev/null 2>&1; then
        echo "not installed: lib/quorvale/lib$module.so"
        status=1
    fi
done
for program in bin/quorvale bin/quorvale-content; do
    [ -x "$prefix/$program" ] || { echo "not executable: $program"; status=1; }
done

desktop="$prefix/share/applications/$id.desktop"
if [ -f "$desktop" ]; then
    grep -qx "Exec=quorvale" "$desktop" || { echo "the desktop entry does not start quorvale"; status=1; }
    grep -qx "Icon=$id" "$desktop" || { echo "the desktop entry does not name the icon $id"; status=1; }
fi
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
if [ -f "$metainfo" ]; then
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
        || { echo "the metainfo does not launch $id.desktop"; status=1; }
    if grep -q "@PROJECT_VERSION@" "$metainfo"; then
        echo "the metainfo's version was not filled in"
        status=1
    fi
fi
[ "$status" = 0 ] || exit "$status"

if ! command -v appstreamcli >/dev/null 2>&1; then
    echo "appstreamcli is not installed: the metainfo was not validated"
    exit 77
fi
appstreamcli validate --no-net --pedantic "$metainfo"
