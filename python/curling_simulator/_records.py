"""The library's records in Python form, and their exact C layout.

A Python record is checked before it becomes a C record: ctypes would
silently wrap an out-of-range integer (a shot_number of 2**32 becomes 0),
so every field is range-checked and a bad one raises BadRecordError naming
it. Positions travel as single-precision floats, which the Python floats
read back exactly."""

from __future__ import annotations

import ctypes
import math
import operator
from collections.abc import Mapping, Set
from dataclasses import dataclass, field
from typing import List, NamedTuple, Optional, Sequence

from ._errors import BadRecordError
from ._generated import MAX_ENDS as ENDS, STONES
INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1


class Position(NamedTuple):
    """A stone's centre in metres (x across the sheet, y along it)."""

    x: float
    y: float


class Shot(NamedTuple):
    """A delivery: release velocity in 0.1 m/s units and the spin (0 or 1)."""

    vx: float
    vy: float
    spin: int = 0


class Target(NamedTuple):
    """A point to draw to or to pass through, and the spin to use (0 or 1)."""

    x: float
    y: float
    spin: int = 0


@dataclass
class GameState:
    """The position of an end: which stone is next and where stones lie.

    `stones[k]` is a Position, or None for an empty slot (the library's
    (0.0, 0.0)). Stones with an even index belong to the side that throws
    stone 0 of the end."""

    shot_number: int = 0
    current_end: int = 0
    last_end: int = 0
    end_scores: List[int] = field(default_factory=lambda: [0] * ENDS)
    moving_side: int = 0
    stones: List[Optional[Position]] = field(default_factory=lambda: [None] * STONES)

    def copy(self) -> "GameState":
        return GameState(self.shot_number, self.current_end, self.last_end,
                         list(self.end_scores), self.moving_side, list(self.stones))


class CStonePosition(ctypes.Structure):
    _fields_ = [("x", ctypes.c_float), ("y", ctypes.c_float)]


class CGameState(ctypes.Structure):
    _fields_ = [
        ("shot_number", ctypes.c_int32),
        ("current_end", ctypes.c_int32),
        ("last_end", ctypes.c_int32),
        ("end_scores", ctypes.c_int32 * ENDS),
        ("moving_side", ctypes.c_uint8),
        ("stones", CStonePosition * STONES),
    ]


class CShotVector(ctypes.Structure):
    _fields_ = [("vx", ctypes.c_float), ("vy", ctypes.c_float), ("spin", ctypes.c_uint8)]


class CShotTarget(ctypes.Structure):
    _fields_ = [("x", ctypes.c_float), ("y", ctypes.c_float), ("spin", ctypes.c_uint8)]


# The header pins these sizes; a platform that laid the records out otherwise
# would hand the library garbage.
for _record, _size in ((CStonePosition, 8), (CGameState, 184), (CShotVector, 12), (CShotTarget, 12)):
    if ctypes.sizeof(_record) != _size:  # pragma: no cover - platform check
        raise ImportError(f"{_record.__name__} is {ctypes.sizeof(_record)} bytes here, not {_size}")
if CGameState.stones.offset != 56 or CGameState.moving_side.offset != 52:  # pragma: no cover
    raise ImportError("GAMESTATE fields are not at the offsets of curling_simulator.h")


def integer(value, name: str, low: int, high: int) -> int:
    try:
        number = operator.index(value)
    except TypeError:
        raise BadRecordError(f"{name} must be an integer, not {value!r}") from None
    if not low <= number <= high:
        raise BadRecordError(f"{name} must be from {low} to {high}, not {number}")
    return number


def real(value, name: str) -> float:
    """A number for a single-precision field: a finite value beyond the
    float range would silently become infinity there, so it is refused
    (infinity and NaN pass as they are; the library defines them)."""
    if isinstance(value, (str, bytes)):
        raise BadRecordError(f"{name} must be a number, not {value!r}")
    try:
        number = float(value)
    except (TypeError, ValueError, OverflowError):
        raise BadRecordError(f"{name} must be a number that fits a float, not {value!r}") from None
    if math.isfinite(number) and math.isinf(ctypes.c_float(number).value):
        raise BadRecordError(f"{name} must fit a single-precision float, not {number!r}")
    return number


def sequence(value, name: str, length: int) -> Sequence:
    """The `length` entries of a list, tuple, array or the like, in order. A
    mapping or a set has a length but no order of its own: refused."""
    if (isinstance(value, (str, bytes, Mapping, Set)) or not hasattr(value, "__len__")
            or not hasattr(value, "__getitem__")):
        raise BadRecordError(f"{name} must be a sequence of {length}, not {value!r}")
    if len(value) != length:
        raise BadRecordError(f"{name} must hold {length} entries, not {len(value)}")
    try:
        return [value[k] for k in range(length)]
    except (LookupError, TypeError):
        raise BadRecordError(f"{name} must be a sequence of {length}, not {value!r}") from None


def to_c_state(state: GameState) -> CGameState:
    if not isinstance(state, GameState):
        raise BadRecordError(f"expected a GameState, not {type(state).__name__}")
    c = CGameState()
    c.shot_number = integer(state.shot_number, "shot_number", INT32_MIN, INT32_MAX)
    c.current_end = integer(state.current_end, "current_end", INT32_MIN, INT32_MAX)
    c.last_end = integer(state.last_end, "last_end", INT32_MIN, INT32_MAX)
    for k, score in enumerate(sequence(state.end_scores, "end_scores", ENDS)):
        c.end_scores[k] = integer(score, f"end_scores[{k}]", INT32_MIN, INT32_MAX)
    c.moving_side = integer(state.moving_side, "moving_side", 0, 1)
    for k, stone in enumerate(sequence(state.stones, "stones", STONES)):
        if stone is None:
            continue
        xy = sequence(stone, f"stones[{k}]", 2)
        c.stones[k].x = real(xy[0], f"stones[{k}].x")
        c.stones[k].y = real(xy[1], f"stones[{k}].y")
    return c


def position_of(c: CStonePosition) -> Optional[Position]:
    return None if c.x == 0.0 and c.y == 0.0 else Position(c.x, c.y)


def from_c_state(c: CGameState) -> GameState:
    return GameState(c.shot_number, c.current_end, c.last_end, list(c.end_scores),
                     c.moving_side, [position_of(s) for s in c.stones])


def to_c_shot(shot) -> CShotVector:
    vx, vy, spin = sequence(shot, "shot (vx, vy, spin)", 3)
    return CShotVector(real(vx, "shot vx"), real(vy, "shot vy"), integer(spin, "shot spin", 0, 1))


def from_c_shot(c: CShotVector) -> Shot:
    return Shot(c.vx, c.vy, c.spin)


def to_c_target(target) -> CShotTarget:
    x, y, spin = sequence(target, "target (x, y, spin)", 3)
    return CShotTarget(real(x, "target x"), real(y, "target y"), integer(spin, "target spin", 0, 1))
