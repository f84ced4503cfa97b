#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: an optimized build and a
# clang AddressSanitizer + UndefinedBehaviorSanitizer build that also holds the libFuzzer targets,
# in separate folders. The optimized build runs the unit suites and the whole end-to-end suite
# against real PostgreSQL and MariaDB servers, and is packaged (.deb), unpacked into a scratch
# root and run on the example. The sanitizer build runs the unit suites and the part of the
# end-to-end suite listed below; last, each libFuzzer target runs for 30 seconds from it
# (scripts/fuzz.sh), two at a time.
# Both builds compile each target's sources in batches (unity build), which parses the headers
# they share once per batch. The sanitizer build compiles in the background, at a lower
# priority, while the optimized build's suites run (they mostly wait on child processes, the
# servers and Chromium); its output is shown when its turn comes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

jobs=$(nproc)
fast=(-DCMAKE_UNITY_BUILD=ON)

echo "== optimized build =="
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DML_BENCHMARKS=ON "${fast[@]}"

# Its own session, so that a failure below or an interrupt stops the whole build with the script.
asan_log=build/asan-build.log
CC=clang-14 CXX=clang++-14 setsid --wait nice -n 10 bash scripts/build.sh build/asan \
  -DCMAKE_BUILD_TYPE=Debug -DML_SANITIZE=ON -DML_FUZZ=ON -DML_BENCHMARKS=OFF "${fast[@]}" \
  >"$asan_log" 2>&1 &
asan_build=$!
trap 'kill -- -"$asan_build" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM

(cd build/release && ctest --output-on-failure -j "$jobs")
bash scripts/e2e.sh build/release
echo "== Debian package =="
bash scripts/package-check.sh build/release

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build (clang, with the fuzz targets) =="
status=0
wait "$asan_build" || status=$?
trap - EXIT
cat "$asan_log"
((status == 0)) || { echo "FAIL: the sanitizer build (exit code $status)"; exit "$status"; }
(cd build/asan && ctest --output-on-failure -j "$jobs")
# One scenario of each kind under the sanitizers (the optimized build ran them all): a failing
# import on each server, an import that stops on a syntax error and one stopped by a signal,
# parallel loads, the Linux clients, the pages, the ends of a run and output with pauses.
ML_E2E_ONLY="postgresql-failures mariadb-failures stop-syntax-bash stop-sigterm
  postgresql-parallel postgresql-linux-clients report-page log-page run-ends replay" \
  bash scripts/e2e.sh build/asan

echo "== fuzzing (libFuzzer, 30 s per target) =="
bash scripts/fuzz.sh 30 build/asan
