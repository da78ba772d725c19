#!/usr/bin/env bash
# Frame rate of the real program's scene under Xvfb (Mesa) with 250 to 10,000 organisms on the
# board, as ratios to an empty world measured in the same run, and resident memory.
# Each run first lets the genesis pings fade (20 ticks), then measures. Columns:
#   fps, vs_empty      frames per second and their ratio to the empty world's
#   cpu_ms, cpu_ratio  processor time of all the process's threads per frame, and the empty
#                      world's per frame over it: less disturbed when other work shares the machine
#                      (the empty world's frame loop polls, so its figure is the frame pacing's)
#   mb_per_1000        resident memory above the empty world's, per 1,000 organisms
# The last line gives the memory each further 1,000 organisms add, from 1,000 to 10,000.
# Run from anywhere after a build: bench/framerate.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
cd "$root/stage/bin"
export ALSOFT_DRIVERS=none
sizes=(0 250 1000 4000 10000)
declare -A fps rss count cpu
for n in "${sizes[@]}"; do
  line=$(xvfb-run -a -s "-screen 0 1024x768x24" ./sylvara-framerate "$n" "$seconds" | grep '^organisms')
  count[$n]=$(awk '{print $2}' <<<"$line")
  fps[$n]=$(awk '{print $8}' <<<"$line")
  rss[$n]=$(awk '{print $10}' <<<"$line")
  cpu[$n]=$(awk '{print $12}' <<<"$line")
done
printf '%-7s %-10s %-7s %-9s %-8s %-10s %-9s %s\n' asked organisms fps vs_empty cpu_ms cpu_ratio rss_kb mb_per_1000
for n in "${sizes[@]}"; do
  awk -v n="$n" -v c="${count[$n]}" -v f="${fps[$n]}" -v f0="${fps[0]}" -v r="${rss[$n]}" -v r0="${rss[0]}" \
    -v m="${cpu[$n]}" -v m0="${cpu[0]}" \
    'BEGIN{per = c > 0 ? sprintf("%.1f", (r - r0) / c * 1000 / 1024) : "-";
           printf "%-7s %-10s %-7s %-9.3f %-8s %-10.3f %-9s %s\n", n, c, f, f / f0, m, m0 / m, r, per}'
done
awk -v a="${rss[10000]}" -v b="${rss[1000]}" -v na="${count[10000]}" -v nb="${count[1000]}" \
  'BEGIN{printf "each further 1,000 organisms (1,000 to 10,000): %.1f MB\n", (a - b) / (na - nb) * 1000 / 1024}'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
