#!/usr/bin/env bash
# A long run of the headless runner under AddressSanitizer: no fault, no leak,
# and a resident size that levels off. Prints the resident size and the
# population at every sample and fails when the last quarter of the run grows
# by more than 10%.
#   bench/soak.sh                          200,000 ticks, a sample every 10,000
#   bench/soak.sh --ticks 20000 --every 2000 --bin DIR
# --bin is the stage/bin of a build with -DSYLVARA_SANITIZE=ON; by default
# build-sanitize/stage/bin, configured and built here when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ticks=200000 every=10000 size=5 seed=1 bin=""
while [ $# -gt 0 ]; do
  case "$1" in
    --ticks) ticks="$2"; shift 2 ;;
    --every) every="$2"; shift 2 ;;
    --size) size="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --bin) bin="$2"; shift 2 ;;
    *) echo "soak: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$bin" ]; then
  build="$root/build-sanitize"
  bin="$build/stage/bin"
  if [ ! -x "$bin/sylvara-sim" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSYLVARA_SANITIZE=ON -DSYLVARA_STAGE="$build/stage" >/dev/null
    ASAN_OPTIONS=detect_leaks=0 cmake --build "$build" -j "$(nproc)" --target sylvara-sim stage
  fi
fi
[ -x "$bin/sylvara-sim" ] || { echo "soak: no sylvara-sim in $bin" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A small quarantine: with the default 256 MB the resident size climbs for as long as the
# quarantine fills, and that is not growth of the program's own heap.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=16"
export LSAN_OPTIONS="suppressions=$root/tests/sanitize.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

echo "soak: $ticks ticks on a ${size}x$size world, genesis on every tile, seed $seed"
status=0
(cd "$bin" && ./sylvara-sim --size "$size" --genesis all --ticks "$ticks" --seed "$seed" --memory-every "$every" \
  --interval "$every" --csv "$scratch/population.csv" --plot "$scratch/population.png" \
  --traits "$scratch/traits.png") >"$scratch/out.txt" 2>&1 ||
  status=$?
if [ "$status" -ne 0 ]; then
  tail -60 "$scratch/out.txt"
  echo "soak: sylvara-sim ended with $status (a fault, a leak or undefined behaviour)"
  exit 1
fi

# Resident size and population side by side, then the growth over the last quarter.
awk -v ticks="$ticks" -F'[ ,]' '
  FNR == NR { if ($1 == "tick" && $3 == "rss") rss[$2] = $4; next }
  FNR > 1 { organisms[$1] = $2 + $3 + $4 }
  END {
    printf "%10s %12s %10s\n", "tick", "rss KB", "organisms"
    n = 0
    for (t in rss) order[++n] = t + 0
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (order[j] < order[i]) { x = order[i]; order[i] = order[j]; order[j] = x }
    for (i = 1; i <= n; i++) printf "%10d %12d %10s\n", order[i], rss[order[i]], organisms[order[i]]
    if (n < 4) { print "soak: too few samples to judge the growth"; exit 1 }
    # The sample at or just before three quarters of the run opens the last quarter.
    first = order[1]
    for (i = 1; i <= n; i++) if (order[i] <= ticks * 3 / 4) first = order[i]
    last = order[n]
    growth = (rss[last] - rss[first]) * 100.0 / rss[first]
    printf "soak: last quarter (tick %d to %d) grew %.1f%% (%d KB to %d KB)\n", first, last, growth, rss[first], rss[last]
    if (growth > 10) { print "soak: the resident size did not level off"; exit 1 }
  }' "$scratch/out.txt" "$scratch/population.csv"
grep -E "^(ran|peak|final)" "$scratch/out.txt" || true
echo "soak: passed"
