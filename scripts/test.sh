#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: an optimized build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build, in separate folders. Each build runs the
# unit suites (CTest) and the end-to-end suite against real PostgreSQL and MariaDB servers; the
# optimized build is also packaged (.deb), unpacked into a scratch root and run on the example.
# Last, each libFuzzer target runs for 30 seconds (scripts/fuzz.sh, clang build in build/fuzz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_suites() {
  local dir=$1
  (cd "$dir" && ctest --output-on-failure)
  bash scripts/e2e.sh "$dir"
}

echo "== optimized build =="
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DML_BENCHMARKS=ON
run_suites build/release
echo "== Debian package =="
bash scripts/package-check.sh build/release

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DML_SANITIZE=ON -DML_BENCHMARKS=OFF
run_suites build/asan

echo "== fuzzing (libFuzzer, 30 s per target) =="
bash scripts/fuzz.sh 30
