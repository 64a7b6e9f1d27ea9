#!/usr/bin/env bash
# Builds the Debian package of Quintara into build-package/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUINTARA_BUILD_TESTS=OFF -DQUINTARA_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB)
ls build-package/quintara_*.deb
