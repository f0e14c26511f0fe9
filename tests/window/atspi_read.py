"""Reads the program's main window the way a screen reader does, through
AT-SPI, and checks what it hears: each drop-down list by its frame's caption
with the current entry, each slider by its full name with the setting, the
picture by its name. Run inside its own session bus on a virtual display:

    dbus-run-session -- xvfb-run -a python3 atspi_read.py PROGRAM
"""
import os
import subprocess
import sys
import time

import pyatspi

LISTS = {
    "Snap Mode": "Off", "Delay Time": "Every 1 Min", "Snap Source": "Live / Color",
    "Snap Size": "640 x 480", "Snap Color": "24 Bit True Color",
    "Snap Method": "1 Frame - 2x Sample", "Processing Filter": "Slow (High Quality)",
}
SLIDERS = ["Brightness", "Contrast", "Gamma", "Sharpness", "Saturation", "Tint",
           "Red", "Green", "Blue"]


def tree(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from tree(child)


def application(program, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.description == program:
                return app
        time.sleep(0.2)
    sys.exit("the program never appeared on the accessibility bus")


def main(program):
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    window = subprocess.Popen([program], env=env)
    try:
        nodes = list(tree(application(program, 60)))
        heard = {(n.getRoleName(), n.name): n for n in nodes}
        faults = []
        for name, entry in LISTS.items():
            node = heard.get(("combo box", name))
            if node is None:
                faults.append("no list named %r" % name)
                continue
            text = node.queryText()
            if node.description != entry or text.getText(0, -1) != entry:
                faults.append("%r reads %r / %r, not %r"
                              % (name, node.description, text.getText(0, -1), entry))
        for name in SLIDERS:
            node = heard.get(("slider", name))
            if node is None:
                faults.append("no slider named %r" % name)
                continue
            # Set through the reader, the setting shows in the tool tip, which
            # the reader hears as the description.
            value = node.queryValue()
            value.currentValue = 12
            if value.currentValue != 12 or not node.description.endswith(" 12"):
                faults.append("%r reads %r, described as %r"
                              % (name, value.currentValue, node.description))
        if ("image", "Picture") not in heard:
            faults.append("no picture named 'Picture'")
        print("\n".join(faults) or "every name and value read as expected")
        return 1 if faults else 0
    finally:
        window.terminate()
        bus.terminate()
        window.wait()
        bus.wait()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
