#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (all code under AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for FUZZ_SECONDS (default 60) from a seed
# corpus of real parameter files and number tokens. Exits non-zero on a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B BUILD-fuzz -DCMAKE_BUILD_TYPE=Release -DGRAVITY_FUZZ=ON >/dev/null
cmake --build BUILD-fuzz -j2 --target uint_fuzz float_fuzz loader_fuzz >/dev/null

seeds=BUILD-fuzz/seeds
mkdir -p "$seeds/tokens" "$seeds/files"
cp examples/*.txt "$seeds/files/"
i=0
for token in 0 65535 +7 '$FFFF' '%101' '&17' 4294967295 -0 1e3 .5 1.5E-3 0.1 6.02214076e23 1.1e4932 \
             1e4933 1e-4932 0e5000 1e5000x 12abc 1,5 '$10' 3.14159265358979323846; do
    printf '%s' "$token" > "$seeds/tokens/$i"
    i=$((i + 1))
done

status=0
for target in uint_fuzz float_fuzz loader_fuzz; do
    case $target in loader_fuzz) seed=$seeds/files ;; *) seed=$seeds/tokens ;; esac
    corpus=BUILD-fuzz/corpus-$target
    mkdir -p "$corpus"
    echo "== $target for ${seconds}s"
    if ! BUILD-fuzz/tests/fuzz/$target -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
            -artifact_prefix=BUILD-fuzz/$target- "$corpus" "$seed" > "BUILD-fuzz/$target.log" 2>&1; then
        tail -n 40 "BUILD-fuzz/$target.log"
        status=1
    else
        grep -E 'stat::number_of_executed_units|Done' "BUILD-fuzz/$target.log" | tail -n 2
    fi
done
exit $status
