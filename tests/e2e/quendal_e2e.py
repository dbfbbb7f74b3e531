"""Drives the real quendal and quendal-radiosim binaries under Xvfb, as a person would.

Each scenario runs in a network namespace of its own with only loopback, where one can be made,
so that scenarios run side by side, each with its own port 4992.
"""

import math
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

BUILD_DIR = os.environ.get("QUENDAL_BUILD_DIR", "")
QUENDAL = os.environ.get("QUENDAL_BIN", os.path.join(BUILD_DIR, "app", "quendal"))
RADIOSIM = os.environ.get("RADIOSIM_BIN", os.path.join(BUILD_DIR, "tools", "radiosim", "quendal-radiosim"))
ASSETS = os.environ.get("QUENDAL_ASSETS", os.path.join(BUILD_DIR, "assets"))
NETNS_ENV = "QUENDAL_E2E_NETNS"
# Well above the numbers other X servers here take from :0 upwards.
FIRST_DISPLAY, LAST_DISPLAY = 200, 1000
TRAY_ICON_MAX = 64  # pixels a side
# The default face prints these transmit scales, and ships their files.
TRANSMIT_SCALES_SHIPPED = ("power", "swr")


def wait_until(predicate, timeout, step=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def namespace_flags():
    """unshare's flags for a network namespace with loopback up, or the reason there is none."""
    if not shutil.which("unshare") or not shutil.which("ip"):
        return None, "unshare or ip is missing"
    flags = "-n" if os.geteuid() == 0 else "-rn"
    probe = subprocess.run(["unshare", flags, "ip", "link", "set", "lo", "up"],
                           capture_output=True, text=True)
    if probe.returncode != 0:
        return None, probe.stderr.strip() or "unshare %s failed" % flags
    return flags, ""


def enter_own_network(extra_args=()):
    """Runs this script again, with extra_args, in a network namespace of its own; returns in
    the new one, or where none can be made."""
    if os.environ.get(NETNS_ENV):
        return
    flags, reason = namespace_flags()
    if flags is None:
        print("no network namespace (%s): the simulator shares port 4992 with the machine"
              % reason, file=sys.stderr)
        return
    env = dict(os.environ, **{NETNS_ENV: "1"})
    os.execvpe("unshare", ["unshare", flags, "sh", "-c", 'ip link set lo up && exec "$@"', "sh",
                           sys.executable, os.path.abspath(sys.argv[0]), *sys.argv[1:],
                           *extra_args], env)


def lock_holder(number):
    """The process id in the lock file of display :number, or None."""
    try:
        with open("/tmp/.X%d-lock" % number) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


class Session:
    """One Xvfb display, a run folder, and the processes started in it."""

    def __init__(self, compositor=False, screen="1280x800x24"):
        self.run_dir = tempfile.mkdtemp(prefix="quendal-e2e-")
        self.processes = []
        self.display = self._start_xvfb(screen)
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        if compositor:
            self.spawn(["xcompmgr"], log="xcompmgr.log")
            wait_until(self.compositor_running, 5)

    def _start_xvfb(self, screen):
        # A display number of our own, claimed by Xvfb's lock file. -displayfd would pick the
        # first number free in this network namespace, which every namespace has, and
        # python-xlib reaches a server through the socket file that all of them share.
        first = random.randrange(FIRST_DISPLAY, LAST_DISPLAY)
        for number in list(range(first, LAST_DISPLAY)) + list(range(FIRST_DISPLAY, first)):
            display = ":%d" % number
            proc = subprocess.Popen(
                ["Xvfb", display, "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
                 "+extension", "Composite", "+extension", "RENDER"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            ready = wait_until(lambda: proc.poll() is not None or (
                lock_holder(number) == proc.pid and subprocess.run(
                    ["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL).returncode == 0), 10, 0.05)
            if ready and proc.poll() is None:
                self.processes.append(proc)
                return display
            if proc.poll() is None:
                proc.kill()
                proc.wait()
                raise RuntimeError("Xvfb on %s does not accept clients" % display)
        raise RuntimeError("Xvfb found no free display from :%d to :%d"
                           % (FIRST_DISPLAY, LAST_DISPLAY - 1))

    def spawn(self, argv, log=None, cwd=None):
        out = open(os.path.join(self.run_dir, log), "wb") if log else subprocess.DEVNULL
        proc = subprocess.Popen(argv, cwd=cwd or self.run_dir, env=self.env, stdout=out,
                                stderr=subprocess.STDOUT)
        self.processes.append(proc)
        return proc

    def compositor_running(self):
        """A compositing manager owns the _NET_WM_CM_S0 selection."""
        return self.selection_owned("_NET_WM_CM_S0")

    def start_tray(self):
        """trayer, a system tray along the top edge; true once it owns the tray selection."""
        self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                    "--height", "24"], log="trayer.log")
        return wait_until(lambda: self.selection_owned("_NET_SYSTEM_TRAY_S0"), 10, 0.1)

    def selection_owned(self, name):
        probe = subprocess.run(
            [sys.executable, "-c",
             "import sys, Xlib.display as d; x=d.Display(); "
             "print(x.get_selection_owner(x.intern_atom(sys.argv[1])))", name],
            env=self.env, capture_output=True, text=True)
        return probe.returncode == 0 and probe.stdout.strip() not in ("0", "")

    # --- run folder -------------------------------------------------------
    def install_face(self, calibration=True, transmit_scales=True):
        shutil.copy(os.path.join(ASSETS, "quendal.png"), self.run_dir)
        shutil.copy(os.path.join(ASSETS, "quendal-foreground.png"), self.run_dir)
        if calibration:
            shutil.copy(os.path.join(ASSETS, "calibration.txt"), self.run_dir)
        if transmit_scales:
            for reading in TRANSMIT_SCALES_SHIPPED:
                shutil.copy(os.path.join(ASSETS, "quendal.%s.txt" % reading), self.run_dir)

    def write_config(self, text):
        # The program reads config.ini beside its executable: give it its own copy.
        bin_dir = os.path.join(self.run_dir, "bin")
        os.makedirs(bin_dir, exist_ok=True)
        with open(os.path.join(bin_dir, "config.ini"), "w", newline="\r\n") as f:
            f.write(text)

    def config_path(self):
        return os.path.join(self.run_dir, "bin", "config.ini")

    def read(self, name):
        path = os.path.join(self.run_dir, name)
        if not os.path.exists(path):
            return ""
        with open(path, "rb") as f:
            return f.read().decode("latin-1")

    # --- processes --------------------------------------------------------
    def start_radiosim(self, *args):
        return self.spawn([RADIOSIM, *args], log="radiosim.out")

    def start_quendal(self, *args):
        bin_dir = os.path.join(self.run_dir, "bin")
        os.makedirs(bin_dir, exist_ok=True)
        target = os.path.join(bin_dir, "quendal")
        if not os.path.exists(target):
            shutil.copy(QUENDAL, target)
        self.quendal = self.spawn([target, *args], log="quendal.out")
        return self.quendal

    def visible_windows(self, pid):
        """The visible windows of process pid, largest first, as (id, (x, y, width, height))."""
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                           env=self.env, capture_output=True, text=True)
        found = []
        for window in map(int, r.stdout.split()):
            try:
                found.append((window, self.window_geometry(window)))
            except subprocess.CalledProcessError:
                pass  # gone meanwhile
        return sorted(found, key=lambda w: w[1][2] * w[1][3], reverse=True)

    def window_id(self, timeout=15):
        """The meter's window: the largest visible window of the meter's process, larger than
        its tray icon, which may show first. Its title changes with the radio, and Qt keeps a
        hidden window of the same name."""
        def find():
            windows = [w for w, (_, _, width, height) in self.visible_windows(self.quendal.pid)
                       if width > TRAY_ICON_MAX or height > TRAY_ICON_MAX]
            return windows[0] if windows else None
        self.window = wait_until(find, timeout, 0.2)
        return self.window

    def window_geometry(self, window):
        r = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window)], env=self.env,
                           capture_output=True, text=True, check=True)
        values = dict(line.split("=", 1) for line in r.stdout.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def screenshot(self, path=None):
        """The whole screen as (width, height, rows of (r, g, b))."""
        r = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                           capture_output=True, check=True)
        if path:
            subprocess.run(["convert", "ppm:-", path], input=r.stdout, check=True)
        return parse_ppm(r.stdout)

    def click(self, x, y, button=1):
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", str(button)],
                       env=self.env, check=True)

    def key(self, name):
        subprocess.run(["xdotool", "key", name], env=self.env, check=True)

    def close_window(self, window):
        """WM_DELETE_WINDOW, as a window manager sends it."""
        subprocess.run([sys.executable, "-c", CLOSE_SCRIPT, str(window)], env=self.env, check=True)

    def stop(self):
        for proc in reversed(self.processes):
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(3)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()

    def cleanup(self, keep=False):
        self.stop()
        if not keep:
            shutil.rmtree(self.run_dir, ignore_errors=True)


