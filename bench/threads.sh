#!/bin/sh
# Genome-scale figures of `tamsel -c -p`: individual-SNPs per second on 1 and 2
# threads, gzip and BGZF input against plain, peak memory at 5,000 individuals,
# and the projected time of 1,000,000 SNPs x 5,000 individuals on 16 cores.
# Usage: bench/threads.sh [BUILD_DIR] [SNPS [INDIVIDUALS]]   (default 2000 x 1000)
# Prints figures only; fails only when a binary is missing or a run fails.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
[ $# -gt 0 ] && shift
snps=${1:-2000}
individuals=${2:-1000}
tamsel=${TAMSEL:-$build/tamsel}
simulate=$build/tools/tamsel_simulate
for b in "$tamsel" "$simulate"; do
    [ -x "$b" ] || { echo "threads.sh: $b not found; build first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wall seconds and peak resident MB of one run, from the kernel's accounting.
measure() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys, time
t = time.monotonic()
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
wall = time.monotonic() - t
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
print(f"{wall:.3f} {peak:.1f}")
PY
}

"$simulate" --snps "$snps" --samples "$individuals" --seed 5 --out "$work/sim" >/dev/null
gzip -c "$work/sim.int" > "$work/sim.int.gz"
bgzip -c "$work/sim.int" > "$work/sim.int.bgz"
cells=$((snps * individuals))
echo "== $snps SNPs x $individuals individuals, tamsel -c -p =="
set -- $(measure "$tamsel" -i "$work/sim.int" -o "$work/o1" -c -p --threads 1)
t1=$1
set -- $(measure "$tamsel" -i "$work/sim.int" -o "$work/o2" -c -p --threads 2)
t2=$1
cmp -s "$work/o1_probs" "$work/o2_probs" || { echo "threads.sh: outputs differ" >&2; exit 1; }
awk -v c="$cells" -v a="$t1" -v b="$t2" 'BEGIN {
    printf "1 thread : %6.2f s  %9.0f individual-SNPs/s\n", a, c / a
    printf "2 threads: %6.2f s  %9.0f individual-SNPs/s  speed-up %.2f\n", b, c / b, a / b
    printf "projected 1,000,000 SNPs x 5,000 individuals on 16 cores: %.1f min\n", 5e9 / (c / a) / 16 / 60 }'
for form in gz bgz; do
    set -- $(measure "$tamsel" -i "$work/sim.int.$form" -o "$work/z" -c -p --threads 1)
    awk -v f="$form" -v a="$t1" -v b="$1" 'BEGIN { printf "%-4s input, 1 thread: %6.2f s  (%+.1f%% against plain)\n", f, b, 100 * (b - a) / a }'
done
echo "== peak memory at 5,000 individuals, 2 threads =="
for n in 100 1000; do
    "$simulate" --snps "$n" --samples 5000 --seed 6 --out "$work/m$n" >/dev/null
    set -- $(measure "$tamsel" -i "$work/m$n.int" -o "$work/m" -c -p --threads 2)
    echo "$n SNPs: peak $2 MB, $1 s"
done
