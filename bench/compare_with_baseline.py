#!/usr/bin/env python3
"""Start-up, memory and CPU of the real game against a bare Qt window.

Starts build/release/bin/lexidrop (from a scratch copy of its directory,
so that its hs.txt stays out of the tree) and bench's lexidrop_baseline,
each on a private Xvfb of its own without a window manager, in turn, RUNS
times, and prints every figure, the medians, and the ratios game/baseline:

  start-up  from just before the process is spawned to the first grab of
            the X screen's top rows that shows the first frame: for the
            game the well's light top line (200 pixels side by side), for
            the baseline its orange label.  The screen is polled with
            XGetImage as fast as it answers; the median poll period
            printed is the resolution of this figure.
  memory    VmRSS from /proc/<pid>/status 10 s after the first frame, the
            window having the X input focus so that it plays.
  CPU       utime + stime from /proc/<pid>/stat over the next 30 s, as a
            share of one core, and the same from the threads' schedstat,
            which counts nanoseconds.  The target is judged on schedstat:
            utime and stime count 10-ms ticks, and the game's 30 s come to
            about six of them, so one tick moves that ratio by a sixth.  No keys are sent: the game's tile
            falls in column 3, which takes longer than a game's first
            minute to fill.

Targets, on the medians: start-up at most 1.15 times the baseline, memory
at most 1.1 times, CPU (schedstat) at most 1.2 times.
"""

import argparse
import os
import statistics
import sys
import time

from support import desktop_session, game_window
from support.desktop_session import Failure

BASELINE_ORANGE = (255, 128, 0)
# Just room for either window.  Without a window manager both show at the
# top left corner, and each paints its first frame in one go: the top rows
# show it as well as the whole screen would, in a grab a tenth the size
# (a grab takes a few milliseconds for every 100,000 pixels, and the
# start-up figure is only as fine as one grab).
SCREEN = (424, 540)
FIRST_FRAME_ROWS = 64
FRAME_LIGHT = (192, 192, 255)
KEYS = ("startup_ms", "poll_ms", "rss_kib", "cpu_pct", "run_pct")


def game_frame(shot):
    return shot.find_run(FRAME_LIGHT, 200) is not None


def baseline_frame(shot):
    return shot.find_run(BASELINE_ORANGE, 100) is not None


# -- one run: set-up, act, measure -----------------------------------------

def time_first_frame(session, program, here, first_frame):
    """Starts the program; returns (it, seconds to the first grab showing its frame, poll periods)."""
    session.screenshot(FIRST_FRAME_ROWS)  # the first round trip sets up the connection's buffers
    started = time.monotonic()
    process = session.start([os.path.join(here, program)], cwd=session.scratch)
    polls = []
    while True:
        before = time.monotonic()
        seen = first_frame(session.screenshot(FIRST_FRAME_ROWS))
        after = time.monotonic()
        polls.append(after - before)
        if seen:
            return process, after - started, polls
        if process.process.poll() is not None:
            raise Failure("%s exited with %s before its first frame" % (program, process.process.returncode))
        if after - started > 60:
            raise Failure("%s showed no frame within 60 s" % program)


def focus_window(session, process):
    """Gives the program's window the X input focus, so that the game plays."""
    windows = session.windows("--sync", "--pid", process.pid)
    if not windows:
        raise Failure("no window of " + process.name)
    session.focus(windows[-1])


def costs_over(session, process, seconds):
    """(CPU %, schedstat %) of one core over the next seconds; fails if nothing moved on screen."""
    cpu0, run0, shot0 = process.cpu_seconds(), process.run_seconds(), session.screenshot()
    time.sleep(seconds)
    cpu1, run1, shot1 = process.cpu_seconds(), process.run_seconds(), session.screenshot()
    process.alive()
    if shot0.data == shot1.data:
        raise Failure("%s did not move anything on screen in %s s" % (process.name, seconds))
    return 100 * (cpu1 - cpu0) / seconds, 100 * (run1 - run0) / seconds


def measure(program, bindir, first_frame, play, cpu_window):
    with desktop_session.XSession(width=SCREEN[0], height=SCREEN[1]) as session:
        here = game_window.copy_program(bindir, os.path.join(session.scratch, "bin"), programs=(program,))
        process, startup, polls = time_first_frame(session, program, here, first_frame)
        focus_window(session, process)
        time.sleep(max(0.0, play - startup))
        rss = process.rss_kib()
        cpu, run = costs_over(session, process, cpu_window)
        return {"startup_ms": startup * 1000, "poll_ms": statistics.median(polls) * 1000, "rss_kib": rss,
                "cpu_pct": cpu, "run_pct": run}


# -- the report ------------------------------------------------------------

def print_row(name, run, figures):
    print("%-9s %4s %11.1f %8.2f %9d %7.3f %11.3f" % (name, run, *(figures[k] for k in KEYS)), flush=True)


def measure_all(programs, args):
    """Every program, RUNS times in turn; returns the figures of each run by program."""
    results = {name: [] for name in programs}
    print("%-9s %4s %11s %8s %9s %7s %11s" % ("program", "run", "start-up ms", "poll ms", "RSS KiB", "CPU %",
                                              "schedstat %"))
    for run in range(1, args.runs + 1):
        for name, (program, frame) in programs.items():
            figures = measure(program, args.bindir, frame, args.play, args.cpu_window)
            results[name].append(figures)
            print_row(name, run, figures)
    return results


def judge(results):
    """Prints the medians, the ratios and the targets; True when every target is met."""
    median = {name: {k: statistics.median(r[k] for r in rows) for k in KEYS} for name, rows in results.items()}
    print()
    for name in results:
        print_row(name, "med", median[name])
    ratio = {k: median["game"][k] / median["baseline"][k] if median["baseline"][k] else float("inf")
             for k in ("startup_ms", "rss_kib", "cpu_pct", "run_pct")}
    print("ratio game/baseline: start-up %.2f, memory %.2f, CPU %.2f (schedstat %.2f)"
          % (ratio["startup_ms"], ratio["rss_kib"], ratio["cpu_pct"], ratio["run_pct"]))
    checks = [
        ("start-up at most 1.15 x baseline", ratio["startup_ms"] <= 1.15),
        ("memory at most 1.1 x baseline", ratio["rss_kib"] <= 1.1),
        ("CPU (schedstat) at most 1.2 x baseline", ratio["run_pct"] <= 1.2),
    ]
    for what, met in checks:
        print("  %-40s %s" % (what, "met" if met else "NOT MET"))
    return all(met for _, met in checks)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bindir", default="build/release/bin",
                        help="directory of lexidrop, its bitmaps and lexidrop_baseline (default: %(default)s)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--play", type=float, default=10, help="seconds of play before the memory reading")
    parser.add_argument("--cpu-window", type=float, default=30, help="seconds of play the CPU time is taken over")
    args = parser.parse_args()
    missing = desktop_session.missing_tools("Xvfb", "xdotool")
    if missing:
        print("missing tools:", *missing, file=sys.stderr)
        return 1
    for program in ("lexidrop", "lexidrop_baseline"):
        if not os.path.exists(os.path.join(args.bindir, program)):
            print("missing", os.path.join(args.bindir, program), "(build with LEXIDROP_BUILD_BENCH=ON)",
                  file=sys.stderr)
            return 1

    programs = {"game": ("lexidrop", game_frame), "baseline": ("lexidrop_baseline", baseline_frame)}
    try:
        results = measure_all(programs, args)
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        return 1
    return 0 if judge(results) else 2


if __name__ == "__main__":
    sys.exit(main())
