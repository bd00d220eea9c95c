#!/usr/bin/env python3
"""How much a decision's value estimates move from seed to seed, for each
way of drawing the samples' noise (`curling-planner --stratify K`).

For positions the planner met in a match record (its own stones 2 to 13),
it runs `planner-show` at the default budget with seeds 1..S for each
mode, takes the two finalists (the candidates with the most samples) that
most runs share, and reports the variance across seeds of the first
finalist's value and of the finalists' difference, which is what picks
the shot. A mode whose variance is r times the random draws' gives the
halving about 1/r times the samples' worth.

usage: noise_variance.py RECORD [--positions 60] [--seeds 12] [--bin build/bin]
"""
import argparse
import collections
import json
import math
import os
import random
import statistics
import subprocess

MODES = (0, 1, 2)


def positions(record, player):
    shots = []
    with open(record) as f:
        for line in f:
            row = json.loads(line)
            if row.get("type") == "shot" and row["player"] == player and 2 <= row["shot"] <= 13:
                shots.append(row)
    random.Random(5).shuffle(shots)
    return shots


def values(show, row, seed, mode):
    """Each candidate's (value, samples) in one decision."""
    shot = row["shot"]
    sims = 52000 if shot >= 8 else 17333  # the default budget's share of this stone
    stones = [str(v) for stone in row["position"] for v in stone]
    out = subprocess.run([show, "--stones", *stones, "--shot", str(shot), "--end", str(row["end"]),
                          "--sims", str(sims), "--shortlist", "2", "--top", "100",
                          "--seed", str(seed), "--threads", "1", "--stratify", str(mode)],
                         capture_output=True, text=True, check=True).stdout.splitlines()
    found = {}
    for line in out[1:]:
        label, rest = line.split(" value ")
        value, rest = rest.split(" samples ")
        found[label.strip()] = (float(value), int(rest.split()[0]))
    return found


def finalists(decision):
    most = max(samples for _, samples in decision.values())
    return tuple(sorted(label for label, (_, samples) in decision.items() if samples == most))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("record")
    parser.add_argument("--player", type=int, default=1, help="the planner's player number in the record")
    parser.add_argument("--positions", type=int, default=60)
    parser.add_argument("--seeds", type=int, default=12)
    parser.add_argument("--bin", default="build/bin")
    args = parser.parse_args()
    show = os.path.join(args.bin, "planner-show")
    diff_variance = collections.defaultdict(list)
    for row in positions(args.record, args.player)[:args.positions]:
        runs = {m: [values(show, row, s, m) for s in range(1, args.seeds + 1)] for m in MODES}
        pair = collections.Counter(finalists(d) for m in MODES for d in runs[m]).most_common(1)[0][0]
        runs = {m: [d for d in runs[m] if finalists(d) == pair] for m in MODES}
        if len(pair) != 2 or min(len(r) for r in runs.values()) < 4:
            print(f"game {row['game']} shot {row['shot']}: no common pair of finalists")
            continue
        a, b = pair
        line = f"game {row['game']} shot {row['shot']}:"
        for m in MODES:
            first = statistics.variance([d[a][0] for d in runs[m]])
            diff = statistics.variance([d[a][0] - d[b][0] for d in runs[m]])
            diff_variance[m].append(diff)
            line += f"  mode {m}: sd {math.sqrt(first):.5f} sd(diff) {math.sqrt(diff):.5f}"
        print(line, flush=True)
    base = diff_variance[0]
    for m in MODES[1:]:
        pooled = sum(diff_variance[m]) / sum(base)
        ratios = [v / b for v, b in zip(diff_variance[m], base) if b > 1e-8]
        lower = sum(r < 1 for r in ratios)
        print(f"mode {m} against random draws, variance of the finalists' difference: pooled "
              f"{pooled:.2f}, median {statistics.median(ratios):.2f} over {len(ratios)} positions "
              f"(lower in {lower})")


if __name__ == "__main__":
    main()
