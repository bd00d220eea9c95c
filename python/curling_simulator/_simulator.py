"""The Simulator: the library's entry points with Python types."""

from __future__ import annotations

import ctypes
import math
import os
from dataclasses import dataclass, field
from typing import Iterable, List, NamedTuple, Optional, Sequence, Tuple, Union

from . import _records as records
from . import _generated as header
from ._errors import BadRecordError, CurlingSimulatorError
from ._library import library_file, open_library
from ._records import GameState, Position, Shot

# Long enough for any delivery: the slowest stone still in play comes to rest
# well within this.
_TRAJECTORY_SECONDS = 120.0


class ShotResult(NamedTuple):
    """The position after a shot; at_rest is False when the play was cut
    short (by limit_ms, or by the library's bound on collisions)."""

    state: GameState
    at_rest: bool


class RuleResult(NamedTuple):
    """The position to play on after a delivery under a rule. When the rule
    undid the delivery (undone), the delivered stone is out of play and
    `restored` names the other stones put back where they were; otherwise
    `state` is the position after the delivery as it was given."""

    state: GameState
    undone: bool
    restored: Tuple[int, ...]


# The free guard zone rules by the names the match runner gives them.
FREE_GUARD_ZONE_RULES = {"none": header.RULE_NONE, "four-rock": header.RULE_FOUR_ROCK,
                         "five-rock": header.RULE_FIVE_ROCK}


class Aim(NamedTuple):
    """A computed shot; reachable is False when the target could not be
    met and `shot` is the nearest shot that can be made."""

    shot: Shot
    reachable: bool


@dataclass(frozen=True)
class Trajectory:
    """Stone positions every `interval` seconds of play: frames[f] holds the
    16 stones (Position or None) at time f * interval, and frames[-1] the
    final position, as simulate() leaves it."""

    interval: float
    frames: List[List[Optional[Position]]]
    complete: bool  # False when max_frames left out frames before the last
    _raw: object = field(default=None, repr=False, compare=False)

    @property
    def final(self) -> List[Optional[Position]]:
        return self.frames[-1]

    def as_array(self):
        """The frames as a numpy float32 array of shape (frames, 16, 2), the
        library's exact values (empty slots are 0.0, 0.0)."""
        numpy = _numpy()
        return numpy.ctypeslib.as_array(self._raw).view(numpy.float32).reshape(len(self.frames), records.STONES, 2).copy()


def positions_array(states: Iterable[GameState]):
    """The stones of many states as a numpy float32 array (states, 16, 2);
    empty slots are 0.0, 0.0."""
    numpy = _numpy()
    return numpy.array([[(0.0, 0.0) if s is None else (s.x, s.y) for s in state.stones]
                        for state in states], dtype=numpy.float32).reshape(-1, records.STONES, 2)


def _numpy():
    try:
        import numpy
    except ImportError:
        raise ImportError("arrays need numpy (Debian: apt-get install python3-numpy); "
                          "everything else works without it") from None
    return numpy


def _spread(value) -> float:
    spread = records.real(value, "spread")
    if not spread >= 0.0 or math.isinf(spread):
        raise BadRecordError(f"spread must be a finite number >= 0, not {spread!r}")
    return spread


def _playable(c: records.CGameState) -> records.CGameState:
    if not 0 <= c.shot_number < records.STONES:
        raise BadRecordError(f"shot_number must be from 0 to 15 to play a shot, not {c.shot_number}")
    return c


