#!/usr/bin/env python3
"""Plays the last end of real games again, many times, to measure one kind of
situation far more tightly than whole matches can (a match of 200 games has a
dozen such ends).

usage: scripts/last_end_trials.py --player1 CMD --player2 CMD --library LIB
           --trials N --out OUT.jsonl RECORD.jsonl [...]

The situations are the games of the records (player 1 against player 2,
8 ends) in which player 1 leads by 1 or 2 after end 7 of 8 and player 2 has
the hammer in the last end. Each trial takes one such game's first seven
ends (the players are told them through the protocol, so they know the
score and who had the hammer when) and plays the last end again through the
protocol, with the runner's noise (0.145 on vx and vy) from a stream seeded
by the trial's number: two versions of a player meet the same noise. Trial
i replays situation i mod (number of situations) in a fixed shuffled order.
Each trial appends one JSON line: its number, player 1's lead before the
end, the end's score for player 1 and the final margin.
"""
import argparse
import ctypes
import fcntl
import json
import os
import random
import select
import shlex
import struct
import subprocess
import sys
import termios
import time

SPREAD = 0.145
ENDS = 8
HERE = os.path.dirname(os.path.abspath(__file__))


def import_module():
    """The project's Python module: the installed one, else the build's."""
    try:
        import curling_simulator
    except ImportError:
        sys.path.insert(0, os.path.join(HERE, "..", "build", "python"))
        import curling_simulator
    return curling_simulator


cs = import_module()


def format_float(value):
    """The shortest text that reads back as the same single-precision float."""
    single = ctypes.c_float(value).value
    for digits in range(6, 10):
        text = "%.*g" % (digits, single)
        if ctypes.c_float(float(text)).value == single:
            return text
    return text


class Player:
    """A protocol player; a command is sent only once the last one was read."""

    def __init__(self, command):
        self.process = subprocess.Popen(shlex.split(command), stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, bufsize=0)

    def send(self, line):
        fd = self.process.stdin.fileno()
        os.write(fd, (line + "\n").encode())
        while struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, struct.pack("i", 0)))[0]:
            time.sleep(0.0005)

    def reply(self, timeout_s=120):
        data = b""
        while not (b"\n" in data or data.startswith(b"READYOK") or len(data.split()) >= 4):
            ready, _, _ = select.select([self.process.stdout], [], [], timeout_s)
            if not ready:
                raise RuntimeError("no reply in time")
            chunk = os.read(self.process.stdout.fileno(), 4096)
            if not chunk:
                raise RuntimeError("the player ended")
            data += chunk
        return data.decode().strip()

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)


def situations(records):
    """Histories of ends 0-6 (scores for player 1) and the first hammer of
    games where player 1 leads by 1 or 2 and player 2 has the last end's hammer."""
    found = []
    for path in records:
        record = cs.read_match_record(path)
        for dropped in record.dropped:
            print(f"{path}: {dropped}", file=sys.stderr)
        for recorded in record.games.values():
            game = recorded.result
            if len(game["end_scores"]) < ENDS:
                continue
            hammer = game["first_hammer"]
            history = game["end_scores"][:ENDS - 1]
            for score in history:
                if score != 0:
                    hammer = 2 if score > 0 else 1
            if hammer == 2 and sum(history) in (1, 2):
                found.append((history, game["first_hammer"]))
    random.Random(1).shuffle(found)
    return found


def tell_history(players, history, first_hammer):
    """Ends 0-6 as the match runner would have reported them; each player
    throws once in end 0 (the answer is ignored) so that it dates the hammer."""
    hammer = 0 if first_hammer == 1 else 1  # side with the hammer; player 1 is side 0
    for end, score in enumerate(history):
        for side, player in enumerate(players):
            if end == 0:
                player.send("POSITION" + " 0 0" * 16)
                player.send(f"SETSTATE {1 if hammer == side else 0} 0 {ENDS - 1} {side}")
                player.send("GO 300000 300000")
                player.reply()
            else:
                player.send(f"SETSTATE 0 {end} {ENDS - 1} {side}")
            player.send(f"SCORE {score}")
        if score != 0:
            hammer = 1 if score > 0 else 0
    if hammer != 1:
        raise RuntimeError("the history does not give player 2 the hammer")


def remove_out_of_play(state):
    for k, stone in enumerate(state.stones):
        if stone is not None and not (
                stone.x - cs.STONE_RADIUS > 0.0 and stone.x + cs.STONE_RADIUS < cs.SHEET_WIDTH
                and stone.y + cs.STONE_RADIUS >= cs.BACK_LINE_Y):
            state.stones[k] = None


def play_last_end(simulator, players, history, noise):
    state = cs.GameState(current_end=ENDS - 1, last_end=ENDS - 1)
    state.end_scores[:len(history)] = history
    for shot in range(16):
        side = shot % 2  # player 1 throws first: player 2 has the hammer
        state.shot_number, state.moving_side = shot, side
        player = players[side]
        stones = [stone or (0.0, 0.0) for stone in state.stones]
        player.send("POSITION " + " ".join(format_float(v) for s in stones for v in s))
        player.send(f"SETSTATE {shot} {ENDS - 1} {ENDS - 1} {side}")
        player.send("GO 250000 250000")
        words = player.reply().split()
        if len(words) != 4 or words[0] != "BESTSHOT":
            raise RuntimeError(f"not a shot: {' '.join(words)}")
        shot_vector = (float(words[1]) + noise.gauss(0.0, SPREAD),
                       float(words[2]) + noise.gauss(0.0, SPREAD), int(words[3]))
        state.stones = simulator.simulate(state, shot_vector).state.stones
        remove_out_of_play(state)
    state.shot_number, state.moving_side = 16, 0
    score = max(-8, min(8, simulator.score(state)))
    for player in players:
        player.send(f"SCORE {score}")
    return score


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--player1", required=True)
    parser.add_argument("--player2", required=True)
    parser.add_argument("--library", required=True, help="the physics library")
    parser.add_argument("--trials", type=int, default=200)
    parser.add_argument("--out", required=True, help="JSON Lines, appended to")
    parser.add_argument("records", nargs="+")
    args = parser.parse_args()

    found = situations(args.records)
    if not found:
        parser.error("no game in the records leads to such a last end")
    simulator = cs.Simulator(args.library)
    players = [Player(args.player1), Player(args.player2)]
    tally = {}  # lead -> [wins, extra ends, losses] of player 1
    with open(args.out, "a") as out:
        for trial in range(args.trials):
            history, first_hammer = found[trial % len(found)]
            for player in players:
                player.send("NEWGAME")
                player.send("ISREADY")
                if player.reply() != "READYOK":
                    raise RuntimeError("no READYOK")
            tell_history(players, history, first_hammer)
            score = play_last_end(simulator, players, history, random.Random(1000 + trial))
            lead = sum(history)
            out.write(json.dumps({"trial": trial, "lead": lead, "score": score,
                                  "final": lead + score}) + "\n")
            out.flush()
            print(f"trial {trial + 1}/{args.trials}: lead {lead}, end {score:+d}", flush=True)
            counts = tally.setdefault(lead, [0, 0, 0])
            counts[0 if lead + score > 0 else (1 if lead + score == 0 else 2)] += 1
    for player in players:
        player.close()
    for lead, (wins, extra, losses) in sorted(tally.items()):
        print(f"player 1 ahead by {lead}: {wins} won, {extra} to an extra end, {losses} lost")


if __name__ == "__main__":
    main()
