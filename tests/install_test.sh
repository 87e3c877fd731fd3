#!/bin/sh
# Installs the build into a temporary root as `cmake --install` does (prefix /usr/local)
# and as the Debian package does (/usr), and runs each installed gravity-trace on an
# installed example: the records must be the build's.
#   install_test.sh BUILD-DIR SOURCE-DIR VERSION
set -eu
build=$1 source=$2 version=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root/tree" cmake --install "$build" >/dev/null
(cd "$root" && cpack -G DEB -B "$root/deb" --config "$build/CPackConfig.cmake" >/dev/null)
deb=$root/deb/gravity_${version}_amd64.deb
dpkg-deb -x "$deb" "$root/deb-root"
for lib in libx11-6 libxext6 libpng16-16 libstdc++6; do
    dpkg-deb -f "$deb" Depends | grep -q "$lib" || { echo "the package does not depend on $lib"; exit 1; }
done
"$build/gravity-trace" --print=last "$source/examples/two-body.txt" 300 > "$root/built"
for prefix in "$root/tree/usr/local" "$root/deb-root/usr"; do
    test -x "$prefix/bin/gravity"
    for page in man6/gravity.6 man1/gravity-trace.1; do
        [ -z "$(LC_ALL=C.UTF-8 groff -man -ww -z "$prefix/share/man/$page" 2>&1)" ] || { echo "$page: warnings"; exit 1; }
    done
    "$prefix/bin/gravity-trace" --print=last "$prefix/share/gravity/examples/two-body.txt" 300 > "$root/installed"
    cmp "$root/built" "$root/installed"
    # The version, once the tool has the option.
    if "$prefix/bin/gravity-trace" --version > "$root/version" 2>/dev/null; then grep -q "$version" "$root/version"; fi
done
echo "installed and packaged: the same records as the build"
