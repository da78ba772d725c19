#!/usr/bin/env bash
# Jobs per minute of sylvara-sweep with one job slot against two, on the same grid of
# worlds, each sweep in a fresh folder. Prints the machine's load before and after: other
# work on the machine takes cores from the second slot.
# Run after a build: bench/sweep.sh [SEEDS] [SIZE] [TICKS]   (default 1-8, 8, 2000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seeds=${1:-1-8}
size=${2:-8}
ticks=${3:-2000}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
echo "load before: $(uptime | sed 's/.*load average: //')"
declare -A rate
for slots in 1 2; do
  start=$(date +%s.%N)
  "$root/stage/bin/sylvara-sweep" --out "$scratch/slots$slots" --seeds "$seeds" --sizes "$size" --ticks "$ticks" \
    --jobs "$slots" >"$scratch/slots$slots.out"
  end=$(date +%s.%N)
  jobs=$(($(wc -l <"$scratch/slots$slots/joblog") - 1))
  rate[$slots]=$(awk -v j="$jobs" -v s="$start" -v e="$end" 'BEGIN{printf "%.1f", j * 60 / (e - s)}')
  printf '%d slot(s): %d jobs in %.1f s, %s jobs per minute\n' "$slots" "$jobs" \
    "$(awk -v s="$start" -v e="$end" 'BEGIN{print e - s}')" "${rate[$slots]}"
done
echo "load after: $(uptime | sed 's/.*load average: //')"
awk -v a="${rate[1]}" -v b="${rate[2]}" 'BEGIN{printf "two slots against one: %.2fx (goal 1.8x)\n", b / a}'
