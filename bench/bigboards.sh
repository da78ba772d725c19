#!/usr/bin/env bash
# Big boards, an older sylvara-sim against this one, back to back in one run: ticks per second,
# resident memory, set-up, cost per organism and a tick, the ratios, and the time to save and load
# the 100 x 100 world. Genesis everywhere, seed 1.
# Usage: bench/bigboards.sh --old BIN [--new BIN] [--ticks "T20 T50 T100"] [--no-save]
#   --old    the sylvara-sim to compare against, e.g. one built from an earlier commit (needed)
#   --new    this tree's sylvara-sim (default stage/bin/sylvara-sim)
#   --ticks  ticks on the 20 x 20, 50 x 50 and 100 x 100 boards (default "400 60 20")
#   --small  ticks on a 1,000-organism board (about 6 x 6) for the cost per organism (default 3000)
#   --goals  only the headless goals: memory per organism of the 100 x 100 board over the 1 x 1
#            one's, ticks per second 40 ticks after the genesis (by the wall clock, and by processor
#            time: the run's user and system seconds less those of the same run with no tick), set-up,
#            and bench_TickCost below 1,000 organisms (--old-bench and --new-bench name the two
#            bench_TickCost; optional)
set -euo pipefail
old=
new=$(cd "$(dirname "$0")/../stage/bin" && pwd)/sylvara-sim
read -r t20 t50 t100 <<<"400 60 20"
small=3000
save=1
goals=0
oldbench=
newbench=$(cd "$(dirname "$0")/../stage/bin" && pwd)/bench_TickCost
while [ $# -gt 0 ]; do
    case $1 in
    --old) old=$2; shift 2 ;;
    --new) new=$2; shift 2 ;;
    --ticks) read -r t20 t50 t100 <<<"$2"; shift 2 ;;
    --small) small=$2; shift 2 ;;
    --no-save) save=0; shift ;;
    --goals) goals=1; shift ;;
    --old-bench) oldbench=$2; shift 2 ;;
    --new-bench) newbench=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
if [ -z "$old" ] || [ ! -x "$old" ]; then
    echo "bench/bigboards.sh: --old BIN must name the sylvara-sim to compare against" >&2
    exit 2
fi
export ALSOFT_DRIVERS=none
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# run NAME BIN SIZE TICKS [more options]: prints "ticks/s setup-s rss-MB ns-per-organism wall-s";
# a SIZE of - builds no board (for --load).
run() {
    local name=$1 bin=$2 size=$3 ticks=$4
    shift 4
    local board=(--size "$size" --genesis all --seed 1)
    [ "$size" != - ] || board=()
    local interval=$(((ticks + 9) / 10))
    [ "$interval" -gt 0 ] || interval=1
    local start end
    start=$(date +%s.%N)
    (cd "$(dirname "$bin")" && /usr/bin/time -v -o "$out/$name.time" "./$(basename "$bin")" "${board[@]}" --ticks "$ticks" --interval "$interval" --csv "$out/$name.csv" --plot "$out/$name.png" \
        --traits "$out/$name-traits.png" "$@" >"$out/$name.log" 2>&1)
    end=$(date +%s.%N)
    local rate setup rss mean
    rate=$(awk '/^ran / && $5 > 0 { printf "%.3f", $2 / $5 }' "$out/$name.log")
    [ -n "$rate" ] || rate=0
    setup=$(sed -n 's/.*set-up \([0-9.]*\) s.*/\1/p' "$out/$name.log")
    rss=$(awk -F': ' '/Maximum resident/ { printf "%.0f", $2 / 1024 }' "$out/$name.time")
    # The mean number of organisms over the census rows after the first.
    mean=$(awk -F, 'NR > 2 { n += $2 + $3 + $4; r += 1 } END { print r ? n / r : 0 }' "$out/$name.csv")
    awk -v r="$rate" -v s="$setup" -v m="$rss" -v n="$mean" -v a="$start" -v b="$end" \
        'BEGIN { printf "%s %s %s %.0f %.2f\n", r, s, m, (r > 0 && n > 0) ? 1e9 / (r * n) : 0, b - a }'
}

row() { # board label, old figures, new figures
    read -r ro so mo co _ <<<"$2"
    read -r rn sn mn cn _ <<<"$3"
    awk -v b="$1" -v ro="$ro" -v rn="$rn" -v so="$so" -v sn="$sn" -v mo="$mo" -v mn="$mn" -v co="$co" -v cn="$cn" \
        'BEGIN { printf "%-9s %9.2f %9.2f %6.2fx | %7d %7d %5.2fx | %6.2f %6.2f | %5d %5d ns\n",
                 b, ro, rn, (ro > 0 ? rn / ro : 0), mo, mn, mn / mo, so, sn, co, cn }'
}

echo "old: $old"
echo "new: $new"

