"""Type stubs of servodesk: the servo bus from Python, on ServoDesk's core."""

from types import TracebackType
from typing import Iterable, Mapping, Sequence, TypedDict, Union

Servo = Union[int, str]
"""A servo: its ID (0-253) or, on a bus opened with a robot, its name."""

Targets = Union[Mapping[int, int], Mapping[str, int], Mapping[Servo, int]]
"""Positions by servo (a mapping's key type is fixed, so each form is named)."""

SettingValue = Union[int, float, bool]
"""A setting's value: volts as a float, a switch as a bool, everything else as an int."""

class BusError(Exception):
    """A servo or the port failed."""

    servo: Servo | None
    """The servo at fault (its name where the robot gives one), or None."""

class NoReply(BusError):
    """A servo did not answer, after the bus's retries; the message says what was asked."""

class PortGone(BusError):
    """The port cannot be opened, was unplugged or failed."""

class SharedId(BusError):
    """Replies came back garbled: two servos answer one ID."""

class Step(TypedDict):
    name: str
    time_ms: int
    pause_ms: int
    positions: dict[int, int]

class Robot:
    """A robot file (the Robot page's): its servos' IDs, names and settings."""

    @staticmethod
    def load(path: str) -> Robot:
        """Reads a robot file; ValueError naming the file and the line for a file that breaks its rules."""
    @property
    def ids(self) -> list[int]:
        """The servos' IDs, as the file lists them."""
    @property
    def names(self) -> dict[int, str]:
        """The name of each servo that has one, by ID."""
    def settings(self, id: int) -> dict[str, SettingValue]:
        """The settings the file gives servo id, by the settings file's keys."""

class Motion:
    """A motion file (servoctl's and the Motion page's): steps of positions, played in turn."""

    @staticmethod
    def load(path: str) -> Motion:
        """Reads a motion file; ValueError naming the file, the step and the field for a file that breaks its rules."""
    @property
    def repeat(self) -> int:
        """How often the file says to play the steps; 0 until stopped."""
    @property
    def servo_ids(self) -> list[int]:
        """Every servo a step moves, in ascending order."""
    @property
    def steps(self) -> list[Step]:
        """The steps: name, time_ms, pause_ms and positions by ID."""

class Bus:
    """A servo bus on a serial port.

    Calls wait for the wire with the interpreter's lock released; a Bus is used from one thread at a
    time (RuntimeError otherwise). Use it in a with block, or close() it.
    """

    def __init__(self, port: str, robot: Robot | None = None, retries: int = 2) -> None:
        """Opens port (such as /dev/ttyUSB0) for this process alone; PortGone when it cannot be opened.

        With robot, servos may be given by name too. retries: how many more times a read is tried
        when its servo did not answer (0-10).
        """
    @staticmethod
    def demo(
        servos: int | Sequence[int] | None = None,
        faults: Sequence[str] = (),
        robot: Robot | None = None,
        retries: int = 2,
    ) -> Bus:
        """A virtual bus in this process, paced like a real line at 115200 bit/s.

        Servos 1, 2 and 7 by default, 1 to N for servos=N, or the IDs of a list. faults: "shared-id"
        puts a second servo on the second ID, "lossy" loses one reply in 20.
        """
    def __enter__(self) -> Bus: ...
    def __exit__(
        self, kind: type[BaseException] | None, value: BaseException | None, traceback: TracebackType | None
    ) -> None: ...
    def close(self) -> None:
        """Closes the port; the bus can no longer be used. Closing twice does nothing."""
    @property
    def port(self) -> str:
        """The port's path (the demo bus's pseudo-terminal)."""
    @property
    def closed(self) -> bool:
        """Whether close() was called."""
    def scan(self, ids: Iterable[int] | None = None) -> list[int]:
        """Asks each ID (0-253, or those of ids) and returns those that answer, in order.

        SharedId when two servos answer one ID. Ctrl-C stops it.
        """
    def positions(self, servos: Iterable[Servo]) -> dict[Servo, int]:
        """Each servo's position (0-1000) in one grouped call, keyed as the servos were given.

        NoReply names the first servo that did not answer.
        """
    def move(self, targets: Targets, time_ms: int = 500) -> None:
        """Sends each servo to its position in time_ms (0-30000), the frames back to back; returns at once.

        Every target is checked against its servo's stored angle limits first (ValueError; nothing moves).
        """
    def torque(self, servos: Iterable[Servo], on: bool) -> None:
        """Switches the holding torque of each servo on or off and reads each back."""
    def read_settings(self, servo: Servo) -> dict[str, SettingValue]:
        """The servo's stored settings, by the settings file's keys."""
    def write_settings(self, servo: Servo, values: Mapping[str, SettingValue]) -> dict[str, SettingValue]:
        """Changes the servo's stored settings; returns what was written (empty when nothing differed).

        The present settings go to a backup file first, only what differs is sent, and everything is
        read back. An "id" gives the servo a new ID, one no servo answers yet (BusError otherwise).
        ValueError for an unknown key or a value out of its range.
        """
    def voltage(self, servo: Servo) -> float:
        """The servo's supply voltage in volts."""
    def temperature(self, servo: Servo) -> int:
        """The servo's temperature in degrees Celsius."""
    def play(self, motion: Motion, loops: int | None = None, speed: float = 1.0) -> None:
        """Plays motion and returns when it ends.

        loops: 0 until stopped, None as the file says; speed 2 plays twice as fast (0.1-10). Before
        anything moves every servo must answer and every target lie within its limits (ValueError).
        Ctrl-C, a silent servo or an unplug hold every servo where it is, then raise
        KeyboardInterrupt, NoReply or PortGone.
        """
