"""Exceptions raised by the package.

Every failed library call raises a RobotError, or the subclass that names its
cause (AuthenticationError, NotStartedError, TargetError, StoppedError, ...:
each class says what it stands for; python/README.md has the table), chosen by
``error_class`` from the library's result code and, when the controller
refused the request, the controller's own code.

Each carries ``.code`` (the library's result code), ``.text`` (the library's
text of it), ``.operation`` (the call that failed), and, when the controller
refused the request, ``.controller_code``, ``.controller_text`` (its reason)
and ``.command`` (the refused command's name); otherwise 0, "" and "".
``str()`` is a sentence::

    move_joint refused by the controller: joint 3 target 4.00 rad outside its
    range [-3.05, 3.05] (controller code 104)
    move_joint stopped: The move was stopped by a stop request. (code 21300)
    login to 127.0.0.1:8899 refused: the user name or password was refused
    (controller code 101)

Arguments that are wrong before any call is made raise the built-in TypeError
or ValueError instead.
"""
from typing import Dict, NamedTuple, Optional, Type

# The library's codes this module tells apart.
FAILED = 10001
RESPONSE_RETURN_ERROR = 10023
REAL_ROBOT_NO_EXIST = 10024
# The login command's number on the wire (Refusal.command_type of a refused login).
LOGIN_COMMAND_TYPE = 0


class Refusal(NamedTuple):
    """A controller's refusal of a request (rs_last_controller_refusal)."""

    command_type: int  # the command's number on the wire; -1: none
    controller_code: int
    command: str  # the command's name ("RobotMove", "Login", ...)
    text: str  # the controller's reason


NO_REFUSAL = Refusal(-1, 0, "", "")


class RobotError(Exception):
    """A library call failed; ``code`` is its result code, ``text`` the library's
    message, ``controller_code``/``controller_text``/``command`` the controller's
    refusal behind it (0, "", "" when it did not refuse)."""

    def __init__(self, code: int, text: str = "", operation: str = "", *,
                 controller_code: int = 0, controller_text: str = "", command: str = "") -> None:
        self.code = code
        self.text = text
        self.operation = operation
        self.controller_code = controller_code
        self.controller_text = controller_text
        self.command = command
        self._message = self._sentence()
        Exception.__init__(self, self._message)

    def _sentence(self) -> str:
        what = self.operation or "call"
        if self.controller_code:
            how = "refused" if isinstance(self, AuthenticationError) else \
                "refused by the controller"
            return f"{what} {how}: {self.controller_text} (controller code {self.controller_code})"
        verb = "stopped" if isinstance(self, StoppedError) else "failed"
        reason = f": {self.text}" if self.text else ""
        return f"{what} {verb}{reason} (code {self.code})"

    def __str__(self) -> str:
        return self._message

    def __reduce__(self):
        return (_rebuild, (type(self), self.code, self.text, self.operation,
                           self.controller_code, self.controller_text, self.command))


def _rebuild(cls: Type["RobotError"], code: int, text: str, operation: str, controller_code: int,
             controller_text: str, command: str) -> "RobotError":
    return cls(code, text, operation, controller_code=controller_code,
               controller_text=controller_text, command=command)


class HandleError(RobotError):
    """No context has the handle (1002) or 32 contexts are alive already (1001)."""


class ArgumentError(RobotError, ValueError):
    """An argument was refused: by the library, out of range (1003) or invalid
    (10002), or by the controller (controller codes 1 and 106)."""


InvalidArgumentError = ArgumentError


class RobotConnectionError(RobotError, ConnectionError):
    """The controller could not be reached (10003), the link dropped (10004), or
    the controller says the connection has not logged in (controller code 100)."""

    def __init__(self, code: int, text: str = "", operation: str = "", **refusal) -> None:
        RobotError.__init__(self, code, text, operation, **refusal)


NotConnectedError = RobotConnectionError


class RobotTimeoutError(RobotError, TimeoutError):
    """The controller did not answer in time (10007)."""

    def __init__(self, code: int, text: str = "", operation: str = "", **refusal) -> None:
        RobotError.__init__(self, code, text, operation, **refusal)


class AuthenticationError(RobotError):
    """The controller refused the login's user name or password."""


class NotStartedError(RobotError):
    """The arm is not started (controller code 102) or its brakes are engaged (103):
    ``startup()`` first."""


class TargetError(RobotError):
    """A target outside a joint's range or out of reach (controller codes 104, 105),
    or a move the controller ended for such a reason."""


class KinematicsError(TargetError):
    """Forward or inverse kinematics found no answer (10011, 10012)."""


class StoppedError(RobotError):
    """A blocking move ended by a stop request (21300) or by an event before it
    arrived; ``event_type`` is the event (``code`` - 20000: 1300 for a stop,
    8 for a collision)."""

    @property
    def event_type(self) -> int:
        return self.code - 20000


class LibraryNotFoundError(OSError):
    """libtevorobotsdk.so was found nowhere the package looks."""


# Library codes with a more specific class than RobotError.
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
    # moves the controller ended for a joint out of range or an unsolvable target
    21006: TargetError,
    21010: TargetError,
    21104: TargetError,
    21108: TargetError,
    21200: TargetError,
    21206: TargetError,
    22121: TargetError,
    # a servo target farther from the previous one than the speed limit allows
    22122: TargetError,
}

# Controller codes of a refusal (10023, 10024) with a more specific class.
CONTROLLER_CLASSES: Dict[int, Type[RobotError]] = {
    1: ArgumentError,
    100: RobotConnectionError,
    101: AuthenticationError,
    102: NotStartedError,
    103: NotStartedError,
    104: TargetError,
    105: TargetError,
    106: ArgumentError,
}


def explains(code: int, refusal: Refusal, login: bool = False) -> bool:
    """Whether ``refusal`` is the cause of ``code``: a refused request (10023,
    10024), or a login's 10001 with a refusal of the login."""
    if refusal.command_type < 0:
        return False
    if code in (RESPONSE_RETURN_ERROR, REAL_ROBOT_NO_EXIST):
        return True
    return login and code == FAILED and refusal.command_type == LOGIN_COMMAND_TYPE


def error_class(code: int, refusal: Refusal = NO_REFUSAL,
                login: bool = False) -> Type[RobotError]:
    """The class of the error for a result code, given the controller's refusal
    read right after the call (``login``: the call was a login). The one
    mapping every raised error goes through."""
    if explains(code, refusal, login):
        if code == FAILED:
            return AuthenticationError
        return CONTROLLER_CLASSES.get(refusal.controller_code, RobotError)
    found: Optional[Type[RobotError]] = ERROR_CLASSES.get(code)
    if found is not None:
        return found
    return StoppedError if 20000 <= code < 30000 else RobotError


def error_for(code: int, text: str = "", operation: str = "", refusal: Refusal = NO_REFUSAL,
              login: bool = False) -> RobotError:
    """The exception for a result code: the class of ``error_class``, with the
    refusal's code and reason when it explains the code."""
    cls = error_class(code, refusal, login)
    if not explains(code, refusal, login):
        return cls(code, text, operation)
    return cls(code, text, operation, controller_code=refusal.controller_code,
               controller_text=refusal.text, command=refusal.command)
