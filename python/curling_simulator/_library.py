"""Finding and opening libCurlingSimulator with ctypes."""

from __future__ import annotations

import ctypes
import os
from typing import List, Optional

from ._errors import LibraryNotFoundError
from ._records import CGameState, CShotTarget, CShotVector, CStonePosition

SONAME = "libCurlingSimulator.so.0"
LIBRARY_ENV = "CURLING_SIMULATOR_LIBRARY"

_P = ctypes.POINTER
# name: (return type, argument types), as in curling_simulator.h
_REQUIRED = {
    "Simulation": (ctypes.c_int32, [_P(CGameState), CShotVector, ctypes.c_float, ctypes.c_uint32,
                                    ctypes.c_int32]),
    "CreateShot": (ctypes.c_int32, [CShotTarget, _P(CShotVector)]),
    "CreateHitShot": (ctypes.c_int32, [CShotTarget, ctypes.c_float, _P(CShotVector)]),
    "GetScore": (ctypes.c_int32, [_P(CGameState)]),
}
_EXTRAS = {
    "SeedNoise": (ctypes.c_int32, [ctypes.c_uint64]),
    "SimulateTrajectory": (ctypes.c_int32, [_P(CGameState), CShotVector, ctypes.c_float,
                                            ctypes.c_uint32, ctypes.c_float, _P(CStonePosition),
                                            ctypes.c_int32]),
    "ApplyFreeGuardZone": (ctypes.c_int32, [_P(CGameState), _P(CGameState), ctypes.c_int32,
                                            _P(ctypes.c_uint32)]),
}


def _installed_candidate() -> Optional[str]:
    """The library of the tree this module was installed with, if any."""
    try:
        from ._install_layout import LIBRARY_DIR
    except ImportError:  # running from the source tree
        return None
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.normpath(os.path.join(here, LIBRARY_DIR, SONAME))


def candidates(path: Optional[str]) -> List[str]:
    """Where to look, in order: the given path alone, else the environment
    variable alone, else the installed tree's library, then the system's
    search (ld.so cache, LD_LIBRARY_PATH)."""
    if path is not None:
        return [os.fspath(path)]
    if os.environ.get(LIBRARY_ENV):
        return [os.environ[LIBRARY_ENV]]
    installed = _installed_candidate()
    return ([installed] if installed else []) + [SONAME]


def _bind(library: ctypes.CDLL, where: str) -> None:
    missing = [name for name in _REQUIRED if not hasattr(library, name)]
    if missing:
        raise LibraryNotFoundError(f"{where} is not the curling physics library: "
                                   f"missing entry point {', '.join(missing)}")
    for table in (_REQUIRED, _EXTRAS):
        for name, (result, arguments) in table.items():
            if hasattr(library, name):
                function = getattr(library, name)
                function.restype = result
                function.argtypes = arguments


def open_library(path: Optional[str] = None) -> ctypes.CDLL:
    failures = []
    for candidate in candidates(path):
        try:
            library = ctypes.CDLL(candidate)
        except OSError as error:
            failures.append(f"{candidate}: {error}")
            continue
        _bind(library, candidate)
        return library
    raise LibraryNotFoundError(
        "cannot load the curling physics library (" + "; ".join(failures) + "). Pass its path, "
        f"set {LIBRARY_ENV}, or install the library where the system loader finds it.")


class _DlInfo(ctypes.Structure):
    _fields_ = [("dli_fname", ctypes.c_char_p), ("dli_fbase", ctypes.c_void_p),
                ("dli_sname", ctypes.c_char_p), ("dli_saddr", ctypes.c_void_p)]


def library_file(library: ctypes.CDLL) -> str:
    """The file the system loader actually opened (a bare name says little
    when the system's search found it)."""
    try:
        dladdr = ctypes.CDLL(None).dladdr
    except AttributeError:  # a C library without dladdr in the global scope
        return library._name
    dladdr.restype = ctypes.c_int
    dladdr.argtypes = [ctypes.c_void_p, ctypes.POINTER(_DlInfo)]
    info = _DlInfo()
    if dladdr(ctypes.cast(library.Simulation, ctypes.c_void_p), ctypes.byref(info)) and info.dli_fname:
        return os.fsdecode(info.dli_fname)
    return library._name
