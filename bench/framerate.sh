#!/usr/bin/env bash
# Frame rate of the real program's scene under Xvfb (Mesa) with 250 to 10,000 organisms, as a
# ratio to an empty world measured in the same run, and resident memory per 1,000 organisms.
# Run from anywhere after a build: bench/framerate.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
cd "$root/stage/bin"
export ALSOFT_DRIVERS=none
sizes=(0 250 1000 4000 10000)
declare -A fps rss count
for n in "${sizes[@]}"; do
  line=$(xvfb-run -a -s "-screen 0 1024x768x24" ./sylvara-framerate "$n" "$seconds" | grep '^organisms')
  count[$n]=$(awk '{print $2}' <<<"$line")
  fps[$n]=$(awk '{print $8}' <<<"$line")
  rss[$n]=$(awk '{print $10}' <<<"$line")
done
printf '%-8s %-10s %-8s %-9s %-9s %s\n' asked organisms fps vs_empty rss_kb mb_per_1000
for n in "${sizes[@]}"; do
  awk -v n="$n" -v c="${count[$n]}" -v f="${fps[$n]}" -v f0="${fps[0]}" -v r="${rss[$n]}" -v r0="${rss[0]}" \
    'BEGIN{per = c > 0 ? sprintf("%.1f", (r - r0) / c * 1000 / 1024) : "-";
           printf "%-8s %-10s %-8s %-9.3f %-9s %s\n", n, c, f, f / f0, r, per}'
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
