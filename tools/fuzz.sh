#!/usr/bin/env bash
# Runs every fuzz harness of a fuzz build for a bounded time, each on a seed
# corpus made from real files: the SHELX files of tests/data and the
# example, the XD pairs, the test and example databanks, the example control
# file and the small seeds of tests/fuzz/seeds.
#
#   tools/fuzz.sh BUILD_DIR [SECONDS_PER_HARNESS]
#
# A crash, a sanitizer report, a timeout (10 s on one input), running out
# of memory or an unexpected exception is a finding: the input is kept as
# BUILD_DIR/fuzz-findings/HARNESS-*, the log as BUILD_DIR/fuzz-logs/HARNESS.log,
# and the script exits with status 1 after running every harness.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: tools/fuzz.sh BUILD_DIR [SECONDS]}
build=$(cd "$build" && pwd)   # the harnesses work in a scratch directory
seconds=${2:-60}
shared=tests/data
seeds=tests/fuzz/seeds
harnesses=(control shelx xd aim2tab platon databank matts_bank numbers)

corpus=$build/fuzz-corpus
rm -rf "$corpus"
mkdir -p "$corpus" "$build/fuzz-findings" "$build/fuzz-logs"
for h in "${harnesses[@]}"; do mkdir -p "$corpus/$h"; done

copy() {   # copy FILES... into corpus dir $1 when they exist
  local dir=$1; shift
  local f
  for f in "$@"; do [ -f "$f" ] && cp "$f" "$dir/"; done
  return 0
}
copy "$corpus/control" examples/vorn.inp "$seeds"/control/*
copy "$corpus/shelx" "$shared"/shelx/*.res "$shared"/shelx/*.ins examples/*.res tests/data/*.res tests/data/*.ins
for d in "$shared"/xd/*/; do
  [ -f "$d/xd.mas" ] || continue
  name=$(basename "$d")
  for par in "$d"/xd.inp "$d"/xd.res; do
    [ -f "$par" ] || continue
    { cat "$d/xd.mas"; printf '\n@@@@\n'; cat "$par"; } > "$corpus/xd/$name-$(basename "$par")"
  done
done
copy "$corpus/aim2tab" "$seeds"/aim2tab/*
copy "$corpus/platon" "$seeds"/platon/*
copy "$corpus/databank" tests/data/*.db examples/*.db
copy "$corpus/matts_bank" tests/data/matts/*.matts
copy "$corpus/numbers" "$seeds"/numbers/*
head -c 4000 examples/paracetamol.res > "$corpus/numbers/paracetamol-head.txt"

failed=()
for h in "${harnesses[@]}"; do
  exe=$build/tests/fuzz/fuzz_$h
  if [ ! -x "$exe" ]; then
    echo "fuzz: $exe is missing (build with make fuzz)" >&2
    failed+=("$h")
    continue
  fi
  log=$build/fuzz-logs/$h.log
  start=$(date +%s)
  # One process per harness; the seed files seed the corpus directory,
  # which the run extends with the inputs that found new code.
  ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$h-" "$corpus/$h" > "$log" 2>&1
  rc=$?
  took=$(( $(date +%s) - start ))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
  if [ $rc -eq 0 ]; then
    echo "fuzz $h: ${runs:-?} inputs in ${took}s, ${cov:-cov ?}, no finding"
  else
    echo "fuzz $h: FINDING (exit $rc) after ${took}s; log $log" >&2
    grep -m 5 -E 'ERROR|runtime error|vorn fuzz|uncaught|Test unit written' "$log" >&2
    failed+=("$h")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${#harnesses[@]} harnesses, ${seconds}s each, no finding"
