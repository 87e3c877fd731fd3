#!/usr/bin/env bash
# Installs the Debian packages that are missing: with no argument what building and
# running the program needs; with "package", also what making the Debian package
# needs; with "web", also what the web edition's build and its tests need
# (emscripten, binaryen, node and npm, Chromium, and puppeteer-core from npm in
# tests/web/, which drives Chromium and downloads no browser of its own); with "test",
# all that and what the tests, the sanitizer and fuzz builds, the benchmarks and the
# Debian package need.
#   scripts/deps.sh [package|web|test]
set -euo pipefail

PACKAGES=(g++ cmake make libx11-dev libxext-dev libpng-dev)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
# cpack's DEB generator: dpkg-shlibdeps finds the libraries, file tells it the binaries.
[ "${1:-}" = package ] && PACKAGES+=(dpkg-dev file)
if [ "${1:-}" = test ] || [ "${1:-}" = web ]; then
    PACKAGES+=(emscripten binaryen nodejs chromium)
    command -v npm >/dev/null || PACKAGES+=(npm)  # node from elsewhere may bring its own
fi
if [ "${1:-}" = test ]; then
    PACKAGES+=(clang libclang-rt-14-dev binutils libgtest-dev libbenchmark-dev xvfb openbox fluxbox icewm
               tmux valgrind dpkg-dev file groff-base)
    # The arm64 build, cross-compiled and run under qemu's user-mode emulator, with the
    # arm64 libraries from multiarch. (binfmt is not registered: it changes the machine.)
    if [ "$(dpkg --print-architecture)" = amd64 ]; then
        dpkg --print-foreign-architectures | grep -qx arm64 || $SUDO dpkg --add-architecture arm64
        PACKAGES+=(g++-aarch64-linux-gnu qemu-user libx11-dev:arm64 libxext-dev:arm64 libpng-dev:arm64
                   libgtest-dev:arm64 libstdc++6:arm64)
    fi
fi

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ "${1:-}" = test ] || [ "${1:-}" = web ]; then
    cd "$(dirname "$0")/../tests/web"
    [ -d node_modules/puppeteer-core ] || PUPPETEER_SKIP_DOWNLOAD=1 npm install -q --no-audit --no-fund --no-package-lock
fi
