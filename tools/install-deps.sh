#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need; quick when all are there.
set -e
packages="build-essential cmake ninja-build pkg-config googletest libgtest-dev libgmock-dev
 libbenchmark-dev qt6-base-dev libcurl4-openssl-dev libpng-dev zlib1g-dev libpcre2-dev
 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
 mingw-w64-x86-64-dev wine wine64 xvfb xauth fonts-liberation fonts-wine imagemagick
 clang libclang-rt-14-dev xdotool x11-utils libx11-dev libxcb1-dev libxcb-xfixes0-dev python3
 dpkg-dev clang-format"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
updated=""

# zlib and libpng for MinGW are cross-built from Debian's source packages (bookworm main only:
# the security suite's sources answer 404), which need a deb-src entry.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
    $sudo tee /etc/apt/sources.list.d/verdalin-deb-src.sources >/dev/null
  $sudo apt-get update -q
  updated=yes
fi

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
[ -n "$updated" ] || $sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends $missing
