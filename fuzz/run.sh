#!/usr/bin/env bash
# Builds the fuzz targets in build-fuzz/ and runs each for a bounded time on a
# copy of its seed corpus (fuzz/corpus/<name>/ stays as it is). Any crash, hang,
# leak or sanitizer report fails the run; the input that caused it is kept in
# build-fuzz/findings/<name>/ and the command that replays it is printed.
#
# Usage: fuzz/run.sh [seconds per target] [name...]
#   names: input_reports record_file settings_file report_descriptor bath_commands
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
[ $# -gt 0 ] && shift
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(input_reports record_file settings_file report_descriptor bath_commands)

scripts/deps.sh test
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 -DQUINTARA_FUZZ=ON \
  -DQUINTARA_BUILD_TESTS=OFF -DQUINTARA_BUILD_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for name in "${names[@]}"; do
  target=build-fuzz/fuzz/fuzz_$name
  findings=build-fuzz/findings/$name
  rm -rf "$findings"
  mkdir -p "$findings"
  cp -r "fuzz/corpus/$name" "$work/$name"
  # -timeout: one input running longer is a hang; -rss_limit_mb also bounds
  # any single allocation (malloc_limit_mb follows it).
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$work/$name" >"$work/$name.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$name.log")
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$work/$name.log")
    corpus=$(find "$work/$name" -type f | wc -l)
    echo "fuzz $name: ${runs:-?} inputs in ${seconds} s (${speed:-?}/s), corpus $corpus, peak RSS ${rss:-?} MB: no finding"
  else
    failed+=("$name")
    echo "fuzz $name: FINDING"
    grep -v -E '^(#[0-9]+|INFO:|\s*NEW_FUNC)' "$work/$name.log" | tail -60
    for input in "$findings"/*; do
      [ -e "$input" ] && echo "replay: QT_QPA_PLATFORM=offscreen $target $input"
    done
  fi
done

echo "fuzz: $((${#names[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
