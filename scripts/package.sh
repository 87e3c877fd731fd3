#!/usr/bin/env bash
# Makes the Debian package BUILD/gravity_VERSION_ARCH.deb: installs what building and
# packaging need, builds what the package holds, and runs cpack. Then, to install it:
#   apt-get install ./BUILD/gravity_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
echo "== building in BUILD/"
# cpack builds everything configured before it packs: the same, shown as it goes.
scripts/build.sh
echo "== packing"
(cd BUILD && cpack -G DEB)
