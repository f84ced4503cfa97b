#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: an optimized build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build, in separate folders.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh

echo "== optimized build =="
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DML_BENCHMARKS=ON
(cd build/release && ctest --output-on-failure)

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DML_SANITIZE=ON -DML_BENCHMARKS=OFF
(cd build/asan &&
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure)
