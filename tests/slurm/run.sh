#!/bin/sh
# A real one-node SLURM for the workflow's SLURM profile: starts munged,
# slurmctld and slurmd (Debian packages munge and slurm-wlm) with a munge key,
# a slurm.conf for this host and its cores and memory, and all state, logs and
# pid files in a temporary folder; runs workflow/Snakefile through
# workflow/profiles/slurm on a whole-genome example (sharded, --qc, PLINK,
# BCF); compares the gathered files byte for byte with one plain run; stops
# the daemons it started, by their pid files, on success and on failure.
# Usage: tests/slurm/run.sh [BUILD_DIR]        (as root; KEEP=1 keeps the folder)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tamsel=$build/tamsel
shards=${SHARDS:-3}
say() { echo "slurm test: $*"; }
die() { echo "slurm test: FAILED: $*" >&2; exit 1; }

[ -x "$tamsel" ] || die "$tamsel not found; build first: cmake --build build -j2 --target tamsel"
for c in munged mungekey slurmctld slurmd sbatch sinfo scontrol snakemake bcftools; do
    command -v "$c" > /dev/null || die "$c is missing (Debian packages munge, slurm-wlm, snakemake, bcftools: scripts/install-deps.sh)"
done
[ "$(id -u)" -eq 0 ] || die "slurmd runs jobs as their owner and must be started as root"

t=$(mktemp -d /tmp/tamsel-slurm.XXXXXX)
chmod 755 "$t"
started=$(date +%s)

