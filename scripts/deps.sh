#!/usr/bin/env bash
# Installs the Debian packages that are missing: with no argument what building and
# running the program needs; with "test", also what the tests, the sanitizer and fuzz
# builds, the benchmarks and the Debian package need.
#   scripts/deps.sh [test]
set -euo pipefail

PACKAGES=(g++ cmake make libx11-dev libxext-dev libpng-dev)
if [ "${1:-}" = test ]; then
    PACKAGES+=(clang libclang-rt-14-dev binutils libgtest-dev libbenchmark-dev xvfb openbox fluxbox icewm
               tmux valgrind dpkg-dev file groff-base)
fi

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
