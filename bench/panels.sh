#!/usr/bin/env bash
# The lab's panels and recorder at about 1,000 organisms under Xvfb (Mesa's software renderer).
#   1. Processor time per frame with every panel shown against the panels hidden, in one run of
#      the lab at its normal 16 ticks a second: the phases alternate (hidden, shown, hidden, shown) so a change in the
#      machine's load falls on both alike. Frames are counted from the window's title.
#   2. A recording of SECONDS_REC seconds at 30 frames a second while the world runs at its normal
#      16 ticks a second: the frames it kept, dropped and repeated, and the ticks run a second.
# Run from anywhere after a build: bench/panels.sh [SECONDS_PER_PHASE] [SECONDS_REC]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
phase=${1:-10}
recording=${2:-20}
bin="$root/stage/bin"
work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
export ALSOFT_DRIVERS=null
Xvfb :93 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:93
sleep 1
# 36 tiles of 30 organisms each: 1,080 at the genesis.
world=(--genesis all --size 6 --seed 1 --window 1000x740)

title() { xdotool search --onlyvisible --class osgViewer getwindowname 2>/dev/null | head -1; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
wait_window() {
  for _ in $(seq 1 600); do [[ "$(title)" == *tick* ]] && return 0; sleep 0.2; done
  echo "no window" >&2; exit 1
}
# Frames drawn over the phase, summing the title's frames a second once a second.
phase_run() {
  local pid=$1 frames=0 start end
  start=$(cpu_ticks "$pid")
  for _ in $(seq 1 "$phase"); do
    sleep 1
    frames=$(awk -v f="$frames" -v t="$(title)" 'BEGIN{n = split(t, w, " "); for (i = 1; i < n; i++) if (w[i+1] == "frames/s") f += w[i]; print f}')
  done
  end=$(cpu_ticks "$pid")
  awk -v c=$((end - start)) -v f="$frames" -v hz="$(getconf CLK_TCK)" 'BEGIN{printf "%.2f %.1f\n", c / hz * 1000 / f, f}'
}

cd "$work"
"$bin/sylvara-lab" "${world[@]}" --panels >lab.log 2>&1 &
lab=$!
wait_window
sleep 3
xdotool mousemove 520 400
sleep 2
declare -a hidden shown
for round in 1 2; do
  xdotool key F1; sleep 2
  hidden+=("$(phase_run "$lab")")
  xdotool key F1; sleep 2
  shown+=("$(phase_run "$lab")")
done
xdotool key Escape
wait "$lab" || true
printf '%-8s %-14s %s\n' panels cpu_ms_frame frames
for i in 0 1; do
  printf '%-8s %-14s %s\n' hidden ${hidden[$i]}
  printf '%-8s %-14s %s\n' shown ${shown[$i]}
done
awk -v a="${hidden[0]% *}" -v b="${hidden[1]% *}" -v c="${shown[0]% *}" -v d="${shown[1]% *}" \
  'BEGIN{printf "panels shown / hidden, processor time a frame: %.3f\n", (c + d) / (a + b)}'

# The same world without and then with a recording, for the ticks a second run.
rate() {
  awk -v a="$1" -v b="$2" -v s="$recording" 'BEGIN{
    match(a, /tick [0-9]+/); ta = substr(a, RSTART + 5, RLENGTH - 5);
    match(b, /tick [0-9]+/); tb = substr(b, RSTART + 5, RLENGTH - 5);
    printf "%.1f", (tb - ta) / s}'
}
"$bin/sylvara-lab" "${world[@]}" >plain.log 2>&1 &
lab=$!
wait_window
sleep 3
first=$(title)
sleep "$recording"
last=$(title)
xdotool key Escape
wait "$lab" || true
echo "ticks a second without recording: $(rate "$first" "$last") (set: 16)"
"$bin/sylvara-lab" "${world[@]}" --record "$work/run.mp4" >rec.log 2>&1 &
lab=$!
wait_window
sleep 3
first=$(title)
sleep "$recording"
last=$(title)
xdotool key Escape
wait "$lab" || true
grep '^recorded' rec.log
frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$work/run.mp4")
echo "ffprobe: $frames frames"
echo "ticks a second while recording: $(rate "$first" "$last") (set: 16)"
sed -n 's/.*: \([0-9]*\) frames, .*; \([0-9]*\) dropped, \([0-9]*\) repeated.*/\1 \2 \3/p' rec.log |
  awk '{printf "frames kept (not dropped): %.1f %%; with an image of their own: %.1f %%\n", ($1 - $2) * 100 / $1, ($1 - $2 - $3) * 100 / $1}'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
