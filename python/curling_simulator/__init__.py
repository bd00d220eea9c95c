"""Deterministic curling physics from Python, through libCurlingSimulator.

    import curling_simulator as cs
    sim = cs.Simulator()
    aim = sim.create_shot(cs.Target(cs.CENTRE_X, cs.TEE_Y, spin=0))
    after, at_rest = sim.simulate(cs.GameState(), aim.shot)
    print(after.stones[0], sim.score(after))

Standard library only (ctypes); numpy, where present, gives arrays
(Trajectory.as_array, positions_array). The sheet's lines (TEE_Y,
HOUSE_RADIUS, ...) are those of curling_simulator.h, without its CURLING_
prefix."""

from ._errors import BadRecordError, CurlingSimulatorError, LibraryNotFoundError
from ._generated import *  # noqa: F401,F403 - the sheet's lines
from ._generated import SHEET_LINES, VERSION as __version__
from ._library import LIBRARY_ENV, SONAME
from ._match_records import Dropped, MatchRecord, RecordedGame, read_match_record
from ._records import GameState, Position, Shot, Target
from ._simulator import Aim, ShotResult, Simulator, Trajectory, positions_array
from ._simulator import FREE_GUARD_ZONE_RULES, RuleResult

__all__ = [
    "Aim", "BadRecordError", "CurlingSimulatorError", "Dropped", "GameState", "LibraryNotFoundError",
    "MatchRecord", "Position", "RecordedGame", "read_match_record",
    "Shot", "ShotResult", "Simulator", "Target", "Trajectory", "positions_array", "LIBRARY_ENV", "SONAME",
    "__version__", *SHEET_LINES,
    "FREE_GUARD_ZONE_RULES", "RuleResult",
]
