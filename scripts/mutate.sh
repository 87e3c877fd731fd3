#!/usr/bin/env bash
# Measures the suite's strength: plants each fault of a table (scripts/mutants.txt by
# default) in turn, builds, runs the suite and undoes the fault. A mutant the suite
# does not fail is a hole in the suite; the script ends non-zero if any survives.
#   scripts/mutate.sh [TABLE] [NAME-REGEX]
# Table: one mutant a line, fields separated by " | ": a name, a file, a Perl
# substitution applied once (s{...}{...}). Lines starting with # are comments.
set -euo pipefail
cd "$(dirname "$0")/.."
table=${1:-scripts/mutants.txt}
only=${2:-.}
build=BUILD-mutate

echo "== building the suite once (faults can be planted, so every test exists)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DGRAVITY_PLANTED_FAULTS=ON >/dev/null
cmake --build "$build" -j2 >/dev/null

echo "== the suite as it is must pass first: a failing suite would catch every mutant"
(cd "$build" && ctest -j2 --timeout 300 >/dev/null 2>&1) || { echo "the suite fails without any mutant"; exit 1; }

saved=$(mktemp)
current=""
restore() { [ -n "$current" ] && cp "$saved" "$current"; current=""; }
trap 'restore; rm -f "$saved"' EXIT

caught=0 survived=0 broken=0
while IFS= read -r line; do
    case $line in ''|'#'*) continue ;; esac
    name=${line%% | *}; rest=${line#* | }
    file=${rest%% | *}; edit=${rest#* | }
    [[ $name =~ $only ]] || continue
    cp "$file" "$saved"; current=$file
    perl -0pi -e "$edit" "$file"
    if cmp -s "$file" "$saved"; then
        echo "BROKEN   $name: the edit does not apply to $file"; broken=$((broken + 1)); restore; continue
    fi
    if ! cmake --build "$build" -j2 >/dev/null 2>&1; then
        echo "BROKEN   $name: does not build"; broken=$((broken + 1)); restore; continue
    fi
    if (cd "$build" && ctest -j2 --timeout 300 --stop-on-failure >/dev/null 2>&1); then
        echo "SURVIVED $name"; survived=$((survived + 1))
    else
        echo "caught   $name"; caught=$((caught + 1))
    fi
    restore
done < "$table"
cmake --build "$build" -j2 >/dev/null
echo "mutants: $caught caught, $survived survived, $broken broken"
[ "$survived" -eq 0 ] && [ "$broken" -eq 0 ]
