#!/bin/sh
# Cross-builds zlib, libpng and expat for MinGW-w64 from Debian's source packages into a cache
# folder. Usage: build-mingw-deps.sh PREFIX   (does nothing when PREFIX already holds them)
set -e
prefix=$1

# expat (XML) for MinGW: a static library from Debian's source package, pinned by version and
# SHA-256, built on its own so that a cache holding the other libraries gets it too.
expat_version=2.5.0-1+deb12u2
expat_dsc_sha256=6fc87dbd01f49999ed368cfb37c08d35e41348dda2281d60642f3aa14cb77e32
expat_orig_sha256=ab00ee05c7067fd10a35c5d2a4922ebba746ddd50ff83b79c828da17bbdf1757
build_expat() {
  expat_toolchain="$(cd "$(dirname "$0")" && pwd)/../cmake/mingw-w64.cmake"
  expat_work="$prefix/src-expat"
  rm -rf "$expat_work" && mkdir -p "$expat_work" && cd "$expat_work"
  apt-get source -q --download-only "expat=$expat_version" >/dev/null 2>&1
  printf '%s  %s\n%s  %s\n' "$expat_dsc_sha256" "expat_$expat_version.dsc" \
    "$expat_orig_sha256" expat_2.5.0.orig.tar.gz | sha256sum -c --quiet
  dpkg-source -x --skip-patches "expat_$expat_version.dsc" expat >/dev/null 2>&1
  expat_src=$(dirname "$(find "$expat_work/expat" -name CMakeLists.txt -path '*expat/CMakeLists.txt' | head -1)")
  cmake -S "$expat_src" -B "$expat_work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$expat_toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
    -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
    -DEXPAT_BUILD_PKGCONFIG=OFF >/dev/null 2>&1
  cmake --build "$expat_work/build" --target install >/dev/null
  rm -rf "$expat_work"
  echo "expat for MinGW is in $prefix"
}
if [ ! -f "$prefix/lib/libexpat.a" ]; then (build_expat); fi
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
