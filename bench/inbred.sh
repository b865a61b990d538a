#!/bin/sh
# inbred.sh -- accuracy of --inbred: on a simulated panel of 8 inbred strains and
# their F1 crosses, the inbred AB rate and the F1 concordance with and without
# the option; on a Hardy-Weinberg simulation, how many SNPs change their calls
# when 10% of the samples are listed as inbred by mistake. Prints figures only.
# sh bench/inbred.sh [BUILD_DIR] [REPLICATES] [SNPS]
set -eu
build=$(cd "${1:-build}" && pwd)
reps=${2:-8}
snps=${3:-2000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$build/tools/tamsel_simulate" --inbred-panel "$reps" --snps "$snps" --seed 11 --out panel
n_inbred=$(wc -l < panel.inbred)
"$build/tamsel" -i panel.int -o plain -c --quiet > /dev/null
"$build/tamsel" -i panel.int -o inbred -c --quiet --inbred panel.inbred > /dev/null
echo "panel: 8 strains x $reps replicates + 8 F1 x $reps, $snps SNPs"
printf 'without --inbred: '; awk -v n_inbred="$n_inbred" -f "$here/inbred_score.awk" panel.truth plain_calls
printf 'with --inbred:    '; awk -v n_inbred="$n_inbred" -f "$here/inbred_score.awk" panel.truth inbred_calls

"$build/tools/tamsel_simulate" --samples 400 --snps "$snps" --seed 12 --out hw
head -1 hw.truth | tr ' ' '\n' | sed -n '2,41p' > wrong.list
"$build/tamsel" -i hw.int -o hw_plain -c --quiet > /dev/null
"$build/tamsel" -i hw.int -o hw_wrong -c --quiet --inbred wrong.list > /dev/null
changed=$(paste -d '\n' hw_plain_calls hw_wrong_calls | awk 'NR % 2 { a = $0; next } a != $0 { ++n } END { print n + 0 }')
cells=$(paste -d '\n' hw_plain_calls hw_wrong_calls | awk 'NR > 2 && NR % 2 { split($0, a); next } NR > 2 { for (i = 4; i <= NF; ++i) if (a[i] != $i) ++n } END { print n + 0 }')
echo "Hardy-Weinberg panel, 400 samples, 40 listed by mistake: $changed of $snps SNPs change calls ($cells calls)"
