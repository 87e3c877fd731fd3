#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, the canvas's threading tests
# under ThreadSanitizer, the faults planted on every thread, on x86-64 the suite with
# the software extended reals and, cross-built, on arm64 under qemu, the web edition
# (the page in headless Chromium), every other build's records against this build's
# (the x87's on x86-64; on arm64 the suite itself runs with the software extended
# reals, natively), and the fuzz target for two minutes. GRAVITY_QUICK=1 runs the suite
# alone (for a quick look while working).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
echo "== building the program, the tests and the benchmarks in BUILD/"
scripts/build.sh --tests
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
# Every ctest below must find tests: none would pass silently.
suite() { (cd "$1" && shift && ctest --output-on-failure --no-tests=error "$@") | tee -a "$summary"; }
echo "== the suite (the window tests start their own Xvfb)"
suite BUILD -j2 --timeout 600
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
ASAN_OPTIONS=handle_segv=0:handle_sigfpe=0:handle_sigill=0:detect_leaks=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 suite BUILD-asan -j2 --timeout 900 -E Memcheck

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
suite BUILD-planted -j2 --timeout 600 -R Planted

# The x87 is x86-64's alone: elsewhere the suite above has run with the software
# format already, natively. The other builds' trace tools, for the comparison below:
others=()
if [ "$(dpkg --print-architecture)" = amd64 ]; then
    echo "== building with the software extended reals in BUILD-soft/ (a few minutes, silent)"
    cmake -S . -B BUILD-soft -DCMAKE_BUILD_TYPE=Release -DGRAVITY_EXTENDED=soft >/dev/null
    cmake --build BUILD-soft -j2 >/dev/null
    echo "== the suite with the software extended reals"
    suite BUILD-soft -j2 --timeout 600

    echo "== cross-building for arm64 in BUILD-arm64/ (a few minutes, silent)"
    cmake -S . -B BUILD-arm64 --toolchain cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build BUILD-arm64 -j2 >/dev/null
    echo "== the arm64 suite under qemu (a few minutes)"
    suite BUILD-arm64 -j2 --timeout 900
    others+=("$PWD/BUILD-soft/gravity-trace" "qemu-aarch64 $PWD/BUILD-arm64/gravity-trace")
fi

echo "== the web edition in BUILD-web/: the page and the trace tool for node (a few minutes the first time, silent)"
emcmake cmake -S . -B BUILD-web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build BUILD-web -j2 >/dev/null
echo "== the page in headless Chromium: frames against the native trace tool's, an error, Stop, a key, a file"
node --test tests/web/web_test.js | tee -a "$summary"
others+=("node $PWD/BUILD-web/gravity-trace.js")

echo "== the same motion on every machine: the other builds' trace tools against this build's"
# Named for this run only, separated by |: nothing of other builds stays in BUILD.
GRAVITY_OTHER_TRACES=$(IFS='|'; echo "${others[*]}") suite BUILD --timeout 900 -R '^Platforms\.'

echo "== fuzzing: building with clang in BUILD-fuzz/ (silent), then the target for ${FUZZ_SECONDS:-120}s"
scripts/fuzz.sh

# Every stage above stops the script when anything fails: here all have passed. A test
# skipped in a stage (the platforms' test outside its own) did not pass there.
suites=$(grep -oE 'failed out of [0-9]+' "$summary" | awk '{n += $4} END {print n + 0}')
skipped=$(grep -cE '\(Skipped\)$' "$summary" || true)
threads=$(grep -oE '^\[  PASSED  \] [0-9]+' "$summary" | awk '{n += $4} END {print n + 0}')
pages=$(grep -oE '^# pass [0-9]+' "$summary" | awk '{n += $3} END {print n + 0}')
echo "all: $((suites - skipped + threads + pages + 1)) passed, 0 failed"
