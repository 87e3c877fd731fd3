#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmarks: the simulation's passes
# beside the straightforward loops (ending with the ratios the product is held to),
# drawing under a private Xvfb, and writing a PNG frame.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
BUILD/bench/sim_bench "$@"
BUILD/bench/draw_bench
BUILD/bench/png_bench
