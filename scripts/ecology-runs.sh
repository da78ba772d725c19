#!/usr/bin/env bash
# The ecology's runs: 5 x 5, genesis everywhere, no rescue, one seed after the other, each writing what
# scripts/ecology-goals.py reads (census, whole phylogeny, selection against 20 shadows, measures, tile
# census). A seed whose files are all there is not run again, so an interrupted call resumes.
# Usage: scripts/ecology-runs.sh FOLDER [--rules FILE] [--seeds "1 2 ..."] [--ticks N] [--sim BIN]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: scripts/ecology-runs.sh FOLDER [--rules FILE] [--seeds LIST] [--ticks N] [--sim BIN]}
shift
rules=$here/rules/ecology.toml
seeds=$(seq 1 20)
ticks=100000
sim=$here/stage/bin/sylvara-sim
while [ $# -gt 0 ]; do
    case $1 in
    --rules) rules=$(realpath "$2"); shift 2 ;;
    --seeds) seeds=$2; shift 2 ;;
    --ticks) ticks=$2; shift 2 ;;
    --sim) sim=$(realpath "$2"); shift 2 ;;
    *) echo "scripts/ecology-runs.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
mkdir -p "$out"
out=$(realpath "$out")
export ALSOFT_DRIVERS=none
for s in $seeds; do
    [ -s "$out/selection-$s.csv" ] && [ -s "$out/tiles-$s.csv" ] && continue
    plot=()
    [ "$s" != 1 ] || plot=(--evolution-plot "$out/evolution-$s.png")
    (cd "$(dirname "$sim")" && nice -n 19 "./$(basename "$sim")" --rules "$rules" --seed "$s" --size 5 \
        --ticks "$ticks" --csv "$out/run-$s.csv" --plot "$out/population-$s.png" \
        --traits "$out/traits-$s.png" --phylogeny "$out/phylogeny-$s.csv" \
        --selection "$out/selection-$s.csv" --evolution "$out/evolution-$s.csv" --tiles "$out/tiles-$s.csv" \
        "${plot[@]}" >"$out/log-$s.txt" 2>&1) || echo "seed $s failed: see $out/log-$s.txt" >&2
    echo "seed $s: $(grep -E '^final ' "$out/log-$s.txt" || true)"
done
