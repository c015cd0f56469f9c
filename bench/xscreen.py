"""What the window scripts of bench/ share: a private X server, a window
manager, the X screen's pixels, xdotool, and a process's costs from /proc.

The screen is read with XGetImage through libX11 (which xdotool already
brings), one synchronous round trip per grab, so a script can poll the
whole screen every few milliseconds without any extra package.
"""

import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

SCREEN_WIDTH, SCREEN_HEIGHT = 800, 600


class Failure(Exception):
    pass


def start_xvfb():
    """A new Xvfb on a free display; returns (process, ":N")."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
         "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp"],
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


def x_environment(display):
    """The environment for a Qt program on that display, free of the caller's Qt settings."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("QT_")}
    env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    return env


def start_openbox(env):
    """openbox on the display, with an empty configuration of our own; waits until it manages."""
    config = tempfile.mkdtemp(prefix="lexidrop-openbox-")
    wm_env = dict(env, XDG_CONFIG_HOME=config, HOME=config)
    process = subprocess.Popen(["openbox", "--sm-disable"], env=wm_env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        found = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                               capture_output=True, text=True)
        if "window id" in found.stdout:
            return process, config
        time.sleep(0.05)
    process.kill()
    raise Failure("openbox did not start")


def stop(process, timeout=10):
    """Ends a process we started: SIGTERM, then SIGKILL."""
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Screen:
    """The root window's pixels, grabbed on demand."""

    _ZPIXMAP = 2

    def __init__(self, display):
        self._x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self._x.XOpenDisplay.restype = ctypes.c_void_p
        self._x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self._x.XDefaultRootWindow.restype = ctypes.c_ulong
        self._x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self._x.XGetImage.restype = ctypes.POINTER(_XImage)
        self._x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self._x.XFree.argtypes = [ctypes.c_void_p]
        self._x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._display = None
        deadline = time.monotonic() + 10
        while not self._display and time.monotonic() < deadline:
            self._display = self._x.XOpenDisplay(display.encode())
            if not self._display:
                time.sleep(0.05)
        if not self._display:
            raise Failure("cannot open the X display " + display)
        self._root = self._x.XDefaultRootWindow(self._display)

    def grab(self):
        """(bytes_per_line, pixels): the whole screen, 4 bytes a pixel, blue green red pad."""
        image = self._x.XGetImage(self._display, self._root, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                                  0xFFFFFFFFFFFFFFFF, self._ZPIXMAP)
        if not image:
            raise Failure("XGetImage failed")
        try:
            header = image.contents
            if header.bits_per_pixel != 32 or header.byte_order != 0:
                raise Failure("unexpected screen format: %d bits, byte order %d"
                              % (header.bits_per_pixel, header.byte_order))
            stride = header.bytes_per_line
            return stride, ctypes.string_at(header.data, stride * SCREEN_HEIGHT)
        finally:
            self._x.XFree(image.contents.data)
            self._x.XFree(image)

    def close(self):
        if self._display:
            self._x.XCloseDisplay(self._display)
            self._display = None


def pixel(shot, x, y):
    stride, data = shot
    at = y * stride + 4 * x
    return data[at + 2], data[at + 1], data[at]


def run_of(colour, length):
    """What find_run looks for: length pixels of colour (r, g, b) side by side on one row."""
    return colour, length


def find_run(shot, run):
    """(x, y) of the leftmost pixel of the first such run on the screen, or None."""
    (r, g, b), length = run
    stride, data = shot
    first = bytes([b, g, r])
    want = [bytes([channel]) * length for channel in (b, g, r)]
    at = data.find(first)
    while at >= 0:
        x, y = (at % stride) // 4, at // stride
        if at % 4 == 0 and x + length <= xscreen_width(stride) and all(
                data[at + c:at + 4 * length:4] == want[c] for c in range(3)):
            return x, y
        at = data.find(first, at + 1)
    return None


def xscreen_width(stride):
    return min(SCREEN_WIDTH, stride // 4)


def xdotool(env, *args, check=False):
    return subprocess.run(["xdotool"] + [str(a) for a in args], env=env, capture_output=True, text=True,
                          check=check).stdout


def visible_windows(env, name):
    """Ids of the mapped windows whose title matches the regular expression (xdotool ignores case)."""
    return xdotool(env, "search", "--onlyvisible", "--name", name).split()


def window_name(env, window):
    return xdotool(env, "getwindowname", window).rstrip("\n")


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise Failure("no VmRSS for %d" % pid)


def cpu_seconds(pid):
    """utime + stime of every thread of the process, from /proc/<pid>/stat."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def run_seconds(pid):
    """Time on a CPU of every live thread, in nanoseconds resolution, from schedstat."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as stat:
                total += int(stat.read().split()[0])
        except OSError:
            pass
    return total / 1e9


def copy_program(bindir, scratch, names=("lexidrop",)):
    """Copies the named programs and the letter bitmaps of bindir to scratch/bin; returns that path."""
    target = os.path.join(scratch, "bin")
    os.makedirs(target, exist_ok=True)
    for name in os.listdir(bindir):
        if name in names or re.fullmatch(r"[a-z]\.bmp", name):
            shutil.copy2(os.path.join(bindir, name), target)
    return target
