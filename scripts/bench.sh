#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmarks: the simulation's passes
# beside the straightforward loops (ending with the ratios the product is held to),
# drawing under a private Xvfb, and writing a PNG frame. A benchmark that cannot run
# says so and the script ends non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh --tests
echo "== the simulation's passes"
BUILD/bench/sim_bench "$@"
echo "== drawing a frame on the canvas window"
BUILD/bench/draw_bench
echo "== writing a frame as a PNG"
BUILD/bench/png_bench

echo "== the software extended reals beside the x87: the straightforward gravity pass"
cmake -S . -B BUILD-soft -DCMAKE_BUILD_TYPE=Release -DGRAVITY_EXTENDED=soft >/dev/null
cmake --build BUILD-soft -j2 --target sim_bench >/dev/null
per_pair() { "$1/bench/sim_bench" --benchmark_filter='^gravity/plain/1000$' | awk '/ns per pair/ {print $(NF - 3)}'; }
x87=$(per_pair BUILD)
soft=$(per_pair BUILD-soft)
awk -v x="$x87" -v s="$soft" 'BEGIN {
    r = s / x
    printf "  x87 %.2f ns, soft %.2f ns per pair: soft / x87 = %.2f (at most 6)%s\n", x, s, r, r <= 6 ? "" : "  ABOVE"
}'

echo "== the web edition: the straightforward gravity pass in WebAssembly under node beside the native software build"
scripts/deps.sh web >/dev/null
emcmake cmake -S . -B BUILD-web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build BUILD-web -j2 --target page gravity-bench >/dev/null
wasm=$(node BUILD-web/gravity-bench.js | awk '{print $2}')
soft=$(per_pair BUILD-soft)
awk -v w="$wasm" -v s="$soft" 'BEGIN {
    r = w / s
    printf "  native soft %.2f ns, wasm %.2f ns per pair: wasm / soft = %.2f (at most 3)%s\n", s, w, r, r <= 3 ? "" : "  ABOVE"
}'
echo "== a frame of 1000 bodies in the page (headless Chromium)"
node bench/page_bench.js
