#!/bin/bash
# bench_TickCost of an older build against this one's, in turn, by processor time: each round runs
# both (old first in odd rounds, new first in even ones, so a drift of the machine's speed falls on
# both alike), and takes the median processor time of each case's repetitions. Prints, for each
# case, the ratio new / old as the median of the rounds with their lowest and highest: below 1.00
# the new tick is cheaper.
#
#   bench/tick-cost.sh --old DIR [--new DIR] [--rounds N] [--repetitions N] [--filter REGEX]
#
# DIR holds bench_TickCost. The default filter takes the smallest board (about 1,000 organisms),
# where the tick must be no slower; --filter . takes every case.
set -u

usage() {
    sed -n '8p' "$0" | sed 's/^# *//' >&2
    exit 2
}

here="$(cd "$(dirname "$0")/.." && pwd)"
old=""
new="$here/stage/bin"
rounds=7
repetitions=30
filter='^tickCost/6/'
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || usage
    case "$1" in
    --old) old="$2" ;;
    --new) new="$2" ;;
    --rounds) rounds="$2" ;;
    --repetitions) repetitions="$2" ;;
    --filter) filter="$2" ;;
    *) usage ;;
    esac
    shift 2
done
[ -n "$old" ] || usage
for n in "$rounds" "$repetitions"; do
    case "$n" in '' | *[!0-9]* | 0) echo "tick-cost.sh: rounds and repetitions are whole numbers from 1" >&2; exit 2 ;; esac
done
for dir in "$old" "$new"; do
    [ -x "$dir/bench_TickCost" ] || { echo "tick-cost.sh: no bench_TickCost in $dir" >&2; exit 2; }
done

scratch="$(mktemp -d /tmp/sylvara-tick-cost.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT

run() { # SIDE ROUND
    local bin="$old"
    [ "$1" = new ] && bin="$new"
    # From its own folder, as the benchmarks run in the run tree.
    (cd "$bin" && ./bench_TickCost --benchmark_filter="$filter" --benchmark_repetitions="$repetitions" \
        --benchmark_report_aggregates_only=true --benchmark_out="$scratch/$1-$2.json" \
        --benchmark_out_format=json >/dev/null 2>&1) ||
        { echo "tick-cost.sh: the $1 bench_TickCost failed" >&2; exit 2; }
}

for ((r = 1; r <= rounds; ++r)); do
    if ((r % 2)); then
        run old "$r"
        run new "$r"
    else
        run new "$r"
        run old "$r"
    fi
done

/usr/bin/python3 - "$scratch" "$rounds" <<'EOF'
import json, os, statistics, sys

scratch, rounds = sys.argv[1], int(sys.argv[2])

def medians(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    return {b["run_name"]: b["cpu_time"] for b in runs if b.get("aggregate_name") == "median"}

ratios, olds, news = {}, {}, {}
for r in range(1, rounds + 1):
    old = medians(os.path.join(scratch, "old-%d.json" % r))
    new = medians(os.path.join(scratch, "new-%d.json" % r))
    for name in old:
        if name in new:
            ratios.setdefault(name, []).append(new[name] / old[name])
            olds.setdefault(name, []).append(old[name])
            news.setdefault(name, []).append(new[name])
if not ratios:
    sys.exit("tick-cost.sh: no case ran in both builds")
print("%-30s %10s %10s %8s %8s %8s" % ("case (ms per tick, cpu)", "old", "new", "ratio", "lowest", "highest"))
for name in ratios:
    print("%-30s %10.4f %10.4f %8.3f %8.3f %8.3f" % (name, statistics.median(olds[name]),
          statistics.median(news[name]), statistics.median(ratios[name]), min(ratios[name]),
          max(ratios[name])))
print("%d rounds, old and new in turn; ratio = new / old, median of the rounds" % rounds)
EOF
