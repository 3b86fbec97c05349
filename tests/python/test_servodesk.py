"""The servodesk module end to end: on the demo bus in the process and on a paced virtual bus on a
pseudo-terminal, as a script meets them, including every kind of failure."""

import _thread
import ast
import os
import re
import subprocess
import sys
import threading
import time

import pytest

import servodesk
from conftest import write_json

SETTINGS_KEYS = {"deviation", "angle_min", "angle_max", "voltage_min", "voltage_max", "max_temperature", "led",
                 "alarm_stall", "alarm_over_voltage", "alarm_over_temperature"}


def settle(bus, servos, targets, what):
    """Reads positions until they are the targets; fails with what after a bounded wait."""
    for _ in range(200):
        positions = bus.positions(servos)
        if positions == targets:
            return
        time.sleep(0.02)
    pytest.fail(f"{what}: positions {positions}, expected {targets}")


def test_demo_bus_scan_move_torque_settings(data_home):
    with servodesk.Bus.demo() as bus:
        assert bus.scan() == [1, 2, 7]
        assert bus.scan(range(2, 8)) == [2, 7]
        assert set(bus.positions([1, 2, 7])) == {1, 2, 7}
        bus.move({1: 600, 2: 400, 7: 650}, time_ms=0)
        settle(bus, [1, 2, 7], {1: 600, 2: 400, 7: 650}, "after a move")
        bus.torque([1, 7], False)
        bus.torque([1, 7], True)

        settings = bus.read_settings(7)
        assert SETTINGS_KEYS <= set(settings)
        assert isinstance(settings["voltage_max"], float) and isinstance(settings["led"], bool)
        # The limits go out in one frame: both are written, only the led that did not change is not.
        written = bus.write_settings(7, {"angle_max": 900, "led": settings["led"]})
        assert written == {"angle_min": settings["angle_min"], "angle_max": 900}
        assert bus.read_settings(7)["angle_max"] == 900
        assert bus.write_settings(7, {"angle_max": 900}) == {}, "a value the servo holds already is written again"
        backups = os.listdir(data_home / "servodesk" / "backups")
        assert len(backups) == 1 and backups[0].endswith("-id7.json")
        # The new limit is the one a move is checked against.
        with pytest.raises(ValueError, match=f"position 950 is outside its angle limits {settings['angle_min']}-900"):
            bus.move({7: 950})

        assert bus.write_settings(7, {"id": 9}) == {"id": 9}
        assert bus.scan(range(1, 12)) == [1, 2, 9]
        assert 4.5 <= bus.voltage(1) <= 14 and isinstance(bus.voltage(1), float)
        assert 0 < bus.temperature(2) < 100
    assert bus.closed
    with pytest.raises(RuntimeError, match="closed"):
        bus.positions([1])


def test_pty_bus_names_play_and_ctrl_c(pty_bus, tmp_path):
    path, _ = pty_bus
    robot = servodesk.Robot.load(write_json(tmp_path / "robot.json", {
        "format": "servodesk-servo-settings", "version": 1,
        "servos": [{"id": 1, "name": "left knee"}, {"id": 2}, {"id": 7, "name": "right knee", "angle_max": 1000}]}))
    assert robot.names == {1: "left knee", 7: "right knee"}
    motion = servodesk.Motion.load(write_json(tmp_path / "gait.json", {
        "format": "servodesk-motion", "version": 1, "repeat": 2, "steps": [
            {"name": "down", "time_ms": 200, "positions": {"1": 300, "7": 700}},
            {"name": "up", "time_ms": 200, "positions": {"1": 500, "2": 450, "7": 500}}]}))
    assert motion.servo_ids == [1, 2, 7] and motion.repeat == 2

    with servodesk.Bus(path, robot=robot) as bus:
        assert bus.port == path
        bus.play(motion, speed=2)
        settle(bus, ["left knee", 2, "right knee"], {"left knee": 500, 2: 450, "right knee": 500}, "after play")
        with pytest.raises(servodesk.NoReply) as silent:
            bus.temperature(5)
        assert silent.value.servo == 5 and "servo 5 did not answer (temperature)" in str(silent.value)

        # Ctrl-C in the middle of slow moves: play raises KeyboardInterrupt and every servo holds.
        slow = servodesk.Motion.load(write_json(tmp_path / "slow.json", {
            "format": "servodesk-motion", "version": 1, "repeat": 0, "steps": [
                {"name": "out", "time_ms": 4000, "positions": {"1": 900, "7": 100}},
                {"name": "back", "time_ms": 4000, "positions": {"1": 100, "7": 900}}]}))
        threading.Timer(1.5, _thread.interrupt_main).start()
        with pytest.raises(KeyboardInterrupt):
            bus.play(slow, loops=0)
        held = bus.positions(["left knee", "right knee"])
        assert 500 < held["left knee"] < 900 and 100 < held["right knee"] < 500, f"stopped at {held}, not on the way"
        time.sleep(0.3)
        assert bus.positions(["left knee", "right knee"]) == held, "the servos went on moving after Ctrl-C"


