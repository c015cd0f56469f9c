#!/usr/bin/env python3
"""Builds the Debian package, unpacks it and plays it as a player would.

Packs the given build tree with CPack into a scratch directory (the build
tree itself is left as it was), checks the package's fields and contents,
unpacks it with dpkg -x into a scratch root, runs the two metadata
validators on the unpacked files, and starts the installed program on a
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
import re
import subprocess
import sys

from support import desktop_session, game_window, screen_image
from support.desktop_session import Failure, wait_for

PROGRAM = "usr/games/lexidrop"  # where the package installs the game, inside the root
MISSING_REPORT = "cannot read the tile picture"
# What the program needs beyond the libraries it links: Qt's Wayland plugin,
# loaded at run time, and the font of its texts.
EXPECTED_RUNTIME_DEPENDS = ("qt6-wayland", "fonts-liberation")
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
APP_ID = "org.lexidrop.LexiDrop"
VALIDATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "validate_metadata.sh")


# -- set-up: the package ---------------------------------------------------

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


def unpack(deb, scratch):
    root = os.path.join(scratch, "root")
    subprocess.run(["dpkg", "-x", deb, root], check=True)
    return root


def tree(root):
    return sorted(os.path.relpath(os.path.join(d, n), root) for d, dirs, files in os.walk(root) for n in dirs + files)


# -- checks of the package -------------------------------------------------

def linked_qt_packages(program):
    """The packages that hold the Qt libraries program links, as this system
    names them (libqt6core6 on Debian 12, libqt6core6t64 since Debian 13's
    64-bit time transition)."""
    dynamic = subprocess.run(["readelf", "-d", program], capture_output=True, text=True, check=True).stdout
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(libQt6\w+\.so[.\d]*)\]", dynamic)
    if not needed:
        raise Failure("the program links no Qt library:\n" + dynamic)
    resolved = subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout
    packages = set()
    for library in needed:
        found = re.search(r"^\s*%s => (/\S+)" % re.escape(library), resolved, re.M)
        if not found:
            raise Failure("no %s on this system for the program to link:\n%s" % (library, resolved))
        packages.add(owning_package(found.group(1)))
    return sorted(packages)


def owning_package(path):
    # dpkg knows a library by the path its package ships, which on a merged
    # /usr system may be the /lib or the /usr/lib form of the one found.
    real = os.path.realpath(path)
    for candidate in dict.fromkeys((path, real, re.sub(r"^/usr/lib/", "/lib/", real),
                                    re.sub(r"^/lib/", "/usr/lib/", real))):
        done = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True)
        if done.returncode == 0:
            return done.stdout.split(":", 1)[0].strip()
    raise Failure("no package holds " + path)


def check_fields(deb, root):
    def field(name):
        return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True,
                              check=True).stdout.strip()

    depends = [d.strip().split()[0] for d in field("Depends").split(",") if d.strip()]
    print("Depends:", field("Depends"))
    qt = linked_qt_packages(os.path.join(root, PROGRAM))
    print("Qt libraries linked, by package:", ", ".join(qt))
    for package in qt + list(EXPECTED_RUNTIME_DEPENDS):
        if package not in depends:
            raise Failure("the package does not depend on " + package)
    for name, expected in (("Package", "lexidrop"), ("Section", "games")):
        if field(name) != expected:
            raise Failure("%s is %r, not %r" % (name, field(name), expected))
    if not field("Maintainer") or not field("Version") or not field("Description"):
        raise Failure("the package has no maintainer, version or description")


def check_contents(root):
    usr = os.path.join(root, "usr")
    expected = [PROGRAM, "usr/share/applications/%s.desktop" % APP_ID, "usr/share/metainfo/%s.metainfo.xml" % APP_ID]
    expected += ["usr/share/lexidrop/%s.bmp" % c for c in game_window.LETTERS]
    expected += ["usr/share/icons/hicolor/%dx%d/apps/%s.png" % (n, n, APP_ID) for n in ICON_SIZES]
    for path in expected:
        if not os.path.isfile(os.path.join(root, path)):
            raise Failure("the package has no /" + path)
    program_dir = os.path.join(root, os.path.dirname(PROGRAM))
    if os.listdir(program_dir) != [os.path.basename(PROGRAM)]:
        raise Failure("/%s holds more than the program: %s" % (os.path.dirname(PROGRAM), os.listdir(program_dir)))
    with open(os.path.join(usr, "share/applications/%s.desktop" % APP_ID)) as f:
        entry = f.read().splitlines()
    for line in ("Icon=" + APP_ID, "Exec=lexidrop", "Type=Application"):
        if line not in entry:
            raise Failure("the desktop entry lacks " + line)


def validate(root):
    share = os.path.join(root, "usr", "share")
    done = subprocess.run(["sh", VALIDATOR, os.path.join(share, "applications", APP_ID + ".desktop"),
                           os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")],
                          capture_output=True, text=True)
    print(done.stdout.strip())
    if done.returncode != 0:
        raise Failure("the installed metadata does not validate:\n" + done.stdout + done.stderr)


# -- set-up: the installed game --------------------------------------------

def start_installed(session, root):
    """The installed program with a fresh HOME, started from elsewhere: it
    must find its files from where it is.  Returns (program, home)."""
    home = os.path.join(session.scratch, "home")
    os.mkdir(home)
    unset = {k: None for k in session.env if k.startswith(("XDG_", "LEXIDROP_"))}
    game = session.start([os.path.join(root, PROGRAM)], cwd=home, env=dict(unset, HOME=home))
    print("window", session.wait_for_window("LexiDrop", game), "on", session.display)
    return game, home


# -- checks of the running game --------------------------------------------

def check_scores_file(game, home):
    hs = os.path.join(home, ".local", "share", "lexidrop", "hs.txt")
    wait_for("hs.txt in the player's data directory",
             lambda: game.alive() and os.path.exists(hs) and os.path.getsize(hs) == 70, 10)
    print("hs.txt created in", os.path.dirname(hs), "with", os.path.getsize(hs), "bytes")


def find_tile(session, game, picture):
    """(view, corner) when the well shows exactly that picture, else None."""
    game.alive()
    view = game_window.GameView.find(session.screenshot())
    corner = view and view.tile_showing(picture)
    return (view, corner) if corner else None


def check_first_tile(session, game, letters, geometry):
    """The first tile is an "a": it must be a.bmp, pixel for pixel; and it falls."""
    view, first = wait_for("the first tile to show a.bmp", lambda: find_tile(session, game, letters["a"]), 10)
    print("tile a.bmp at", first)
    preview = [c for c, picture in letters.items() if view.shows(picture, geometry.PreviewLeft, geometry.PreviewTop)]
    if not preview:
        raise Failure("the preview shows none of the letter bitmaps")
    print("preview shows", preview[0] + ".bmp")

    def fallen():
        found = find_tile(session, game, letters["a"])
        return found if found and found[1][1] > first[1] else None
    print("tile fell to", wait_for("the tile to fall", fallen, 5)[1])


def check_quiet_and_untouched(game, root, before):
    game.alive()
    if MISSING_REPORT in game.stderr():
        raise Failure("a letter bitmap was not found:\n" + game.stderr())
    after = tree(root)
    if after != before:
        raise Failure("the program wrote into the unpacked root: %s" % sorted(set(after) - set(before)))
    print("no letter reported missing; nothing written beside the program")


def read_letters(directory):
    letters = {c: screen_image.read_bmp(os.path.join(directory, c + ".bmp")) for c in game_window.LETTERS}
    if any(p.lit_box(0, 0, p.width - 1, p.height - 1) is None for p in letters.values()):
        raise Failure("an all-black letter bitmap cannot be told from the well")
    return letters


# -- main ------------------------------------------------------------------

def run(args):
    letters = read_letters(args.letters)
    with desktop_session.XSession() as session:
        deb = build_package(args.build, session.scratch)
        root = unpack(deb, session.scratch)
        check_fields(deb, root)
        check_contents(root)
        validate(root)
        before = tree(root)

        game, home = start_installed(session, root)
        check_scores_file(game, home)
        check_first_tile(session, game, letters, game_window.read_geometry(os.path.join(args.build, "bin")))
        check_quiet_and_untouched(game, root, before)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, type=os.path.abspath, help="the configured and built build tree")
    parser.add_argument("--letters", required=True, type=os.path.abspath,
                        help="the directory of the source a.bmp .. z.bmp")
    args = parser.parse_args()
    return desktop_session.run_checks(run, args, ("cpack", "dpkg", "dpkg-deb", "dpkg-query", "dpkg-shlibdeps", "readelf", "ldd", "Xvfb", "xdotool"))


if __name__ == "__main__":
    sys.exit(main())
