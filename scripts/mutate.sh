#!/usr/bin/env bash
# Measures the suite's strength: plants each fault of a table (scripts/mutants.txt by
# default) in turn, builds, runs the suite and undoes the fault. A mutant the suite
# does not fail is a hole in the suite; the script ends non-zero if any survives.
#   scripts/mutate.sh [TABLE] [NAME-REGEX]
# Table: one mutant a line, fields separated by " | ": a name, a file, a Perl
# substitution applied once (s{...}{...}). Lines starting with # are comments.
# The faults go into a copy of the checkout (BUILD-mutate/src, built in
# BUILD-mutate/build), never into the checkout itself: a run that is stopped leaves
# its fault in the copy, and the next run puts the file back first.
set -euo pipefail
cd "$(dirname "$0")/.."
table=${1:-scripts/mutants.txt}
only=${2:-.}
src=BUILD-mutate/src build=BUILD-mutate/build

# A file copied anew is newer than its object, which is built again; the others keep theirs.
refresh() { cmp -s "$1" "$src/$1" || { mkdir -p "$(dirname "$src/$1")" && cp "$1" "$src/$1"; }; }
echo "== copying the checkout to $src and building the suite there once (faults can be planted, so every test exists)"
git ls-files --cached --others --exclude-standard | while IFS= read -r file; do [ ! -f "$file" ] || refresh "$file"; done
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGRAVITY_PLANTED_FAULTS=ON >/dev/null
cmake --build "$build" -j2 >/dev/null

run_suite() { (cd "$build" && ctest -j2 --timeout 300 --no-tests=error "$@"); }
echo "== the suite as it is must pass first: a failing suite would catch every mutant"
log=$(mktemp)
current=""
trap '[ -z "$current" ] || refresh "$current"; rm -f "$log"' EXIT
run_suite --output-on-failure >"$log" 2>&1 || { cat "$log"; echo "the suite fails without any mutant"; exit 1; }

caught=0 survived=0 broken=0
while IFS= read -r line; do
    case $line in ''|'#'*) continue ;; esac
    name=${line%% | *}; rest=${line#* | }
    file=${rest%% | *}; edit=${rest#* | }
    [[ $name =~ $only ]] || continue
    if [ ! -f "$file" ]; then echo "BROKEN   $name: no file $file"; broken=$((broken + 1)); continue; fi
    current=$file
    perl -0pi -e "$edit" "$src/$file"
    if cmp -s "$file" "$src/$file"; then
        echo "BROKEN   $name: the edit does not apply to $file"; broken=$((broken + 1))
    elif ! cmake --build "$build" -j2 >/dev/null 2>&1; then
        echo "BROKEN   $name: does not build"; broken=$((broken + 1))
    elif run_suite --stop-on-failure >/dev/null 2>&1; then
        echo "SURVIVED $name"; survived=$((survived + 1))
    else
        echo "caught   $name"; caught=$((caught + 1))
    fi
    refresh "$file"
    current=""
done < "$table"
echo "mutants: $caught caught, $survived survived, $broken broken"
[ "$survived" -eq 0 ] && [ "$broken" -eq 0 ]
