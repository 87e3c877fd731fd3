#!/usr/bin/env bash
# Installs what running needs, builds in the checkout, and starts the program in this
# terminal and in the caller's directory, so that a relative file name is taken from
# there: cd ~ && gravity/scripts/run.sh [FILE]. It builds the trace tool too, which the
# README's recipes use after it.
set -euo pipefail
checkout="$(cd "$(dirname "$0")/.." && pwd)"
"$checkout/scripts/deps.sh"
echo "== building in $checkout/BUILD"
"$checkout/scripts/build.sh" --target gravity gravity-trace
exec "$checkout/BUILD/gravity" "$@"
