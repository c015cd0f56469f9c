#!/usr/bin/env python3
"""Builds the Debian package, unpacks it and plays it as a player would.

Packs the given build tree with CPack into a scratch directory (the build
tree itself is left as it was), checks the package's fields and contents,
unpacks it with dpkg -x into a scratch root, runs the two metadata
validators on the unpacked files, and starts <root>/usr/games/lexidrop on a
private X server with a fresh HOME and no XDG_DATA_HOME.  Then it checks
that the window appears, that hs.txt is created in
$HOME/.local/share/lexidrop with 70 bytes, that the first tile (an "a")
shows exactly the pixels of a.bmp and falls, that the preview shows one of
the letter bitmaps, that no letter file is reported missing, and that
nothing was written into the unpacked root.
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui"))
import run_under_xvfb as xvfb  # noqa: E402  (the X server, window and screenshot helpers)

Failure = xvfb.Failure

LETTERS = "abcdefghijklmnopqrstuvwxyz"
PREVIEW = (288 + 36, 22 + 33)  # the preview tile's corner, client coordinates
MISSING_REPORT = "cannot read the tile picture"
EXPECTED_DEPENDS = ("libqt6widgets6", "libqt6gui6", "libqt6core6", "qt6-wayland", "fonts-liberation")
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
APP_ID = "org.lexidrop.LexiDrop"


def read_bmp(path):
    """An uncompressed 24- or 32-bit BMP as rows of (r, g, b)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise Failure(path + " is not a bitmap")
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bits = int.from_bytes(data[28:30], "little")
    compression = int.from_bytes(data[30:34], "little")
    if bits not in (24, 32) or compression not in (0, 3):
        raise Failure("%s: %d-bit bitmaps with compression %d are not read here" % (path, bits, compression))
    step = bits // 8
    stride = (width * step + 3) // 4 * 4
    rows = []
    for r in range(abs(height)):
        at = offset + r * stride
        rows.append([(data[at + step * x + 2], data[at + step * x + 1], data[at + step * x])
                     for x in range(width)])
    if height > 0:
        rows.reverse()  # stored bottom row first
    return rows


def shows(shot, picture, left, top):
    """Whether the screenshot shows picture with its corner at client (left, top)."""
    for y, row in enumerate(picture):
        for x, colour in enumerate(row):
            if shot.pixel(left + x, shot.top + top + y) != colour:
                return False
    return True


def lit_box(picture):
    """Bounding box (left, top) of the non-black pixels of a picture."""
    points = [(x, y) for y, row in enumerate(picture) for x, c in enumerate(row) if c != (0, 0, 0)]
    if not points:
        raise Failure("an all-black letter bitmap cannot be told from the well")
    return min(p[0] for p in points), min(p[1] for p in points)


def build_package(build, scratch):
    out = os.path.join(scratch, "pack")
    done = subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out],
                          cwd=build, capture_output=True, text=True)
    if done.returncode != 0:
        raise Failure("cpack failed:\n" + done.stdout + done.stderr)
    debs = glob.glob(os.path.join(out, "*.deb"))
    if len(debs) != 1:
        raise Failure("cpack made %d packages: %s" % (len(debs), debs))
    print("built", os.path.basename(debs[0]))
    return debs[0]


def check_fields(deb):
    def field(name):
        return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True,
                              check=True).stdout.strip()

    depends = [d.strip().split()[0] for d in field("Depends").split(",") if d.strip()]
    print("Depends:", field("Depends"))
    for package in EXPECTED_DEPENDS:
        if package not in depends:
            raise Failure("the package does not depend on " + package)
    for name, expected in (("Package", "lexidrop"), ("Section", "games")):
        if field(name) != expected:
            raise Failure("%s is %r, not %r" % (name, field(name), expected))
    if not field("Maintainer") or not field("Version") or not field("Description"):
        raise Failure("the package has no maintainer, version or description")


def check_contents(root):
    usr = os.path.join(root, "usr")
    expected = ["games/lexidrop", "share/applications/%s.desktop" % APP_ID, "share/metainfo/%s.metainfo.xml" % APP_ID]
    expected += ["share/lexidrop/%s.bmp" % c for c in LETTERS]
    expected += ["share/icons/hicolor/%dx%d/apps/%s.png" % (n, n, APP_ID) for n in ICON_SIZES]
    for path in expected:
        if not os.path.isfile(os.path.join(usr, path)):
            raise Failure("the package has no /usr/" + path)
    if os.listdir(os.path.join(usr, "games")) != ["lexidrop"]:
        raise Failure("/usr/games holds more than the program: %s" % os.listdir(os.path.join(usr, "games")))
    with open(os.path.join(usr, "share/applications/%s.desktop" % APP_ID)) as f:
        entry = f.read().splitlines()
    for line in ("Icon=" + APP_ID, "Exec=lexidrop", "Type=Application"):
        if line not in entry:
            raise Failure("the desktop entry lacks " + line)


