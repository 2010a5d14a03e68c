#!/bin/sh
# Takes cpp-httplib's header-only form (httplib.h and its licence) from Debian's source package,
# with Debian's patches, into a cache folder; both builds compile the metrics endpoint with it.
# Usage: fetch-httplib.sh DIR   (does nothing when DIR already holds httplib.h)
set -e
mkdir -p "$1"
dir=$(cd "$1" && pwd)
[ -f "$dir/httplib.h" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
apt-get source -q --download-only cpp-httplib/bookworm >/dev/null 2>&1
dpkg-source -x cpp-httplib_*.dsc source >/dev/null 2>&1
mkdir -p "$dir"
cp source/httplib.h source/LICENSE "$dir/"
echo "cpp-httplib's header is in $dir"