CLOSE_SCRIPT = r"""
import sys
from Xlib import X, display, protocol
d = display.Display()
w = d.create_resource_object("window", int(sys.argv[1]))
protocols = d.intern_atom("WM_PROTOCOLS")
delete = d.intern_atom("WM_DELETE_WINDOW")
event = protocol.event.ClientMessage(window=w, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
w.send_event(event, event_mask=X.NoEventMask)
d.flush()
"""


def parse_ppm(data):
    # P6 <w> <h> <max>\n<rgb...>
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos:pos + width * height * 3]
    return Image(width, height, pixels)


class Image:
    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels

    def rgb(self, x, y):
        i = (y * self.width + x) * 3
        return struct.unpack_from("BBB", self.pixels, i)


def run_scenario(run, compositor=False, screen="1280x800x24"):
    """Runs one scenario in a fresh session; a failed run keeps its folder for a look."""
    enter_own_network()
    session = Session(compositor=compositor, screen=screen)
    ok = False
    try:
        run(session)
        ok = True
    finally:
        session.cleanup(keep=not ok)
        if not ok:
            print("run folder kept:", session.run_dir)


def run_named_scenario(scenarios, **options):
    """Runs the scenario the command line names, with the runner's options."""
    name = sys.argv[1]
    run_scenario(scenarios[name], **options)
    print(name, "passed")


