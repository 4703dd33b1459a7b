#!/usr/bin/env bash
# Times whole VORN runs on generated structures of 2000, 5000, 10000,
# 20000, 50000 and 100000 atoms (copies included): RINGS 3 8, NCELLS 1,
# EXTEND_H, DATABANK with examples/vorn.db, KEYGEN all; then the 20000 again
# with a generated 651-entry MATTS-format bank.  Prints wall time, user time
# and peak memory of each run and the ratio t(largest)/t(smallest) of the wall times
# (and of the user times, which other work on the machine disturbs less).
#
#   tools/bench.sh BUILD_DIR [SIZES...]
#
# VORN_DIRECT=1 in the environment times the direct all-pairs forms (slow).
set -euo pipefail

build=${1:-build}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 5000 10000 20000 50000 100000)
src=$(cd "$(dirname "$0")/.." && pwd)
vorn=$(cd "$build" && pwd)/vorn
work=$(cd "$build" && pwd)/bench
[ -x "$vorn" ] || { echo "no program at $vorn (build first)"; exit 1; }

printf '%8s %8s %10s %10s %12s\n' atoms in-file "wall(s)" "user(s)" "peak(MB)"
declare -A wall user
for n in "${sizes[@]}"; do
  dir="$work/$n"
  rm -rf "$dir"
  info=$(python3 "$src/tools/make_bench_structure.py" "$n" "$dir" vorn.db)
  cp "$src/examples/vorn.db" "$dir/"
  infile=${info%% *}
  ( cd "$dir" && /usr/bin/time -f '%e %U %M' -o time.txt "$vorn" > terminal.txt 2>&1 ) || {
    echo "run of $n atoms failed; see $dir/terminal.txt"; exit 1; }
  read -r w u m < "$dir/time.txt"
  wall[$n]=$w
  user[$n]=$u
  printf '%8s %8s %10s %10s %12.1f\n' "$n" "$infile" "$w" "$u" "$(echo "$m / 1024" | bc -l)"
done
first=${sizes[0]}
last=${sizes[${#sizes[@]}-1]}
if [ "$first" != "$last" ]; then
  printf 't(%s)/t(%s) = %.1f (wall), %.1f (user)\n' "$last" "$first" \
    "$(echo "${wall[$last]} / ${wall[$first]}" | bc -l)" "$(echo "${user[$last]} / ${user[$first]}" | bc -l)"
fi
# The 20000 atoms (or the largest size asked for below that) again with a
# MATTS-format bank of 651 invented entries instead of vorn.db: the typing
# of every atom.
n=$first
for s in "${sizes[@]}"; do [ "$s" -le 20000 ] && n=$s; done
dir="$work/$n-matts"
rm -rf "$dir"
python3 "$src/tools/make_bench_structure.py" "$n" "$dir" vorn.db > /dev/null
python3 "$src/tools/make_bench_matts_bank.py" "$dir/vorn.db" 651
( cd "$dir" && /usr/bin/time -f '%e %U %M' -o time.txt "$vorn" > terminal.txt 2>&1 ) || {
  echo "MATTS run of $n atoms failed; see $dir/terminal.txt"; exit 1; }
read -r w u m < "$dir/time.txt"
printf '%8s %8s %10s %10s %12.1f  (MATTS bank, 651 entries)\n' "$n" bench.res "$w" "$u" "$(echo "$m / 1024" | bc -l)"
echo "(runs and their files are in $work)"

# The form-factor table: L-alanine's measured reflections, then P1 cells of
# 25 to 200 atoms at sin(theta)/lambda 1.0 (processor time of the table).
echo
"$(cd "$build" && pwd)/formfactor_bench" "$src/tests/data/shelx/L-alanine_P212121_freeH.res" \
  "$src/tests/data/formfactors/L-alanine_P212121_freeH.hkl"
# And the whole run that writes the L-alanine table.
dir="$work/alanine-tsc"
rm -rf "$dir" && mkdir -p "$dir"
cp "$src/tests/data/shelx/L-alanine_P212121_freeH.res" "$dir/ala.res"
cp "$src/tests/data/formfactors/L-alanine_P212121_freeH.hkl" "$dir/ala.hkl"
printf 'FORMAT *shelx\nINPUT ala.res\nFORMFACTORS ala.hkl\n' > "$dir/vorn.inp"
( cd "$dir" && /usr/bin/time -f '%e %U' -o time.txt "$vorn" > terminal.txt 2>&1 )
read -r w u < "$dir/time.txt"
echo "whole run writing the L-alanine vorn.tsc: wall $w s, user $u s"
