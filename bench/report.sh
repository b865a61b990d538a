#!/bin/sh
# report.sh -- time and peak memory of tamsel-report on a simulated run
# (tamsel --qc -c -p --vcf): the page with the cluster plots drawn from the
# intensities (-i), then from the run's BGZF VCF. Prints figures only.
# Usage: sh bench/report.sh [BUILD_DIR] [SNPS [SAMPLES]]   (defaults: build 1000 5000)
# KEEP=DIR keeps the simulated run there instead of a temporary folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
[ $# -gt 0 ] && shift
snps=${1:-1000}
samples=${2:-5000}
for f in "$build/tamsel" "$build/tamsel-report" "$build/tools/tamsel_simulate" /usr/bin/time; do
    if [ ! -x "$f" ]; then
        echo "report.sh: $f not found; build first: cmake --build build -j2 --target tamsel tamsel_simulate tamsel_report" >&2
        exit 1
    fi
done
if [ -n "${KEEP:-}" ]; then
    mkdir -p "$KEEP"
    work=$(cd "$KEEP" && pwd)
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
cd "$work"

if [ ! -f run_snpqc ]; then
    "$build/tools/tamsel_simulate" --snps "$snps" --samples "$samples" --seed 21 --out sim > /dev/null
    "$build/tamsel" -i sim.int -o run -c -p --qc --vcf run.vcf.gz --quiet > /dev/null
fi

# One line per report: wall and CPU seconds, peak resident memory.
measure() {
    label=$1
    shift
    /usr/bin/time -v "$@" > /dev/null 2> time.txt || { cat time.txt >&2; exit 1; }
    awk -v label="$label" '
        /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); wall = 0; for (i = 1; i <= n; ++i) wall = wall * 60 + t[i] }
        /User time/ { cpu += $NF }
        /System time/ { cpu += $NF }
        /Maximum resident set size/ { rss = $NF / 1024 }
        END { printf "%-28s wall %6.1f s  CPU %6.1f s  peak RSS %5.0f MB\n", label, wall, cpu, rss }' time.txt
}

# The same run with the snpqc rows reversed: of SNPs that tie, the worst are
# then the last in the files, which are read to their end.
if [ ! -f late_snpqc ]; then
    { head -1 run_snpqc; tail -n +2 run_snpqc | tac; } > late_snpqc
    for f in _sampleqc _calls .vcf.gz; do ln -s "run$f" "late$f"; done
fi

echo "tamsel-report on $snps SNPs x $samples samples ($(du -m sim.int | cut -f1) MB of intensities, $(du -m run.vcf.gz | cut -f1) MB of VCF)"
measure "-i sim.int" "$build/tamsel-report" run -i sim.int -o from_int.html --no-mqc
measure "--vcf run.vcf.gz" "$build/tamsel-report" run --vcf run.vcf.gz -o from_vcf.html
measure "-i, worst SNPs last" "$build/tamsel-report" late -i sim.int -o late_int.html --no-mqc
measure "--vcf, worst SNPs last" "$build/tamsel-report" late -o late_vcf.html --no-mqc
# Indexed (when the positions are sorted), only the worst SNPs' blocks are read.
if bcftools index -f run.vcf.gz 2> /dev/null; then
    ln -sf run.vcf.gz.csi late.vcf.gz.csi
    measure "--vcf indexed, worst last" "$build/tamsel-report" late -o late_index.html --no-mqc
    rm -f run.vcf.gz.csi late.vcf.gz.csi
fi
