#!/usr/bin/env python3
"""The real program at a terminal with no window system at all: --help and
--version answered, a stray argument refused, and a plain start that says in
one line why it cannot open its window and exits 1 instead of aborting."""

import glob
import os
import subprocess
import sys
import tempfile
import unittest

PROGRAM = None   # set from the command line
VERSION = None
RUNTIME = tempfile.TemporaryDirectory()


def run(*arguments, stdout=subprocess.PIPE, **environment):
    """Runs the program with no display variables and no Qt platform set, plus environment."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env["XDG_RUNTIME_DIR"] = RUNTIME.name  # as a login gives one: Qt says nothing of it
    env.update(environment)
    return subprocess.run([PROGRAM, *arguments], env=env, stdout=stdout, stderr=subprocess.PIPE, text=True,
                          timeout=60)


def free_display():
    """A display number with no X server socket."""
    taken = {os.path.basename(p)[1:] for p in glob.glob("/tmp/.X11-unix/X*")}
    return next(f":{n}" for n in range(77, 1000) if str(n) not in taken)


class InformationOptions(unittest.TestCase):
    def test_help_shows_the_usage_keys_and_the_tables_place_and_exits_0(self):
        for option in ("--help", "-h"):
            done = run(option)
            self.assertEqual(done.returncode, 0, option)
            self.assertEqual(done.stderr, "", option)
            for part in ("Usage: lexidrop", "Left, Right", "--version", "hs.txt"):
                self.assertIn(part, done.stdout, option)

    def test_version_prints_name_and_version_and_exits_0(self):
        for option in ("--version", "-v"):
            done = run(option)
            self.assertEqual((done.returncode, done.stdout, done.stderr), (0, f"lexidrop {VERSION}\n", ""), option)

    def test_help_wins_over_qt_options_and_stray_arguments(self):
        done = run("-platform", "xcb", "--nonsense", "--help")
        self.assertEqual(done.returncode, 0)
        self.assertIn("Usage: lexidrop", done.stdout)

    @unittest.skipUnless(os.path.exists("/dev/full"), "no /dev/full")
    def test_an_answer_that_cannot_be_written_is_one_line_on_stderr_and_status_1(self):
        for option, what in (("--help", "help"), ("--version", "version")):
            with open("/dev/full", "w") as full:
                done = run(option, stdout=full)
            self.assertEqual(done.returncode, 1, option)
            self.assertEqual(done.stderr.count("\n"), 1, done.stderr)
            self.assertIn(f"cannot write the {what}", done.stderr)
            self.assertIn("No space left on device", done.stderr)


class Refusals(unittest.TestCase):
    def assertOneLine(self, done, status, *parts):
        self.assertEqual(done.returncode, status, done.stderr)  # a signal would be negative
        self.assertEqual(done.stdout, "")
        self.assertEqual(done.stderr.count("\n"), 1, done.stderr)
        for part in parts:
            self.assertIn(part, done.stderr)

    def test_a_stray_argument_is_refused_with_status_2_even_without_a_display(self):
        self.assertOneLine(run("--nonsense"), 2, "'--nonsense'", "--help")
        self.assertOneLine(run("-reverse", "score"), 2, "'score'")

    def test_qt_options_pass_and_what_is_left_is_refused(self):
        self.assertOneLine(run("-platform", "offscreen", "-reverse", "--nonsense"), 2, "'--nonsense'")
        self.assertOneLine(run("--nonsense", QT_QPA_PLATFORM="offscreen"), 2, "'--nonsense'")

    def test_no_window_system_is_one_line_and_status_1_without_a_core_dump(self):
        self.assertOneLine(run(), 1, "X11 or Wayland", "DISPLAY is not set", "WAYLAND_DISPLAY is not set")

    def test_a_display_that_cannot_be_reached_is_said_the_same_way(self):
        display = free_display()
        self.assertOneLine(run(DISPLAY=display), 1, "X11 or Wayland", f"DISPLAY={display}")
        self.assertOneLine(run("-platform", "wayland", WAYLAND_DISPLAY="lexidrop-none"), 1,
                           "WAYLAND_DISPLAY=lexidrop-none")


if __name__ == "__main__":
    PROGRAM, VERSION = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
