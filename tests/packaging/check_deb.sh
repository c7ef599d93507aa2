#!/usr/bin/env bash
# Builds the .deb from the given build tree, unpacks it into a scratch root and
# checks that the installed files are in place and quillet-cli runs from there.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb -x "$deb" "$scratch/root"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libgif7 libpng16-16 libimagequant0; do
    grep -q "$package" <<<"$depends" || { echo "Depends lacks $package: $depends"; exit 1; }
done
for file in usr/bin/quillet usr/bin/quillet-cli \
            usr/share/applications/org.quillet.Quillet.desktop \
            usr/share/metainfo/org.quillet.Quillet.metainfo.xml \
            usr/share/icons/hicolor/48x48/apps/quillet.png; do
    [ -e "$scratch/root/$file" ] || { echo "missing from the package: $file"; exit 1; }
done
version=$("$scratch/root/usr/bin/quillet-cli" --version)
[ "$version" = "quillet-cli 2.1.0" ] || { echo "unexpected version line: $version"; exit 1; }
echo "package ok: $(basename "$deb")"
