"""The package's ctypes records against the C compiler's view of
handle/rsrobotcontrol.h: size, alignment and, member by member, offset, size,
element count and scalar type.

TEVO_LAYOUT_PROBE names the layout probe program (layout_probe.c, built in
the tree; ctest sets it). The records checked are every ctypes Structure or
Union the package defines, found by walking its modules, so a record added to
the package without a probe entry fails here."""
import ctypes
import importlib
import inspect
import os
import pkgutil
import subprocess

import pytest

from conftest import TIMEOUT

import tevo_robot

# Package records whose C record has another name (all others share theirs).
C_RECORD_NAMES = {
    "WayPoint": "wayPoint_S",
    "MoveProfile": "MoveProfile_t",
    "RegulateSpeedModeParamConfig": "RegulateSpeedModeParamConfig_t",
    "IkSolutions": "ik_solutions",
    "MoveRotateAxis": "Move_Rotate_Axis",
    "RobotEventInfo": "rs_robot_event_info",
}
# Package members whose C member has another name: WayPoint's position is the
# position member of the C record's cartPos union.
C_MEMBER_NAMES = {
    ("WayPoint", "position"): "cartPos.position",
}

_RECORD_BASES = (ctypes.Structure, ctypes.Union)


def package_records():
    """Every ctypes record class the package defines, by class name: those at
    module level in any of its modules and those reached through their members."""
    found = {}

    def add(cls):
        if cls.__module__.split(".")[0] != "tevo_robot" or found.get(cls.__name__) is cls:
            return
        assert cls.__name__ not in found, f"two package records named {cls.__name__}"
        found[cls.__name__] = cls
        for _, member_type in getattr(cls, "_fields_", ()):
            element, _ = element_of(member_type)
            if issubclass(element, _RECORD_BASES):
                add(element)

    modules = [tevo_robot] + [importlib.import_module(info.name) for info in
                              pkgutil.walk_packages(tevo_robot.__path__, "tevo_robot.")]
    for module in modules:
        for _, value in inspect.getmembers(module, inspect.isclass):
            if issubclass(value, _RECORD_BASES) and value not in _RECORD_BASES:
                add(value)
    return found


def element_of(ctype):
    """(element type, element count) of an array type; (ctype, 0) otherwise."""
    if issubclass(ctype, ctypes.Array):
        inner, count = element_of(ctype._type_)
        return inner, ctype._length_ * max(count, 1)
    return ctype, 0


def type_code(ctype):
    """The probe's name for a scalar type: the ctypes type code, or "record"."""
    if issubclass(ctype, _RECORD_BASES):
        return "record"
    code = getattr(ctype, "_type_", None)
    assert isinstance(code, str), f"{ctype.__name__} is neither a record nor a simple type"
    return code


def python_layout(cls):
    """(size, alignment, {C member name: (offset, size, count, type)}) of a record."""
    members = {}
    for name, member_type in cls._fields_:
        element, count = element_of(member_type)
        descriptor = getattr(cls, name)
        c_name = C_MEMBER_NAMES.get((cls.__name__, name), name)
        members[c_name] = (descriptor.offset, descriptor.size, count, type_code(element))
    return ctypes.sizeof(cls), ctypes.alignment(cls), members


def parse_probe(text):
    """The probe's lines as {C record: (size, alignment, {member: (offset, size, count, type)})}."""
    records = {}
    for number, line in enumerate(text.splitlines(), 1):
        words = line.split()
        if words[:1] == ["record"] and len(words) == 4:
            assert words[1] not in records, f"probe line {number}: {words[1]} again"
            records[words[1]] = (int(words[2]), int(words[3]), {})
        elif words[:1] == ["field"] and len(words) == 7:
            record, member, offset, size, count, code = words[1:]
            assert record in records, f"probe line {number}: member of unknown {record}"
            members = records[record][2]
            assert member not in members, f"probe line {number}: {record}.{member} again"
            members[member] = (int(offset), int(size), int(count), code)
        else:
            raise AssertionError(f"probe line {number} is malformed: {line!r}")
    return records


@pytest.fixture(scope="module")
def c_layout():
    program = os.environ.get("TEVO_LAYOUT_PROBE")
    if not program:
        raise RuntimeError("TEVO_LAYOUT_PROBE must name the layout probe program")
    result = subprocess.run([program], capture_output=True, text=True, timeout=TIMEOUT,
                            check=True)
    records = parse_probe(result.stdout)
    assert records, "the layout probe printed no records"
    return records


RECORDS = package_records()


def signature_records():
    """The records the package passes to the library by pointer or gets back
    in callbacks, found from the declared signatures rather than by name."""
    from tevo_robot import _library, _records

    types = [t for restype, argtypes in _library._SIGNATURES.values() for t in [restype, *argtypes]]
    for value in vars(_records).values():
        if inspect.isclass(value) and issubclass(value, ctypes._CFuncPtr):
            types += value._argtypes_
    pointed = (getattr(t, "_type_", None) for t in types if t is not None)
    return {t for t in pointed if inspect.isclass(t) and issubclass(t, _RECORD_BASES)}


def test_the_walk_finds_every_record_the_library_sees():
    crossing = signature_records()
    assert len(crossing) > 10, "the signatures pass hardly any records: the search is broken"
    assert crossing <= set(RECORDS.values())
    assert set(C_RECORD_NAMES) <= set(RECORDS), "renames of records the package lacks"
    for record, member in C_MEMBER_NAMES:
        assert member in dict(RECORDS[record]._fields_), f"{record} has no member {member}"


def test_every_probed_record_is_mirrored(c_layout):
    mirrored = {C_RECORD_NAMES.get(name, name) for name in RECORDS}
    assert set(c_layout) - mirrored == set(), "probed C records without a package record"


@pytest.mark.parametrize("name", sorted(RECORDS))
def test_record_layout_matches_c(name, c_layout):
    c_name = C_RECORD_NAMES.get(name, name)
    if c_name not in c_layout:
        pytest.fail(f"no probe entry for {name} (C record {c_name}): "
                    "add it to tests/python/layout_probe.c")
    c_size, c_align, c_members = c_layout[c_name]
    py_size, py_align, py_members = python_layout(RECORDS[name])

    faults = []
    if (py_size, py_align) != (c_size, c_align):
        faults.append(f"size, alignment: ctypes {py_size}, {py_align}; C {c_size}, {c_align}")
    for member in sorted(set(py_members) | set(c_members), key=lambda m: (
            c_members.get(m, py_members.get(m))[0], m)):
        py, c = py_members.get(member), c_members.get(member)
        if py is None:
            faults.append(f"{member}: in C only")
        elif c is None:
            faults.append(f"{member}: in ctypes only")
        elif py != c:
            faults.append(f"{member} (offset, size, count, type): ctypes {py}; C {c}")
    assert not faults, f"{name} differs from C {c_name}:\n  " + "\n  ".join(faults)
