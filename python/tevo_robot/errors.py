"""Exceptions raised by the package.

Every failed library call raises a RobotError (or a subclass chosen by the
code) that carries the library's result code in ``.code`` and its text (from
rs_str_error) in ``.text``. Arguments that are wrong before any call is made
raise the built-in TypeError or ValueError instead.
"""
from typing import Dict, Optional, Type


class RobotError(Exception):
    """A library call failed; ``code`` is its result code, ``text`` the library's message."""

    def __init__(self, code: int, text: str = "", operation: str = "") -> None:
        message = f"{operation} failed: {code}" if operation else f"error {code}"
        if text:
            message += f" ({text})"
        Exception.__init__(self, message)
        self.code = code
        self.text = text
        self.operation = operation
        self._message = message

    def __str__(self) -> str:
        return self._message

    def __reduce__(self):
        return (type(self), (self.code, self.text, self.operation))


class HandleError(RobotError):
    """No context has the handle (1002) or 32 contexts are alive already (1001)."""


class ArgumentError(RobotError, ValueError):
    """The library refused an argument: out of range (1003) or invalid (10002)."""


class RobotConnectionError(RobotError, ConnectionError):
    """The controller could not be reached (10003) or the link dropped (10004)."""

    def __init__(self, code: int, text: str = "", operation: str = "") -> None:
        RobotError.__init__(self, code, text, operation)


class RobotTimeoutError(RobotError, TimeoutError):
    """The controller did not answer in time (10007)."""

    def __init__(self, code: int, text: str = "", operation: str = "") -> None:
        RobotError.__init__(self, code, text, operation)


class KinematicsError(RobotError):
    """Forward or inverse kinematics found no answer (10011, 10012)."""


class LibraryNotFoundError(OSError):
    """libtevorobotsdk.so was found nowhere the package looks."""


# Codes with a more specific class than RobotError.
ERROR_CLASSES: Dict[int, Type[RobotError]] = {
    1001: HandleError,
    1002: HandleError,
    1003: ArgumentError,
    10002: ArgumentError,
    10003: RobotConnectionError,
    10004: RobotConnectionError,
    10007: RobotTimeoutError,
    10011: KinematicsError,
    10012: KinematicsError,
}


def error_for(code: int, text: str = "", operation: str = "") -> RobotError:
    """The exception for a result code: the specific class when there is one."""
    cls: Optional[Type[RobotError]] = ERROR_CLASSES.get(code)
    return (cls or RobotError)(code, text, operation)
