"""Match records (curling-match's JSON Lines) read as the runner reads them.

The format and its rules are those of match/README.md ("The record"): the
first line is the match header; the games are kept whole only, every shot
in turn, each end scored after its sixteenth stone with the hammer and the
running total the rules give, and a game line that agrees with its ends.
Anything else is left out and said in `dropped`, with its line number: a
last line cut short, a game not finished, a line that is not a record line
or that contradicts its game."""

from __future__ import annotations

import json
from dataclasses import dataclass, field
from typing import Dict, List, Optional

from ._errors import BadRecordError
from ._generated import MAX_ENDS, STONES

MAX_LINE_BYTES = 4 << 20
ENDINGS = ("normal", "time_forfeit", "crash", "stall", "malformed_shot")
# The free guard zone rules a header may name, by the deliveries of an end
# each covers (match/records/free_guard_zone.h).
RULES = {"none": 0, "four-rock": 4, "five-rock": 5, "four-rock+no-tick": 5, "five-rock+no-tick": 5}


@dataclass
class RecordedGame:
    """A whole game: its shot, end and game lines as dictionaries, in order."""

    index: int
    shots: List[dict] = field(default_factory=list)
    ends: List[dict] = field(default_factory=list)
    result: Optional[dict] = None


@dataclass
class Dropped:
    line: int
    game: Optional[int]
    reason: str
    fault: bool  # False for a cut last line or a game not finished

    def __str__(self):
        left_out = "" if self.game is None else f"; game {self.game} is left out"
        return f"line {self.line}: {self.reason}{left_out}"


@dataclass
class MatchRecord:
    header: dict
    games: Dict[int, RecordedGame]
    summary: Optional[dict]
    dropped: List[Dropped]

    @property
    def names(self):
        return [player["name"] for player in self.header["players"]]


def _whole(value, low, high):
    return isinstance(value, int) and not isinstance(value, bool) and low <= value <= high


