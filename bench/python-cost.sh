#!/usr/bin/env bash
# What the Python module costs against sylvara-sim, by processor time, in one run:
#   - world.tick(1000) against sylvara-sim's own ticks of the same world: ROUNDS rounds, each running
#     sylvara-sim for the ticks, sylvara-sim for no tick (its set-up, census and plots alone) and the
#     module's tick(1000) in a fresh python3, in turn. The runner's ticks cost the processor time of
#     the first run less the second's (user and system, its gnuplot children included, as the kernel
#     counts them for a finished child); the module's is time.process_time() around tick() itself.
#     Prints each round's ratio python / sylvara-sim and their median; by default a 10 x 10 board
#     under rules/lasting.toml, whose populations keep every tick busy;
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
rounds=9
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
for n in "$seed" "$size" "$ticks" "$rounds"; do
    case "$n" in '' | *[!0-9]*) echo "bench/python-cost.sh: $n is not a whole number" >&2; exit 2 ;; esac
done
[ "$rounds" -ge 1 ] || { echo "bench/python-cost.sh: at least one round" >&2; exit 2; }
export ALSOFT_DRIVERS=null
export PYTHONPATH="$bin/../python"
scratch=$(mktemp -d /tmp/sylvara-pycost.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

/usr/bin/python3 - "$bin/sylvara-sim" "$seed" "$size" "$ticks" "$rules" "$rounds" <<'EOF_PY'
import resource, statistics, subprocess, sys

sim, seed, size, ticks, rules, rounds = sys.argv[1], *map(int, sys.argv[2:5]), sys.argv[5], int(sys.argv[6])

def children_cpu():
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime

def sim_cpu(n):
    before = children_cpu()
    subprocess.run([sim, "--seed", str(seed), "--size", str(size), "--ticks", str(n), "--rules", rules,
                    "--csv", "run.csv", "--plot", "run.png", "--traits", "traits.png"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return children_cpu() - before

MODULE = """
import sys, time, sylvara
world = sylvara.World(size=int(sys.argv[2]), seed=int(sys.argv[1]), rules=sys.argv[4])
start = time.process_time()
world.tick(int(sys.argv[3]))
print(time.process_time() - start)
"""

def python_cpu():
    out = subprocess.run([sys.executable, "-c", MODULE, str(seed), str(size), str(ticks), rules],
                         check=True, capture_output=True, text=True).stdout
    return float(out.split()[-1])

sims, pythons, ratios = [], [], []
for r in range(rounds):
    # The three in a turning order, so that a drift of the machine's speed falls on each alike.
    runs = [lambda: sim_cpu(ticks), lambda: sim_cpu(0), python_cpu]
    k = r % 3
    results = {}
    for i in list(range(k, 3)) + list(range(k)):
        results[i] = runs[i]()
    sim_ticks = results[0] - results[1]
    sims.append(sim_ticks)
    pythons.append(results[2])
    ratios.append(results[2] / sim_ticks if sim_ticks > 0 else float("nan"))

print(f"tick({ticks}), size {size}, seed {seed}, {rules.rsplit('/', 1)[-1]}, {rounds} rounds, processor seconds:")
print(f"  sylvara-sim ticks  median {statistics.median(sims):.3f} s   ({' '.join(f'{v:.3f}' for v in sims)})")
print(f"  world.tick         median {statistics.median(pythons):.3f} s   ({' '.join(f'{v:.3f}' for v in pythons)})")
print(f"  ratio python / sylvara-sim: median {statistics.median(ratios):.3f}, lowest {min(ratios):.3f}, "
      f"highest {max(ratios):.3f} (at most 1.05 wanted)")
EOF_PY

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
