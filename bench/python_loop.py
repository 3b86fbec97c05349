"""The loop of python_loop_bench in Python: read every servo's position, then move every servo, again
and again for a while, on the bus at PATH. Also measures the import of servodesk.
Usage: python3 python_loop.py PATH SERVOS SECONDS   (prints one line of JSON)"""

import json
import sys
import time


def resident_kib():
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


before_kib = resident_kib()
began = time.perf_counter()
import servodesk  # noqa: E402

import_ms = (time.perf_counter() - began) * 1000
after_kib = resident_kib()

path, count, seconds = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
ids = list(range(1, count + 1))
with servodesk.Bus(path) as bus:
    bus.move({id: 500 for id in ids}, time_ms=0)  # reads each servo's limits once, outside the timing
    loops = 0
    began = time.perf_counter()
    while time.perf_counter() - began < seconds:
        positions = bus.positions(ids)
        bus.move({id: 500 + 10 * (loops % 2) for id in positions}, time_ms=20)
        loops += 1
    elapsed = time.perf_counter() - began
print(json.dumps({"loops_per_s": loops / elapsed, "import_ms": import_ms,
                  "resident_kib_before": before_kib, "resident_kib_after": after_kib}))
