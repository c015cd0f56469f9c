#!/usr/bin/env python3
"""Start-up, memory and CPU of the real game against a bare Qt window.

Starts build/release/bin/lexidrop (from a scratch copy of its directory,
so that its hs.txt stays out of the tree) and bench's lexidrop_baseline,
each on a private Xvfb of its own without a window manager, in turn, RUNS
times, and prints every figure, the medians, and the ratios game/baseline:

  start-up  from just before the process is spawned to the first grab of
            the X screen that shows the frame drawn: for the game the
            well's light top line (200 pixels side by side) with the
            frame's blue bottom line 453 rows below it, for the baseline
            its orange label.  The screen is polled with XGetImage as fast
            as it answers; the median poll period printed is the
            resolution of this figure.
  memory    VmRSS from /proc/<pid>/status 10 s after the first frame, the
            window having the X input focus so that it plays.
  CPU       utime + stime from /proc/<pid>/stat over the next 30 s, as a
            share of one core (also the same from the threads' schedstat,
            which counts nanoseconds).  No keys are sent: the game's tile
            falls in column 3, which takes longer than a game's first
            minute to fill.

Targets: start-up and memory at most 1.3 times the baseline; the game's CPU
under 1 % of one core.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import xscreen
from xscreen import Failure

FRAME_LIGHT, FRAME_BLUE = (192, 192, 255), (0, 0, 255)
BASELINE_ORANGE = (255, 128, 0)
TOP_TO_BOTTOM_LINE = 473 - 20  # rows from the frame's light top line to its blue bottom line


def game_frame(shot, pattern=xscreen.run_of(FRAME_LIGHT, 200)):
    at = xscreen.find_run(shot, pattern)
    if at is None:
        return False
    x, y = at
    bottom = y + TOP_TO_BOTTOM_LINE
    return bottom < xscreen.SCREEN_HEIGHT and xscreen.pixel(shot, x + 10, bottom) == FRAME_BLUE


def baseline_frame(shot, pattern=xscreen.run_of(BASELINE_ORANGE, 100)):
    return xscreen.find_run(shot, pattern) is not None


def measure(program, bindir, first_frame, play, cpu_window):
    scratch = tempfile.mkdtemp(prefix="lexidrop-compare-")
    server = process = screen = None
    try:
        here = xscreen.copy_program(bindir, scratch, names=(program,))
        server, display = xscreen.start_xvfb()
        env = xscreen.x_environment(display)
        screen = xscreen.Screen(display)
        screen.grab()  # the first round trip sets up the connection's buffers

        started = time.monotonic()
        process = subprocess.Popen([os.path.join(here, program)], cwd=scratch, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        polls = []
        while True:
            before = time.monotonic()
            shot = screen.grab()
            seen = first_frame(shot)
            after = time.monotonic()
            polls.append(after - before)
            if seen:
                break
            if process.poll() is not None:
                raise Failure("%s exited with %s before its first frame" % (program, process.returncode))
            if after - started > 60:
                raise Failure("%s showed no frame within 60 s" % program)
        startup = after - started

        windows = xscreen.xdotool(env, "search", "--sync", "--onlyvisible", "--pid", process.pid).split()
        if not windows:
            raise Failure("no window of %s" % program)
        xscreen.xdotool(env, "windowfocus", "--sync", windows[-1])

        time.sleep(max(0.0, started + startup + play - time.monotonic()))
        rss = xscreen.rss_kib(process.pid)
        cpu0, run0, shot0 = xscreen.cpu_seconds(process.pid), xscreen.run_seconds(process.pid), screen.grab()
        time.sleep(cpu_window)
        cpu1, run1, shot1 = xscreen.cpu_seconds(process.pid), xscreen.run_seconds(process.pid), screen.grab()
        if process.poll() is not None:
            raise Failure("%s exited with %s during play" % (program, process.returncode))
        if shot0[1] == shot1[1]:
            raise Failure("%s did not move anything on screen in %s s" % (program, cpu_window))
        return {
            "startup_ms": startup * 1000,
            "poll_ms": statistics.median(polls) * 1000,
            "rss_kib": rss,
            "cpu_pct": 100 * (cpu1 - cpu0) / cpu_window,
            "run_pct": 100 * (run1 - run0) / cpu_window,
        }
    finally:
        if screen is not None:
            screen.close()
        xscreen.stop(process)
        xscreen.stop(server)
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bindir", default="build/release/bin",
                        help="directory of lexidrop, its bitmaps and lexidrop_baseline (default: %(default)s)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--play", type=float, default=10, help="seconds of play before the memory reading")
    parser.add_argument("--cpu-window", type=float, default=30, help="seconds of play the CPU time is taken over")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print("missing tool:", tool, file=sys.stderr)
            return 1
    for program in ("lexidrop", "lexidrop_baseline"):
        if not os.path.exists(os.path.join(args.bindir, program)):
            print("missing", os.path.join(args.bindir, program), "(build with LEXIDROP_BUILD_BENCH=ON)",
                  file=sys.stderr)
            return 1

    programs = {"game": ("lexidrop", game_frame), "baseline": ("lexidrop_baseline", baseline_frame)}
    results = {name: [] for name in programs}
    keys = ("startup_ms", "poll_ms", "rss_kib", "cpu_pct", "run_pct")
    print("%-9s %4s %11s %8s %9s %7s %11s" % ("program", "run", "start-up ms", "poll ms", "RSS KiB", "CPU %",
                                              "schedstat %"))
    try:
        for run in range(1, args.runs + 1):
            for name, (program, frame) in programs.items():
                figures = measure(program, args.bindir, frame, args.play, args.cpu_window)
                results[name].append(figures)
                print("%-9s %4d %11.1f %8.2f %9d %7.3f %11.3f" % (name, run, *(figures[k] for k in keys)),
                      flush=True)
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        return 1

    median = {name: {k: statistics.median(r[k] for r in rows) for k in keys} for name, rows in results.items()}
    print()
    for name in programs:
        print("%-9s %4s %11.1f %8.2f %9d %7.3f %11.3f" % (name, "med", *(median[name][k] for k in keys)))
    ratio = {k: median["game"][k] / median["baseline"][k] if median["baseline"][k] else float("inf")
             for k in ("startup_ms", "rss_kib", "cpu_pct", "run_pct")}
    print("ratio game/baseline: start-up %.2f, memory %.2f, CPU %.2f (schedstat %.2f)"
          % (ratio["startup_ms"], ratio["rss_kib"], ratio["cpu_pct"], ratio["run_pct"]))
    checks = [
        ("start-up at most 1.3 x baseline", ratio["startup_ms"] <= 1.3),
        ("memory at most 1.3 x baseline", ratio["rss_kib"] <= 1.3),
        ("CPU under 1 % of one core", median["game"]["cpu_pct"] < 1.0),
    ]
    for what, met in checks:
        print("  %-34s %s" % (what, "met" if met else "NOT MET"))
    return 0 if all(met for _, met in checks) else 2


if __name__ == "__main__":
    sys.exit(main())
