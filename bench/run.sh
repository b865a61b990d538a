#!/bin/sh
# Benchmark of `tamsel -c -p`: speed at one size, then memory at 1000 and 4000 SNPs.
# Usage: bench/run.sh [BUILD_DIR] [SNPS [INDIVIDUALS]]
#   BUILD_DIR defaults to build/ beside this folder; TAMSEL=/path/to/tamsel overrides the program.
# Prints figures only; it fails only when a binary is missing or a run exits unsuccessfully.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
[ $# -gt 0 ] && shift
snps=${1:-1000}
individuals=${2:-1000}
bench="$build/bench/tamsel_bench"
if [ ! -x "$bench" ]; then
    echo "run.sh: $bench not found; build first: cmake -S . -B build && cmake --build build -j2" >&2
    exit 1
fi
set -- --simulate "$build/tools/tamsel_simulate" --tamsel "${TAMSEL:-$build/tamsel}"
echo "== speed: $snps SNPs x $individuals individuals =="
"$bench" "$@" "$snps" "$individuals"
echo "== memory flatness: 1000 and 4000 SNPs x $individuals individuals =="
"$bench" "$@" --flat "$individuals"
