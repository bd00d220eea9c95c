"""The module's exceptions."""


class CurlingSimulatorError(Exception):
    """Base of every error this module raises."""


class LibraryNotFoundError(CurlingSimulatorError, OSError):
    """The physics library could not be found or lacks an entry point."""


class BadRecordError(CurlingSimulatorError, ValueError):
    """A record (game state, shot, target) that the library cannot take."""
