#!/usr/bin/env bash
# What the measures of evolution cost, and what they cost when off, in one run:
#  - sylvara-sim with --evolution, --selection and 20 shadows against the same run without them, on
#    5 x 5 and 20 x 20 boards (processor time, user plus system, of the whole process);
#  - with --old, the same for an older build's sylvara-sim, run in turn with this one's, so that the cost of
#    the measures before and after a change is compared in one run, under the same load;
#  - bench_TickCost of an older build against this one, in turn, for a tick with the measures off.
# Each pair runs back to back, A B A B ..., and the ratio is taken pair by pair, so that a machine whose
# speed drifts still compares like with like; the median ratio is printed.
# Usage: bench/measures-cost.sh [--old DIR] [--old-bench BIN] [--new DIR] [--pairs N] [--ticks5 T] [--ticks20 T]
#   --old        an older build's stage/bin folder, whose on/off ratios are printed beside this one's
#   --old-bench  an older bench_TickCost to compare the tick against (skipped when not given)
#   --new        this tree's stage/bin folder (default: the one beside this script)
#   --pairs      pairs of runs per comparison (default 5)
#   --ticks5, --ticks20  ticks of the 5 x 5 and 20 x 20 runs (defaults 20000 and 500)
#   --rules5     the rules of the 5 x 5 run (default the lasting rules, under which its animals live on)
set -euo pipefail
bin=$(cd "$(dirname "$0")/../stage/bin" && pwd)
oldBench=
old=
pairs=5
ticks5=20000
ticks20=500
rules5=$(cd "$(dirname "$0")/../rules" && pwd)/lasting.toml
while [ $# -gt 0 ]; do
    case $1 in
    --old-bench) oldBench=$2; shift 2 ;;
    --old) old=$(cd "$2" && pwd); shift 2 ;;
    --new) bin=$2; shift 2 ;;
    --pairs) pairs=$2; shift 2 ;;
    --ticks5) ticks5=$2; shift 2 ;;
    --ticks20) ticks20=$2; shift 2 ;;
    --rules5) rules5=$(realpath "$2"); shift 2 ;;
    *) echo "bench/measures-cost.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
export ALSOFT_DRIVERS=none
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# cpu NAME DIR COMMAND...: runs it in DIR and prints its user plus system seconds.
cpu() {
    local name=$1 dir=$2
    shift 2
    (cd "$dir" && /usr/bin/time -f "%U %S" -o "$out/$name.time" "$@" >"$out/$name.log" 2>&1) ||
        { echo "bench/measures-cost.sh: $name failed:" >&2; tail -3 "$out/$name.log" >&2; exit 1; }
    awk '{ printf "%.3f\n", $1 + $2 }' "$out/$name.time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare LABEL SIZE TICKS [options]: the run with the measures over the run without, pair by pair; with
# --old, the older build's pair runs right after this one's, each time.
compare() {
    local label=$1 size=$2 ticks=$3 ratios=() offs=() ons=() oldRatios=() oldOffs=() oldOns=()
    shift 3
    local run=(./sylvara-sim --size "$size" --seed 42 --ticks "$ticks" --csv "$out/c.csv" --plot "$out/c.png" --traits "$out/t.png" "$@")
    local measures=(--evolution "$out/e.csv" --selection "$out/s.csv" --shadows 20)
    for ((i = 0; i < pairs; i++)); do
        local off on
        off=$(cpu off "$bin" "${run[@]}")
        on=$(cpu on "$bin" "${run[@]}" "${measures[@]}")
        offs+=("$off")
        ons+=("$on")
        ratios+=("$(awk -v a="$on" -v b="$off" 'BEGIN { printf "%.4f", (b > 0 ? a / b : 0) }')")
        if [ -n "$old" ]; then
            off=$(cpu old-off "$old" "${run[@]}")
            on=$(cpu old-on "$old" "${run[@]}" "${measures[@]}")
            oldOffs+=("$off")
            oldOns+=("$on")
            oldRatios+=("$(awk -v a="$on" -v b="$off" 'BEGIN { printf "%.4f", (b > 0 ? a / b : 0) }')")
        fi
    done
    printf '%-36s off %6.2f s  on %6.2f s  on/off %.3f (pairs: %s)\n' "$label" \
        "$(printf '%s\n' "${offs[@]}" | median)" "$(printf '%s\n' "${ons[@]}" | median)" \
        "$(printf '%s\n' "${ratios[@]}" | median)" "${ratios[*]}"
    if [ -n "$old" ]; then
        printf '%-36s off %6.2f s  on %6.2f s  on/off %.3f (pairs: %s)\n' "  the older build" \
            "$(printf '%s\n' "${oldOffs[@]}" | median)" "$(printf '%s\n' "${oldOns[@]}" | median)" \
            "$(printf '%s\n' "${oldRatios[@]}" | median)" "${oldRatios[*]}"
    fi
}

echo "processor seconds, median of $pairs pairs, seed 42, genesis everywhere; measures: --evolution --selection --shadows 20"
compare "5 x 5, $(basename "$rules5"), $ticks5 ticks" 5 "$ticks5" --rules "$rules5"
compare "20 x 20, default rules, $ticks20 ticks" 20 "$ticks20"

if [ -n "$oldBench" ]; then
    # The tick with the measures off: bench_TickCost's tickCost/19 (about 10,000 organisms), CPU ms a tick.
    tickCost() {
        (cd "$(dirname "$1")" && "./$(basename "$1")" --benchmark_filter='^tickCost/19' --benchmark_format=csv 2>/dev/null) |
            awk -F, '/^"?tickCost\/19/ { print $4 }'
    }
    ratios=()
    for ((i = 0; i < pairs; i++)); do
        o=$(tickCost "$oldBench")
        n=$(tickCost "$bin/bench_TickCost")
        ratios+=("$(awk -v a="$n" -v b="$o" 'BEGIN { printf "%.4f", (b > 0 ? a / b : 0) }')")
        echo "tickCost/19 old $o ms, new $n ms" >&2
    done
    printf 'tick, measures off: new/old %.3f (pairs: %s)\n' "$(printf '%s\n' "${ratios[@]}" | median)" "${ratios[*]}"
fi
