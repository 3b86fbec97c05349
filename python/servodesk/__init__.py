"""The servo bus from Python, on ServoDesk's core.

    import servodesk

    with servodesk.Bus.demo() as bus:    # or servodesk.Bus("/dev/ttyUSB0")
        ids = bus.scan(range(1, 19))
        print(bus.positions(ids))
"""

from ._servodesk import (  # noqa: F401
    Bus,
    BusError,
    Motion,
    NoReply,
    PortGone,
    Robot,
    SharedId,
)

__all__ = ["Bus", "BusError", "Motion", "NoReply", "PortGone", "Robot", "SharedId"]
