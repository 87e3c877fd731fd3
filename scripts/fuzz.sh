#!/usr/bin/env bash
# Builds the libFuzzer target with clang (all code under AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for FUZZ_SECONDS (default 120) from a seed
# corpus of real parameter files and number tokens: each input is tried as a number
# token and as a parameter file. Exits non-zero on a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-120}
CC=clang CXX=clang++ cmake -S . -B BUILD-fuzz -DCMAKE_BUILD_TYPE=Release -DGRAVITY_FUZZ=ON >/dev/null
cmake --build BUILD-fuzz -j2 --target gravity_fuzz >/dev/null

seeds=BUILD-fuzz/seeds
mkdir -p "$seeds" BUILD-fuzz/corpus
cp examples/*.txt "$seeds/"
i=0
for token in 0 65535 +7 '$FFFF' '%101' '&17' 4294967295 -0 1e3 .5 1.5E-3 0.1 6.02214076e23 1.1e4932 \
             1e4933 1e-4932 0e5000 1e5000x 12abc 1,5 '$10' 3.14159265358979323846; do
    printf '%s' "$token" > "$seeds/token-$i"
    i=$((i + 1))
done

echo "== gravity_fuzz for ${seconds}s"
if ! BUILD-fuzz/tests/fuzz/gravity_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix=BUILD-fuzz/gravity_fuzz- BUILD-fuzz/corpus "$seeds" > BUILD-fuzz/gravity_fuzz.log 2>&1; then
    tail -n 40 BUILD-fuzz/gravity_fuzz.log
    exit 1
fi
grep -E 'stat::number_of_executed_units|Done' BUILD-fuzz/gravity_fuzz.log | tail -n 2
