#!/bin/sh
# Long check of the exact vector exp and log: every range of test_simd with
# COUNT arguments each (default 10^9) on every path this machine proves, bit
# for bit against the maths library. Prints the counts compared; exit status
# non-zero on any mismatch. Usage: tools/simd_check_long.sh [BUILD_DIR] [COUNT]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
count=${2:-1000000000}
test="$build/tests/test_simd"
if [ ! -x "$test" ]; then
    echo "simd_check_long.sh: $test not found; build first" >&2
    exit 1
fi
cd "$build/tests"
TAMSEL_SIMD_COUNT=$count "$test" --gtest_filter='SimdLibrary.*' | grep -E 'compared|OK|FAILED|PASSED'
