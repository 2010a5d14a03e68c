#!/bin/sh
# Cross-builds zlib and libpng for MinGW-w64 from Debian's source packages into a cache folder.
# Usage: build-mingw-deps.sh PREFIX   (does nothing when PREFIX already holds both)
set -e
prefix=$1
[ -f "$prefix/lib/libpng.a" ] && [ -f "$prefix/lib/libz.a" ] && exit 0
here=$(cd "$(dirname "$0")" && pwd)
toolchain="$here/../cmake/mingw-w64.cmake"

# Debian's source packages come through the deb-src entry that tools/install-deps.sh adds.
work="$prefix/src"
rm -rf "$work" && mkdir -p "$work"
cd "$work"
apt-get source -q --download-only zlib/bookworm libpng1.6/bookworm >/dev/null 2>&1
for dsc in zlib_*.dsc libpng1.6_*.dsc; do dpkg-source -x --skip-patches "$dsc" >/dev/null; done

build() {  # build SOURCE_DIR EXTRA_CMAKE_ARGS...
  src=$1; shift
  cmake -S "$src" -B "$work/build-$(basename "$src")" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/x86_64-w64-mingw32" "$@" >/dev/null 2>&1
  cmake --build "$work/build-$(basename "$src")" --target install >/dev/null
}
# zlib: the static library only (Debian's source lacks the DLL's resource file).
zsrc=$(ls -d "$work"/zlib-*/ | head -1)
cmake -S "$zsrc" -B "$work/build-zlib" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null 2>&1
cmake --build "$work/build-zlib" --target zlibstatic >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp "$work/build-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
cp "$zsrc/zlib.h" "$work/build-zlib/zconf.h" "$prefix/include/"
build "$(ls -d "$work"/libpng1.6-*/ | head -1)" -DPNG_SHARED=OFF -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
rm -rf "$work"
echo "zlib and libpng for MinGW are in $prefix"
