#!/usr/bin/env bash
# Configures and builds into BUILD/ (Release) in the checkout, showing the build's
# progress; from any directory.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B BUILD -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build BUILD -j2 "$@"
