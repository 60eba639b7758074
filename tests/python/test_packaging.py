"""The package as users meet it: the README's example, the examples, the
version command, the library search and the installed package."""
import ctypes.util
import os
import re
import shutil
import subprocess
import sys

import pytest

from conftest import ROOT, TIMEOUT

PYTHON_DIR = ROOT / "python"


def run(args, env=None, cwd=None, timeout=120):
    return subprocess.run(args, env=env, cwd=cwd, capture_output=True, text=True,
                          timeout=timeout)


def package_env(**extra):
    env = dict(os.environ, PYTHONPATH=str(PYTHON_DIR), **extra)
    return env


def test_readme_example_runs_as_written(sim):
    readme = (ROOT / "README.md").read_text()
    blocks = re.findall(r"```python\n(.*?)```", readme, re.S)
    assert blocks, "README.md has no python example"
    code = blocks[0]
    assert len(code.strip().splitlines()) == 5
    code = code.replace('"127.0.0.1", 8899', f'"{sim.host}", {sim.port}')
    result = run([sys.executable, "-c", code], env=package_env())
    assert result.returncode == 0, result.stderr
    assert re.fullmatch(r"\(([-\d.e]+, ){2}[-\d.e]+\)\n", result.stdout)


@pytest.mark.parametrize("example,expected", [
    ("read_state.py", "joints (rad):"),
    ("pick_and_place.py", "gripper open at"),
    ("print_pushes.py", "waypoint"),
])
def test_examples_run_against_the_simulator(sim, example, expected):
    result = run([sys.executable, str(PYTHON_DIR / "examples" / example), sim.host,
                  str(sim.port)], env=package_env())
    assert result.returncode == 0, result.stderr
    assert expected in result.stdout


def test_version_names_the_package_and_library_versions():
    result = run([sys.executable, "-m", "tevo_robot", "--version"], env=package_env())
    assert result.returncode == 0, result.stderr
    package, library = result.stdout.splitlines()
    real = os.path.realpath(os.environ["TEVO_ROBOT_LIB"])
    library_version = real.split('.so.')[1]
    assert library == f"libtevorobotsdk {library_version} ({real})"
    # One version for the package and the library it drives.
    assert package == f"tevo_robot {library_version}"


def test_library_not_found_by_the_search_names_every_place_looked():
    env = package_env()
    env.pop("TEVO_ROBOT_LIB", None)
    env.pop("LD_LIBRARY_PATH", None)
    result = run([sys.executable, "-c", "import tevo_robot; tevo_robot.Robot()"], env=env)
    assert result.returncode != 0
    assert "LibraryNotFoundError" in result.stderr
    for place in ("TEVO_ROBOT_LIB", "cmake --install", "loader search path"):
        assert place in result.stderr


# A path that is no loadable library, and a loadable one that is not the SDK.
NOT_A_LIBRARY = "not a shared object\n" * 20
NOT_THE_SDK = ctypes.util.find_library("m") or "libm.so.6"


@pytest.mark.parametrize("given", ["argument", "TEVO_ROBOT_LIB"])
@pytest.mark.parametrize("case,reason", [
    ("missing", "does not exist"),
    ("not a library", "could not be loaded: {path}: invalid ELF header"),
    ("not the SDK", "not the SDK: missing symbols rs_initialize"),
])
def test_explicit_library_that_fails_raises_naming_path_and_reason(tmp_path, given, case,
                                                                   reason):
    # The SDK stays findable by the search (TEVO_ROBOT_LIB's directory on the
    # loader's path): an explicit path that fails must not fall back to it.
    sdk = os.environ["TEVO_ROBOT_LIB"]
    path = {"missing": str(tmp_path / "libtevorobotsdk.so"),
            "not a library": str(tmp_path / "libfake.so"),
            "not the SDK": NOT_THE_SDK}[case]
    (tmp_path / "libfake.so").write_text(NOT_A_LIBRARY)
    env = package_env(LD_LIBRARY_PATH=os.path.dirname(sdk))
    if given == "argument":
        env["TEVO_ROBOT_LIB"] = sdk  # the argument wins over the variable too
        code = f"import tevo_robot; tevo_robot.Robot(library={path!r})"
    else:
        env["TEVO_ROBOT_LIB"] = path
        code = "import tevo_robot; tevo_robot.Robot()"
    result = run([sys.executable, "-c", code], env=env)
    assert result.returncode != 0
    message = result.stderr.strip().splitlines()[-1]
    assert message.startswith("tevo_robot.errors.LibraryNotFoundError: ")
    where = "library argument" if given == "argument" else "TEVO_ROBOT_LIB"
    assert f"{where}: {path}: {reason.format(path=path)}" in message


def test_explicit_library_is_the_one_used(tmp_path):
    # A copy under another name: the Robot loads that file, not TEVO_ROBOT_LIB's.
    copy = tmp_path / "libtevorobotsdk_copy.so"
    shutil.copy(os.environ["TEVO_ROBOT_LIB"], copy)
    code = f"import tevo_robot; print(tevo_robot.Robot(library={str(copy)!r}).library_path)"
    result = run([sys.executable, "-c", code], env=package_env())
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == str(copy)


def test_installed_package_finds_the_installed_library(tmp_path):
    build = os.environ.get("TEVO_BUILD_DIR")
    if not build:
        pytest.skip("TEVO_BUILD_DIR is not set (ctest sets it)")
    prefix = tmp_path / "prefix"
    result = run(["cmake", "--install", build, "--prefix", str(prefix)], timeout=300)
    assert result.returncode == 0, result.stderr
    site = next(prefix.glob("lib*/python3*/site-packages"))
    env = {k: v for k, v in os.environ.items() if k not in ("TEVO_ROBOT_LIB", "PYTHONPATH")}
    env["PYTHONPATH"] = str(site)
    result = run([sys.executable, "-m", "tevo_robot", "--version"], env=env, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert str(prefix) in result.stdout.splitlines()[1]


def test_pip_installs_the_package_offline(tmp_path):
    if run([sys.executable, "-m", "pip", "--version"]).returncode != 0:
        pytest.skip("pip is not available")
    # A copy: setuptools writes its build files next to the sources.
    source = tmp_path / "src"
    shutil.copytree(PYTHON_DIR, source, ignore=shutil.ignore_patterns("__pycache__"))
    target = tmp_path / "site"
    result = run([sys.executable, "-m", "pip", "install", "--no-build-isolation", "--no-index",
                  "--no-deps", "--target", str(target), str(source)], cwd=tmp_path,
                 timeout=TIMEOUT * 6)
    assert result.returncode == 0, result.stdout + result.stderr
    assert (target / "tevo_robot" / "robot.py").exists()
    assert (target / "tevo_robot" / "py.typed").exists()
