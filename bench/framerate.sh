#!/usr/bin/env bash
# Frame rate of the real program's scene under Xvfb (Mesa) with 250, 1,000 and
# 4,000 organisms, against an empty world; and resident memory per 1,000.
# Run from anywhere after a build: bench/framerate.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
cd "$root/stage/bin"
export ALSOFT_DRIVERS=none
declare -A fps rss count
for n in 0 250 1000 4000; do
  line=$(xvfb-run -a -s "-screen 0 1024x768x24" ./sylvara-framerate "$n" "$seconds" | grep '^organisms')
  count[$n]=$(awk '{print $2}' <<<"$line")
  fps[$n]=$(awk '{print $8}' <<<"$line")
  rss[$n]=$(awk '{print $10}' <<<"$line")
done
printf '%-10s %-10s %-8s %-12s %s\n' asked organisms fps vs_empty rss_kb
for n in 0 250 1000 4000; do
  ratio=$(awk -v a="${fps[$n]}" -v b="${fps[0]}" 'BEGIN{printf "%.2f", a/b}')
  printf '%-10s %-10s %-8s %-12s %s\n' "$n" "${count[$n]}" "${fps[$n]}" "$ratio" "${rss[$n]}"
done
awk -v a="${rss[4000]}" -v b="${rss[0]}" -v n="${count[4000]}" \
  'BEGIN{printf "resident memory per 1,000 organisms: %.0f KB\n", (a-b)/n*1000}'
