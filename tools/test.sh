#!/usr/bin/env bash
# Installs what is missing, builds Tolvane with warnings as errors, runs every
# test, then builds again with AddressSanitizer + UndefinedBehaviorSanitizer and
# runs every test once more.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/deps.sh
jobs=$(nproc)

echo "== build (warnings are errors)"
cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_WERROR=ON >/dev/null
cmake --build build-ci -j "$jobs"
echo "== tests"
ctest --test-dir build-ci --output-on-failure -j "$jobs"

echo "== bench (figures only; a short run with a 64 MiB file)"
bench_dir=$(mktemp -d -p "$PWD/build-ci")
QT_QPA_PLATFORM=offscreen TOLVANE_BENCH_MIB=64 ./build-ci/bench/tolvane_bench "$bench_dir"
rm -rf "$bench_dir"

echo "== build with ASan + UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_WERROR=ON \
    -DTOLVANE_SANITIZE=ON -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests under ASan + UBSan"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
