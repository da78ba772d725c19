#!/bin/bash
# The recolonisation experiment of docs/commands.md: on 5 x 5 under the lasting rules, the middle tile
# is killed at tick 5000 and the world saved every 10 ticks to tick 7000; each save is read with sqlite3
# for the living of each kind on that tile. Prints, per seed, how many lived there at the kill, the
# ticks after it until each kind is back (its first save with one there) and until it is back to half
# its number at the kill (">2000" when not by tick 7000). SUMMARY_ONLY=1 reads the tables of a run
# already made.
# Usage: scripts/commands-recolonisation.sh [RUN_TREE_BIN] [FOLDER] [SEEDS]
set -eu
bin=$(cd "${1:-stage/bin}" && pwd)
folder=${2:-recolonisation}
seeds=${3:-1 2 3 4 5 6 7 8 9 10}
kill=5000
last=7000
mkdir -p "$folder"
cd "$folder"
{
    echo "# Kill the middle tile at tick $kill, save every 10 ticks after."
    echo "@$kill save s-$kill.sylvara"
    echo "@$kill tool killer"
    echo "@$kill apply 2,2"
    t=$((kill + 10))
    while [ "$t" -le "$last" ]; do
        echo "@$t save s-$t.sylvara"
        t=$((t + 10))
    done
    echo "@$last quit"
} > kill.cmd

one() {
    seed=$1
    mkdir -p "seed-$seed"
    (cd "seed-$seed" && "$bin/sylvara-sim" --rules "$bin/../rules/lasting.toml" --seed "$seed" --ticks "$last" \
        --commands ../kill.cmd --csv census.csv --plot census.png --traits traits.png > run.log 2>&1) ||
        { echo "seed $seed failed: see $PWD/seed-$seed/run.log" >&2; return 1; }
    # tick,herbivores,carnivores,plants on tile 2,2
    for f in "seed-$seed"/s-*.sylvara; do
        t=${f##*/s-}
        t=${t%.sylvara}
        sqlite3 -csv "$f" "select $t,
            (select count(*) from animals where tile_column=2 and tile_row=2 and state<>'dead' and kind='herbivore'),
            (select count(*) from animals where tile_column=2 and tile_row=2 and state<>'dead' and kind='carnivore'),
            (select count(*) from plants where tile_column=2 and tile_row=2 and state<>'dead');"
    done | sort -n > "seed-$seed/tile.csv"
    rm -f "seed-$seed"/s-*.sylvara
}
# Two seeds at a time.
export -f one
export bin last
[ -n "${SUMMARY_ONLY:-}" ] || printf '%s\n' $seeds | xargs -P 2 -I{} bash -c 'one {}'
echo "seed,at_kill_herbivores,at_kill_carnivores,at_kill_plants,herbivores_back,carnivores_back,plants_back,herbivores_half,carnivores_half,plants_half"
for seed in $seeds; do
    # back: the first save with one of the kind on the tile; half: the first with half as many as at the kill.
    awk -F, -v seed="$seed" -v kill="$kill" -v span=$((last - kill)) '
        $1 == kill { for (k = 2; k <= 4; ++k) at[k] = $k; next }
        {
            for (k = 2; k <= 4; ++k) {
                if ($k > 0 && !(k in back)) back[k] = $1 - kill
                if ($k > 0 && 2 * $k >= at[k] && !(k in half)) half[k] = $1 - kill
            }
        }
        END {
            printf "%s,%d,%d,%d", seed, at[2], at[3], at[4]
            for (k = 2; k <= 4; ++k) printf ",%s", (k in back) ? back[k] : ">" span
            for (k = 2; k <= 4; ++k) printf ",%s", (k in half) ? half[k] : ">" span
            printf "\n"
        }' "seed-$seed/tile.csv"
done
# The living of each kind on the killed tile, one line a seed.
if command -v gnuplot > /dev/null; then
    {
        echo "set terminal pngcairo size 1200,400 font 'Sans,10'"
        echo "set output 'recolonisation.png'"
        echo "set datafile separator ','"
        echo "set multiplot layout 1,3 title 'Living on tile 2,2 after it is killed at tick $kill (5 x 5, lasting rules, one line a seed)'"
        echo "set xlabel 'ticks after the kill'; set ylabel 'living on the tile'; set grid; set key top left maxrows 5 title 'seed'"
        col=2
        for kind in herbivores carnivores plants; do
            plots=""
            for seed in $seeds; do
                plots="$plots 'seed-$seed/tile.csv' using (\$1-$kill):$col with lines lw 1.5 dt $(( seed > 8 ? 2 : 1 )) title '$seed',"
            done
            echo "set title '$kind'"
            echo "plot ${plots%,}"
            col=$((col + 1))
        done
        echo "unset multiplot"
    } | gnuplot
fi
