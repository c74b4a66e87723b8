#!/usr/bin/env bash
# Builds the release programs of both architectures from scratch (build/release-win64,
# build/release-win32) and writes dist/:
#   Quillon-VERSION-windows.zip  the launcher, both builds, MacBookPro.dat, README.txt and
#                                LICENSE.txt; programs stripped
#   Quillon-VERSION-setup.exe    the installer (32-bit, runs on either Windows)
#   Quillon-VERSION-debug.zip    the programs' debug files, for tools/symbolize (not shipped)
# The version is the VERSION file's.
set -euo pipefail
cd "$(dirname "$0")/../.."

version=$(head -n1 VERSION)
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "VERSION must hold MAJOR.MINOR.PATCH" >&2; exit 1; }
command -v makensis >/dev/null || { echo "makensis is missing: run make deps" >&2; exit 1; }

# MacBookPro.dat is made from its JSON source by quillon-config, which a cross build cannot run:
# the build machine's own tool makes it.
echo "=== native: quillon-config"
cmake --preset native >build/native-config.log 2>&1 || { cat build/native-config.log; exit 1; }
rm -f build/native-config.log
cmake --build --preset native --target quillon-config
host_tool="$PWD/build/native/tools/config/quillon-config"

for preset in release-win64 release-win32; do
    echo "=== $preset: clean configure and build"
    rm -rf "build/$preset"
    cmake --preset "$preset" -DQUILLON_HOST_CONFIG_TOOL="$host_tool" >"build/$preset.log" 2>&1 ||
        { cat "build/$preset.log"; exit 1; }
    rm -f "build/$preset.log"
    cmake --build --preset "$preset"
done
cmake --build build/release-win64 --target macbookpro_dat

stage=build/package/Quillon-$version
debug=build/package/Quillon-$version-debug
rm -rf build/package dist/Quillon-"$version"-*
mkdir -p "$stage" "$debug" dist
cp build/release-win32/launcher/Quillon.exe build/release-win64/app/Quillon.x64.exe \
    build/release-win32/app/Quillon.x86.exe "$stage/"
cp build/release-win32/launcher/Quillon.exe.debug build/release-win64/app/Quillon.x64.exe.debug \
    build/release-win32/app/Quillon.x86.exe.debug "$debug/"
cp build/release-win64/app/MacBookPro.dat "$stage/"
# Text files for Notepad: CRLF line ends.
sed "s/@VERSION@/$version/g; s/\$/\r/" package/README.txt >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"

# Fixed times and order: the same build gives the same zip.
touch -d "@$(git log -1 --format=%ct 2>/dev/null || echo 0)" "$stage"/* "$debug"/*
(cd "$stage" && LC_ALL=C ls | zip -X -q -D "$OLDPWD/dist/Quillon-$version-windows.zip" -@)
(cd "$debug" && LC_ALL=C ls | zip -X -q -D "$OLDPWD/dist/Quillon-$version-debug.zip" -@)

echo "=== installer"
makensis -V2 -DVERSION="$version" -DSTAGE="$PWD/$stage" -DICON="$PWD/widgets/win32/Quillon.ico" \
    -DOUTFILE="$PWD/dist/Quillon-$version-setup.exe" package/Quillon.nsi

echo
echo "Written:"
ls -l dist/Quillon-"$version"-* | sed 's/^/  /'
