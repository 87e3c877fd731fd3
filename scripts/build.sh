#!/usr/bin/env bash
# Configures and builds into BUILD/ (Release) in the checkout, showing the build's
# progress; from any directory.   scripts/build.sh [--tests] [cmake --build options]
# With --tests the tests and benchmarks are built too, and a missing GoogleTest stops
# the build. Without it BUILD keeps its choice, and a new BUILD is made without them:
# building and running the programs, or packing them, does not need them.
set -euo pipefail
cd "$(dirname "$0")/.."
tests=()
if [ "${1:-}" = --tests ]; then
    tests=(-DGRAVITY_TESTS=ON)
    shift
elif ! grep -qs '^GRAVITY_TESTS:' BUILD/CMakeCache.txt; then
    tests=(-DGRAVITY_TESTS=OFF)
fi
cmake -S . -B BUILD -DCMAKE_BUILD_TYPE=Release "${tests[@]}" >/dev/null
cmake --build BUILD -j2 "$@"
