#!/usr/bin/env python3
"""The real program in a folder named in Latin-1 ("café", no UTF-8) keeps
its table and pictures there when started from another folder, whose own
hs.txt it leaves alone.  Paths are bytes: the name has no text form."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest


class ProgramInAFolderNamedInLatin1(unittest.TestCase):
    def test_keeps_its_files_in_its_own_folder_started_there_or_through_a_link(self):
        for program in (b"../caf\xe9/lexidrop", b"./link"):
            with self.subTest(program=program), tempfile.TemporaryDirectory() as scratch:
                own, work = (os.path.join(os.fsencode(scratch), name) for name in (b"caf\xe9", b"work"))
                os.mkdir(own)
                os.mkdir(work)
                for name in (b"lexidrop", b"a.bmp"):
                    shutil.copy2(os.path.join(BINDIR, name), own)
                with open(os.path.join(work, b"hs.txt"), "wb") as foreign:
                    foreign.write(b"foreign\r\n")
                os.symlink(os.path.join(own, b"lexidrop"), os.path.join(work, b"link"))
                env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
                env.update(QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=scratch)
                help_text = subprocess.run([program, "--help"], cwd=work, env=env, capture_output=True).stdout
                self.assertIn(b" " + own + b"/hs.txt\n", help_text)
                game = subprocess.Popen([program], cwd=work, env=env, stderr=subprocess.PIPE)
                deadline = time.monotonic() + 20  # for its table, and a second more
                while not os.path.exists(os.path.join(own, b"hs.txt")) and time.monotonic() < deadline:
                    time.sleep(0.05)
                time.sleep(1)
                running = game.poll() is None
                game.terminate()
                said = game.communicate(timeout=30)[1]
                self.assertTrue(running, said)
                self.assertNotIn(work, said)
                with open(os.path.join(work, b"hs.txt"), "rb") as foreign:
                    self.assertEqual(foreign.read(), b"foreign\r\n", said)
                with open(os.path.join(own, b"hs.txt"), "rb") as table:
                    self.assertEqual(table.read(), b'""\r\n0\r\n' * 10)
                for line in said.splitlines():
                    if b"cannot read the tile picture" in line:
                        self.assertIn(b"picture " + own + b"/", line)


if __name__ == "__main__":
    BINDIR = os.fsencode(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