def test_unplugged_bus_raises_port_gone(pty_bus):
    path, server = pty_bus
    with servodesk.Bus(path) as bus:
        assert 0 <= bus.positions([1])[1] <= 1000
        server.stdin.close()
        server.wait(timeout=10)
        with pytest.raises(servodesk.PortGone, match="gone"):
            for _ in range(100):
                bus.positions([1])
                time.sleep(0.02)


def test_a_bus_used_from_two_threads_at_once_says_so(tmp_path):
    motion = servodesk.Motion.load(write_json(tmp_path / "long.json", {
        "format": "servodesk-motion", "version": 1, "repeat": 1, "steps": [
            {"name": "a", "time_ms": 1500, "positions": {"1": 700}}]}))
    with servodesk.Bus.demo() as bus:
        player = threading.Thread(target=bus.play, args=(motion,))
        player.start()
        time.sleep(0.3)  # the player is in its 1.5 s play by then
        # While play waits on the wire this thread runs (the interpreter's lock is released) and is refused.
        with pytest.raises(RuntimeError, match="one thread at a time: another thread is in bus.play"):
            for _ in range(500):
                bus.positions([2])
                time.sleep(0.005)
        player.join(timeout=30)
        assert bus.positions([1]) == {1: 700}


GOOD_MOTION = '{"format": "servodesk-motion", "version": 1, "repeat": 1, "steps": [{"name": "a", "time_ms": 100, "positions": {"1": 600}}]}'
BAD_ROBOT = '{"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1},\n{"id": 1}]}'
BAD_MOTION = '{"format": "servodesk-motion", "version": 1, "repeat": 1, "steps": [\n{"name": "a", "time_ms": -5, "positions": {"1": 10}}]}'


@pytest.mark.parametrize("call, error, message", [
    (lambda bus, tmp: bus.positions([1, 5]), servodesk.NoReply, r"servo 5 did not answer \(position\)"),
    (lambda bus, tmp: bus.move({1: 1001}), ValueError, "position 1001 is out of range 0-1000; nothing moved"),
    (lambda bus, tmp: bus.move({1: 10**20}), ValueError, "position 100000000000000000000 is out of range"),
    (lambda bus, tmp: bus.move({1: 500}, time_ms=30001), ValueError, "time_ms 30001 is out of range"),
    (lambda bus, tmp: bus.positions([254]), ValueError, "servo ID 254 is out of range 0-253"),
    (lambda bus, tmp: bus.positions(["left knee"]), ValueError, "names need a robot"),
    (lambda bus, tmp: bus.positions([True]), TypeError, "a servo is an ID"),
    (lambda bus, tmp: bus.write_settings(1, {"angel_max": 900}), ValueError, 'unknown key "angel_max"'),
    (lambda bus, tmp: bus.write_settings(1, {"voltage_max": 20.0}), ValueError, "voltage_max"),
    (lambda bus, tmp: bus.write_settings(1, {"angle_min": 800, "angle_max": 700}), ValueError, "angle_min"),
    (lambda bus, tmp: bus.write_settings(1, {"id": 2}), servodesk.BusError, "servo 1: ID 2 is already taken on the bus"),
    (lambda bus, tmp: bus.play(servodesk.Motion.load(write_text(tmp / "m.json", GOOD_MOTION)), speed=20), ValueError,
     "speed 20 is out of range"),
    (lambda bus, tmp: bus.play(servodesk.Motion.load(write_text(tmp / "m.json", GOOD_MOTION)), loops=-1),
     ValueError, "loops=-1 is out of range"),
    (lambda bus, tmp: servodesk.Motion.load(write_text(tmp / "m.json", BAD_MOTION)), ValueError,
     r'm.json: line 2: step 1 \("a"\): time_ms: -5 is out of range'),
    (lambda bus, tmp: servodesk.Robot.load(write_text(tmp / "r.json", BAD_ROBOT)), ValueError, "r.json: line 2: servo #1 and servo #2 both name ID 1"),
    (lambda bus, tmp: servodesk.Bus("/dev/servodesk-no-such-port"), servodesk.PortGone, "no such port"),
    (lambda bus, tmp: servodesk.Bus.demo(faults=["shared-id"]).scan(range(1, 8)), servodesk.SharedId, "share ID 2"),
    (lambda bus, tmp: servodesk.Bus.demo(faults=["loose"]), ValueError, 'unknown fault "loose"'),
    (lambda bus, tmp: servodesk.Bus.demo(servos=[1, 1]), ValueError, "ID 1 comes twice"),
])
def test_failures_are_exceptions_that_say_what(call, error, message, tmp_path):
    """Each failure raises its own exception with a message that names what went wrong; nothing moves."""
    with servodesk.Bus.demo() as bus:
        before = bus.positions([1, 2, 7])
        with pytest.raises(error, match=message) as raised:
            call(bus, tmp_path)
        assert type(raised.value) is error, f"{type(raised.value).__name__}: {raised.value}"
        if error is servodesk.NoReply:
            assert raised.value.servo == 5
        assert bus.positions([1, 2, 7]) == before


