"""Private desktop sessions in which the window scripts run real programs.

A session is a display server of our own with the environment a program
needs to reach it, and nothing of the caller's desktop: DISPLAY,
WAYLAND_DISPLAY, XAUTHORITY and every QT_ setting are left out, so a
script never draws on the developer's screen and a test never depends on
the shell it was started from.

- XSession: Xvfb on a free display number, optionally openbox managing
  the windows; xdotool finds, focuses and types into windows; the screen
  is read with XGetImage through libX11 (which xdotool already brings),
  one round trip a grab, fast enough to poll every few milliseconds.
- WaylandSession: weston on its headless backend with the pixman renderer
  on a socket in a private XDG_RUNTIME_DIR; no X server is reachable from
  it.  Started with --debug so that weston-screenshooter may read the
  output.

Both answer screenshot() with a screen_image.Image of the whole output,
and start() programs whose standard error is kept for the failure report.
Closing the session (it is a context manager) stops every program it
started, then its own servers, and removes its scratch directory.

    with XSession() as session:
        game = session.start(["./lexidrop"], cwd=scratch)
        window = session.wait_for_window("LexiDrop", game)
        shot = session.screenshot()
"""

import ctypes
import ctypes.util
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from . import screen_image


class Failure(Exception):
    """A check failed, or a session or program could not be set up."""


def wait_for(what, check, timeout, interval=0.05):
    """The first true result of check(), polled until timeout seconds passed."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


def stop(process, timeout=10):
    """Ends a process we started, politely first (SIGTERM), then for good."""
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def missing_tools(*tools):
    """The named programs that are not on PATH."""
    return [tool for tool in tools if shutil.which(tool) is None]


def run_checks(run, args, tools, note=""):
    """Runs run(args) once every tool is on the PATH.  A Failure or an
    unreadable picture fails the script (exit 1) with one line on stderr."""
    missing = missing_tools(*tools)
    if missing:
        print("missing tools:", *missing, "(scripts/setup installs them)", file=sys.stderr)
        return 1
    try:
        return run(args)
    except (Failure, screen_image.ImageError) as failure:
        print("FAIL:", failure, note, file=sys.stderr)
        return 1


def _clean_environment():
    """The caller's environment without anything that names a display or configures Qt."""
    dropped = ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS")
    return {k: v for k, v in os.environ.items() if k not in dropped and not k.startswith(("QT_", "AT_SPI_"))}


class Program:
    """A program running in a session; its standard error goes to a file
    so that a failure can show what the program said."""

    def __init__(self, argv, env, cwd, log_path, servers_said=lambda: ""):
        self.name = os.path.basename(argv[0])
        self._servers_said = servers_said
        self._log = open(log_path, "w+")
        self.process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=self._log)

    @property
    def pid(self):
        return self.process.pid

    def stderr(self):
        """Everything the program wrote to its standard error so far."""
        self._log.flush()
        self._log.seek(0)
        return self._log.read()

    def alive(self):
        """True while it runs; a Failure carrying its standard error once it has exited."""
        if self.process.poll() is not None:
            said = self._servers_said()
            raise Failure("%s exited with status %s:\n%s%s" % (
                self.name, self.process.returncode, self.stderr(),
                "\nthe session's servers said:\n" + said if said else ""))
        return True

    def wait(self, timeout):
        """Its exit status, once it exits by itself within timeout seconds."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("%s did not exit within %s s" % (self.name, timeout)) from None

    def stop(self):
        stop(self.process)
        self._log.close()

    # What the program costs, from /proc.

    def rss_kib(self):
        with open("/proc/%d/status" % self.pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        raise Failure("no VmRSS for %d" % self.pid)

    def cpu_seconds(self):
        """utime + stime of every thread, from /proc/<pid>/stat (clock ticks)."""
        with open("/proc/%d/stat" % self.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def run_seconds(self):
        """Time on a CPU of every live thread, from schedstat (nanoseconds)."""
        total = 0
        for task in os.listdir("/proc/%d/task" % self.pid):
            try:
                with open("/proc/%d/task/%s/schedstat" % (self.pid, task)) as stat:
                    total += int(stat.read().split()[0])
            except OSError:
                pass  # the thread ended meanwhile
        return total / 1e9


class Session:
    """What both kinds of session share: a scratch directory, the
    environment for programs, and stopping everything started in it."""

    def __init__(self):
        self.scratch = tempfile.mkdtemp(prefix="lexidrop-session-")
        self.env = _clean_environment()
        self._servers = []   # the display server and its helpers, stopped last
        self._programs = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def start(self, argv, cwd=None, env=None):
        """Starts a program in the session; env adds to (or, with None values, removes from) the session's."""
        merged = dict(self.env)
        for key, value in (env or {}).items():
            if value is None:
                merged.pop(key, None)
            else:
                merged[key] = value
        log = os.path.join(self.scratch, "%s-%d.stderr" % (os.path.basename(argv[0]), len(self._programs)))
        program = Program(argv, merged, cwd or self.scratch, log, self.servers_said)
        self._programs.append(program)
        return program

    def _start_server(self, argv, env, **popen):
        """Starts a server whose standard error is kept for servers_said()."""
        log = os.path.join(self.scratch, "server-%d.stderr" % len(self._servers))
        with open(log, "wb") as stderr:
            process = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=stderr, **popen)
        self._servers.append((process, log))
        return process

    def servers_said(self):
        """Which servers have exited, and the last lines each one wrote, for a failure report."""
        said = []
        for process, log in self._servers:
            with open(log, errors="replace") as text:
                lines = text.read().splitlines()[-15:]
            state = "running" if process.poll() is None else "exited with status %s" % process.returncode
            said.append("%s (%s)%s" % (os.path.basename(process.args[0]), state,
                                       "".join("\n  " + line for line in lines)))
        return "\n".join(said)

    def close(self):
        for program in reversed(self._programs):
            program.stop()
        for process, _ in reversed(self._servers):
            stop(process)
        shutil.rmtree(self.scratch, ignore_errors=True)


