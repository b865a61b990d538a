#!/bin/sh
# The reading thread's share of the CPU of `tamsel --threads 2`, with -c -p and
# with -c -p -a, and how many workers one reader could feed (1 / share).
# Usage: bench/reader.sh [BUILD_DIR] [SNPS [INDIVIDUALS]]   (default 500 x 5000)
#   BEFORE=/path/to/other/tamsel measures that build too, on the same input,
#   and checks that both write the same files.
# The main thread's own CPU clock and the process's CPU time are taken at exit
# by a preloaded library (bench/main_share.cpp), so any build is measured alike.
# Prints figures only; fails only when a binary is missing or a run fails.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
[ $# -gt 0 ] && shift
snps=${1:-500}
individuals=${2:-5000}
tamsel=${TAMSEL:-$build/tamsel}
simulate=$build/tools/tamsel_simulate
share=$build/bench/libtamsel_main_share.so
for b in "$tamsel" "$simulate" "$share" ${BEFORE:+"$BEFORE"}; do
    [ -e "$b" ] || { echo "reader.sh: $b not found; build first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$simulate" --snps "$snps" --samples "$individuals" --seed 19 --out "$work/sim" >/dev/null

# One run: prints "MAIN_S PROCESS_S" from the preloaded library's line.
measure() {
    LD_PRELOAD=$share "$@" 2>"$work/err" >/dev/null || { cat "$work/err" >&2; exit 1; }
    sed -n 's/^main_share: //p' "$work/err"
}

echo "== $snps SNPs x $individuals individuals, --threads 2: main thread CPU against process CPU =="
for mode in "-c -p" "-c -p -a"; do
    for which in before after; do
        [ "$which" = after ] && bin=$tamsel || bin=${BEFORE:-}
        [ -n "$bin" ] || continue
        # shellcheck disable=SC2086
        set -- $(measure "$bin" -i "$work/sim.int" -o "$work/$which" $mode --threads 2)
        awk -v w="$which" -v m="$mode" -v a="$1" -v p="$2" 'BEGIN {
            printf "%-9s %-6s main %6.3f s of %7.2f s CPU: %5.2f%%, one reader feeds %4.0f workers\n",
                   m, w, a, p, 100 * a / p, p / a }'
    done
    if [ -n "${BEFORE:-}" ]; then
        for f in _calls _probs; do
            cmp -s "$work/before$f" "$work/after$f" || { echo "reader.sh: $f differs between the builds" >&2; exit 1; }
        done
    fi
done
