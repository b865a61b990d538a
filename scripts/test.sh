#!/bin/sh
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite, runs the
# threaded-run tests once more under ThreadSanitizer, runs the workflow on a
# one-node SLURM (tests/slurm/run.sh), then runs each fuzz
# target for 20 seconds (fails on any crash or sanitizer report).
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMSEL_SANITIZE=ON >/dev/null
cmake --build build-test -j2
ctest --test-dir build-test --output-on-failure -j2
# The workflow through its SLURM profile on a one-node SLURM (about a minute);
# it starts munged, slurmctld and slurmd, which needs root.
if [ "$(id -u)" -eq 0 ]; then ./tests/slurm/run.sh build-test; else sudo ./tests/slurm/run.sh build-test; fi
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMSEL_TSAN=ON >/dev/null
cmake --build build-tsan -j2 --target tamsel test_run
TSAN_OPTIONS="halt_on_error=1 exitcode=66" ctest --test-dir build-tsan --output-on-failure -R '^Modes\.'
./fuzz/run.sh 20
./scripts/package-test.sh
