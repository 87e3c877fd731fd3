#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmarks: the simulation's passes
# beside the straightforward loops (ending with the ratios the product is held to),
# drawing under a private Xvfb, and writing a PNG frame. A benchmark that cannot run
# says so and the script ends non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh
echo "== the simulation's passes"
BUILD/bench/sim_bench "$@"
echo "== drawing a frame on the canvas window"
BUILD/bench/draw_bench
echo "== writing a frame as a PNG"
BUILD/bench/png_bench
