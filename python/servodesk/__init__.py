"""The servo bus from Python, on ServoDesk's core.

    import servodesk

    with servodesk.Bus.demo() as bus:    # or servodesk.Bus("/dev/ttyUSB0")
        ids = bus.scan(range(1, 19))
        print(bus.positions(ids))
"""

from typing import Mapping, TypedDict, Union

from ._servodesk import (  # noqa: F401
    Bus,
    BusError,
    Motion,
    NoReply,
    PortGone,
    Robot,
    SharedId,
)

# The types of the stubs, for scripts that annotate their own code.
Servo = Union[int, str]
"""A servo: its ID (0-253) or, on a bus opened with a robot, its name."""

Targets = Union[Mapping[int, int], Mapping[str, int], Mapping[Servo, int]]
"""Positions by servo (a mapping's key type is fixed, so each form is named)."""

SettingValue = Union[int, float, bool]
"""A setting's value: volts as a float, a switch as a bool, everything else as an int."""


class Step(TypedDict):
    """One step of a Motion: its name, move time, pause and positions by servo ID."""

    name: str
    time_ms: int
    pause_ms: int
    positions: dict[int, int]


__all__ = ["Bus", "BusError", "Motion", "NoReply", "PortGone", "Robot", "SharedId"]
