#!/bin/bash
# The press perturbation of docs/commands.md: on 5 x 5 under the lasting rules, animal.moveCost goes from
# 0.002 to 0.004 at tick 10000 in one arm (press.cmd) and stays in the other (control.cmd, no command);
# ten seeds each, to tick 20000, run as one sweep whose command files are a dimension of the grid.
# Both arms are the same run up to tick 10000. Prints each arm's means over ticks 5000..10000 (before)
# and 15000..20000 (after) of the populations and the animals' trait means: the mean over the seeds and
# its standard deviation, and the press minus the control, seed by seed.
# Usage: scripts/commands-press.sh [RUN_TREE_BIN] [FOLDER]
set -eu
bin=$(cd "${1:-stage/bin}" && pwd)
folder=${2:-press}
mkdir -p "$folder"
echo "@10000 set animal.moveCost=0.004" > "$folder/press.cmd"
echo "# No command: the same runs without the press." > "$folder/control.cmd"
"$bin/sylvara-sweep" --out "$folder/sweep" --seeds 1-10 --sizes 5 --ticks 20000 --interval 100 --jobs 2 \
    --rules "$bin/../rules/lasting.toml" --commands "$folder/press.cmd,$folder/control.cmd" > "$folder/sweep.log"
/usr/bin/python3 - "$folder/sweep/jobs" <<'PY'
import csv, glob, os, statistics, sys
columns = ["herbivores", "carnivores", "plants", "herbivore_speed_mean", "herbivore_size_mean",
           "carnivore_speed_mean", "carnivore_size_mean"]
windows = {"before": (5000, 10000), "after": (15000, 20000)}
means = {}  # (arm, seed, window) -> {column: mean}
for path in glob.glob(os.path.join(sys.argv[1], "*.csv")):
    name = os.path.basename(path)[:-4]
    arm = "press" if "-press-" in name else "control"
    seed = int(name.rsplit("seed", 1)[1])
    rows = list(csv.DictReader(open(path)))
    for window, (low, high) in windows.items():
        picked = [r for r in rows if low <= int(r["tick"]) <= high]
        means[(arm, seed, window)] = {c: statistics.mean(float(r[c]) for r in picked) for c in columns}
seeds = sorted({s for (_, s, _) in means})
print("window,arm,runs," + ",".join(columns))
for window in windows:
    for arm in ("control", "press"):
        cells = []
        for c in columns:
            values = [means[(arm, s, window)][c] for s in seeds]
            cells.append("%.1f +- %.1f" % (statistics.mean(values), statistics.stdev(values)))
        print("%s,%s,%d,%s" % (window, arm, len(seeds), ",".join(cells)))
print("press minus control after, per seed (mean +- sd; seeds above 0 of 10)")
for c in columns:
    d = [means[("press", s, "after")][c] - means[("control", s, "after")][c] for s in seeds]
    print("%s,%.1f +- %.1f,%d" % (c, statistics.mean(d), statistics.stdev(d), sum(x > 0 for x in d)))
PY
