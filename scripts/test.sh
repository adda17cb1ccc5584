#!/usr/bin/env bash
# Installs what is missing, builds everything once under AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, so that the libFuzzer targets come from the same build) and
# runs every test, the bounded fuzz runs included.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

build=${QUENDO_TEST_BUILD:-build/test}
jobs=$(nproc)

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-O1 -g" \
  -DQUENDO_SANITIZE=ON -DQUENDO_FUZZ=ON \
  -DQUENDO_FUZZ_SECONDS="${QUENDO_FUZZ_SECONDS:-60}" >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure -j "$jobs"
