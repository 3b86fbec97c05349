"""What the module's tests share: the built module on the path, a private data folder for backups,
and a paced virtual bus on a pseudo-terminal in a process of its own.

scripts/test sets SERVODESK_PYTHON_PATH (the build's python/ folder) and VIRTUAL_BUS_SERVER (the
program that serves the bus)."""

import json
import os
import subprocess
import sys

import pytest

sys.path.insert(0, os.environ.get("SERVODESK_PYTHON_PATH", os.path.join(os.path.dirname(__file__), "../../build-py/python")))


@pytest.fixture(autouse=True)
def data_home(tmp_path, monkeypatch):
    """Backups of written settings go to a folder of the test's own."""
    monkeypatch.setenv("XDG_DATA_HOME", str(tmp_path / "data"))
    return tmp_path / "data"


@pytest.fixture
def pty_bus():
    """The path of a paced virtual bus of servos 1, 2 and 7 in its own process, and the process."""
    server = os.environ.get("VIRTUAL_BUS_SERVER", os.path.join(os.path.dirname(__file__), "../../build-py/python/virtual_bus_server"))
    process = subprocess.Popen([server, "1,2,7"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    path = process.stdout.readline().strip()
    assert path.startswith("/dev/pts/"), f"the virtual bus server printed {path!r}"
    yield path, process
    process.stdin.close()
    process.wait(timeout=10)


def write_json(path, document):
    path.write_text(json.dumps(document, indent=1))
    return str(path)
