#!/bin/sh
# Accuracy of `tamsel -c -p` on data with known genotypes: the simulated
# example sets, the real GigaMUGA set (against its shipped calls and the
# genotypes implied by the F1 parents), and examples/sim_auto from our own
# simulator. Builds nothing; prints the figures of tamsel_concordance.
#
# Usage: tools/accuracy.sh BUILD_DIR [SHARED_DIR] [OUT_DIR]
#   SHARED_DIR  folder with examples/ and realdata/ [the shared/ folder beside the repo]
#   OUT_DIR     where the calls files go [a fresh temporary folder, removed afterwards]
#   TAMSEL=/path/to/tamsel overrides BUILD_DIR/tamsel.
set -eu
if [ $# -lt 1 ]; then
    awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0" >&2
    exit 1
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
shared=$(cd "${2:-$repo/../shared}" && pwd) || { echo "accuracy.sh: no folder ${2:-$repo/../shared}" >&2; exit 1; }
tamsel=${TAMSEL:-$build/tamsel}
conc=$build/tools/tamsel_concordance
for f in "$tamsel" "$conc"; do
    if [ ! -x "$f" ]; then
        echo "accuracy.sh: $f not found or not executable (build first)" >&2
        exit 1
    fi
done
if [ $# -ge 3 ]; then
    out=$3
    mkdir -p "$out"
else
    out=$(mktemp -d /tmp/tamsel_accuracy.XXXXXX)
    trap 'rm -rf "$out"' EXIT
fi

failures=0

# run NAME TAMSEL_ARGS... : one caller run, its time and its log.
run() {
    name=$1
    shift
    start=$(date +%s.%N)
    if ! "$tamsel" "$@" -o "$out/$name" -c -p >"$out/$name.log" 2>&1; then
        echo "tamsel failed on $name (see $out/$name.log):" >&2
        tail -n 5 "$out/$name.log" >&2
        failures=$((failures + 1))
        return 1
    fi
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "tamsel run: %.2f s\n", b - a }'
}

# compare LABEL CONCORDANCE_ARGS... : the figures, or a note when the check fails.
compare() {
    label=$1
    shift
    echo "-- $label"
    if ! "$conc" "$@"; then
        failures=$((failures + 1))
    fi
}

ex=$shared/examples
rd=$shared/realdata

echo "== example_auto (300 SNPs x 200 samples) =="
echo "expected from a faithful fit: 59716 of 60000 called (99.53%), 59399 concordant (99.47%)"
if run auto -i "$ex/example_auto.int"; then
    compare "against the truth" "$out/auto_calls" "$ex/example_auto.truth"
fi

echo
echo "== example_x (100 X SNPs x 200 samples, -X) =="
echo "expected from a faithful fit: 19919 of 20000 called, 19861 concordant, no heterozygous call for gender code 1"
if run chrx -i "$ex/example_x.int" -g "$ex/example_x.gender" -X; then
    compare "against the truth" --gender "$ex/example_x.gender" "$out/chrx_calls" "$ex/example_x.truth"
fi

echo
echo "== gigamuga_chr10 (6811 SNPs x 116 mice, real data) =="
echo "for scale: the calls shipped with the data agree with the F1 parents at 98.86% (call rate 99.64%)"
if run giga -i "$rd/gigamuga_chr10.txt"; then
    compare "against the calls shipped with the data" "$out/giga_calls" "$rd/gigamuga_chr10.ref_calls"
    compare "against the genotypes implied by the F1 parents" "$out/giga_calls" "$rd/gigamuga_chr10.f1_expected"
fi

echo
echo "== examples/sim_auto (300 SNPs x 200 samples, our simulator) =="
if run sim -i "$repo/examples/sim_auto.int"; then
    compare "against the truth" "$out/sim_calls" "$repo/examples/sim_auto.truth"
fi

if [ "$failures" -gt 0 ]; then
    echo
    echo "accuracy.sh: $failures run(s) or check(s) failed" >&2
    exit 1
fi