class Simulator:
    """One loaded physics library.

    Simulator() finds the library by itself (see README); Simulator(path)
    loads exactly that file. Calls release the GIL and may run on many
    threads at once; the noise of `spread` comes from a generator per thread,
    which seed_noise() seeds for the calling thread."""

    def __init__(self, library: Union[str, os.PathLike, None] = None):
        self._lib = open_library(library)
        self.path = library_file(self._lib)

    def __repr__(self) -> str:
        return f"Simulator({self.path!r})"

    def simulate(self, state: GameState, shot: Sequence, *, spread: float = 0.0,
                 limit_ms: Optional[int] = None) -> ShotResult:
        """Plays stone state.shot_number with `shot` plus Gaussian noise of
        standard deviation `spread` (0.1 m/s) on vx and vy; `limit_ms` stops
        the play after that much simulated time. The state is not changed."""
        c = _playable(records.to_c_state(state))
        return self._simulate(c, records.to_c_shot(shot), _spread(spread), self._limit(limit_ms))

    def simulate_many(self, state: GameState, shots: Iterable[Sequence], *, spread: float = 0.0,
                      limit_ms: Optional[int] = None) -> List[ShotResult]:
        """simulate() for each of `shots` from the same position."""
        base = _playable(records.to_c_state(state))
        noise = _spread(spread)
        limit = self._limit(limit_ms)
        c_shots = [records.to_c_shot(shot) for shot in shots]
        return [self._simulate(records.CGameState.from_buffer_copy(base), s, noise, limit) for s in c_shots]

    def create_shot(self, target: Sequence) -> Aim:
        """The shot that comes to rest at target (x, y, spin) on an empty sheet."""
        out = records.CShotVector()
        code = self._lib.CreateShot(records.to_c_target(target), ctypes.byref(out))
        return self._aim(out, code, "CreateShot")

    def create_hit_shot(self, target: Sequence, strength: float) -> Aim:
        """A shot through target (x, y, spin) with speed `strength` (0.1 m/s)
        there; strength 0 is a draw to the point."""
        out = records.CShotVector()
        code = self._lib.CreateHitShot(records.to_c_target(target), records.real(strength, "strength"),
                                       ctypes.byref(out))
        return self._aim(out, code, "CreateHitShot")

    def score(self, state: GameState) -> int:
        """Score of the end as the stones lie: positive when side 0 scores."""
        return self._lib.GetScore(ctypes.byref(records.to_c_state(state)))

    def score_many(self, states: Iterable[GameState]) -> List[int]:
        return [self.score(state) for state in states]

    def seed_noise(self, seed: int) -> None:
        """Seeds the noise generator of the calling thread."""
        self._extra("SeedNoise")(records.integer(seed, "seed", 0, 2**64 - 1))

    def trajectory(self, state: GameState, shot: Sequence, *, spread: float = 0.0,
                   interval: float = 0.05, max_frames: Optional[int] = None) -> Trajectory:
        """Plays a shot like simulate() and records the stones every
        `interval` seconds (at least 0.001) for plotting."""
        c = _playable(records.to_c_state(state))
        step = records.real(interval, "interval")
        if not (step >= 0.001 and math.isfinite(step)):
            raise BadRecordError(f"interval must be at least 0.001 s, not {step!r}")
        n = records.STONES
        if max_frames is None:
            max_frames = min(int(_TRAJECTORY_SECONDS / step) + 2, records.INT32_MAX // n)
        capacity = records.integer(max_frames, "max_frames", 1, records.INT32_MAX // n)
        # Room for one frame more than asked: a shot of exactly max_frames
        # frames then comes back whole, and is told from a longer one.
        raw = (records.CStonePosition * (n * (capacity + 1)))()
        written = self._extra("SimulateTrajectory")(ctypes.byref(c), records.to_c_shot(shot), _spread(spread),
                                                    0, step, raw, capacity + 1)
        if written < 1:
            raise CurlingSimulatorError(f"SimulateTrajectory returned {written}")
        complete = written <= capacity
        if not complete:
            # What a call with room for max_frames writes: the frames before
            # the last that fits, then the final position.
            frame_bytes = n * ctypes.sizeof(records.CStonePosition)
            ctypes.memmove(ctypes.addressof(raw) + (capacity - 1) * frame_bytes,
                           ctypes.addressof(raw) + capacity * frame_bytes, frame_bytes)
            written = capacity
        frames = [[records.position_of(raw[n * f + k]) for k in range(n)] for f in range(written)]
        used = (records.CStonePosition * (n * written)).from_buffer(raw)
        return Trajectory(step, frames, complete, used)

    def apply_free_guard_zone(self, before: GameState, after: GameState, rule: str, *,
                              no_tick: bool = False) -> RuleResult:
        """Applies a free guard zone rule ("none", "four-rock" or "five-rock",
        with the no-tick rule when no_tick) to the delivery of stone
        before.shot_number that left `after` (see ApplyFreeGuardZone in
        curling_simulator.h). Neither state is changed."""
        if rule not in FREE_GUARD_ZONE_RULES:
            raise BadRecordError(f"rule must be one of {', '.join(FREE_GUARD_ZONE_RULES)}, not {rule!r}")
        if no_tick and rule == "none":
            raise BadRecordError("rule 'none' takes no no-tick rule: no_tick goes with four-rock or five-rock")
        code = FREE_GUARD_ZONE_RULES[rule] | (header.RULE_NO_TICK if no_tick else 0)
        c_before = _playable(records.to_c_state(before))
        c_after = records.to_c_state(after)
        if c_after.shot_number != c_before.shot_number + 1:
            raise BadRecordError(f"after.shot_number must be before.shot_number + 1 ({c_before.shot_number + 1}), "
                                 f"not {c_after.shot_number}")
        mask = ctypes.c_uint32(0)
        undone = self._extra("ApplyFreeGuardZone")(ctypes.byref(c_before), ctypes.byref(c_after), code,
                                                   ctypes.byref(mask))
        if undone not in (0, 1):
            raise CurlingSimulatorError(f"ApplyFreeGuardZone returned {undone}")
        restored = tuple(k for k in range(records.STONES) if mask.value >> k & 1)
        return RuleResult(records.from_c_state(c_after), undone == 1, restored)

    def _simulate(self, c: records.CGameState, shot: records.CShotVector, spread: float,
                  limit: int) -> ShotResult:
        code = self._lib.Simulation(ctypes.byref(c), shot, spread, 0, limit)
        if code not in (1, 2):
            raise CurlingSimulatorError(f"Simulation returned {code}")
        return ShotResult(records.from_c_state(c), code == 1)

    @staticmethod
    def _limit(limit_ms: Optional[int]) -> int:
        return -1 if limit_ms is None else records.integer(limit_ms, "limit_ms", 0, records.INT32_MAX)

    @staticmethod
    def _aim(out: records.CShotVector, code: int, name: str) -> Aim:
        if code not in (0, 1):
            raise CurlingSimulatorError(f"{name} returned {code}")
        return Aim(records.from_c_shot(out), code == 1)

    def _extra(self, name: str):
        if not hasattr(self._lib, name):
            raise CurlingSimulatorError(f"{self.path} has no {name} (an older library?)")
        return getattr(self._lib, name)
