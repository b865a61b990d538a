#!/bin/sh
# Installs what is missing, builds tamsel and calls the small example shipped in examples/.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTAMSEL_TESTS=OFF >/dev/null
cmake --build build -j2 --target tamsel
mkdir -p out
./build/tamsel -i examples/small.int -o out/small -c -p -k -u
echo "--- out/small_calls (first lines)"
head -n 4 out/small_calls | cut -c 1-100
echo "--- out/small_probs (first lines)"
head -n 4 out/small_probs | cut -c 1-100
