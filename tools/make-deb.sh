#!/bin/sh
# Builds the Debian package from the Linux build: make-deb.sh BUILD_DIR VERSION OUT.deb
set -eu
build=$(cd "$1" && pwd)
version=$2
out=$3
source=$(cd "$(dirname "$0")/.." && pwd)
work=$build/deb
root=$work/debian/verdalin
umask 022
rm -rf "$work"
mkdir -p "$root/DEBIAN" "$(dirname "$out")"

# An installation under /usr, the program stripped as Debian strips its packages' programs;
# the manual page and the long documents compressed.
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
programs="$root/usr/bin/verdalin $root/usr/lib/verdalin/verdalin-headless"
strip --remove-section=.comment --remove-section=.note --strip-unneeded $programs
doc=$root/usr/share/doc/verdalin
gzip -9n "$root/usr/share/man/man1/verdalin.1" "$doc/README.md" "$doc/THIRD-PARTY-NOTICES"
python3 "$source/tools/gen-notices.py" copyright "$doc/copyright"

# The changelog of a native package, dated SOURCE_DATE_EPOCH or else the last commit.
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || date +%s)}
cat >"$work/debian/changelog" <<EOF
verdalin ($version) unstable; urgency=medium

  * Release $version.

 -- The Verdalin developers <dev@verdal.in>  $(date -R -u -d "@$stamp")
EOF
gzip -9nc "$work/debian/changelog" >"$doc/changelog.gz"

# The dependencies come from the libraries the program links, Installed-Size from the tree.
cp "$source/packaging/debian/control" "$work/debian/control"
(cd "$work" && dpkg-shlibdeps -Tdebian/substvars debian/verdalin/usr/bin/verdalin \
  debian/verdalin/usr/lib/verdalin/verdalin-headless)
(cd "$work" && dpkg-gencontrol -pverdalin -Pdebian/verdalin -Tdebian/substvars)
(cd "$root" && find usr -type f -exec md5sum {} + | sort -k 2) >"$root/DEBIAN/md5sums"
SOURCE_DATE_EPOCH=$stamp dpkg-deb --root-owner-group -Zxz --build "$root" "$out" >/dev/null
echo "Wrote $out"
