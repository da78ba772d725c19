#!/usr/bin/env bash
# Big boards, an older sylvara-sim against this one, back to back in one run: ticks per second,
# resident memory, set-up, cost per organism and a tick, the ratios, and the time to save and load
# the 100 x 100 world. Genesis everywhere, seed 1.
# Usage: bench/bigboards.sh --old BIN [--new BIN] [--ticks "T20 T50 T100"] [--no-save]
#   --old    the sylvara-sim to compare against, e.g. one built from an earlier commit (needed)
#   --new    this tree's sylvara-sim (default stage/bin/sylvara-sim)
#   --ticks  ticks on the 20 x 20, 50 x 50 and 100 x 100 boards (default "400 60 20")
#   --small  ticks on a 1,000-organism board (about 6 x 6) for the cost per organism (default 3000)
set -euo pipefail
old=
new=$(cd "$(dirname "$0")/../stage/bin" && pwd)/sylvara-sim
read -r t20 t50 t100 <<<"400 60 20"
small=3000
save=1
while [ $# -gt 0 ]; do
    case $1 in
    --old) old=$2; shift 2 ;;
    --new) new=$2; shift 2 ;;
    --ticks) read -r t20 t50 t100 <<<"$2"; shift 2 ;;
    --small) small=$2; shift 2 ;;
    --no-save) save=0; shift ;;
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
