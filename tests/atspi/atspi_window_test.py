#!/usr/bin/python3
"""Drives the running application through AT-SPI as a screen reader or an automation tool does:
finds controls by role and name, presses them, and reads what the window shows.

    atspi_window_test.py PID

The application runs in demo mode (its virtual servo is the first port of the list). The test opens
the port with the open/close button, reads the voltage read-out once the state poll has filled it,
goes to the parameter page, presses "Read", reads the message box that reports the result and
dismisses it with its confirm button, then scans on the Motion page and reads its status line. Exit status 0 when all of that worked, 1 otherwise.
"""

import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

TIMEOUT_S = 20


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=TIMEOUT_S):
    """Calls probe until it returns something true; fails with `what` after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except GLib.Error:  # an element went away while it was being looked at: look again
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.2)


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            app.set_cache_mask(Atspi.Cache.NONE)
            return app
    return None


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def usable(node):
    return node if node is not None and node.getState().contains(pyatspi.STATE_SENSITIVE) else None


def find(app, role, name):
    """The first showing element of this role and name."""
    app.clear_cache()
    return pyatspi.findDescendant(
        app, lambda node: node is not None and node.getRole() == role and node.name == name and showing(node))


def labels_of(node):
    labels = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return labels


def find_labelled(app, role, label):
    """The first showing element of this role labelled by a caption with this text (lists are
    named by their current choice; their captions are their labels)."""
    app.clear_cache()
    return pyatspi.findDescendant(
        app, lambda node: node is not None and node.getRole() == role and showing(node) and label in labels_of(node))


def find_role(app, role):
    app.clear_cache()
    return pyatspi.findDescendant(app, lambda node: node is not None and node.getRole() == role and showing(node))


def press(node):
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    for wanted in ("press", "click", "toggle"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return
    raise Failure("%s %r offers no press action (it offers %s)" % (node.getRoleName(), node.name, names))


def click(node):
    """A left click in the middle of the element, through the X server."""
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2, "b1c")


def choose_entry(app, combo, entry):
    """Chooses an entry of a list as the user does: a click opens the list, a click on the entry
    chooses it. (The list's own accessible actions move its selection without telling the window.)"""
    click(combo)
    item = wait_for("the entry %r in the opened list" % entry, lambda: find(app, pyatspi.ROLE_LIST_ITEM, entry)
                    or find(app, pyatspi.ROLE_TABLE_CELL, entry))
    click(item)


def text_of(node):
    return node.queryText().getText(0, -1)


def volts(text):
    """The number of a reading such as "7.4V"; -1 for anything else."""
    try:
        return float(text[:-1]) if text.endswith("V") else -1
    except ValueError:
        return -1


def dump(node, depth=0):
    """Prints the showing part of the tree, to see what the window offered when a step failed."""
    if node is None or (depth > 0 and not showing(node)):
        return
    print("  " * depth + "%s %r" % (node.getRoleName(), node.name))
    for child in node:
        dump(child, depth + 1)


APP = None


def main():
    global APP
    pid = int(sys.argv[1])
    app = APP = wait_for("the application on the accessibility bus", lambda: application(pid))
    print("found the application:", app.name)

    port_list = wait_for("the port list", lambda: find_labelled(app, pyatspi.ROLE_COMBO_BOX, "COM:"))
    choose_entry(app, port_list, "virtual-servo")
    open_button = wait_for("the open/close button to be usable", lambda: usable(
        find(app, pyatspi.ROLE_PUSH_BUTTON, "Open port")))
    print("chose the port of the demo servo")
    press(open_button)
    wait_for("the open/close button to offer closing",
             lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "Close port"))
    print("pressed \"Open port\"; the button now reads \"Close port\"")

    def voltage_reading():
        """The text of the voltage read-out (beside its caption of the same name) once it shows a
        reading from the servo, with the voltage gauge's value."""
        app.clear_cache()
        read_out = pyatspi.findDescendant(app, lambda node: node is not None and node.getRole() == pyatspi.ROLE_LABEL
                                          and node.name == "Voltage" and showing(node) and volts(text_of(node)) > 0)
        gauge = find(app, pyatspi.ROLE_PROGRESS_BAR, "Voltage")
        return read_out is not None and gauge is not None and (text_of(read_out), gauge.queryValue().currentValue)
    voltage, gauge_value = wait_for("the voltage read-out to show a reading", voltage_reading)
    print("voltage read-out: %s, gauge: %.2f" % (voltage, gauge_value))
    # The read-out rounds to a tenth; a later poll may have moved both since they were read.
    wait_for("the voltage gauge to agree with the read-out",
             lambda: abs(voltage_reading()[1] - volts(voltage_reading()[0])) <= 0.05 + 1e-6)

    press(wait_for("the parameter page tab", lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "Parameters")))
    read_button = wait_for("the \"Read\" button of the parameter page",
                           lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "Read"))
    press(read_button)
    alert = wait_for("the message box after \"Read\"", lambda: find_role(app, pyatspi.ROLE_ALERT))
    print("message box:", alert.name)
    if alert.name != "Servo parameters read.":
        raise Failure("the message box says %r" % alert.name)
    press(wait_for("the message box's confirm button", lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "OK")))
    wait_for("the message box to close", lambda: find_role(app, pyatspi.ROLE_ALERT) is None)
    servo_id = text_of(wait_for("the servo ID field", lambda: find(app, pyatspi.ROLE_TEXT, "ID")))
    print("servo ID read:", servo_id)
    if not servo_id.isdigit():
        raise Failure("the ID field holds %r after the read" % servo_id)

    # The Motion page's status line is a status bar named by what it says.
    press(wait_for("the Motion tab", lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "Motion")))
    press(wait_for("the Scan button to be usable", lambda: usable(find(app, pyatspi.ROLE_PUSH_BUTTON, "Scan"))))

    def status_saying_found():
        app.clear_cache()
        return pyatspi.findDescendant(app, lambda node: node is not None and node.getRole() == pyatspi.ROLE_STATUS_BAR
                                      and showing(node) and node.name.endswith("servos found."))
    status = wait_for("the status line to say how many servos the scan found", status_saying_found)
    print("status line:", status.name, "(%s)" % status.description)
    if status.description != "Status":
        raise Failure("the status line is described as %r" % status.description)
    print("PASSED")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print("FAILED:", failure)
        if APP is not None:
            print("--- what the application shows")
            APP.clear_cache()
            dump(APP)
        sys.exit(1)
