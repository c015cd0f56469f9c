#!/usr/bin/env python3
"""Installs a build tree as a distribution's package would and checks what
it installed.

Runs `cmake --install BUILD --prefix /usr` into DESTDIR (made anew), then
checks that the tree holds exactly what a package of the game needs: the
program in usr/games, the 26 letter pictures in usr/share/lexidrop, the
desktop entry, the AppStream metadata, the icon at each of its sizes and
the manual page, uncompressed and with the version filled in; nothing
that a packaging tool adds (a licence or changelog under usr/share/doc,
lintian overrides, compressed files), and no high-score table.  The
installed desktop entry and metadata are then validated.
"""

import argparse
import os
import shutil
import subprocess
import sys

APP_ID = "org.lexidrop.LexiDrop"
LETTERS = "abcdefghijklmnopqrstuvwxyz"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
VALIDATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "validate_metadata.sh")


def expected_files():
    files = {"usr/games/lexidrop",
             "usr/share/applications/%s.desktop" % APP_ID,
             "usr/share/metainfo/%s.metainfo.xml" % APP_ID,
             "usr/share/man/man6/lexidrop.6"}
    files |= {"usr/share/lexidrop/%s.bmp" % c for c in LETTERS}
    files |= {"usr/share/icons/hicolor/%dx%d/apps/%s.png" % (n, n, APP_ID) for n in ICON_SIZES}
    return files


def installed_files(root):
    return {os.path.relpath(os.path.join(d, n), root) for d, _, names in os.walk(root) for n in names}


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, help="the configured and built build tree")
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--version", required=True, help="the project's version, which the manual page names")
    parser.add_argument("destdir", help="where to install (emptied first)")
    args = parser.parse_args()

    shutil.rmtree(args.destdir, ignore_errors=True)
    done = subprocess.run([args.cmake, "--install", args.build, "--prefix", "/usr"],
                          env=dict(os.environ, DESTDIR=args.destdir), capture_output=True, text=True)
    if done.returncode != 0:
        return fail("cmake --install failed:\n" + done.stdout + done.stderr)

    found, expected = installed_files(args.destdir), expected_files()
    if found != expected:
        return fail("the installed tree differs from a package's:\n  not expected: %s\n  missing: %s" % (
            sorted(found - expected) or "none", sorted(expected - found) or "none"))
    print("installed: exactly the %d files a package needs" % len(found))

    program = os.path.join(args.destdir, "usr/games/lexidrop")
    if not os.access(program, os.X_OK):
        return fail("usr/games/lexidrop is not executable")
    for path in found:
        mode = os.stat(os.path.join(args.destdir, path)).st_mode & 0o777
        if mode != (0o755 if path == "usr/games/lexidrop" else 0o644):
            return fail("%s has mode %o" % (path, mode))
    with open(os.path.join(args.destdir, "usr/share/man/man6/lexidrop.6")) as page:
        head = page.readline()
    if not head.startswith(".TH LEXIDROP 6 ") or args.version not in head or "@" in head:
        return fail("the manual page starts with %r" % head)
    print("modes 755 for the program, 644 for the rest; the manual page is plain roff of", args.version)

    share = os.path.join(args.destdir, "usr/share")
    done = subprocess.run(["sh", VALIDATOR, os.path.join(share, "applications", APP_ID + ".desktop"),
                           os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")],
                          capture_output=True, text=True)
    print(done.stdout.strip())
    if done.returncode != 0:
        return fail("the installed metadata does not validate:\n" + done.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
