#!/usr/bin/env python3
"""Reads the real lexidrop window the way a screen reader does: over AT-SPI.

Starts a private session bus, a private X server and the AT-SPI bus, runs
the program from a scratch copy with a two-entry hs.txt, and reads its
accessible tree with pyatspi: the score, the next piece, the falling tile,
the well's rows, the top-ten rows and the last word.  Then it listens for
name changes and checks that the falling tile's position is announced as
the tile falls.  Prints the tree it read.

Exits 77 (a skip) when a tool it needs is missing, naming the tool.
"""

import importlib.util
import os
import shutil
import sys

from support import desktop_session, game_window
from support.desktop_session import Failure, wait_for

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
TABLE = b'"Ann"\r\n412\r\n' + b'""\r\n0\r\n' * 9


def walk(node, depth=0, out=None):
    """(depth, role, name, node) of node and everything below it."""
    out = [] if out is None else out
    out.append((depth, node.getRoleName(), node.name or "", node))
    if depth < 8:
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is not None:
                walk(child, depth + 1, out)
    return out


def check_tree(pyatspi, app):
    nodes = walk(app)
    for depth, role, name, _ in nodes:
        print("  " * depth + "[%s] %s" % (role, name))
    names = [name for _, _, name, _ in nodes]

    def expect(text):
        if text not in names:
            raise Failure("no accessible object named %r" % text)

    def expect_prefix(prefix):
        found = [n for n in names if n.startswith(prefix)]
        if not found:
            raise Failure("no accessible object named %r..." % prefix)
        return found[0]

    expect("Score: 0")
    expect("Last word: none")
    expect("1. Ann, 412")
    expect("2. empty")
    expect("10. empty")
    expect_prefix("Next piece: ")
    expect_prefix("Falling: ")
    rows = [n for n in names if n.startswith("Row ")]
    if len(rows) != 15 or rows[0] != "Row 1: . . . . . . . .":
        raise Failure("the well's rows read %r" % rows)
    lists = {name: role for _, role, name, _ in nodes if name in ("Well", "High Scores")}
    if lists != {"Well": "list", "High Scores": "list"}:
        raise Failure("the well and the table are not lists: %r" % lists)
    return [node for _, _, name, node in nodes if name.startswith("Falling: ")][0]


def hear_the_tile_fall(pyatspi, seconds):
    """The names of objects announced as changed while the game runs."""
    from gi.repository import GLib
    heard = []

    def on_event(event):
        name = event.source.name if event.source is not None else ""
        heard.append(name)
        if name.startswith("Falling: ") and "row" in name and len(
                [n for n in heard if n.startswith("Falling: ")]) >= 2:
            pyatspi.Registry.stop()

    pyatspi.Registry.registerEventListener(on_event, "object:property-change:accessible-name")
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(on_event, "object:property-change:accessible-name")
    return heard


def start_game(session, bindir):
    here = game_window.copy_program(bindir, os.path.join(session.scratch, "bin"))
    with open(os.path.join(here, "hs.txt"), "wb") as table:
        table.write(TABLE)
    return session.start([os.path.join(here, "lexidrop")], env={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})


def find_program(pyatspi, game):
    """The program's application object on the accessibility bus, once it has a window."""
    game.alive()
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "lexidrop" and app.childCount > 0:
            return app
    return None


def check_falling_tile_is_reread(falling):
    first = falling.name
    moved = wait_for("the falling tile to move a row", lambda: (
        lambda now: now if now != first and now != "Falling: none" else None)(falling.name), 30, interval=0.1)
    print("read again:", first, "->", moved)


def check_fall_is_heard(pyatspi):
    heard = hear_the_tile_fall(pyatspi, 20)
    print("heard:", heard)
    if not any(n.startswith("Falling: ") and "row" in n for n in heard):
        raise Failure("no name change of the falling tile was announced")


def run(bindir):
    with desktop_session.XSession() as session:
        session.start_accessibility_bus(LAUNCHER)
        game = start_game(session, bindir)
        # pyatspi finds the accessibility bus through the session bus and the
        # X server it is given here, before it is first imported.
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=session.env["DBUS_SESSION_BUS_ADDRESS"], DISPLAY=session.display)
        import pyatspi
        app = wait_for("lexidrop on the accessibility bus", lambda: find_program(pyatspi, game), 60, interval=0.1)
        # The window fills in as it is shown: wait until the table is read.
        wait_for("the top-ten rows", lambda: any(n == "1. Ann, 412" for _, _, n, _ in walk(app)), 30, interval=0.1)
        check_falling_tile_is_reread(check_tree(pyatspi, app))
        check_fall_is_heard(pyatspi)
        game.alive()
        return 0


def main():
    if len(sys.argv) != 2:
        print("usage: screen_reader_reads_window.py BINDIR", file=sys.stderr)
        return 2
    for tool in ("Xvfb", "dbus-daemon", LAUNCHER):
        if shutil.which(tool) is None:
            print("SKIP: missing tool", tool, "(scripts/setup installs it)")
            return SKIP
    # Only looked for here: imported, pyatspi would reach for a bus at once.
    # The Debian package installs it for the system's Python, which may not
    # be the first python3 on the PATH.
    system = "/usr/bin/python3"
    if importlib.util.find_spec("pyatspi") is None and os.path.exists(system) and \
            os.path.realpath(sys.executable) != os.path.realpath(system):
        os.execv(system, [system] + sys.argv)
    if importlib.util.find_spec("pyatspi") is None:
        print("SKIP: pyatspi is not installed (python3-pyatspi; scripts/setup installs it)")
        return SKIP
    return desktop_session.run_checks(run, sys.argv[1], ())


if __name__ == "__main__":
    sys.exit(main())
