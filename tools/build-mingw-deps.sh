#!/bin/sh
# Cross-builds the Windows build's libraries (zlib, libpng, libmicrohttpd, expat, GoogleTest,
# libssh2, libmosquitto) with MinGW-w64 from pinned Debian source packages, into a cache folder
# outside the sources.
# Usage: build-mingw-deps.sh CACHE   installs into CACHE/mingw; does nothing when that already
# holds the pinned versions, and needs no network once CACHE/sources holds their files.
set -e
cache=$1
[ -n "$cache" ] || { echo "usage: build-mingw-deps.sh CACHE" >&2; exit 2; }
prefix="$cache/mingw"
sources="$cache/sources"
here=$(cd "$(dirname "$0")" && pwd)
toolchain="$here/../cmake/mingw-w64.cmake"

# package, version, SHA-256 of its .dsc, its original tarball and that tarball's SHA-256. The .dsc
# lists the checksums of the package's other files, which dpkg-source checks when unpacking.
pins="zlib 1:1.2.13.dfsg-1 3fa1e6b2fc525062aa88207dda52fed8e045373c809d362fe8a2bfbf7cf515a8
 zlib_1.2.13.dfsg.orig.tar.bz2 71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1
libpng1.6 1.6.39-2+deb12u5 7b86211030a34deb6b0a2cd7e1d9db0fe92443fd30cab537fb89b1e7f7c9f188
 libpng1.6_1.6.39.orig.tar.gz a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441
libmicrohttpd 0.9.75-6 c0f8a9cd77c41285d2d48fc68bbee2e460a55042fcd5d3f6b9946c017d4b6846
 libmicrohttpd_0.9.75.orig.tar.xz 796e7e217a4802679fcac667a4e98501c53185dcf50ca0583870e84192620131
expat 2.5.0-1+deb12u2 6fc87dbd01f49999ed368cfb37c08d35e41348dda2281d60642f3aa14cb77e32
 expat_2.5.0.orig.tar.gz ab00ee05c7067fd10a35c5d2a4922ebba746ddd50ff83b79c828da17bbdf1757
googletest 1.12.1-0.2 cc90251040c145be18d5090787d9ec79e48217c6cef3ae78eb20f0e31551404c
 googletest_1.12.1.orig.tar.gz 81964fe578e9bd7c94dfdb09c8e4d6e6759e19967e397dbea48d1c10e45d0df2"
# What the prefix was built from: the pins and the build steps' revision (raise it when they change).
recipe=3
stamp=$(printf '%s\nrecipe %s\n' "$pins" "$recipe" | sha256sum | cut -d' ' -f1)
# libssh2 and libmosquitto have pins and stamps of their own, so that adding them left the others'
# stamp as it was: a prefix built without them gains them without the others being built again.
mosquitto_pins="mosquitto 2.0.11-1.2+deb12u2 77afb2d38230b37b085ff7b363a71669951044460e28731e958c0b94019e9263
 mosquitto_2.0.11.orig.tar.gz 7b36a7198bce85cf31b132f5c6ee36dcf5dadf86fb768501eb1e11ce95d4f78a"
mosquitto_stamp=$(printf '%s\nrecipe 1\n' "$mosquitto_pins" | sha256sum | cut -d' ' -f1)
ssh2_pin="libssh2 1.10.0-3 a0fe68f402a2f44dd6bd2219457fb8677b2149a83e7b009e93ff0635de940766
 libssh2_1.10.0.orig.tar.gz 2d64e90f3ded394b91d3a2e774ca203a4179f69aebee03003e5a6fa621e41d51"
ssh2_stamp=$(printf '%s\nrecipe 1\n' "$ssh2_pin" | sha256sum | cut -d' ' -f1)
built() { [ "$(cat "$prefix/built-from" 2>/dev/null)" = "$stamp" ]; }
mosquitto_built() { [ "$(cat "$prefix/built-from-mosquitto" 2>/dev/null)" = "$mosquitto_stamp" ]; }
ssh2_built() { [ "$(cat "$prefix/built-from-libssh2" 2>/dev/null)" = "$ssh2_stamp" ]; }
built && mosquitto_built && ssh2_built && exit 0

mkdir -p "$sources"
# One build at a time, whichever worktree or build folder asks.
exec 9>"$cache/.lock"
flock 9
built && mosquitto_built && ssh2_built && exit 0

verified() {  # verified FILE SHA256
  [ -f "$sources/$1" ] && echo "$2  $sources/$1" | sha256sum -c --status
}

# fetch PACKAGE VERSION DSC_SHA256 ORIG ORIG_SHA256: the package's files into the cache, through
# the deb-src entry that tools/install-deps.sh adds, unless they are there already.
fetch() {
  dsc="$1_${2#*:}.dsc"
  verified "$dsc" "$3" && verified "$4" "$5" && return 0
  (cd "$sources" && apt-get source -q --download-only "$1=$2" >/dev/null 2>&1) || {
    echo "build-mingw-deps: cannot fetch the source package $1 $2 (no network, or the pin in" \
      "$0 is older than the archive's version)" >&2
    exit 1
  }
  verified "$dsc" "$3" && verified "$4" "$5" && return 0
  echo "build-mingw-deps: $dsc or $4 does not match its pinned SHA-256" >&2
  rm -f "$sources/$dsc" "$sources/$4"
  exit 1
}

