#!/bin/sh
# Usage: check-package.sh BUILD_DIR [PACKAGE.deb]
# Checks the Debian package of BUILD_DIR (made here with CPack into a scratch folder when no
# package is given): every file the program needs is in it and nothing else (no test or bench
# program, nothing under the build folder, no run path into it), its control fields (name,
# the CMake version, the dependencies shlibdeps cannot see), both programs print that version,
# and lintian finds no error. Exits 77 (skipped) when dpkg-deb, cpack or lintian is missing.
set -eu
build=$(cd "$1" && pwd)
deb=${2:-}
for tool in dpkg-deb lintian cpack; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: the package was not checked"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
id=org.example.quorvale
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

if [ -z "$deb" ]; then
    # Packs what is built as it is: running the tree's install script rather than naming the
    # project keeps CPack from building the tree (another build may be using it).
    # Stripped and under /usr, as CPack installs a project it builds itself.
    printf 'set(CMAKE_INSTALL_DO_STRIP 1)\ninclude("%s/cmake_install.cmake")\n' "$build" >"$scratch/install.cmake"
    (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" \
        -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALL_SCRIPTS=$scratch/install.cmake" \
        -D CPACK_SET_DESTDIR=ON -D CPACK_INSTALL_PREFIX=/usr >"$scratch/cpack.log" 2>&1) \
        || { cat "$scratch/cpack.log"; exit 1; }
    deb=$(ls "$scratch"/out/*.deb)
fi
[ "$(basename "$deb")" = "quorvale_${version}_$(dpkg --print-architecture).deb" ] \
    || { echo "unexpected package name: $deb"; exit 1; }

status=0
problem() { echo "$*"; status=1; }

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$scratch/contents"
libdir=$(grep -o '^usr/lib/\([a-z0-9_-]*/\)\?quorvale/$' "$scratch/contents" | head -n 1)
[ -n "$libdir" ] || problem "no module folder (usr/lib/[multiarch/]quorvale) in the package"
for file in usr/bin/quorvale usr/bin/quorvale-content \
            "${libdir}libquorvale-results.so" "${libdir}libquorvale-teacher.so" "${libdir}libquorvale-speech.so" \
            "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
            "usr/share/icons/hicolor/scalable/apps/$id.svg" \
            usr/share/doc/quorvale/copyright usr/share/doc/quorvale/LICENSE usr/share/doc/quorvale/changelog.gz \
            usr/share/man/man1/quorvale.1.gz usr/share/man/man1/quorvale-content.1.gz; do
    grep -qx "$file" "$scratch/contents" || problem "not in the package: $file"
done
for size in 16 22 24 32 48 64 128 256; do
    grep -qx "usr/share/icons/hicolor/${size}x$size/apps/$id.png" "$scratch/contents" \
        || problem "not in the package: the ${size}x$size icon"
done
grep -v '^usr/\(bin\|lib\|share\)/\|^usr/$' "$scratch/contents" && problem "files outside /usr/bin, /usr/lib and /usr/share"
grep -E 'tst_|bench|fuzz|/build|\.a$|CMake|\.so\.' "$scratch/contents" && problem "test, bench or build files in the package"

dpkg-deb -x "$deb" "$scratch/root"
for elf in usr/bin/quorvale usr/bin/quorvale-content "${libdir}"*.so; do
    [ -f "$scratch/root/$elf" ] || continue
    readelf -d "$scratch/root/$elf" | grep -E 'RPATH|RUNPATH' && problem "$elf has a run path"
    file -b "$scratch/root/$elf" | grep -q 'not stripped' && problem "$elf is not stripped"
    grep -q "$build" "$scratch/root/$elf" && problem "$elf names the build folder $build"
done
# The program looks for its modules relative to itself: that place must be the package's.
# (its text is kept in UTF-16).
modules=${libdir#usr/}
strings -el "$scratch/root/usr/bin/quorvale" | grep -qx "/\.\./${modules}" \
    || problem "the program does not look for its modules in /$libdir"
for program in quorvale quorvale-content; do
    printed=$(QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/$program" --version 2>&1) || true
    [ "$printed" = "$program $version" ] || problem "$program --version printed '$printed', not '$program $version'"
    zcat "$scratch/root/usr/share/man/man1/$program.1.gz" 2>/dev/null | grep -qi "^\.TH \"\?${program}\"\? " \
        || problem "the manual page of $program is not one"
done

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quorvale ] || problem "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || problem "Version $(field Version), not the project's $version"
[ "$(field Section)" = education ] || problem "Section: $(field Section)"
depends=$(field Depends)
for needed in libqt6sql6-sqlite libqt6multimedia6 libflite1 libqt6widgets6 libc6; do
    echo "$depends" | grep -Eq "(^|, )$needed( |,|$)" || problem "Depends lacks $needed: $depends"
done

[ "$(field Recommends)" = libqt6sql6-psql ] || problem "Recommends: $(field Recommends), not libqt6sql6-psql"

lintian --tag-display-limit 0 "$deb" >"$scratch/lintian" 2>&1 || true
cat "$scratch/lintian"
grep -q '^E: ' "$scratch/lintian" && problem "lintian found errors"
[ "$status" = 0 ] && echo "package checked: $deb"
exit "$status"
