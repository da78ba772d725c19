#!/usr/bin/env bash
# The lab's run ahead against the headless runner on the same world: ticks per second of each and
# their ratio, measured side by side in one run. Usage: bench/lab-ahead.sh [TICKS] [SIZE] [BIN]
set -euo pipefail
ticks=${1:-20000}
size=${2:-5}
bin=${3:-$(cd "$(dirname "$0")/../stage/bin" && pwd)}
cd "$bin"
export ALSOFT_DRIVERS=none
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
sim=$(./sylvara-sim --size "$size" --genesis all --seed 7 --ticks "$ticks" --csv "$out/run.csv" --plot "$out/run.png" 2>&1 |
  sed -n 's/.*(\([0-9.]*\) ticks\/s).*/\1/p')
# The lab wants a display before it runs ahead (a screen of its own when there is none), and quits at its
# first frame: the window is not what is measured.
printf '@%d quit\n' "$ticks" >"$out/quit.cmd"
lab=(./sylvara-lab --size "$size" --genesis all --seed 7 --ahead "$ticks" --commands "$out/quit.cmd")
if [ -z "${DISPLAY:-}" ]; then lab=(xvfb-run -a "${lab[@]}"); fi
lab=$("${lab[@]}" 2>&1 || true)
lab=$(echo "$lab" |
  sed -n 's/^ran .*(\([0-9.]*\) ticks\/s).*/\1/p')
echo "$ticks ticks on $size x $size, genesis everywhere, seed 7"
echo "sylvara-sim:          $sim ticks/s"
echo "sylvara-lab --ahead:  $lab ticks/s"
awk -v a="$lab" -v b="$sim" 'BEGIN { printf "ratio lab / sim:      %.2f\n", a / b }'
