#!/usr/bin/env python3
"""Runs the real lexidrop program on a private X server.

Test mode (the default) copies the program and its letter bitmaps to a
scratch directory, deletes q.bmp there, and checks that the window titled
"LexiDrop" appears, that hs.txt is created beside the executable with 70
bytes, that a tile falls, that the Left key moves it one column, and that
the program is still running a few seconds later.

Screenshot mode (--screenshot FILE) plays a few keys and saves the window
as a PNG.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WELL_LEFT, WELL_RIGHT = 21, 276  # the well's inside, client coordinates
WELL_TOP, WELL_BOTTOM = 23, 470
FRAME_LIGHT = (192, 192, 255)    # the outer left line of the frame, at x = 18
FRAME_TOP = 20


class Failure(Exception):
    pass


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip():
        server.kill()
        raise Failure("Xvfb did not start")
    return server, ":" + number.decode().strip()


def stop(*processes):
    """Ends each process still running: politely first, then for good."""
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
        time.sleep(0.05)


def find_window(env):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^LexiDrop$"],
                           env=env, capture_output=True, text=True)
    ids = found.stdout.split()
    return ids[0] if ids else None


class Shot:
    """One screenshot of the window, as RGB rows."""

    def __init__(self, window, env):
        data = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"], env=env,
                              capture_output=True, check=True).stdout
        fields, at = [], 0
        while len(fields) < 4:  # magic, width, height, maximum
            while data[at:at + 1].isspace():
                at += 1
            if data[at:at + 1] == b"#":
                at = data.index(b"\n", at)
                continue
            start = at
            while not data[at:at + 1].isspace():
                at += 1
            fields.append(data[start:at])
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure("unexpected screenshot format")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[at + 1:]
        self.top = self._client_top()

    def pixel(self, x, y):
        at = 3 * (y * self.width + x)
        return tuple(self.pixels[at:at + 3])

    def _client_top(self):
        # The client area starts below the menu bar; the frame's light outer
        # line marks where.
        for y in range(self.height):
            if self.pixel(18, y) == FRAME_LIGHT:
                return y - FRAME_TOP
        raise Failure("the well's frame is not on screen")

    def tile(self):
        """Bounding box (left, top, right, bottom) of what lies in the well, client coordinates."""
        xs, ys = [], []
        for y in range(WELL_TOP, WELL_BOTTOM + 1):
            row = self.top + y
            for x in range(WELL_LEFT, WELL_RIGHT + 1):
                if self.pixel(x, row) != (0, 0, 0):
                    xs.append(x)
                    ys.append(y)
        if not xs:
            return None
        return min(xs), min(ys), max(xs), max(ys)


def run(args):
    scratch = tempfile.mkdtemp(prefix="lexidrop-xvfb-")
    server = game = None
    try:
        bindir = os.path.join(scratch, "bin")
        os.mkdir(bindir)
        for name in os.listdir(args.bindir):
            if name == "lexidrop" or name.endswith(".bmp"):
                shutil.copy2(os.path.join(args.bindir, name), bindir)
        letters = [n for n in os.listdir(bindir) if n.endswith(".bmp")]
        if len(letters) < 26:
            raise Failure("only %d letter bitmaps beside the program" % len(letters))
        if not args.screenshot:
            os.remove(os.path.join(bindir, "q.bmp"))

        server, display = start_xvfb()
        env = {k: v for k, v in os.environ.items() if not k.startswith("QT_")}
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        log = open(os.path.join(scratch, "stderr.txt"), "w+")
        game = subprocess.Popen([os.path.join(bindir, "lexidrop")], cwd=scratch, env=env,
                                stdout=subprocess.DEVNULL, stderr=log)

        window = wait_for('the window titled "LexiDrop"', lambda: game.poll() is None and find_window(env), 60)
        print("window", window, "on", display)

        def alive():
            if game.poll() is not None:
                log.seek(0)
                raise Failure("lexidrop exited with %s:\n%s" % (game.returncode, log.read()))
            return True

        # Keys go to the window that has the X input focus; there is no
        # window manager to give it.
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)

        if args.screenshot:
            return screenshot(args.screenshot, window, env, alive)

        hs = os.path.join(bindir, "hs.txt")
        wait_for("hs.txt beside the executable",
                        lambda: alive() and os.path.exists(hs) and os.path.getsize(hs) == 70, 10)
        print("hs.txt created with", os.path.getsize(hs), "bytes")

        first = wait_for("a tile in the well", lambda: alive() and Shot(window, env).tile(), 10)
        print("tile at", first)
        if first[0] != 117 or first[2] != 117 + 31:
            raise Failure("the first tile is not in column 3: %s" % (first,))
        fallen = wait_for("the tile to fall", lambda: alive() and (
            lambda t: t if t and t[1] > first[1] else None)(Shot(window, env).tile()), 5)
        print("tile fell to", fallen)

        subprocess.run(["xdotool", "key", "Left"], env=env, check=True)
        moved = wait_for("the tile to move", lambda: alive() and (
            lambda t: t if t and t[0] != first[0] else None)(Shot(window, env).tile()), 5)
        print("after Left:", moved)
        if moved[0] != first[0] - 32 or moved[2] - moved[0] != 31:
            raise Failure("Left did not move the tile by one column: %s -> %s" % (first, moved))

        time.sleep(args.run_seconds)
        alive()
        print("still running after %s s without q.bmp" % args.run_seconds)
        return 0
    finally:
        stop(game, server)
        shutil.rmtree(scratch, ignore_errors=True)


def screenshot(path, window, env, alive):
    # A short game: tiles steered to several columns and pushed down.
    def press(key, times, pause):
        for _ in range(times):
            alive()
            subprocess.run(["xdotool", "key", key], env=env, check=True)
            time.sleep(pause)

    for column in (0, 7, 1, 6, 3, 2, 5, 4, 0, 3):
        time.sleep(0.6)  # the next tile spawns
        shift = column - 3
        press("Left" if shift < 0 else "Right", abs(shift), 0.05)
        press("Down", 24, 0.06)
        time.sleep(1.4)  # the last steps to the floor or the stack
    press("Right", 2, 0.05)
    press("Down", 10, 0.06)
    alive()
    subprocess.run(["import", "-window", window, path], env=env, check=True)
    print("saved", path)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("bindir", help="the build's bin directory")
    parser.add_argument("--screenshot", metavar="FILE", help="save a screenshot instead of testing")
    parser.add_argument("--run-seconds", type=float, default=6)
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print("missing tool:", tool, file=sys.stderr)
            return 1
    try:
        return run(args)
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