# --- the menu and dialogs -------------------------------------------------------------

def menu_shown(s, *known):
    """The popup menu: a visible window of the program besides the known ones."""
    return [w for w, _ in s.visible_windows(s.quendal.pid) if w not in known]


def choose(s, window, accelerator_keys):
    """Right-click the meter and pick an item by its accelerator keys."""
    left, top, width, height = s.window_geometry(window)
    s.click(left + width // 2, top + height // 3, button=3)
    if not wait_until(lambda: menu_shown(s, window), 5, 0.1):
        raise AssertionError("right click opened no menu")
    for key in accelerator_keys:
        s.key(key)
        time.sleep(0.2)
    wait_until(lambda: not menu_shown(s, window), 3, 0.1)
    time.sleep(0.4)


def answer_with_text(s, window, text, timeout=10):
    """Waits for a dialog of the meter's, types text over what its field holds and presses
    Enter; returns once the dialog has gone."""
    dialog = wait_until(lambda: next(iter(menu_shown(s, window)), None), timeout, 0.05)
    if not dialog:
        raise AssertionError("no dialog appeared")
    time.sleep(0.3)  # until it has the keyboard
    s.key("ctrl+a")
    subprocess.run(["xdotool", "type", "--delay", "20", text], env=s.env, check=True)
    s.key("Return")
    if not wait_until(lambda: dialog not in menu_shown(s, window), 3, 0.05):
        raise AssertionError("the dialog did not take Enter")


# --- the needle on the face's scales ------------------------------------------------
# For a meter started with NeedleColor=#00FF00 on the default face at 100 %, whose pivot lies
# in the middle, 50 pixels below the bottom edge (ImageBottomOffset -50).

def needle_angle(s, window, name):
    """The angle of the green needle about the pivot in screen pixels (y down), from a
    screenshot kept as <name>.png; None while the window shows too few needle pixels."""
    left, top, width, height = s.window_geometry(window)
    shot = s.screenshot(os.path.join(s.run_dir, name + ".png"))
    return needle_angle_in(shot, (left, top, width, height))


def needle_angle_in(shot, geometry):
    """needle_angle of a screenshot already taken of the window at `geometry`."""
    left, top, width, height = geometry
    pivot = (left + width // 2, top + height + 50)
    angles = [math.atan2(y - pivot[1], x - pivot[0])
              for y in range(top, top + height) for x in range(left, left + width)
              if shot.rgb(x, y)[1] > 200 and shot.rgb(x, y)[0] < 80 and shot.rgb(x, y)[2] < 80]
    if len(angles) < 30:
        return None
    return sum(angles) / len(angles)


def s_scale_points(s):
    """The S scale's 16 marks (S0 ... S9+60 dB) of calibration.txt in the run folder."""
    numbers = [int(v) for v in s.read("calibration.txt").split()]
    return [(numbers[i], numbers[i + 1]) for i in range(0, 32, 2)]


def transmit_scale(s, reading):
    """The marks of quendal.<reading>.txt in the run folder, as (value, x, y)."""
    marks = []
    for line in s.read("quendal.%s.txt" % reading).splitlines():
        words = line.split()
        if len(words) == 3 and not line.lstrip().startswith("#"):
            marks.append((float(words[0]), int(words[1]), int(words[2])))
    return marks


def mark_position(angle, points, pivot):
    """Where an angle falls among marks' points seen from the pivot, in marks from the first
    (1.5: halfway between the second and the third), stopping at the ends."""
    scale = [math.atan2(y - pivot[1], x - pivot[0]) for x, y in points]
    if angle <= scale[0]:
        return 0.0
    for i in range(len(scale) - 1):
        if scale[i] <= angle <= scale[i + 1]:
            return i + (angle - scale[i]) / (scale[i + 1] - scale[i])
    return float(len(scale) - 1)


def value_position(value, values):
    """Where a value falls among the marks' values, in marks from the first."""
    if value <= values[0]:
        return 0.0
    for i in range(len(values) - 1):
        if values[i] <= value <= values[i + 1]:
            return i + (value - values[i]) / (values[i + 1] - values[i])
    return float(len(values) - 1)


def needle_on_transmit_scale(s, window, reading, name):
    """Where the needle points on a transmit scale, in marks from its first; None while
    no needle shows."""
    angle = needle_angle(s, window, name)
    if angle is None:
        return None
    _, _, width, height = s.window_geometry(window)
    marks = transmit_scale(s, reading)
    return mark_position(angle, [(x, y) for _, x, y in marks], (width // 2, height + 50))


def wait_needle_on_transmit_value(s, window, reading, value, timeout, name):
    """Seconds until the needle stands within half a mark of `value` on the transmit scale
    (50 on the power scale, 1.5 on the SWR scale); raises AssertionError after `timeout`."""
    wanted = value_position(value, [v for v, _, _ in transmit_scale(s, reading)])
    start = time.monotonic()
    seen = [None]

    def near():
        seen[0] = needle_on_transmit_scale(s, window, reading, name)
        return (seen[0] is not None and abs(seen[0] - wanted) <= 0.5) or None

    if not wait_until(near, timeout, 0.1):
        raise AssertionError("%s: the needle stands at mark %s of the %s scale, not at %.2f (%g)"
                             " within %.0f s" % (name, seen[0], reading, wanted, value, timeout))
    return time.monotonic() - start


# --- the needle back on S units after the unkey -----------------------------------------

BACK_ON_S_WITHIN_S = 1.0  # from the unkey to the needle on the S reading


def moment_before(predicate, timeout, step=0.02):
    """Waits until predicate holds; returns a time.monotonic() not after the moment it came to
    hold (when the last check that found it false began), or None when it does not hold
    within `timeout` or held at the first check, whose moment is unknown."""
    deadline = time.monotonic() + timeout
    last_false = None
    while True:
        began = time.monotonic()
        if predicate():
            return last_false
        if began > deadline:
            return None
        last_false = began
        time.sleep(step)


def save_ppm(shot, path):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (shot.width, shot.height) + shot.pixels)


def expect_back_on_s(s, window, mark, unkeyed_from, name, within=0.5):
    """Fails unless a screenshot taken within BACK_ON_S_WITHIN_S of the unkey shows the needle
    within `within` marks of S scale mark `mark`. unkeyed_from: a time.monotonic() not after
    the unkey. Returns the seconds from unkeyed_from to the first such screenshot."""
    deadline = unkeyed_from + BACK_ON_S_WITHIN_S
    shots = []
    # Looks back to back, judged afterwards: a look stands for the moment it was done by.
    while True:
        shot = s.screenshot()
        taken = time.monotonic()
        if taken > deadline:
            break
        shots.append((taken, shot))
    left, top, width, height = geometry = s.window_geometry(window)
    points = s_scale_points(s)
    seen = []
    for taken, shot in shots:
        angle = needle_angle_in(shot, geometry)
        at = None if angle is None else mark_position(angle, points, (width // 2, height + 50))
        if at is not None and abs(at - mark) <= within:
            return taken - unkeyed_from
        seen.append("%s at %.2f s" % ("none" if at is None else "%.2f" % at,
                                       taken - unkeyed_from))
    for i, (_, shot) in enumerate(shots):
        save_ppm(shot, os.path.join(s.run_dir, "%s-%d.ppm" % (name, i)))
    raise AssertionError("%s: within %.1f s of the unkey the needle never stood within %.1f of"
                         " S mark %.2f; it stood at %s" % (name, BACK_ON_S_WITHIN_S, within, mark,
                                                            ", ".join(seen) or "(no look)"))


if __name__ == "__main__":
    # "quendal_e2e.py netns": exit status 0 where scenarios get a network namespace each.
    flags, reason = namespace_flags()
    print(reason)
    sys.exit(0 if flags else 1)
