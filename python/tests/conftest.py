"""Shared fixtures: the built tools (paths from the environment ctest sets)
and the sample archive that mkportal writes."""

import os
import pathlib
import subprocess

import brackwater_dat as bd
import pytest


def tool(name):
    """The path of a built tool, from BRACKWATER_<NAME>; skips when not built."""
    path = os.environ.get("BRACKWATER_" + name.upper().replace("-", "_"))
    if not path:
        pytest.skip(f"{name} is not built")
    return path


def run(*command):
    """Runs a command that must succeed; its standard output."""
    done = subprocess.run(command, capture_output=True, text=True)
    assert done.returncode == 0, f"{command} exited {done.returncode}: {done.stderr}"
    return done.stdout


@pytest.fixture(scope="session")
def sample_path(tmp_path_factory):
    path = tmp_path_factory.mktemp("portal") / "client_portal.dat"
    run(tool("mkportal"), "sample", str(path))
    return path


@pytest.fixture(scope="session")
def sample_bytes(sample_path):
    return pathlib.Path(sample_path).read_bytes()


@pytest.fixture()
def archive(sample_path):
    with bd.Archive(sample_path) as a:
        yield a
