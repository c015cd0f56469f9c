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
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


class Failure(Exception):
    pass


def read_line_from(args, env):
    """Starts a server that writes one line (its address) to a pipe; returns (process, line)."""
    read_end, write_end = os.pipe()
    args = [a.replace("{fd}", str(write_end)) for a in args]
    process = subprocess.Popen(args, pass_fds=(write_end,), env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    line = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not line.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            line += chunk
    if not line.strip():
        stop(process)
        raise Failure(args[0] + " did not start")
    return process, line.decode().strip()


def stop(*processes):
    for process in processes:
        if process is not None and process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def wait_for(what, check, timeout):
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.1)


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


def run(bindir):
    scratch = tempfile.mkdtemp(prefix="lexidrop-atspi-")
    bus = server = launcher = game = None
    try:
        copy = os.path.join(scratch, "bin")
        os.mkdir(copy)
        for name in os.listdir(bindir):
            if name == "lexidrop" or name.endswith(".bmp"):
                shutil.copy2(os.path.join(bindir, name), copy)
        with open(os.path.join(copy, "hs.txt"), "wb") as table:
            table.write(b'"Ann"\r\n412\r\n' + b'""\r\n0\r\n' * 9)

        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "DBUS_", "AT_SPI_")) and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        bus, address = read_line_from(["dbus-daemon", "--session", "--nofork", "--print-address={fd}"], env)
        server, display = read_line_from(
            ["Xvfb", "-displayfd", "{fd}", "-screen", "0", "800x600x24", "-nolisten", "tcp"], env)
        env.update(DBUS_SESSION_BUS_ADDRESS=address, DISPLAY=":" + display)
        launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        log = open(os.path.join(scratch, "stderr.txt"), "w+")
        game_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        game = subprocess.Popen([os.path.join(copy, "lexidrop")], cwd=scratch, env=game_env,
                                stdout=subprocess.DEVNULL, stderr=log)

        # pyatspi finds the accessibility bus through the session bus and the
        # X server it is given here, before it is first imported.
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=address, DISPLAY=":" + display)
        import pyatspi

        def program():
            if game.poll() is not None:
                log.seek(0)
                raise Failure("lexidrop exited with %s:\n%s" % (game.returncode, log.read()))
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.name == "lexidrop" and app.childCount > 0:
                    return app
            return None

        app = wait_for("lexidrop on the accessibility bus", program, 60)
        # The window fills in as it is shown: wait until the table is read.
        wait_for("the top-ten rows", lambda: any(n == "1. Ann, 412" for _, _, n, _ in walk(app)), 30)
        falling = check_tree(pyatspi, app)

        first = falling.name
        moved = wait_for("the falling tile to move a row", lambda: (
            lambda now: now if now != first and now != "Falling: none" else None)(falling.name), 30)
        print("read again:", first, "->", moved)

        heard = hear_the_tile_fall(pyatspi, 20)
        print("heard:", heard)
        if not any(n.startswith("Falling: ") and "row" in n for n in heard):
            raise Failure("no name change of the falling tile was announced")
        program()
        return 0
    finally:
        stop(game, launcher, server, bus)
        shutil.rmtree(scratch, ignore_errors=True)


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
    try:
        return run(sys.argv[1])
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