def write_text(path, text):
    path.write_text(text)
    return str(path)


def readme_example():
    """The whole example of the README's "From Python" section."""
    readme = open(os.path.join(os.path.dirname(__file__), "../../README.md"), encoding="utf-8").read()
    section = readme.split("## From Python", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```python\n(.*?)```", section, re.S)
    assert blocks, "the README's From Python section has no python example"
    return max(blocks, key=len)


def test_the_readme_example_runs():
    result = subprocess.run([sys.executable, "-c", readme_example()], capture_output=True, text=True, timeout=120,
                            env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert len(lines) >= 10 and all(re.fullmatch(r"t=\s*\d+\.\d s +(\d+: +\d+ *)+", line) for line in lines), result.stdout


def test_the_reference_page_and_the_stubs_name_every_call():
    root = os.path.join(os.path.dirname(__file__), "../..")
    reference = open(os.path.join(root, "docs/python.md"), encoding="utf-8").read()
    stubs = open(os.path.join(root, "python/servodesk/__init__.pyi"), encoding="utf-8").read()
    stub_classes = {node.name: node for node in ast.parse(stubs).body if isinstance(node, ast.ClassDef)}
    for kind in (servodesk.Bus, servodesk.Robot, servodesk.Motion):
        stub_calls = {node.name: node for node in stub_classes[kind.__name__].body if isinstance(node, ast.FunctionDef)}
        for name in [name for name in dir(kind) if not name.startswith("_")] + ["__init__"] * (kind is servodesk.Bus):
            assert name == "__init__" or re.search(rf"`(servodesk\.{kind.__name__}\.)?{name}[`(]", reference), \
                f"docs/python.md lacks {kind.__name__}.{name}"
            assert name in stub_calls, f"the stubs lack {kind.__name__}.{name}"
            call = getattr(kind, name)
            if callable(call):
                # The module's own signature line (its docstring's first) against the stub's parameters.
                runtime = re.findall(r"(\w+):", call.__doc__.splitlines()[0].split("->")[0])
                stub = [argument.arg for argument in stub_calls[name].args.args]
                assert runtime == stub, f"{kind.__name__}.{name}: the module takes {runtime}, the stubs say {stub}"
    for name in servodesk.__all__:
        assert f"servodesk.{name}" in reference and re.search(rf"class {name}\b", stubs), name


def test_the_stubs_match_the_module_and_type_the_readme_example(tmp_path):
    here = os.path.dirname(__file__)
    module_folder = os.path.dirname(os.path.dirname(servodesk.__file__))
    environment = {**os.environ, "PYTHONPATH": module_folder, "MYPYPATH": module_folder}
    stubtest = subprocess.run([sys.executable, "-m", "mypy.stubtest", "servodesk", "--allowlist",
                               os.path.join(here, "stubtest-allowlist.txt")],
                              capture_output=True, text=True, env=environment, cwd=tmp_path, timeout=300)
    assert stubtest.returncode == 0, stubtest.stdout + stubtest.stderr
    example = tmp_path / "example.py"
    example.write_text(readme_example())
    typed = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), str(example)],
                           capture_output=True, text=True, env=environment, cwd=tmp_path, timeout=300)
    assert typed.returncode == 0, typed.stdout + typed.stderr
