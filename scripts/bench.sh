#!/usr/bin/env bash
# Builds the benchmark in Release and runs it; prints one table of figures.
# Usage: scripts/bench.sh [--soak] [record file]   (--soak: a month of recording in one go)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target bench_quintara bench_journal
exec build-release/bench/bench_quintara "$@"
