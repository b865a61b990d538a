#!/bin/sh
# One-thread speed of the fit: individual-SNPs per second of `tamsel -c -p`
# on a simulated 2,000 SNP x 500 individual set, this build against a
# baseline built from a git revision, run alternately in one go so that both
# see the same machine; the outputs of the two are compared byte for byte.
# Usage: bench/fit.sh [BUILD_DIR] [BASE_REV [SNPS [INDIVIDUALS [SEED]]]]
#   BASE_REV: any revision git knows (a tag, a commit); "none" (the default)
#   skips the baseline. TAMSEL=/path overrides this build's program.
# Prints figures only; fails only when a build or a run fails.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
base=${2:-none}
snps=${3:-2000}
individuals=${4:-500}
seed=${5:-1}
tamsel=${TAMSEL:-$build/tamsel}
simulate=$build/tools/tamsel_simulate
for b in "$tamsel" "$simulate"; do
    [ -x "$b" ] || { echo "fit.sh: $b not found; build first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'git -C "$here/.." worktree remove --force "$work/src" 2>/dev/null || true; rm -rf "$work"' EXIT
"$simulate" --snps "$snps" --samples "$individuals" --seed "$seed" --out "$work/sim" >/dev/null

programs="$tamsel"
if [ "$base" != none ]; then
    echo "building the baseline $base ..."
    git -C "$here/.." worktree add -q --detach "$work/src" "$base"
    cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$work/build" -j2 --target tamsel >/dev/null
    programs="$work/build/tamsel $tamsel"
fi

# User+system CPU seconds of one run (one thread), from the kernel's accounting.
cpu() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{r.ru_utime + r.ru_stime:.3f}")
PY
}

rounds=5
echo "== fit speed, one thread: $snps SNPs x $individuals individuals (simulated, seed $seed), $rounds rounds =="
n=0
for p in $programs; do n=$((n + 1)); : > "$work/t$n"; done
for r in $(seq $rounds); do
    n=0
    for p in $programs; do
        n=$((n + 1))
        cpu "$p" -i "$work/sim.int" -o "$work/out$n" -c -p --threads 1 >> "$work/t$n"
    done
done
n=0
for p in $programs; do
    n=$((n + 1))
    best=$(sort -n "$work/t$n" | head -1)
    median=$(sort -n "$work/t$n" | sed -n "$(((rounds + 1) / 2))p")
    rate=$(awk -v s="$snps" -v i="$individuals" -v t="$median" 'BEGIN{printf "%.0f", s * i / t}')
    label=this; [ "$n" = 1 ] && [ "$base" != none ] && label="base $base"
    echo "$label: median $median s CPU (best $best s): $rate individual-SNPs/s"
    echo "$median" > "$work/m$n"
done
if [ "$base" != none ]; then
    awk -v a="$(cat "$work/m1")" -v b="$(cat "$work/m2")" 'BEGIN{printf "speed-up: %.2fx\n", a / b}'
    for f in _calls _probs; do
        cmp -s "$work/out1$f" "$work/out2$f" && echo "$f: identical" || echo "$f: DIFFERS"
    done
fi
