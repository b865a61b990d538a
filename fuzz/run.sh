#!/bin/bash
# fuzz/run.sh SECONDS [TARGET...]: builds the libFuzzer targets with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer (in build-fuzz/, or in
# $TAMSEL_FUZZ_BUILD), then runs each target for SECONDS seconds, starting
# from its seeds (fuzz_rows from fuzz/corpus/rows/, and so on). Exits non-zero
# when a target crashes, hangs or reports a sanitizer error; the input that did
# it is left in BUILD/crashes/. Prints executions per second and coverage.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_rows fuzz_gender fuzz_run fuzz_vcf fuzz_import)
build=${TAMSEL_FUZZ_BUILD:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAMSEL_FUZZ=ON -DTAMSEL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The whole-run target writes its outputs here.
TAMSEL_FUZZ_OUT=$(mktemp -d /dev/shm/tamsel-fuzz.XXXXXX 2>/dev/null || mktemp -d)
export TAMSEL_FUZZ_OUT
trap 'rm -rf "$TAMSEL_FUZZ_OUT"' EXIT
failed=0
summary=""
for t in "${targets[@]}"; do
  # New inputs go to a working corpus in the build folder; the seeds in the
  # repository stay as they are (a missing seed folder only means no seeds).
  work="$build/corpus/$t"
  mkdir -p "$work" "$build/crashes"
  seeds=()
  [ -d "fuzz/corpus/${t#fuzz_}" ] && seeds=("fuzz/corpus/${t#fuzz_}")
  log="$build/$t.log"
  echo "== $t: ${seconds}s"
  status=0
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len=4096 -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/crashes/$t-" "$work" "${seeds[@]}" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
  line="$t: ${runs:-?} executions, ${rate:-?} per second, ${cov:-cov: ?}"
  if [ "$status" -ne 0 ]; then
    failed=1
    line="$line, FAILED (status $status, see $log)"
    grep -A 40 -m 1 'ERROR: \|runtime error\|fuzz check failed\|deadly signal\|timeout' "$log" || tail -n 40 "$log"
  fi
  echo "$line"
  summary="$summary$line"$'\n'
done
echo "== fuzzing summary"
printf '%s' "$summary"
exit $failed
