"""Drives the real quendal and quendal-radiosim binaries under Xvfb, as a person would."""

import os
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
WINDOW_TITLE = "Quendal for FlexRadio"


def wait_until(predicate, timeout, step=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


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
        read_fd, write_fd = os.pipe()
        proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
             "+extension", "Composite", "+extension", "RENDER"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        self.processes.append(proc)
        if not number.strip():
            raise RuntimeError("Xvfb did not start")
        display = ":" + number.decode().strip()
        # The number comes before the server accepts clients; wait until it does.
        ready = wait_until(lambda: proc.poll() is None and subprocess.run(
            ["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL).returncode == 0, 10, 0.1)
        if not ready:
            raise RuntimeError("Xvfb on %s does not accept clients" % display)
        return display

    def spawn(self, argv, log=None, cwd=None):
        out = open(os.path.join(self.run_dir, log), "wb") if log else subprocess.DEVNULL
        proc = subprocess.Popen(argv, cwd=cwd or self.run_dir, env=self.env, stdout=out,
                                stderr=subprocess.STDOUT)
        self.processes.append(proc)
        return proc

    def compositor_running(self):
        """A compositing manager owns the _NET_WM_CM_S0 selection."""
        probe = subprocess.run(
            [sys.executable, "-c",
             "import Xlib.display as d; x=d.Display(); "
             "print(x.get_selection_owner(x.intern_atom('_NET_WM_CM_S0')))"],
            env=self.env, capture_output=True, text=True)
        return probe.returncode == 0 and probe.stdout.strip() not in ("0", "")

    # --- run folder -------------------------------------------------------
    def install_face(self, calibration=True):
        shutil.copy(os.path.join(ASSETS, "quendal.png"), self.run_dir)
        shutil.copy(os.path.join(ASSETS, "quendal-foreground.png"), self.run_dir)
        if calibration:
            shutil.copy(os.path.join(ASSETS, "calibration.txt"), self.run_dir)

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
        return self.spawn([target, *args], log="quendal.out")

    def window_id(self, timeout=15):
        def find():
            # Once connected the title goes on with the radio's name: "<caption> – <name> (<model>)".
            r = subprocess.run(["xdotool", "search", "--name", "^" + WINDOW_TITLE + "( .*)?$"],
                               env=self.env, capture_output=True, text=True)
            ids = r.stdout.split()
            return int(ids[0]) if ids else None
        return wait_until(find, timeout, 0.2)

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
