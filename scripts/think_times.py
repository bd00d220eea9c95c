#!/usr/bin/env python3
"""Per-player think times and results of a curling-match record (JSON Lines).

usage: scripts/think_times.py RECORD.jsonl [...]

Prints, for each player, the shots, the mean / median / 90th percentile /
maximum think time taken from the shot lines of the record's whole games, and the game points and Elo
of the record's "summary" line when the match finished.
"""
import json
import os
import statistics
import sys

try:
    import curling_simulator as cs
except ImportError:  # not installed: the build's copy
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "python"))
    import curling_simulator as cs


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def describe(path):
    record = cs.read_match_record(path)
    for dropped in record.dropped:
        print(f"{path}: {dropped}", file=sys.stderr)
    names = dict(enumerate(record.names, start=1))
    think = {1: [], 2: []}
    for game in record.games.values():
        for shot in game.shots:
            think[shot["player"]].append(shot["think_ms"])
    summary = record.summary
    games = len(record.games)
    print(f"{path}: {games} games")
    for player in (1, 2):
        values = think[player]
        if not values:
            continue
        print(f"  player {player} ({names.get(player, '?')}): {len(values)} shots, think ms "
              f"mean {statistics.fmean(values):.1f}, median {statistics.median(values):.1f}, p90 {percentile(values, 0.9):.1f}, "
              f"max {max(values):.1f}")
    if summary is not None:
        print("  summary: " + json.dumps({k: v for k, v in summary.items() if k != "type"}))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for argument in sys.argv[1:]:
        describe(argument)
