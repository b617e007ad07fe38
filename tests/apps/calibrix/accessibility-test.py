#!/usr/bin/python3
# calibrix through the accessibility interface (AT-SPI), as a screen reader
# or a test tool meets it: every control is found by its text, each list by
# the label before it, and the controls are worked through their actions.
# Run in a session bus on a display: xvfb-run dbus-run-session -- this CALIBRIX
import os
import subprocess
import sys
import tempfile
import time

import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def find_application(name, patience):
    deadline = time.time() + patience
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_name() == name and app.get_child_count() > 0:
                return app
        time.sleep(0.2)
    return None


def controls(node):
    found = [node]
    for i in range(node.get_child_count()):
        found += controls(node.get_child_at_index(i))
    return found


def named(app, role, name):
    matches = [c for c in controls(app) if c.get_role_name() == role and c.get_name() == name]
    check(len(matches) == 1, f"{len(matches)} {role} named {name!r}")
    return matches[0] if matches else None


def labelled_list(app, label):
    text = named(app, "label", label)
    for relation in text.get_relation_set() if text else []:
        if relation.get_relation_type() == Atspi.RelationType.LABEL_FOR:
            return relation.get_target(0)
    check(False, f"no list labelled {label!r}")
    return None


def has(control, state):
    return control is not None and control.get_state_set().contains(state)


def press(control):
    control.do_action(0)
    time.sleep(0.5)


def main(program):
    home = tempfile.mkdtemp(prefix="calibrix-a11y-")
    environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/config", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    environment.pop("KESTRAVA_TAKE", None)
    window = subprocess.Popen([program], env=environment)
    try:
        app = find_application("calibrix", 30)
        if app is None:
            print("calibrix never appeared on the accessibility bus")
            return 1
        named(app, "dialog", "Kestrava Sonalve")
        for role, names in {
            "push button": ["Driver Settings...", "Apply", "Start monitoring", "Load corr. file", "Help",
                            "Start recording", "Save corr. file"],
            "radio button": ["Mic Input", "Pickup Input", "Processed sound"],
            "check box": ["Air"],
            "slider": ["Main Volume Control", "Pickup Input Volume"],
            "label": ["Main\nVolume\nControl", "Pickup\nInput\nVolume"],
        }.items():
            for name in names:
                named(app, role, name)
        for label in ["Audio Hardware", "Left Output", "Right Output", "Mic Input", "Pickup Input"]:
            check(labelled_list(app, label) is not None and labelled_list(app, label).get_role_name() == "combo box",
                  f"{label!r} names no list")

        # The window as it opens, then the workflow's rules worked through
        # the controls' actions.
        check(not has(named(app, "push button", "Save corr. file"), Atspi.StateType.ENABLED), "Save enabled at start")
        check(not has(named(app, "radio button", "Processed sound"), Atspi.StateType.ENABLED),
              "Processed sound enabled at start")
        air = named(app, "check box", "Air")
        check(has(air, Atspi.StateType.CHECKED), "Air unchecked at start")
        press(air)
        check(not has(air, Atspi.StateType.CHECKED), "Air still checked after a press")
        press(named(app, "radio button", "Pickup Input"))
        check(has(named(app, "slider", "Pickup Input Volume"), Atspi.StateType.ENABLED),
              "the pickup volume stays disabled for the pickup")
        check(not has(named(app, "slider", "Main Volume Control"), Atspi.StateType.ENABLED),
              "the main volume stays enabled for the pickup")
    finally:
        window.kill()
        window.wait()
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
