#!/bin/sh
# Benchmark of sharded runs: the index pass, one run, and the same run split
# into K = 2 and 4 row ranges run side by side (one thread each) and gathered;
# checks that the gathered files equal the one run's, byte for byte.
# Usage: bench/shards.sh [BUILD_DIR] [SNPS [INDIVIDUALS]]     [20000 x 1000]
#   TAMSEL=/path/to/tamsel overrides the program; OPTIONS the run's options
#   ["-c -p -k -u -a"]; WORKDIR the scratch folder (removed at the end).
# Prints figures: wall seconds, CPU seconds (user + system) and their share of the one run.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
[ $# -gt 0 ] && shift
snps=${1:-20000}
individuals=${2:-1000}
tamsel=${TAMSEL:-$build/tamsel}
simulate=$build/tools/tamsel_simulate
options=${OPTIONS:-"-c -p -k -u -a"}
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