def validate(root, validator):
    usr = os.path.join(root, "usr", "share")
    done = subprocess.run(["sh", validator, os.path.join(usr, "applications", APP_ID + ".desktop"),
                           os.path.join(usr, "metainfo", APP_ID + ".metainfo.xml")],
                          capture_output=True, text=True)
    print(done.stdout.strip())
    if done.returncode != 0:
        raise Failure("the installed metadata does not validate:\n" + done.stdout + done.stderr)


def tree(root):
    return sorted(os.path.relpath(os.path.join(d, n), root) for d, dirs, files in os.walk(root) for n in dirs + files)


def run(args):
    scratch = tempfile.mkdtemp(prefix="lexidrop-package-")
    server = game = None
    try:
        deb = build_package(args.build, scratch)
        check_fields(deb)
        root = os.path.join(scratch, "root")
        subprocess.run(["dpkg", "-x", deb, root], check=True)
        check_contents(root)
        validate(root, os.path.join(os.path.dirname(os.path.abspath(__file__)), "validate_metadata.sh"))
        before = tree(root)

        letters = {c: read_bmp(os.path.join(args.letters, c + ".bmp")) for c in LETTERS}
        home = os.path.join(scratch, "home")
        os.mkdir(home)
        server, display = xvfb.start_xvfb()
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_", "LEXIDROP_"))}
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=home)
        env.pop("WAYLAND_DISPLAY", None)
        log = open(os.path.join(scratch, "stderr.txt"), "w+")
        # Started from elsewhere: the program must find its files from where it is.
        game = subprocess.Popen([os.path.join(root, "usr", "games", "lexidrop")], cwd=home, env=env,
                                stdout=subprocess.DEVNULL, stderr=log)

        def alive():
            if game.poll() is not None:
                log.seek(0)
                raise Failure("lexidrop exited with %s:\n%s" % (game.returncode, log.read()))
            return True

        window = xvfb.wait_for('the window titled "LexiDrop"', lambda: alive() and xvfb.find_window(env), 60)
        print("window", window, "on", display)

        hs = os.path.join(home, ".local", "share", "lexidrop", "hs.txt")
        xvfb.wait_for("hs.txt in the player's data directory",
                      lambda: alive() and os.path.exists(hs) and os.path.getsize(hs) == 70, 10)
        print("hs.txt created in", os.path.dirname(hs), "with", os.path.getsize(hs), "bytes")

        # The first tile is an "a": it must be a.bmp, pixel for pixel.
        a = letters["a"]
        dx, dy = lit_box(a)

        def first_tile():
            shot = xvfb.Shot(window, env)
            box = shot.tile()
            if box and shows(shot, a, box[0] - dx, box[1] - dy):
                return shot, (box[0] - dx, box[1] - dy)
            return None

        shot, first = xvfb.wait_for("the first tile to show a.bmp", lambda: alive() and first_tile(), 10)
        print("tile a.bmp at", first)
        preview = [c for c, picture in letters.items() if shows(shot, picture, *PREVIEW)]
        if not preview:
            raise Failure("the preview shows none of the letter bitmaps")
        print("preview shows", preview[0] + ".bmp")

        def fallen():
            found = first_tile()
            return found if found and found[1][1] > first[1] else None

        _, later = xvfb.wait_for("the tile to fall", lambda: alive() and fallen(), 5)
        print("tile fell to", later)

        alive()
        log.seek(0)
        errors = log.read()
        if MISSING_REPORT in errors:
            raise Failure("a letter bitmap was not found:\n" + errors)
        after = tree(root)
        if after != before:
            raise Failure("the program wrote into the unpacked root: %s" % sorted(set(after) - set(before)))
        print("no letter reported missing; nothing written beside the program")
        return 0
    finally:
        xvfb.stop(game, server)
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, type=os.path.abspath, help="the configured and built build tree")
    parser.add_argument("--letters", required=True, type=os.path.abspath,
                        help="the directory of the source a.bmp .. z.bmp")
    args = parser.parse_args()
    for tool in ("cpack", "dpkg", "dpkg-deb", "dpkg-shlibdeps", "Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print("missing tool:", tool, "(scripts/setup installs it)", file=sys.stderr)
            return 1
    try:
        return run(args)
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
