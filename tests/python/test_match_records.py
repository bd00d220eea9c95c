"""The Python module's reader of match records keeps whole games only, as
the runner's reader does (match/README.md, "The record"): a game with a bad
line is left out and the line named, and a record cut mid-line keeps its
finished games."""

import json
import os
import tempfile
import unittest

import curling_simulator as cs

EMPTY = [[0.0, 0.0]] * 16


def one_game():
    """Line 1 the header, 2 to 17 the shots, 18 the end, 19 the game:
    player 1 steals a point in the one end of game 0."""
    lines = [{"type": "match", "games": 2, "ends": 1, "clock_ms": 1000,
              "players": [{"name": "a", "command": "a"}, {"name": "b", "command": "b"}]}]
    for shot in range(16):
        lines.append({"type": "shot", "game": 0, "end": 0, "shot": shot, "side": shot % 2,
                      "player": shot % 2 + 1, "position": EMPTY, "after": EMPTY, "reply": "",
                      "shot_vector": [0.0, -30.0, 0], "noise": [0.0, 0.0], "delivered": [0.0, -30.0, 0],
                      "think_ms": 1.0, "clock_ms": [900, 900]})
    lines.append({"type": "end", "game": 0, "end": 0, "score": 1, "hammer": 2, "total": [1, 0]})
    lines.append({"type": "game", "game": 0, "score": [1, 0], "winner": 1, "ending": "normal", "player": None,
                  "detail": "", "first_hammer": 2, "end_scores": [1]})
    return lines


def undo(lines, shot):
    """Makes `shot` one the free guard zone undid (stone 0, a guard, put
    back), in a match played under the five-rock rule."""
    lines[0]["rule"] = "five-rock"
    line = lines[shot + 1]
    line.update(position=[[2.375, 8.5]] + EMPTY[1:], after=[[2.375, 8.5]] + EMPTY[1:], rule_undone=True,
                restored=[0], undone_after=[[2.4, 8.4] if k == shot else [0.0, 0.0] for k in range(16)])
    return lines


def read(text):
    with tempfile.NamedTemporaryFile("w", suffix=".jsonl", delete=False) as file:
        file.write(text)
    try:
        return cs.read_match_record(file.name)
    finally:
        os.remove(file.name)


def text_of(lines):
    return "".join(json.dumps(line) + "\n" for line in lines)


class MatchRecords(unittest.TestCase):
    def test_a_game_with_a_bad_line_is_left_out_and_the_line_named(self):
        cases = [
            ("a shot missing", lambda l: l.pop(6), 7),
            ("a shot out of turn", lambda l: l[4].update(side=0, player=1), 5),
            ("the hammer to the wrong player", lambda l: l[17].update(hammer=1), 18),
            ("a total that is not the ends'", lambda l: l[17].update(total=[2, 0]), 18),
            ("a winner of 7", lambda l: l[18].update(winner=7), 19),
            ("a score against the ends", lambda l: l[18].update(score=[3, 0]), 19),
            ("a score of text", lambda l: l[18].update(score="x"), 19),
            ("an undone shot without the rule", lambda l: undo(l, 1)[0].pop("rule"), 3),
            ("an undone sixth stone under five-rock", lambda l: undo(l, 5), 7),
            ("nested too deep", lambda l: l.insert(1, "[" * 200000 + "]" * 200000), 2),
        ]
        for name, edit, line in cases:
            with self.subTest(name):
                lines = one_game()
                edit(lines)
                record = read("".join((l if isinstance(l, str) else json.dumps(l)) + "\n" for l in lines))
                faults = [d for d in record.dropped if d.fault]
                self.assertEqual([d.line for d in faults], [line], record.dropped)
                self.assertEqual(len(record.games), 1 if line == 2 else 0)

    def test_a_shot_the_free_guard_zone_undid_is_kept(self):
        record = read(text_of(undo(one_game(), 1)))
        self.assertEqual(record.dropped, [])
        self.assertEqual(record.games[0].shots[1]["restored"], [0])

    def test_a_record_cut_mid_line_keeps_its_finished_games(self):
        lines = one_game()
        second = dict(lines[1], game=1, side=1, player=2)
        text = text_of(lines[:3] + [second] + lines[3:]) + json.dumps(lines[2])[:40]
        record = read(text)
        self.assertEqual(sorted(record.games), [0])
        self.assertEqual(len(record.games[0].shots), 16)
        self.assertEqual([(d.line, d.game, d.fault) for d in record.dropped], [(4, 1, False), (21, None, False)])


if __name__ == "__main__":
    unittest.main()
