"""The package as users meet it: the README's example, the examples, the
version command, the library search, the installed package and the wheel
installed into a virtual environment without network."""
import ctypes.util
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import ROOT, TIMEOUT

PYTHON_DIR = ROOT / "python"


def run(args, env=None, cwd=None, timeout=120):
    return subprocess.run(args, env=env, cwd=cwd, capture_output=True, text=True,
                          timeout=timeout)


def package_env(**extra):
    env = dict(os.environ, PYTHONPATH=str(PYTHON_DIR), **extra)
    return env


def offline_env(**extra):
    """The environment less pip's settings and proxies, with every index off and
    a proxy that refuses at once, so any network attempt fails fast."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith("PIP_") and k.lower() not in (
               "http_proxy", "https_proxy", "all_proxy", "no_proxy", "pythonpath")}
    refused = "http://127.0.0.1:9"
    env.update(PIP_NO_INDEX="1", PIP_CONFIG_FILE=os.devnull, PIP_DISABLE_PIP_VERSION_CHECK="1",
               PIP_RETRIES="0", PIP_TIMEOUT="2", http_proxy=refused, https_proxy=refused,
               HTTP_PROXY=refused, HTTPS_PROXY=refused, **extra)
    return env


def readme_example(sim):
    """The README's Python example (its first python block under "## Python"),
    talking to ``sim``."""
    readme = (ROOT / "README.md").read_text()
    section = readme.split("\n## Python\n", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```python\n(.*?)```", section, re.S)
    assert blocks, "README.md has no python example under \"## Python\""
    code = blocks[0]
    assert len(code.strip().splitlines()) == 5
    assert '"127.0.0.1", 8899' in code
    return code.replace('"127.0.0.1", 8899', f'"{sim.host}", {sim.port}')


def assert_example_output(result):
    assert result.returncode == 0, result.stderr
    assert re.fullmatch(r"\(([-\d.e]+, ){2}[-\d.e]+\)\n", result.stdout)


def test_readme_example_runs_as_written(sim):
    assert_example_output(run([sys.executable, "-c", readme_example(sim)], env=package_env()))


def make_venv(path, *options):
    result = run([sys.executable, "-m", "venv", *options, str(path)], env=offline_env(),
                 timeout=TIMEOUT * 6)
    assert result.returncode == 0, result.stdout + result.stderr
    return path / "bin"


def test_wheel_installs_offline_into_a_plain_venv_and_runs_the_readme_example(sim, tmp_path):
    wheel = os.environ.get("TEVO_WHEEL")
    if not wheel:
        pytest.skip("TEVO_WHEEL is not set (ctest sets it)")
    assert os.path.exists(wheel), f"the build made no wheel at {wheel}"
    assert re.fullmatch(r"tevo_robot-[\d.]+-py3-none-any\.whl", os.path.basename(wheel))
    venv = make_venv(tmp_path / "v")
    # The README's command, against the wheel the build made.
    result = run([str(venv / "pip"), "install", wheel], env=offline_env(), cwd=tmp_path,
                 timeout=TIMEOUT * 6)
    assert result.returncode == 0, result.stdout + result.stderr
    env = offline_env(TEVO_ROBOT_LIB=os.environ["TEVO_ROBOT_LIB"])
    # Imported from the venv: the source tree is not on the path.
    where = run([str(venv / "python"), "-c",
                 "import pathlib, tevo_robot; p = pathlib.Path(tevo_robot.__file__).parent; "
                 "print(p); print((p / 'py.typed').exists())"], env=env, cwd=tmp_path)
    assert where.returncode == 0, where.stderr
    package, typed = where.stdout.splitlines()
    assert package.startswith(str(tmp_path / "v")), package
    assert typed == "True"
    assert_example_output(run([str(venv / "python"), "-c", readme_example(sim)], env=env,
                              cwd=tmp_path))


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
    site = prefix / "lib" / "python3" / "dist-packages"
    env = {k: v for k, v in os.environ.items() if k not in ("TEVO_ROBOT_LIB", "PYTHONPATH")}
    env["PYTHONPATH"] = str(site)
    result = run([sys.executable, "-m", "tevo_robot", "--version"], env=env, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert str(prefix) in result.stdout.splitlines()[1]


def test_pip_installs_the_source_tree_offline_as_documented(tmp_path):
    # python/README.md: a venv that sees the system's setuptools and wheel,
    # then pip without build isolation. A copy of the sources: setuptools
    # writes its build files next to them.
    source = tmp_path / "src"
    shutil.copytree(PYTHON_DIR, source, ignore=shutil.ignore_patterns("__pycache__"))
    venv = make_venv(tmp_path / "v", "--system-site-packages")
    result = run([str(venv / "pip"), "install", "--no-build-isolation", str(source)],
                 env=offline_env(), cwd=tmp_path, timeout=TIMEOUT * 6)
    assert result.returncode == 0, result.stdout + result.stderr
    installed = run([str(venv / "python"), "-c",
                     "import tevo_robot; print(tevo_robot.__file__)"],
                    env=offline_env(), cwd=tmp_path)
    assert installed.returncode == 0, installed.stderr
    package = Path(installed.stdout.strip()).parent
    assert package.parent.name == "site-packages"
    assert str(package).startswith(str(tmp_path / "v"))
    assert (package / "py.typed").exists()
