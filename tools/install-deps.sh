#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need; quick when all are there.
set -e
packages="build-essential cmake ninja-build pkg-config googletest libgtest-dev libgmock-dev
 libbenchmark-dev qt6-base-dev libcurl4-openssl-dev libpng-dev zlib1g-dev libpcre2-dev
 libmicrohttpd-dev
 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
 mingw-w64-x86-64-dev wine wine64 xvfb xauth fonts-liberation fonts-wine imagemagick
 clang libclang-rt-14-dev xdotool x11-utils libx11-dev libxcb1-dev libxcb-xfixes0-dev python3
 dpkg-dev clang-format chromium"
# The packages: makensis for the setup program, zip, lintian and man for checking the .deb.
packages="$packages nsis zip lintian man-db"
# The device kinds: expat (XML) and nlohmann-json (header only) for the readers, paramiko for the
# fake SSH devices of the tests.
packages="$packages libexpat1-dev nlohmann-json3-dev python3-paramiko"
# The command-line kinds' SSH client.
packages="$packages libssh2-1-dev"
# Prometheus and promtool: a test scrapes the headless program with a Prometheus of its own on
# loopback (the package's system service, which Debian enables, is not used).
packages="$packages prometheus"
# libmosquitto for the MQTT publisher; the broker and its clients for the tests, which start
# their own (the package's system service is not used), with openssl making its certificates.
packages="$packages libmosquitto-dev mosquitto mosquitto-clients openssl"
# faketime: a test runs the headless program with its clock past 2038.
packages="$packages faketime"
# Node and npm install the report's chart library and the browser test's driver (package.json).
command -v npm >/dev/null 2>&1 || packages="$packages nodejs npm"
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

# One query for all of them: a ready machine makes no apt call and no download.
installed=" $(dpkg-query -W -f='${Package} ${Status}\n' $packages 2>/dev/null |
  awk '/ install ok installed$/ {printf "%s ", $1}')"
missing=""
for p in $packages; do
  case "$installed" in *" $p "*) ;; *) missing="$missing $p" ;; esac
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  [ -n "$updated" ] || $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends $missing
fi

# The npm packages of package-lock.json, again whenever the lock file changes. No install scripts
# run, and playwright-core never downloads a browser: the tests use Debian's chromium.
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/node_modules/.package-lock.json" ] ||
   [ "$root/package-lock.json" -nt "$root/node_modules/.package-lock.json" ]; then
  (cd "$root" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund)
fi
