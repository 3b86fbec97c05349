#!/bin/sh
# Runs the application under Xvfb with the AT-SPI bridge on, on a private session bus with its own
# accessibility bus and registry, and drives its window by name from Python (atspi_window_test.py),
# as a screen reader or an automation tool would.
#   run-atspi-test.sh APPLICATION
# Exit status: 0 passed, 1 failed, 77 skipped (a needed program is missing or the bridge cannot start).
set -u

skip() {
    echo "SKIPPED: $*"
    exit 77
}

here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # the system's Python, which holds the Debian pyatspi module

if [ "${1:-}" != "--inside-session" ]; then
    app=${1:?usage: run-atspi-test.sh APPLICATION}
    [ -x "$app" ] || { echo "no application at $app"; exit 1; }
    for program in Xvfb dbus-run-session; do
        command -v "$program" >/dev/null 2>&1 || skip "$program is not installed (xvfb, dbus-daemon)"
    done
    for program in /usr/libexec/at-spi-bus-launcher /usr/libexec/at-spi2-registryd; do
        [ -x "$program" ] || skip "$program is not installed (at-spi2-core)"
    done
    [ -x "$python" ] && "$python" -c "import pyatspi" 2>/dev/null || skip "python3-pyatspi is not installed"
    exec dbus-run-session -- sh "$0" --inside-session "$app"
fi

# Inside the private session bus.
app=$2
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    for pid in $pids; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Xvfb picks a free display and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids="$pids $!"
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; skip "Xvfb did not start"; }
DISPLAY=:$(cat "$work/display")
export DISPLAY

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
pids="$pids $!"
bus_ready=no
for _ in $(seq 100); do
    if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q "boolean true"; then
        bus_ready=yes
        break
    fi
    sleep 0.1
done
[ "$bus_ready" = yes ] || { cat "$work/bus.log"; skip "the accessibility bus did not start"; }
/usr/libexec/at-spi2-registryd >"$work/registry.log" 2>&1 &
pids="$pids $!"

# The application in demo mode (a virtual servo is its first port), with the bridge on whatever the
# desktop settings say, and a settings store of its own (so English, the default language).
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    "$app" --demo >"$work/app.log" 2>&1 &
app_pid=$!
pids="$pids $app_pid"

"$python" "$here/atspi_window_test.py" "$app_pid"
status=$?
if [ $status -ne 0 ]; then
    echo "--- application output (tail)"
    tail -n 40 "$work/app.log"
fi
exit $status
