#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh >/dev/null
exec ./BUILD/gravity
