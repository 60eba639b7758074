"""Reporting of Python callbacks that raise.

A callback runs on one of the library's threads, at the controller's push
rate: an exception must neither reach the library nor flood the log. The
first failure of a callback is logged with its full traceback; later ones are
counted and summed up in one line at most every ``SUMMARY_INTERVAL`` seconds
(when the callback next runs, is replaced or removed, or its Robot closes),
so that no failure goes unreported.

Everything goes to the ``tevo_robot`` logger at ERROR level; with no logging
handler configured anywhere, Python's last-resort handler prints it to
sys.stderr.
"""
import logging
import threading
import time
from typing import Dict, Optional

log = logging.getLogger("tevo_robot")

# At most one summary line per callback this often (seconds).
SUMMARY_INTERVAL = 5.0


class _Entry:
    __slots__ = ("total", "reported", "pending", "since", "last")

    def __init__(self) -> None:
        self.total = 0  # failures since the callback was first registered
        self.reported = False  # the current callable's first failure was logged
        self.pending = 0  # failures not yet in a summary
        self.since = 0.0  # monotonic time of the last report (traceback or summary)
        self.last = ""  # "Type: message" of the latest failure not yet summed up


class CallbackFailures:
    """The failure counts of one owner's callbacks, by callback name. Called
    from any thread; one lock guards the counts and is never held while
    logging."""

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self._entries: Dict[str, _Entry] = {}

    def counts(self) -> Dict[str, int]:
        """Callback name: how often it raised."""
        with self._lock:
            return {name: e.total for name, e in self._entries.items() if e.total}

    def failed(self, name: str, error: BaseException) -> None:
        """Records a failure of ``name``, called from the ``except`` block that
        caught ``error`` (the traceback logged is the one being handled)."""
        now = time.monotonic()
        text = _describe(error)
        with self._lock:
            e = self._entries.setdefault(name, _Entry())
            e.total += 1
            if not e.reported:
                e.reported = True
                e.since = now
                first = True
                summary = None
            else:
                first = False
                e.pending += 1
                e.last = text
                summary = self._take_summary(e, now, force=False)
        if first:
            log.error("callback %s raised (further failures are counted and summed up at most "
                      "every %.1f s): %s", name, SUMMARY_INTERVAL, text, exc_info=error)
        elif summary:
            log.error("%s", _summary_line(name, *summary))

    def ran(self, name: str) -> None:
        """``name`` ran without raising: sums up failures whose interval passed."""
        e = self._entries.get(name)
        if e is None or not e.pending:  # the common case, read without the lock
            return
        with self._lock:
            e = self._entries.get(name)
            if e is None or not e.pending:
                return
            summary = self._take_summary(e, time.monotonic(), force=False)
        if summary:
            log.error("%s", _summary_line(name, *summary))

    def replaced(self, name: str) -> None:
        """``name`` gets another callable (or none): its pending failures are
        summed up now, and the next callable's first failure is logged in full."""
        with self._lock:
            e = self._entries.get(name)
            if e is None:
                return
            e.reported = False
            summary = self._take_summary(e, time.monotonic(), force=True)
        if summary:
            log.error("%s", _summary_line(name, *summary))

    def flush(self) -> None:
        """Sums up every pending failure now (the owner is closing)."""
        with self._lock:
            now = time.monotonic()
            summaries = [(name, self._take_summary(e, now, force=True))
                         for name, e in self._entries.items()]
        for name, summary in summaries:
            if summary:
                log.error("%s", _summary_line(name, *summary))

    @staticmethod
    def _take_summary(e: _Entry, now: float, force: bool) -> Optional[tuple]:
        if not e.pending or (not force and now - e.since < SUMMARY_INTERVAL):
            return None
        summary = (e.pending, now - e.since, e.last)
        e.pending = 0
        e.since = now
        return summary


def _describe(error: BaseException) -> str:
    text = str(error)
    return f"{type(error).__name__}: {text}" if text else type(error).__name__


def _summary_line(name: str, count: int, seconds: float, last: str) -> str:
    times = "time" if count == 1 else "times"
    return (f"callback {name} raised {count} more {times} in the last {seconds:.1f} s: "
            f"{last}")