if [ "$goals" = 1 ]; then
    # organisms FILE: the organisms of the census's first row.
    organisms() { awk -F, 'NR == 2 { print $2 + $3 + $4 }' "$1"; }
    for who in old new; do
        bin=$old
        [ "$who" = new ] && bin=$new
        run "${who}one" "$bin" 1 0 >"$out/${who}one.fig"
        run "${who}big" "$bin" 100 40 >"$out/${who}big.fig"
        run "${who}still" "$bin" 100 0 >"$out/${who}still.fig"
    done
    # processor NAME: the user and system seconds of a run.
    processor() { awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.3f", s }' "$out/$1.time"; }
    read -r _ _ mo1 _ <"$out/oldone.fig"
    read -r _ _ mn1 _ <"$out/newone.fig"
    read -r ro so mo _ <"$out/oldbig.fig"
    read -r rn sn mn _ <"$out/newbig.fig"
    no=$(organisms "$out/oldbig.csv")
    nn=$(organisms "$out/newbig.csv")
    awk -v ro="$ro" -v rn="$rn" -v so="$so" -v sn="$sn" -v mo="$mo" -v mn="$mn" -v mo1="$mo1" -v mn1="$mn1" \
        -v no="$no" -v nn="$nn" -v po="$(processor oldbig)" -v pn="$(processor newbig)" \
        -v qo="$(processor oldstill)" -v qn="$(processor newstill)" 'BEGIN {
        co = (po > qo) ? 40 / (po - qo) : 0; cn = (pn > qn) ? 40 / (pn - qn) : 0
        bo = (mo - mo1) * 1048576 / no; bn = (mn - mn1) * 1048576 / nn
        printf "100x100, genesis everywhere, 40 ticks: %d organisms at the start\n", nn
        printf "memory per organism  old %6.0f B  new %6.0f B  new/old %.2f  (goal 300 B or less)\n", bo, bn, bn / bo
        printf "ticks per second     old %6.2f    new %6.2f    new/old %.2fx (goal 2x or more)\n", ro, rn, rn / ro
        printf "  by processor time  old %6.2f    new %6.2f    new/old %.2fx\n", co, cn, (co > 0 ? cn / co : 0)
        printf "set-up               old %6.2f s  new %6.2f s  new/old %.2f  (goal 0.5 or less)\n", so, sn, sn / so }'
    if [ -n "$oldbench" ] && [ -x "$oldbench" ] && [ -x "$newbench" ]; then
        # About 1,000 organisms (6 x 6): each build's benchmark in turn, twice, the best of each kept.
        for round in 1 2; do
            for who in old new; do
                b=$oldbench
                [ "$who" = new ] && b=$newbench
                (cd "$(dirname "$b")" && "./$(basename "$b")" --benchmark_filter='^tickCost/6/' \
                    --benchmark_format=csv 2>/dev/null) | awk -F, -v who="$who" 'NR > 1 { print who, $1, $3 }' \
                    >>"$out/tickcost"
            done
        done
        awk '{ k = $2; gsub(/"/, "", k); t = $3 + 0; if (!(($1, k) in best) || t < best[$1, k]) best[$1, k] = t; keys[k] = 1 }
             END { for (k in keys) printf "bench_TickCost %s (about 1,000 organisms) old %.3f ms  new %.3f ms  new/old %.2f\n",
                   k, best["old", k], best["new", k], best["new", k] / best["old", k] }' "$out/tickcost" | sort
    fi
    exit 0
fi
echo "genesis everywhere, seed 1; ticks: 6x6 $small, 20x20 $t20, 50x50 $t50, 100x100 $t100"
printf "%-9s %9s %9s %7s | %7s %7s %6s | %6s %6s | %11s\n" board "old t/s" "new t/s" ratio \
    "old MB" "new MB" ratio "set-up" "(s)" "ns/organism"
declare -A cost
for board in "6 $small" "20 $t20" "50 $t50" "100 $t100"; do
    read -r size ticks <<<"$board"
    o=$(run "old$size" "$old" "$size" "$ticks")
    n=$(run "new$size" "$new" "$size" "$ticks")
    row "${size}x$size" "$o" "$n"
    cost[old$size]=$(echo "$o" | cut -d' ' -f4)
    cost[new$size]=$(echo "$n" | cut -d' ' -f4)
done
awk -v o1="${cost[old6]}" -v n1="${cost[new6]}" -v o3="${cost[old100]}" -v n3="${cost[new100]}" \
    'BEGIN { printf "cost per organism at 100x100 against 6x6: old %.1fx, new %.1fx\n", o3 / o1, n3 / n1 }'

[ "$save" = 1 ] || exit 0
# Saving: the wall time of a run that saves, less that of the same run without; loading: the load
# run's set-up, which reads the file and rebuilds the world.
for who in old new; do
    bin=$old
    [ "$who" = new ] && bin=$new
    plain=$(run "${who}plain" "$bin" 100 0)
    saved=$(run "${who}save" "$bin" 100 0 --save "$out/$who.db")
    loaded=$(run "${who}load" "$bin" - 0 --load "$out/$who.db")
    awk -v who="$who" -v p="$(echo "$plain" | cut -d' ' -f5)" -v s="$(echo "$saved" | cut -d' ' -f5)" \
        -v l="$(echo "$loaded" | cut -d' ' -f2)" -v m="$(echo "$loaded" | cut -d' ' -f3)" \
        -v f="$(du -m "$out/$who.db" | cut -f1)" \
        'BEGIN { printf "%s: save of the 100x100 world %.2f s (%d MB file), load %.2f s (%d MB resident)\n",
                 who, s - p, f, l, m }'
done
