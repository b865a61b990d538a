#!/bin/sh
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs the whole test suite, then runs each fuzz
# target for 20 seconds (fails on any crash or sanitizer report).
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMSEL_SANITIZE=ON >/dev/null
cmake --build build-test -j2
ctest --test-dir build-test --output-on-failure -j2
./fuzz/run.sh 20
