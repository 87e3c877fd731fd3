#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, the canvas's threading tests
# under ThreadSanitizer, the faults planted on every thread, the suite with the software
# extended reals and, cross-built, on arm64 under qemu, every build's records against
# the x87's, the web edition (the trace tool under node against the x87's, the page in
# headless Chromium), and the fuzz target for two minutes. GRAVITY_QUICK=1 runs the suite alone
# (for a quick look while working).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
echo "== building the program, the tests and the benchmarks in BUILD/"
scripts/build.sh
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
echo "== the suite (under a minute; the window tests start their own Xvfb)"
(cd BUILD && ctest --output-on-failure -j2 --timeout 600) | tee -a "$summary"
[ "${GRAVITY_QUICK:-0}" = 1 ] && exit 0

echo "== building the suite with AddressSanitizer and UndefinedBehaviorSanitizer in BUILD-asan/"
echo "   (about five minutes the first time, silent)"
cmake -S . -B BUILD-asan -DCMAKE_BUILD_TYPE=Release -DGRAVITY_SANITIZE=ON >/dev/null
cmake --build BUILD-asan -j2 >/dev/null
echo "== the suite under AddressSanitizer and UndefinedBehaviorSanitizer (a few minutes)"
# The program's own fault handling must see the processor faults that the tests
# provoke on purpose. Valgrind cannot run sanitized programs: the memcheck test is
# left to the plain build above.
# A request for more memory than there is must come back as std::bad_alloc (error 203),
# as from the plain allocator, not as the sanitizer's own report.
(cd BUILD-asan && ASAN_OPTIONS=handle_segv=0:handle_sigfpe=0:handle_sigill=0:detect_leaks=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j2 --timeout 900 -E Memcheck) | tee -a "$summary"

echo "== building the threading tests with ThreadSanitizer in BUILD-tsan/ (a few minutes, silent)"
cmake -S . -B BUILD-tsan -DCMAKE_BUILD_TYPE=Release -DGRAVITY_TSAN=ON >/dev/null
cmake --build BUILD-tsan -j2 --target x11_test tiles_test >/dev/null
echo "== the threading tests under ThreadSanitizer: the canvas, the helper threads, the tiles"
TSAN_OPTIONS=halt_on_error=1 BUILD-tsan/tests/x11_test | tee -a "$summary"
TSAN_OPTIONS=halt_on_error=1 BUILD-tsan/tests/tiles_test --gtest_filter='Tiles.*' | tee -a "$summary"

echo "== building with faults that can be planted in BUILD-planted/ (a few minutes, silent)"
cmake -S . -B BUILD-planted -DCMAKE_BUILD_TYPE=Release -DGRAVITY_PLANTED_FAULTS=ON >/dev/null
cmake --build BUILD-planted -j2 >/dev/null
echo "== faults planted on every thread: the way out"
(cd BUILD-planted && ctest --output-on-failure -j2 --timeout 600 -R Planted) | tee -a "$summary"

echo "== building with the software extended reals in BUILD-soft/ (a few minutes, silent)"
cmake -S . -B BUILD-soft -DCMAKE_BUILD_TYPE=Release -DGRAVITY_EXTENDED=soft >/dev/null
cmake --build BUILD-soft -j2 >/dev/null
echo "== the suite with the software extended reals"
(cd BUILD-soft && ctest --output-on-failure -j2 --timeout 600) | tee -a "$summary"

echo "== cross-building for arm64 in BUILD-arm64/ (a few minutes, silent)"
cmake -S . -B BUILD-arm64 --toolchain cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build BUILD-arm64 -j2 >/dev/null
echo "== the arm64 suite under qemu (a few minutes)"
(cd BUILD-arm64 && ctest --output-on-failure -j2 --timeout 900) | tee -a "$summary"

echo "== the web edition in BUILD-web/: the page and the trace tool for node (a few minutes the first time, silent)"
emcmake cmake -S . -B BUILD-web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build BUILD-web -j2 >/dev/null
echo "== the page in headless Chromium: frames against the native trace tool's, an error, Stop, a key, a file"
node --test tests/web/page_test.js | tee -a "$summary"

echo "== the same motion on every machine: the software, arm64 and node trace tools against the x87's"
others="$PWD/BUILD-soft/gravity-trace|qemu-aarch64 $PWD/BUILD-arm64/gravity-trace|node $PWD/BUILD-web/gravity-trace.js"
cmake -S . -B BUILD -DGRAVITY_OTHER_TRACES="$others" >/dev/null
cmake --build BUILD -j2 --target tiles_test >/dev/null
(cd BUILD && ctest --output-on-failure -R Platforms) | tee -a "$summary"

echo "== fuzzing: building with clang in BUILD-fuzz/ (silent), then the target for ${FUZZ_SECONDS:-120}s"
scripts/fuzz.sh

# Every stage above stops the script when anything fails: here all have passed.
suites=$(grep -oE 'failed out of [0-9]+' "$summary" | awk '{n += $4} END {print n + 0}')
threads=$(grep -oE '^\[  PASSED  \] [0-9]+' "$summary" | awk '{n += $4} END {print n + 0}')
pages=$(grep -oE '^# pass [0-9]+' "$summary" | awk '{n += $3} END {print n + 0}')
echo "all: $((suites + threads + pages + 1)) passed, 0 failed"
