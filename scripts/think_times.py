#!/usr/bin/env python3
"""Per-player think times and results of a curling-match record (JSON Lines).

usage: scripts/think_times.py RECORD.jsonl [...]

Prints, for each player, the shots, the median / 90th percentile / maximum
think time taken from the record's "shot" lines, and the game points and Elo
of the record's "summary" line when the match finished.
"""
import json
import statistics
import sys


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def describe(path):
    names = {}
    think = {1: [], 2: []}
    summary = None
    games = 0
    with open(path) as record:
        for line in record:
            entry = json.loads(line)
            kind = entry.get("type")
            if kind == "match":
                for number, player in enumerate(entry.get("players", []), start=1):
                    names[number] = player.get("name", str(number))
            elif kind == "shot":
                think[entry["player"]].append(entry["think_ms"])
            elif kind == "game":
                games += 1
            elif kind == "summary":
                summary = entry
    print(f"{path}: {games} games")
    for player in (1, 2):
        values = think[player]
        if not values:
            continue
        print(f"  player {player} ({names.get(player, '?')}): {len(values)} shots, think ms "
              f"median {statistics.median(values):.1f}, p90 {percentile(values, 0.9):.1f}, "
              f"max {max(values):.1f}")
    if summary is not None:
        print("  summary: " + json.dumps({k: v for k, v in summary.items() if k != "type"}))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for argument in sys.argv[1:]:
        describe(argument)