stop() {
    # slurmd first, so that no job outlives the controller; munged last.
    for d in slurmd slurmctld munged; do
        [ -s "$t/$d.pid" ] || continue
        pid=$(cat "$t/$d.pid")
        kill "$pid" 2> /dev/null || continue
        i=0
        while kill -0 "$pid" 2> /dev/null && [ $i -lt 50 ]; do sleep 0.2; i=$((i + 1)); done
        kill -9 "$pid" 2> /dev/null || true
    done
}
logs() {
    for f in munged.log slurmctld.log slurmd.log; do
        [ -f "$t/$f" ] || continue
        echo "---- $f (last 40 lines)" >&2
        tail -n 40 "$t/$f" >&2
    done
    for f in "$t"/one.log "$t"/work/logs/slurm/*.out "$t"/work/out/*.shards/*.log; do
        [ -f "$f" ] || continue
        echo "---- $f (last 20 lines)" >&2
        tail -n 20 "$f" >&2
    done
}
finish() {
    status=$?
    [ $status -eq 0 ] || logs
    stop
    if [ "${KEEP:-0}" = 1 ]; then say "kept $t"; else rm -rf "$t"; fi
    exit $status
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# munge: its own key, socket, pid, log and seed files.
mungekey --create --keyfile="$t/munge.key" --bits=1024 > /dev/null
chmod 600 "$t/munge.key"
munged --key-file="$t/munge.key" --socket="$t/munge.socket" --pid-file="$t/munged.pid" \
    --log-file="$t/munged.log" --seed-file="$t/munged.seed" --force ||
    die "munged did not start"

# slurm.conf for this host: its cores and memory as slurmd -C reports them.
host=$(hostname -s)
node=$(slurmd -C | head -n 1)
case "$node" in NodeName=*) ;; *) die "slurmd -C printed no node line: $node" ;; esac
cpus=$(echo "$node" | sed -n 's/.* CPUs=\([0-9]*\).*/\1/p')
mkdir -p "$t/state" "$t/spool" "$t/work"
cat > "$t/slurm.conf" <<CONF
ClusterName=tamseltest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
AuthType=auth/munge
AuthInfo=socket=$t/munge.socket
CredType=cred/munge
StateSaveLocation=$t/state
SlurmdSpoolDir=$t/spool
SlurmctldPidFile=$t/slurmctld.pid
SlurmdPidFile=$t/slurmd.pid
SlurmctldLogFile=$t/slurmctld.log
SlurmdLogFile=$t/slurmd.log
SlurmctldDebug=info
SlurmdDebug=info
ProctrackType=proctrack/pgid
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
SchedulerType=sched/backfill
ReturnToService=2
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MailProg=/bin/true
KillWait=5
InactiveLimit=0
$(echo "$node" | sed "s/^NodeName=[^ ]*/NodeName=$host NodeAddr=127.0.0.1/") State=UNKNOWN
PartitionName=tamsel Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$t/slurm.conf"

slurmctld -i -f "$SLURM_CONF" || die "slurmctld did not start"
slurmd -f "$SLURM_CONF" || die "slurmd did not start"

# Wait for the node to register as idle.
i=0
while :; do
    state=$(sinfo -h -n "$host" -o %t 2> /dev/null || true)
    [ "$state" = idle ] && break
    i=$((i + 1))
    [ $i -le 60 ] || die "node $host did not become idle in 60 s (state '$state')"
    sleep 1
done
say "node $host idle ($cpus CPUs) after $i s"

# What a job larger than the node meets, as the profile's notes say.
if big=$(sbatch --parsable -c $((cpus + 1)) -o /dev/null --wrap true 2>&1); then
    sleep 2
    say "a job of $((cpus + 1)) CPUs is accepted and waits: $(squeue -h -j "$big" -o '%T %r')"
    scancel "$big"
else
    say "a job of $((cpus + 1)) CPUs is refused: $big"
fi

# A whole genome in input order with contigs that return: 15, X, 15, X, Y, MT.
data=$root/tests/data
w=$t/work
awk -F'\t' 'NR == FNR { if (FNR > 1) a[++na] = $0; else h = $0; next }
           FNR > 1 { x[++nx] = $0 }
           END {
               print h
               for (i = 1; i <= 100; i++) print a[i]
               for (i = 1; i <= 40; i++) print x[i]
               for (i = 101; i <= 200; i++) print a[i]
               for (i = 41; i <= 80; i++) print x[i]
               for (i = 81; i <= 90; i++) { sub(/\tX:/, "\tY:", x[i]); print x[i] }
               for (i = 91; i <= 100; i++) { sub(/\tX:/, "\tMT:", x[i]); print x[i] }
           }' "$data/example_auto.int" "$data/example_x.int" > "$w/in.int"
cp "$data/example_x.gender" "$w/g.txt"
options="-c -p -a --qc --whole-genome -g g.txt"

# The plain run, named as the workflow names its outputs, so that even the
# command line recorded in the VCF header is the same.
mkdir -p "$t/one/out"
cp "$w/g.txt" "$t/one/"
(cd "$t/one" && "$tamsel" -i "$w/in.int" -o out/ex $options --plink out/ex --vcf out/ex.bcf > "$t/one.log" 2>&1) ||
    die "the plain run failed"

say "running $shards shards through workflow/profiles/slurm"
snakemake -s "$root/workflow/Snakefile" -d "$w" --profile "$root/workflow/profiles/slurm" \
    --set-threads index=1 shard=1 --set-resources index:mem_mb=300 shard:mem_mb=500 \
    --latency-wait 30 --restart-times 0 \
    --config input=in.int prefix=out/ex tamsel="$tamsel" options="$options" plink=true vcf=bcf shards="$shards" \
    > "$t/snakemake.log" 2>&1 || { tail -n 60 "$t/snakemake.log" >&2; die "snakemake through the SLURM profile failed"; }

jobs=$(ls "$w/logs/slurm" | wc -l)
[ "$jobs" -eq $((shards + 1)) ] || die "expected $((shards + 1)) SLURM jobs (index and shards), found $jobs"
for s in _calls _probs _snpqc _sampleqc .bed .bim .fam .bcf; do
    cmp "$w/out/ex$s" "$t/one/out/ex$s" || die "out/ex$s differs from the plain run's"
done
say "passed: $jobs SLURM jobs, gathered files identical to one run, $(($(date +%s) - started)) s"
