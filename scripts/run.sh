#!/usr/bin/env bash
# Builds Quintara and starts it with the built-in virtual bath.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build --target quintara-demo
exec build/quintara-demo