work=$(mktemp -d "$cache/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
unpack() {  # unpack PINS: each package's source, its Debian patches applied, into $work
  printf '%s\n' "$1" | paste -d' ' - - | while read -r package version dsc_sum orig orig_sum; do
    fetch "$package" "$version" "$dsc_sum" "$orig" "$orig_sum"
    # zlib's Debian patches only change its own build system; the others carry fixes.
    skip=""
    [ "$package" = zlib ] && skip=--skip-patches
    dpkg-source -x $skip "$sources/${package}_${version#*:}.dsc" "$work/$package" >/dev/null 2>&1
  done
}

cmake_build() {  # cmake_build NAME SOURCE_DIR TARGET EXTRA_CMAKE_ARGS...
  name=$1 src=$2 target=$3
  shift 3
  cmake -S "$src" -B "$work/build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/x86_64-w64-mingw32" "$@" >"$work/$name.log" 2>&1 &&
    cmake --build "$work/build-$name" -j2 --target "$target" >>"$work/$name.log" 2>&1 || {
    cat "$work/$name.log" >&2
    exit 1
  }
}

build_mosquitto() {
  # libmosquitto: the static library only, without threads of its own (one thread of the program
  # runs it) and without TLS (it supports only OpenSSL, which would cost the build much more).
  unpack "$mosquitto_pins"
  cmake_build mosquitto "$work/mosquitto" libmosquitto_static -DWITH_STATIC_LIBRARIES=ON \
    -DWITH_TLS=OFF -DWITH_TLS_PSK=OFF -DWITH_THREADING=OFF -DWITH_CLIENTS=OFF -DWITH_BROKER=OFF \
    -DWITH_APPS=OFF -DWITH_PLUGINS=OFF -DDOCUMENTATION=OFF -DWITH_LIB_CPP=OFF -DWITH_CJSON=OFF \
    -DWITH_SOCKS=OFF -DWITH_UNIX_SOCKETS=OFF
  cp "$work/build-mosquitto/lib/libmosquitto_static.a" "$prefix/lib/libmosquitto.a"
  cp "$work/mosquitto/include/mosquitto.h" "$work/mosquitto/include/mqtt_protocol.h" \
    "$prefix/include/"
  echo "$mosquitto_stamp" >"$prefix/built-from-mosquitto"
  echo "libmosquitto for MinGW is in $prefix"
}
# libssh2: static, with Windows' own cryptography (WinCNG), no OpenSSL.
build_libssh2() {
  unpack "$ssh2_pin"
  cmake_build libssh2 "$work/libssh2" install -DCRYPTO_BACKEND=WinCNG -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_ZLIB_COMPRESSION=OFF
  echo "$ssh2_stamp" >"$prefix/built-from-libssh2"
}

# The libraries stamped apart that the prefix lacks.
build_apart() {
  ssh2_built || build_libssh2
  mosquitto_built || build_mosquitto
}
if built; then
  build_apart
  exit 0
fi
unpack "$pins"
rm -rf "$prefix"
mkdir -p "$prefix/lib" "$prefix/include"

# zlib: the static library only (Debian's source lacks the DLL's resource file).
cmake_build zlib "$work/zlib" zlibstatic
cp "$work/build-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
cp "$work/zlib/zlib.h" "$work/build-zlib/zconf.h" "$prefix/include/"
cmake_build libpng "$work/libpng1.6" install -DPNG_SHARED=OFF -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
cmake_build googletest "$work/googletest" install -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
# expat: the static library only, for the XML answers of the devices. The source package keeps
# the library in a folder of its own, and its security fixes test `XML_DTD == 1`, which the CMake
# build's configuration header defines empty: give it the value.
sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$work/expat/expat/expat_config.h.cmake"
cmake_build expat "$work/expat/expat" install -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
  -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
  -DEXPAT_BUILD_PKGCONFIG=OFF

# libmicrohttpd: static, plain HTTP, without the parts the endpoint does not use.
(cd "$work/libmicrohttpd" &&
  ./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix --prefix="$prefix" \
    --disable-shared --enable-static --disable-https --disable-doc --disable-examples \
    --disable-curl --disable-nls --disable-postprocessor --disable-dauth --disable-bauth \
    --disable-httpupgrade >"$work/mhd.log" 2>&1 &&
  make -j2 -C src/microhttpd install >>"$work/mhd.log" 2>&1 &&
  make -C src/include install >>"$work/mhd.log" 2>&1) || {
  cat "$work/mhd.log" >&2
  exit 1
}

echo "$stamp" >"$prefix/built-from"
echo "zlib, libpng, libmicrohttpd, expat and GoogleTest for MinGW are in $prefix"
build_apart
