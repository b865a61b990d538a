#!/bin/sh
# Benchmark of sharded runs: the index pass, one run, and the same run split
# into K = 2 and 4 row ranges run side by side (one thread each) and gathered;
# checks that the gathered files equal the one run's, byte for byte.
# Usage: bench/shards.sh [BUILD_DIR] [SNPS [INDIVIDUALS]]     [20000 x 1000]
#        bench/shards.sh --whole-genome [BUILD_DIR] [SNPS [INDIVIDUALS]]  [20000 x 500]
#   TAMSEL=/path/to/tamsel overrides the program; OPTIONS the run's options
#   ["-c -p -k -u -a"; with --whole-genome "-c -p -a --qc"]; WORKDIR the
#   scratch folder (removed at the end); SHARDS [4] and CORES [2] the
#   workflow's shards and --cores with --whole-genome.
# --whole-genome simulates chromosomes 1-22, X, Y and MT in one file and runs
# it with --whole-genome -g, a BCF and PLINK files once, and through the
# Snakemake workflow (index, shards, gathers); the gathers are timed again on
# their own from the kept shard files.
# Prints figures: wall seconds, CPU seconds (user + system) and their share of the one run.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
genome=0
[ "${1:-}" = --whole-genome ] && { genome=1; shift; }
build=${1:-$here/../build}
[ $# -gt 0 ] && shift
snps=${1:-20000}
individuals=${2:-$([ $genome = 1 ] && echo 500 || echo 1000)}
tamsel=${TAMSEL:-$build/tamsel}
simulate=$build/tools/tamsel_simulate
options=${OPTIONS:-"-c -p -k -u -a"}
case $tamsel in /*) ;; *) tamsel=$PWD/$tamsel ;; esac
for p in "$tamsel" "$simulate"; do
    [ -x "$p" ] || { echo "shards.sh: $p not found; build first: cmake --build build -j2" >&2; exit 1; }
done
command -v bgzip > /dev/null || { echo "shards.sh: bgzip (Debian package tabix) is needed" >&2; exit 1; }
work=${WORKDIR:-$(mktemp -d)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
in=$work/in.int.gz

# seconds WALL CPU of a command, its output to $work/log
timed() {
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" > "$work/log" 2>&1 || { cat "$work/log" >&2; exit 1; }
    awk '{ printf "%.2f %.2f", $1, $2 + $3 }' "$work/time"
}

if [ $genome = 1 ]; then
    options=${OPTIONS:-"-c -p -a --qc"}
    shards=${SHARDS:-4} cores=${CORES:-2}
    command -v snakemake > /dev/null || { echo "shards.sh: snakemake is needed for --whole-genome" >&2; exit 1; }
    echo "== whole genome: $snps SNPs x $individuals individuals over 1-22, X, Y, MT; options $options" \
        "--whole-genome -g, BCF, PLINK; $(nproc) cores =="
    # Rows per chromosome: X 5%, Y 1%, MT 0.5%, the rest shared by the autosomes.
    x=$((snps / 20)) y=$((snps / 100)) mt=$((snps / 200))
    auto=$((snps - x - y - mt))
    "$simulate" --snps "$x" --samples "$individuals" --seed 100 --chrom X --out "$work/X" > /dev/null
    head -n 1 "$work/X.int" > "$work/in.int"
    for c in $(seq 1 22) X Y MT; do
        case $c in
            X) ;;
            Y) "$simulate" --snps "$y" --samples "$individuals" --seed 124 --chrom Y --out "$work/$c" > /dev/null ;;
            MT) "$simulate" --snps "$mt" --samples "$individuals" --seed 126 --chrom MT --out "$work/$c" > /dev/null ;;
            *) n=$(( c * auto / 22 - (c - 1) * auto / 22 ))
               "$simulate" --snps "$n" --samples "$individuals" --seed "$c" --chrom "$c" --out "$work/$c" > /dev/null ;;
        esac
        tail -n +2 "$work/$c.int" >> "$work/in.int"
        rm -f "$work/$c.truth"
        [ "$c" = X ] || rm -f "$work/$c.int"
    done
    rm -f "$work/X.int"
    mv "$work/X.gender" "$work/in.gender"
    bgzip -@ 2 "$work/in.int"
    echo "input: $(du -h "$in" | cut -f1) BGZF, $((x)) X, $y Y, $mt MT rows"
    wg="--whole-genome -g $work/in.gender"
    mkdir -p "$work/one"
    figures=$(timed "$tamsel" -i "$in" -o "$work/one/ex" $options $wg --vcf "$work/one/ex.bcf" --plink "$work/one/ex" --quiet) || exit 1
    set -- $figures
    one_wall=$1 one_cpu=$2
    figures=$(timed snakemake -s "$here/../workflow/Snakefile" -d "$work" --cores "$cores" --notemp -q \
        --config input="$in" prefix=out/ex tamsel="$tamsel" options="$options $wg" shards="$shards" vcf=bcf plink=true) || exit 1
    set -- $figures
    flow_wall=$1 flow_cpu=$2
    # The gathers once more, on their own, from the shard files kept by --notemp.
    list() { i=1; while [ $i -le "$shards" ]; do printf ' %s' "$work/out/ex.shards/$i$1"; i=$((i + 1)); done; }
    gather=$here/../workflow/scripts/gather.py
    : > "$work/gathers"
    gathered() {
        what=$1
        shift
        figures=$(timed python3 "$gather" "$@") || exit 1
        echo "$what $figures" >> "$work/gathers"
    }
    gathered _calls "$work/g_calls" $(list _calls)
    gathered _probs "$work/g_probs" $(list _probs)
    gathered _snpqc "$work/g_snpqc" $(list _snpqc)
    gathered _sampleqc --sampleqc "$work/g_sampleqc" $(list _sampleqc.part)
    gathered .bed/.bim/.fam --plink "$work/g" $(list "")
    gathered .bcf --vcf "$work/g.bcf" "$(bcftools view -h "$work/out/ex.bcf" | sed -n 's/^##tamselCommand=//p')" $(list .bcf)
    gather_wall=$(awk '{ s += $2 } END { print s }' "$work/gathers")
    gather_cpu=$(awk '{ s += $3 } END { print s }' "$work/gathers")
    for s in _calls _probs _snpqc _sampleqc .bed .bim .fam; do
        cmp -s "$work/out/ex$s" "$work/one/ex$s" || { echo "shards.sh: $s of the workflow differs from one run" >&2; exit 1; }
        cmp -s "$work/g$s" "$work/one/ex$s" || { echo "shards.sh: $s gathered again differs from one run" >&2; exit 1; }
    done
    bcftools view -H "$work/one/ex.bcf" > "$work/one.body"
    bcftools view -H "$work/out/ex.bcf" | cmp -s - "$work/one.body" ||
        { echo "shards.sh: the workflow's BCF records differ from one run" >&2; exit 1; }
    printf "%-44s %8s %8s %10s\n" "" "wall s" "CPU s" "of one run"
    printf "%-44s %8.2f %8.2f %9.1f%%\n" "one run (1 thread)" "$one_wall" "$one_cpu" 100
    printf "%-44s %8.2f %8.2f %9.1f%%\n" "workflow: index, $shards shards, gathers (--cores $cores)" "$flow_wall" "$flow_cpu" \
        "$(echo "$flow_cpu $one_cpu" | awk '{ print 100 * $1 / $2 }')"
    printf "%-44s %8.2f %8.2f %9.1f%%\n" "  of which the gathers, timed alone" "$gather_wall" "$gather_cpu" \
        "$(echo "$gather_cpu $one_cpu" | awk '{ print 100 * $1 / $2 }')"
    while read -r what wall cpu; do
        printf "%-44s %8.2f %8.2f %9.1f%%\n" "    gather $what" "$wall" "$cpu" "$(echo "$cpu $one_cpu" | awk '{ print 100 * $1 / $2 }')"
    done < "$work/gathers"
    echo "the workflow's files equal the one run's (_calls _probs _snpqc _sampleqc .bed .bim .fam; BCF records)"
    exit 0
fi

echo "== sharded runs: $snps SNPs x $individuals individuals, options $options, $(nproc) cores =="
"$simulate" --snps "$snps" --samples "$individuals" --seed 11 --out "$work/in" > /dev/null
bgzip -@ 2 -c "$work/in.int" > "$in"
rm -f "$work/in.int" "$work/in.truth"
echo "input: $(du -h "$in" | cut -f1) BGZF"

set -- $(timed "$tamsel" --index "$in")
index_wall=$1 index_cpu=$2
set -- $(timed "$tamsel" -i "$in" -o "$work/one" $options --quiet)
one_wall=$1 one_cpu=$2
printf "%-32s %8s %8s %10s\n" "" "wall s" "CPU s" "of one run"
printf "%-32s %8.2f %8.2f %9.1f%%\n" "index pass (--index)" "$index_wall" "$index_cpu" \
    "$(echo "$index_cpu $one_cpu" | awk '{ print 100 * $1 / $2 }')"
printf "%-32s %8.2f %8.2f %9.1f%%\n" "K = 1 (one run, 1 thread)" "$one_wall" "$one_cpu" 100

rows=$(awk -F'\t' '$1 == "#rows" { print $2 }' "$in.tsi")
for k in 2 4; do
    start=$(date +%s.%N)
    i=1
    while [ "$i" -le "$k" ]; do
        first=$(( (i - 1) * rows / k + 1 )) last=$(( i * rows / k ))
        /usr/bin/time -f "%U %S" -o "$work/time.$i" \
            "$tamsel" -i "$in" -o "$work/s$i" $options -s "$first" "$last" --quiet > "$work/log.$i" 2>&1 &
        i=$((i + 1))
    done
    wait
    for suffix in _calls _probs _kmodelmu _contrastmu; do
        [ -f "$work/one$suffix" ] || continue
        shards=""
        i=1
        while [ "$i" -le "$k" ]; do shards="$shards $work/s$i$suffix"; i=$((i + 1)); done
        python3 "$here/../workflow/scripts/gather.py" "$work/joined$suffix" $shards
        cmp -s "$work/joined$suffix" "$work/one$suffix" || { echo "shards.sh: K = $k: $suffix differs from one run" >&2; exit 1; }
    done
    end=$(date +%s.%N)
    cpu=$(cat "$work"/time.* | awk '{ s += $1 + $2 } END { print s }')
    printf "%-32s %8.2f %8.2f %9.1f%%\n" "K = $k (side by side, gathered)" \
        "$(echo "$start $end" | awk '{ print $2 - $1 }')" "$cpu" \
        "$(echo "$cpu $one_cpu" | awk '{ print 100 * $1 / $2 }')"
    rm -f "$work"/time.* "$work"/s[0-9]*
done
echo "gathered files of K = 2 and 4 are identical to the one run's"

# What the index saves a late shard: rows before FIRST are neither read nor split.
last_rows="-s $((rows - 99)) $rows"
set -- $(timed "$tamsel" -i "$in" -o "$work/late" -c $last_rows --no-index --quiet)
no_index=$1
set -- $(timed "$tamsel" -i "$in" -o "$work/late" -c $last_rows --quiet)
printf "last 100 rows (-c): %.2f s reading from the start, %.2f s from the index\n" "$no_index" "$1"
