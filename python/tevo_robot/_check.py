"""Argument checks made before a value reaches the library.

Each helper returns the value in the form the call needs or raises
TypeError (wrong kind: None, a string where numbers belong, ...) or
ValueError (right kind, wrong value: length, NaN, infinity, range).
"""
import enum
import math
import numbers
from typing import Any, Sequence, Tuple, Type, TypeVar

E = TypeVar("E", bound=enum.IntEnum)


def number(value: Any, name: str) -> float:
    """A finite real number as float."""
    if type(value) is float:  # the common case, without the abstract-class checks
        if math.isfinite(value):
            return value
        raise ValueError(f"{name}: {value} is not a finite number")
    if value is None:
        raise TypeError(f"{name}: expected a number, got None")
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name}: expected a number, got {type(value).__name__}")
    result = float(value)
    if not math.isfinite(result):
        raise ValueError(f"{name}: {result} is not a finite number")
    return result


def integer(value: Any, name: str, low: int = -(2 ** 31), high: int = 2 ** 31 - 1) -> int:
    """An integer within [low, high]."""
    if value is None:
        raise TypeError(f"{name}: expected an integer, got None")
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name}: expected an integer, got {type(value).__name__}")
    result = int(value)
    if not low <= result <= high:
        raise ValueError(f"{name}: {result} is outside {low}..{high}")
    return result


def flag(value: Any, name: str) -> bool:
    """A bool (0 and 1 are accepted too)."""
    if isinstance(value, bool):
        return value
    if isinstance(value, numbers.Integral) and value in (0, 1):
        return bool(value)
    raise TypeError(f"{name}: expected a bool, got {value!r}")


def numbers_of(value: Any, count: int, name: str) -> Tuple[float, ...]:
    """Exactly ``count`` finite numbers (any sequence or array) as a tuple of floats."""
    if value is None:
        raise TypeError(f"{name}: expected {count} numbers, got None")
    if isinstance(value, (str, bytes)) or not hasattr(value, "__len__"):
        raise TypeError(f"{name}: expected a sequence of {count} numbers, "
                        f"got {type(value).__name__}")
    if len(value) != count:
        raise ValueError(f"{name}: expected {count} numbers, got {len(value)}")
    if all(type(v) is float for v in value):
        result = tuple(value)
        if all(map(math.isfinite, result)):
            return result
    return tuple(number(v, f"{name}[{i}]") for i, v in enumerate(value))


def sequence(value: Any, name: str) -> Sequence[Any]:
    """A list-like value (not a string) with a length."""
    if value is None:
        raise TypeError(f"{name}: expected a sequence, got None")
    if isinstance(value, (str, bytes)) or not hasattr(value, "__len__"):
        raise TypeError(f"{name}: expected a sequence, got {type(value).__name__}")
    return value


def text(value: Any, name: str, max_bytes: int = 4096) -> bytes:
    """A non-empty string without NUL characters, encoded as UTF-8."""
    if value is None:
        raise TypeError(f"{name}: expected a string, got None")
    if hasattr(value, "__fspath__"):
        value = value.__fspath__()
    if not isinstance(value, str):
        raise TypeError(f"{name}: expected a string, got {type(value).__name__}")
    if not value or "\0" in value:
        raise ValueError(f"{name}: must be a non-empty string without NUL characters")
    encoded = value.encode()
    if len(encoded) > max_bytes:
        raise ValueError(f"{name}: longer than {max_bytes} bytes")
    return encoded


def choice(value: Any, enum_type: Type[E], name: str) -> E:
    """A member of ``enum_type`` given as the member or its integer value."""
    if value is None:
        raise TypeError(f"{name}: expected a {enum_type.__name__}, got None")
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name}: expected a {enum_type.__name__}, got {type(value).__name__}")
    try:
        return enum_type(int(value))
    except ValueError:
        raise ValueError(f"{name}: {value} is not a {enum_type.__name__}") from None


def instance(value: Any, cls: type, name: str) -> Any:
    """``value`` itself when it is a ``cls``."""
    if not isinstance(value, cls):
        raise TypeError(f"{name}: expected a {cls.__name__}, got {type(value).__name__}")
    return value