class XSession(Session):
    """A private Xvfb, optionally with openbox; see the module's comment."""

    def __init__(self, window_manager=False, width=800, height=600):
        super().__init__()
        self.width, self.height = width, height
        self._screen = None
        try:
            self.display = self._start_xvfb()
            # Our own client, connected for as long as the session lasts: the
            # session starts once the server takes clients, and the server
            # never sees its last client leave (an X server resets then, and
            # may drop a client connecting at that moment).
            self._screen = _XScreen(self.display, self.width, self.height)
            self.env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb")
            if window_manager:
                self._start_openbox()
        except BaseException:
            self.close()
            raise

    def _start_xvfb(self):
        """Starts Xvfb on a display number it picks itself; returns ":N"."""
        return ":" + self._start_reporting_server(
            ["Xvfb", "-displayfd", "{fd}", "-noreset", "-screen", "0", "%dx%dx24" % (self.width, self.height),
             "-nolisten", "tcp"])

    def _start_reporting_server(self, argv):
        """Starts a server that writes one line (where it listens) to the
        descriptor put in place of "{fd}"; returns that line."""
        read_end, write_end = os.pipe()
        self._start_server([a.replace("{fd}", str(write_end)) for a in argv], env=self.env, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            line = pipe.readline().strip()
        if not line:
            raise Failure(argv[0] + " did not start")
        return line.decode()

    def start_accessibility_bus(self, launcher="/usr/libexec/at-spi-bus-launcher"):
        """A private session bus with the accessibility bus on it, as a
        desktop gives a screen reader; programs started later join it."""
        address = self._start_reporting_server(["dbus-daemon", "--session", "--nofork", "--print-address={fd}"])
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self._start_server([launcher, "--launch-immediately"], env=self.env)
        return address

    def _start_openbox(self):
        """openbox with an empty configuration of our own; returns once it manages the screen."""
        config = os.path.join(self.scratch, "openbox")
        os.mkdir(config)
        self._start_server(["openbox", "--sm-disable"], env=dict(self.env, XDG_CONFIG_HOME=config, HOME=config))
        wait_for("openbox to manage the screen", lambda: "window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, capture_output=True, text=True).stdout, 10)

    # -- windows and keys ------------------------------------------------

    def xdotool(self, *args, check=False):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, capture_output=True, text=True,
                              check=check).stdout

    def windows(self, *criteria):
        """Ids of the mapped windows that match xdotool search criteria, e.g. ("--pid", 42)."""
        return self.xdotool("search", "--onlyvisible", *criteria).split()

    def window_name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def program_windows(self, program):
        """(id, exact title) of every mapped window of the program."""
        return [(w, self.window_name(w)) for w in self.windows("--pid", program.pid)]

    def wait_for_window(self, title, program, timeout=60):
        """The id of the program's mapped window with exactly this title."""
        def found():
            program.alive()
            return next((w for w, name in self.program_windows(program) if name == title), None)
        return wait_for('the window titled "%s"' % title, found, timeout, interval=0.1)

    def window_geometry(self, window):
        """(left, top, width, height) of the window on the screen."""
        shell = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell", window).split())
        return tuple(int(shell[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def window_property(self, window, name):
        """An X property of the window as xprop prints it after "=", or None when it is not set."""
        printed = subprocess.run(["xprop", "-id", window, name], env=self.env, capture_output=True,
                                 text=True).stdout
        return printed.split("=", 1)[1].strip() if "=" in printed else None

    def focus(self, window):
        """Gives the window the X input focus (without a window manager none would)."""
        self.xdotool("windowfocus", "--sync", window, check=True)

    def activate(self, window):
        """Asks the window manager to raise and focus the window."""
        self.xdotool("windowactivate", "--sync", window)

    def key(self, *keys, clear_modifiers=True):
        args = ["key", "--clearmodifiers"] if clear_modifiers else ["key"]
        self.xdotool(*args, "--delay", "25", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "20", text)

    # -- the screen ------------------------------------------------------

    def screenshot(self, rows=None):
        """The whole screen as it is now, or only its top rows (a smaller grab is a faster one)."""
        return self._screen.grab(rows or self.height)

    def close(self):
        if self._screen is not None:
            self._screen.close()
            self._screen = None
        super().close()


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class _XScreen:
    """A connection of our own to the X server, for reading the root window's pixels."""

    _ZPIXMAP = 2
    _ALL_PLANES = 0xFFFFFFFFFFFFFFFF

    def __init__(self, display, width, height):
        self.width, self.height = width, height
        x = self._x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._display = wait_for("the X display " + display, lambda: x.XOpenDisplay(display.encode()), 10)
        self._root = x.XDefaultRootWindow(self._display)

    def grab(self, rows):
        image = self._x.XGetImage(self._display, self._root, 0, 0, self.width, rows,
                                  self._ALL_PLANES, self._ZPIXMAP)
        if not image:
            raise Failure("XGetImage failed")
        try:
            header = image.contents
            if header.bits_per_pixel != 32 or header.byte_order != 0:
                raise Failure("unexpected screen format: %d bits, byte order %d"
                              % (header.bits_per_pixel, header.byte_order))
            stride = header.bytes_per_line
            data = ctypes.string_at(header.data, stride * rows)
        finally:
            self._x.XFree(image.contents.data)
            self._x.XFree(image)
        return screen_image.Image(self.width, rows, data, stride, 4, offsets=(2, 1, 0))

    def close(self):
        self._x.XCloseDisplay(self._display)


class WaylandSession(Session):
    """weston on its headless backend; see the module's comment."""

    SOCKET = "wayland-lexidrop"

    def __init__(self, width=640, height=600):
        super().__init__()
        self.width, self.height = width, height
        runtime = os.path.join(self.scratch, "runtime")
        os.mkdir(runtime, 0o700)  # clients refuse a runtime directory others may enter
        self.env.update(XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=self.SOCKET, QT_QPA_PLATFORM="wayland")
        try:
            self._start_weston(runtime)
        except BaseException:
            self.close()
            raise

    def _start_weston(self, runtime):
        self.weston_log = os.path.join(self.scratch, "weston.log")
        server_env = {k: v for k, v in self.env.items() if k != "WAYLAND_DISPLAY"}
        weston = self._start_server(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "--socket=" + self.SOCKET,
             "--width=%d" % self.width, "--height=%d" % self.height, "--no-config", "--debug",
             "--log=" + self.weston_log], env=server_env)

        def listening():
            if weston.poll() is not None:
                raise Failure("weston exited with status %s:\n%s" % (weston.returncode, self._weston_said()))
            return os.path.exists(os.path.join(runtime, self.SOCKET))
        wait_for("weston's socket", listening, 20)

    def _weston_said(self):
        try:
            with open(self.weston_log) as log:
                return log.read()
        except OSError:
            return ""

    def screenshot(self):
        """The whole output, as weston's screenshooter saves it."""
        shots = os.path.join(self.scratch, "shots")
        shutil.rmtree(shots, ignore_errors=True)
        os.mkdir(shots)
        done = subprocess.run(["weston-screenshooter"], cwd=shots, env=self.env, capture_output=True, text=True,
                              timeout=30)
        files = glob.glob(os.path.join(shots, "*.png"))
        if done.returncode != 0 or len(files) != 1:
            raise Failure("weston-screenshooter failed (status %s): %s" % (done.returncode, done.stderr))
        return screen_image.read_png(files[0])
