#!/usr/bin/python3
"""Reads the runs of scripts/ecology-runs.sh and prints what they show against the ecology's goals:
survival of every kind, carnivores breeding true, selection against the neutral shadows, and the lag
of the carnivores behind the herbivores, board-wide and tile by tile.

Usage: scripts/ecology-goals.py FOLDER [--from TICK] [--least N] [--max-lag ROWS]
FOLDER holds, per seed S, run-S.csv (census), phylogeny-S.csv (the whole phylogeny), selection-S.csv
and tiles-S.csv, as sylvara-sim writes them.
"""
import argparse
import csv
import glob
import os
import re
import statistics
import sys

import numpy as np

KINDS = ("herbivores", "carnivores", "plants")


def read_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def survival(census, start, least):
    rows = [r for r in census if int(r["tick"]) >= start]
    lowest = {k: min(int(r[k]) for r in rows) if rows else 0 for k in KINDS}
    return lowest, bool(rows) and all(v >= least for v in lowest.values())


def switched_births(phylogeny, start):
    """Carnivore genotypes born after the tick from a herbivore parent (each is one such birth), and
    the carnivore births after it that the phylogeny proves: every member of a carnivore genotype born
    after the tick. Members of older genotypes born later are left out, so the share is an upper bound."""
    kind = {r["id"]: r["kind"] for r in phylogeny}
    switched = later = 0
    for r in phylogeny:
        if r["kind"] != "carnivore" or int(r["origin_time"]) <= start:
            continue
        later += int(r["total_organisms"])
        parent = r["ancestor_list"].strip("[]")
        if parent != "none" and kind.get(parent) == "herbivore":
            switched += 1
    return switched, later


def lag(herbivores, carnivores, most, empty_rows=False):
    """The lag, in rows, at which the carnivores' counts best follow the herbivores' (positive: the
    carnivores come later), and the correlation there: Pearson's, over the rows the two shifted series
    share, each series less its straight-line trend so that a slow rise or fall is not read as a cycle.
    None for a series too short or in which either kind dies out; with empty_rows (a tile's counts) a kind
    may be away for a while, but must be there at some row."""
    h = np.asarray(herbivores, float)
    c = np.asarray(carnivores, float)
    if len(h) < 2 * most + 3 or (h.min() == 0 or c.min() == 0) and not empty_rows:
        return None
    x = np.arange(len(h), dtype=float)
    h = h - np.polyval(np.polyfit(x, h, 1), x)
    c = c - np.polyval(np.polyfit(x, c, 1), x)
    if h.std() == 0 or c.std() == 0:
        return None
    best = None
    for k in range(-most, most + 1):
        a, b = (h[: len(h) - k], c[k:]) if k >= 0 else (h[-k:], c[: len(c) + k])
        if a.std() == 0 or b.std() == 0:
            continue
        r = float(np.corrcoef(a, b)[0, 1])
        if best is None or r > best[1]:
            best = (k, r)
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("folder")
    ap.add_argument("--from", dest="start", type=int, default=10000)
    ap.add_argument("--least", type=int, default=20)
    ap.add_argument("--max-lag", type=int, default=20)
    a = ap.parse_args()
    seeds = sorted(int(m.group(1)) for p in glob.glob(os.path.join(a.folder, "run-*.csv"))
                   if (m := re.search(r"run-(\d+)\.csv$", p)))
    if not seeds:
        sys.exit(f"{a.folder}: no run-SEED.csv")
    kept = 0
    switched = later = 0
    z = {}
    board_lags, tile_lags = [], []
    print(f"seed  least herbivores/carnivores/plants from tick {a.start}  kept  switched births  board lag (rows, r)")
    for s in seeds:
        census = read_rows(os.path.join(a.folder, f"run-{s}.csv"))
        interval = int(census[1]["tick"]) - int(census[0]["tick"]) if len(census) > 1 else 1
        lowest, ok = survival(census, a.start, a.least)
        kept += ok
        sw = lt = 0
        phy = os.path.join(a.folder, f"phylogeny-{s}.csv")
        if os.path.exists(phy):
            sw, lt = switched_births(read_rows(phy), a.start)
            switched += sw
            later += lt
        sel = os.path.join(a.folder, f"selection-{s}.csv")
        if os.path.exists(sel):
            for r in read_rows(sel):
                if r["z"]:
                    z.setdefault((r["kind"], r["trait"]), []).append(float(r["z"]))
        late = [r for r in census if int(r["tick"]) >= a.start]
        b = lag([int(r["herbivores"]) for r in late], [int(r["carnivores"]) for r in late], a.max_lag)
        if b:
            board_lags.append(b)
        tiles = os.path.join(a.folder, f"tiles-{s}.csv")
        if os.path.exists(tiles):
            series = {}
            for r in read_rows(tiles):
                if int(r["tick"]) >= a.start:
                    series.setdefault((r["column"], r["row"]), ([], []))
                    series[(r["column"], r["row"])][0].append(int(r["herbivores"]))
                    series[(r["column"], r["row"])][1].append(int(r["carnivores"]))
            for h, c in series.values():
                t = lag(h, c, a.max_lag, empty_rows=True)
                if t:
                    tile_lags.append(t)
        shown = "/".join(str(lowest[k]) for k in KINDS)
        bl = f"{b[0] * interval:+d} ticks, r {b[1]:.2f}" if b else "-"
        print(f"{s:4d}  {shown:>44}  {'yes' if ok else 'no':4}  {sw:3d} of {lt:7d}  {bl}")
    n = len(seeds)
    print(f"\nsurvival: {kept} of {n} seeds keep every kind at {a.least} or more at every row from tick {a.start}")
    share = 100.0 * switched / later if later else 0.0
    print(f"carnivores breed true: {switched} carnivore births after tick {a.start} had a herbivore parent, "
          f"at most {share:.2f} % of them ({later} births of carnivore genotypes born after it)")
    print("\nselection: seeds with z >= 3 / z <= -3, of the seeds with the kind alive at both ends; median z")
    reached = 0
    for (kind, trait), zs in z.items():
        up = sum(v >= 3 for v in zs)
        down = sum(v <= -3 for v in zs)
        mark = ""
        if max(up, down) >= 15:
            reached += 1
            mark = "  <- same direction in 15 or more"
        print(f"  {kind:10} {trait:16} {up:3d} {down:3d} of {len(zs):3d}  {statistics.median(zs):+6.1f}{mark}")
    print(f"traits with |z| >= 3 in one direction in 15 or more seeds: {reached}")
    for name, lags in (("board-wide", board_lags), ("per tile", tile_lags)):
        if not lags:
            continue
        ks = [k for k, _ in lags]
        rs = [r for _, r in lags]
        ahead = sum(k > 0 for k in ks)
        print(f"lag {name}: {len(lags)} series; carnivores peak after herbivores in {ahead}, at the same row in "
              f"{sum(k == 0 for k in ks)}, before in {sum(k < 0 for k in ks)}; median lag {statistics.median(ks):+.1f} "
              f"rows, median best correlation {statistics.median(rs):.2f}")


if __name__ == "__main__":
    main()