class _GameCheck:
    """The turn, hammer and score rules, line by line (see GameCheck in C++)."""

    def __init__(self, index, regular_ends, covered=0):
        self.game = RecordedGame(index)
        self.regular = regular_ends
        self.covered = covered  # deliveries of an end the free guard zone covers
        self.first = index % 2  # side that opens the end under way
        self.stones = 0
        self.totals = [0, 0]
        self.finished = False
        self.broken = False
        self.last_line = 0

    def another_end(self):
        played = len(self.game.ends)
        return played < self.regular or (self.totals[0] == self.totals[1] and played < MAX_ENDS)

    def shot(self, line):
        if not all(_whole(line.get(k), 0, high) for k, high in
                   (("end", MAX_ENDS - 1), ("shot", STONES - 1), ("side", 1), ("player", 2))):
            return "end, shot, side or player is not a whole number of a record"
        for key in ("position", "after"):
            stones = line.get(key)
            if not (isinstance(stones, list) and len(stones) == STONES and all(
                    isinstance(s, list) and len(s) == 2 and all(
                        isinstance(v, (int, float)) and not isinstance(v, bool) for v in s) for s in stones)):
                return f'"{key}" is not {STONES} [x, y] pairs'
        if not isinstance(line.get("think_ms"), (int, float)):
            return '"think_ms" is not a number'
        if not isinstance(line.get("rule_undone", False), bool):
            return '"rule_undone" is not true or false'
        if line.get("rule_undone"):
            restored = line.get("restored")
            if not (isinstance(restored, list) and restored and all(_whole(k, 0, STONES - 1) for k in restored)
                    and isinstance(line.get("undone_after"), list) and len(line["undone_after"]) == STONES):
                return 'an undone shot without its "restored" stones and "undone_after" position'
            if line["shot"] >= self.covered:
                return f"shot {line['shot']} of end {line['end']} is undone by a free guard zone " \
                       f"that covers {self.covered} stones"
        if line["end"] != len(self.game.ends) or line["shot"] != self.stones:
            return f"shot {line['shot']} of end {line['end']} where shot {self.stones} of end " \
                   f"{len(self.game.ends)} was due"
        if self.stones == 0 and not self.another_end():
            return f"end {line['end']} is played after the game was decided"
        side = self.first if line["shot"] % 2 == 0 else 1 - self.first
        if line["side"] != side or line["player"] != side + 1:
            return f"shot {line['shot']} of end {line['end']} is not thrown by player {side + 1}"
        self.stones += 1
        self.game.shots.append(line)
        return None

    def end(self, line):
        if not (_whole(line.get("score"), -STONES // 2, STONES // 2) and _whole(line.get("hammer"), 1, 2)):
            return "the end's score or hammer is not one of a record"
        if line.get("end") != len(self.game.ends) or self.stones != STONES:
            return f"end {line.get('end')} is scored after {self.stones} stones"
        if line["hammer"] != 2 - self.first:
            return f"end {line['end']} gives the hammer to the wrong player"
        score = line["score"]
        self.totals = [self.totals[0] + max(score, 0), self.totals[1] + max(-score, 0)]
        if line.get("total") != self.totals:
            return f"end {line['end']} totals are not the sum of its ends"
        self.first = 0 if score > 0 else 1 if score < 0 else self.first
        self.stones = 0
        self.game.ends.append(line)
        return None

    def result(self, line):
        if line.get("score") != self.totals:
            return "the game line's score is not its ends'"
        if line.get("end_scores") != [end["score"] for end in self.game.ends]:
            return "the game line's end scores are not those of its end lines"
        if line.get("first_hammer") != 2 - self.game.index % 2 or line.get("ending") not in ENDINGS:
            return "the game line's first hammer or ending is not one of a record"
        if line["ending"] == "normal":
            if self.stones or self.another_end():
                return "the game ends normally before its last end"
            winner = None if self.totals[0] == self.totals[1] else 1 if self.totals[0] > self.totals[1] else 2
            if line.get("winner") != winner or line.get("player") is not None:
                return "the game line's winner is not the one of its score"
        elif line.get("player") not in (1, 2) or line.get("winner") != 3 - line["player"]:
            return "the game line's winner is not the other of the player at fault"
        self.finished = True
        self.game.result = line
        return None


def _parse(text):
    if len(text) > MAX_LINE_BYTES:
        return None, f"it is longer than {MAX_LINE_BYTES} bytes"
    try:
        line = json.loads(text)
    except RecursionError:
        return None, "it nests too deeply"
    except ValueError:
        return None, "it is not JSON"
    if not isinstance(line, dict) or not isinstance(line.get("type"), str):
        return None, 'it is not a record line (an object with a "type")'
    return line, None


def _header(text):
    line, error = _parse(text)
    if error:
        raise BadRecordError(f"line 1 is not a match header: {error}")
    players = line.get("players")
    if line["type"] != "match" or not _whole(line.get("games"), 1, 2**31 - 1) \
            or not _whole(line.get("ends"), 1, MAX_ENDS) or not isinstance(players, list) or len(players) != 2 \
            or not all(isinstance(p, dict) and isinstance(p.get("name"), str) for p in players):
        raise BadRecordError("line 1 is not a usable match header")
    if line.get("rule", "none") not in RULES:
        raise BadRecordError(f"line 1 names a free guard zone rule not one of {', '.join(RULES)}")
    return line


def read_match_record(path) -> MatchRecord:
    """Reads a record; raises BadRecordError when its header is unusable."""
    with open(path, "rb") as file:
        raw = file.read().decode("utf-8", errors="replace")
    texts = raw.split("\n")
    if len(texts) < 2:
        raise BadRecordError(f"{path} holds no whole line")
    header = _header(texts[0])
    record = MatchRecord(header, {}, None, [])
    checks: Dict[int, _GameCheck] = {}
    readers = {"shot": _GameCheck.shot, "end": _GameCheck.end, "game": _GameCheck.result}
    for number, text in enumerate(texts[1:-1], start=2):
        if not text.strip():
            continue
        line, error = _parse(text)
        if error is None and line["type"] == "summary":
            record.summary = line
            continue
        if error is None and line["type"] not in readers:
            error = f"unknown line type {line['type']!r}"
        if error is None and not _whole(line.get("game"), 0, header["games"] - 1):
            error = f"it is of no game of the match's {header['games']}"
        if error:
            record.dropped.append(Dropped(number, None, error, True))
            continue
        check = checks.setdefault(line["game"], _GameCheck(line["game"], header["ends"], RULES[header.get("rule", "none")]))
        if check.broken:
            continue
        check.last_line = number
        error = "it goes on after the game line" if check.finished else readers[line["type"]](check, line)
        if error:
            check.broken = True
            record.dropped.append(Dropped(number, line["game"], f"game {line['game']}: {error}", True))
    if texts[-1]:
        record.dropped.append(Dropped(len(texts), None, "it is cut short (no line end) and left out", False))
    for index, check in sorted(checks.items()):
        if check.finished and not check.broken:
            record.games[index] = check.game
        elif not check.broken:
            record.dropped.append(Dropped(check.last_line, index, "no game line follows (the game is not finished)", False))
    record.dropped.sort(key=lambda d: d.line)
    return record
