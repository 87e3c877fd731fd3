#!/usr/bin/env bash
# Installs the build into temporary roots as `cmake --install` does (/usr/local) and as
# its Debian package does (/usr); each installed gravity-trace must give the build's
# records for an installed example.   install_test.sh BUILD-DIR SOURCE-DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3 root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root/tree" cmake --install "$build" >/dev/null
(cd "$root" && cpack -G DEB -B "$root/deb" --config "$build/CPackConfig.cmake" >/dev/null)
deb=$root/deb/gravity_${version}_$(dpkg --print-architecture).deb  # named as cpack names it here
dpkg-deb -x "$deb" "$root/deb-root"
for lib in libx11-6 libxext6 libpng16-16 libstdc++6; do
    dpkg-deb -f "$deb" Depends | grep -q "$lib" || { echo "the package lacks $lib"; exit 1; }
done
for prefix in "$root/tree/usr/local" "$root/deb-root/usr"; do
    test -x "$prefix/bin/gravity"
    for page in man6/gravity.6 man1/gravity-trace.1; do
        [ -z "$(LC_ALL=C.UTF-8 groff -man -ww -z "$prefix/share/man/$page" 2>&1)" ] || { echo "$page"; exit 1; }
    done
    cmp <("$build/gravity-trace" --print=last "$source/examples/two-body.txt" 300) \
        <("$prefix/bin/gravity-trace" --print=last "$prefix/share/gravity/examples/two-body.txt" 300)
    if "$prefix/bin/gravity-trace" --version > "$root/v" 2>/dev/null; then grep -q "$version" "$root/v"; fi
done
