"""Shared fixtures: a scratch copy of network 1, the tesmar program to check
the package against, and a small set it built."""
import os
import pathlib
import shutil
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
NETWORK_1 = ROOT / "Networks" / "Example1" / "Network_1.inp"
SMALL_BUILD = ["--mode", "random", "--random-events", "6", "--seed", "11", "--threads", "2"]


@pytest.fixture(scope="session")
def program():
    """The tesmar command line (build/bin/tesmar, or $TESMAR_PROGRAM): the checks need it."""
    path = pathlib.Path(os.environ.get("TESMAR_PROGRAM", ROOT / "build" / "bin" / "tesmar"))
    if not path.is_file():
        pytest.fail(f"the tesmar program is not at {path}: build it first (tools/setup.sh build)")
    return str(path)


def run(program, *arguments, check=True):
    """Runs tesmar; returns (exit code, stdout, stderr)."""
    done = subprocess.run([program, *map(str, arguments)], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"tesmar {' '.join(map(str, arguments))} ended {done.returncode}: {done.stderr}")
    return done.returncode, done.stdout, done.stderr


def last_line(text):
    return text.rstrip("\n").split("\n")[-1]


@pytest.fixture
def network(tmp_path):
    """A copy of network 1 in a folder of its own."""
    path = tmp_path / "Network_1.inp"
    shutil.copyfile(NETWORK_1, path)
    return path


@pytest.fixture(scope="module")
def built(program, tmp_path_factory):
    """Network 1 with a small set built by the command line."""
    path = tmp_path_factory.mktemp("built") / "Network_1.inp"
    shutil.copyfile(NETWORK_1, path)
    run(program, "build", path, *SMALL_BUILD)
    return path
