#!/usr/bin/env bash
# What the Python module costs against sylvara-sim, back to back in one run:
#   - world.tick(1000) against sylvara-sim's own tick time for the same 1000 ticks of the same world
#     (its "ran N ticks in S s" line, set-up left out on both sides), ROUNDS times each, taking turns,
#     compared by their best and by their medians; by default a 10 x 10 board under rules/lasting.toml,
#     whose populations keep every tick busy;
#   - world.organisms() on the 100 x 100 board right after its genesis (300,000 organisms).
# Usage: bench/python-cost.sh [--bin FOLDER] [--seed S] [--size N] [--ticks T] [--rounds R] [--rules FILE]
#   --bin     the run tree's bin/ with sylvara-sim (default stage/bin); the module is taken from the
#             python/ folder beside it
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/stage/bin"
seed=1
size=10
ticks=1000
rules="$root/rules/lasting.toml"
rounds=7
while [ $# -gt 0 ]; do
    case $1 in
    --bin) bin=$(cd "$2" && pwd); shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --ticks) ticks=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --rules) rules=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    *) echo "bench/python-cost.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
export ALSOFT_DRIVERS=null
export PYTHONPATH="$bin/../python"
scratch=$(mktemp -d /tmp/sylvara-pycost.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

sim_seconds() {
    "$bin/sylvara-sim" --seed "$seed" --size "$size" --ticks "$ticks" --rules "$rules" --csv run.csv \
        --plot run.png --traits traits.png 2>&1 | sed -n 's/^ran [0-9]* ticks in \([0-9.]*\) s.*/\1/p'
}
python_seconds() {
    /usr/bin/python3 -c '
import sys, time, sylvara
seed, size, ticks = map(int, sys.argv[1:4])
world = sylvara.World(size=size, seed=seed, rules=sys.argv[4])
start = time.perf_counter()
world.tick(ticks)
print(f"{time.perf_counter() - start:.4f}")' "$seed" "$size" "$ticks" "$rules"
}
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

: >sim.txt
: >python.txt
for _ in $(seq "$rounds"); do
    sim_seconds >>sim.txt
    python_seconds >>python.txt
done
sim=$(median <sim.txt)
python=$(median <python.txt)
sim_best=$(sort -g sim.txt | head -1)
python_best=$(sort -g python.txt | head -1)
echo "tick($ticks), size $size, seed $seed, $(basename "$rules"), $rounds rounds each:"
echo "  sylvara-sim   best $sim_best s, median $sim s   ($(tr '\n' ' ' <sim.txt))"
echo "  world.tick    best $python_best s, median $python s   ($(tr '\n' ' ' <python.txt))"
awk -v p="$python" -v s="$sim" -v pb="$python_best" -v sb="$sim_best" 'BEGIN {
    printf "  ratio python / sylvara-sim: best %.3f, median %.3f (at most 1.05 wanted)\n", pb / sb, p / s}'

/usr/bin/python3 -c '
import time, sylvara
world = sylvara.World(size=100, seed=1)
alive = world.census()
count = alive["herbivores"] + alive["carnivores"] + alive["plants"]
times, cpu = [], []
for _ in range(5):
    start, used = time.perf_counter(), time.process_time()
    table = world.organisms()
    times.append(time.perf_counter() - start)
    cpu.append(time.process_time() - used)
assert len(table["id"]) == count
times.sort()
cpu.sort()
print(f"organisms() on {count} organisms: median {1000 * times[2]:.1f} ms, best {1000 * times[0]:.1f} ms; "
      f"processor time median {1000 * cpu[2]:.1f} ms (under 100 ms wanted)")'
