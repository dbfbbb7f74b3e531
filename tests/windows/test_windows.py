"""The Windows build under Wine in Xvfb: the portable zip's quendal.exe against the Linux
radio simulators, following the console window, and the installer.

Usage: test_windows.py <scenario>. Exit status 0 when the scenario holds.
Environment: QUENDAL_ZIP, QUENDAL_SETUP (the packages), RADIOSIM_BIN, TCISIM_BIN (Linux
simulators), CONSOLE_STANDIN (a Windows program showing a window titled like the radio's
console), WINEPREFIX (a booted prefix of its own), WINE.
"""

import os
import shutil
import socket
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from quendal_e2e import run_named_scenario, wait_until  # noqa: E402
from test_radios import mark_for_dbm, needle_mark  # noqa: E402

WINE = os.environ.get("WINE", "wine64")
WINESERVER = os.path.join(os.path.dirname(WINE), "wineserver")
PREFIX = os.environ.get("WINEPREFIX", "")
TITLE = "^Quendal"  # every family's title starts so
SETTLE_S = 2.5  # the needle's ballistics settle well within this
DRIVE_C = os.path.join(PREFIX, "drive_c")
INSTALLED = os.path.join(DRIVE_C, "Program Files", "Quendal")
START_MENU_ENTRY = os.path.join(DRIVE_C, "ProgramData", "Microsoft", "Windows", "Start Menu",
                                "Programs", "Quendal for FlexRadio", "Quendal for FlexRadio.lnk")


def fail(message):
    raise AssertionError(message)


def placed_config(window="", rest=""):
    """Borderless at a known place, so that the X window is exactly the meter's client area."""
    return ("[Window]\nBorderless=1\nLeft=100\nTop=100\n" + window + "[Visual]\n"
            "NeedleColor=#00FF00\nNeedleThickness=2\n[Logging]\nEnableLogging=1\n" + rest)


def under_wine(run):
    """The scenario with Wine's server started in its network namespace and stopped with the
    session, after the programs and before the display: the server owns their sockets."""
    def scenario(s):
        s.env.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        s.processes.append(WineServerStopper(s.env))
        run(s)
    return scenario


class WineServerStopper:
    """Stops the prefix's Wine server when the session stops its processes."""

    def __init__(self, env):
        self.env = env
        self.stopped = False

    def poll(self):
        return 0 if self.stopped else None

    def send_signal(self, _):
        subprocess.run([WINESERVER, "-k"], env=self.env, capture_output=True)
        subprocess.run([WINESERVER, "-w"], env=self.env, capture_output=True, timeout=30)
        self.stopped = True

    def wait(self, _=None):
        return 0


def unzip_portable(s):
    """The zip's one folder, unpacked as the run folder itself: logs and config.ini land there."""
    with zipfile.ZipFile(os.environ["QUENDAL_ZIP"]) as z:
        top = z.namelist()[0].split("/")[0]
        for member in z.infolist():
            if member.is_dir():
                continue
            target = os.path.join(s.run_dir, member.filename[len(top) + 1:])
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with z.open(member) as source, open(target, "wb") as out:
                out.write(source.read())


def write_config(s, text):
    with open(os.path.join(s.run_dir, "config.ini"), "w", newline="\r\n") as f:
        f.write(text)


def start_portable(s, config):
    """quendal.exe from the zip, started in its own folder as a double-click does."""
    unzip_portable(s)
    write_config(s, config)
    s.quendal = s.spawn([WINE, "quendal.exe"], log="quendal.out")
    return meter_window(s)


def meter_window(s, timeout=60):
    """The meter's window: the largest visible window titled as the meter (Wine keeps hidden
    ones of the same name)."""
    def find():
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLE], env=s.env,
                           capture_output=True, text=True)
        sizes = []
        for window in map(int, r.stdout.split()):
            try:
                _, _, width, height = s.window_geometry(window)
                sizes.append((width * height, window))
            except subprocess.CalledProcessError:
                pass
        return max(sizes)[1] if sizes and max(sizes)[0] > 64 * 64 else None
    window = wait_until(find, timeout, 0.5)
    if not window:
        fail("the meter's window did not appear:\n" + s.read("quendal.out"))
    return window


def expect_needle(s, window, dbm, name):
    seen = needle_mark(s, window, name)
    wanted = mark_for_dbm(dbm)
    if abs(seen - wanted) > 0.5:
        fail("%s: the needle stands at mark %.2f, not at %.2f (%.1f dBm)"
             % (name, seen, wanted, dbm))


def close_meter(s, window):
    s.close_window(window)
    try:
        s.quendal.wait(30)
    except subprocess.TimeoutExpired:
        fail("the meter did not close")


def scenario_portable(s):
    s.start_radiosim("--level", "steady:-73")
    window = start_portable(s, placed_config())
    if s.window_geometry(window) != (100, 100, 480, 260):
        fail("the meter is at %s, not borderless at (100, 100)" % (s.window_geometry(window),))
    # Started in its own folder, the meter logs there.
    if not wait_until(lambda: "Meter LEVEL value: -73.00" in s.read("FlexRadioLib.log"), 30, 0.5):
        fail("the radio log never read LEVEL -73.00:\n" + s.read("FlexRadioLib.log"))
    time.sleep(SETTLE_S)
    expect_needle(s, window, -73.0, "windows-s9")
    close_meter(s, window)
    saved = s.read("config.ini").splitlines()
    for line in ("[NeedleMovement]", "Left=100", "NeedleColor=#00FF00"):
        if line not in saved:
            fail("config.ini beside quendal.exe lacks %r after closing:\n%s"
                 % (line, "\n".join(saved)))


def scenario_tracking(s):
    s.start_radiosim()
    s.spawn([WINE, os.environ["CONSOLE_STANDIN"], "100", "50", "1000", "600"], log="standin.out")
    window = start_portable(s, placed_config(window="TrackSmartSDRWindow=1\n"))
    # The meter's right edge 500 px left of the console's, its top 120 px below.
    beside = (100 + 1000 - 500 - 480, 50 + 120)
    if not wait_until(lambda: s.window_geometry(window)[:2] == beside, 20, 0.2):
        fail("the meter is at %s, not beside the console at %s"
             % (s.window_geometry(window)[:2], beside))


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def scenario_tci(s):
    port = free_port()
    s.spawn([os.environ["TCISIM_BIN"], "--port", str(port), "--level", "steady:-53"],
            log="tcisim.out")
    window = start_portable(s, placed_config(rest="[Radio]\nType=tci\n[TCI]\nAddress=127.0.0.1:%d\n"
                                             % port))
    if not wait_until(lambda: "# client connected" in s.read("tcisim.out"), 30, 0.2):
        fail("the meter never connected to the TCI server:\n" + s.read("TCI.log"))
    time.sleep(SETTLE_S)
    expect_needle(s, window, -53.0, "windows-tci")


def installed_files():
    return sorted(os.path.relpath(os.path.join(folder, name), INSTALLED)
                  for folder, _, names in os.walk(INSTALLED) for name in names)


def settings_folder():
    users = os.path.join(DRIVE_C, "users")
    for user in os.listdir(users):
        folder = os.path.join(users, user, "AppData", "Roaming", "Quendal")
        if os.path.isdir(os.path.dirname(folder)) and user != "Public":
            return folder
    fail("no user profile in the prefix")


def installed_meter_running():
    """True while a process of this prefix runs the installed quendal.exe, whose files the
    uninstaller could not remove."""
    program = b"\\Quendal\\quendal.exe"
    mine = ("WINEPREFIX=" + PREFIX).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                command = f.read()
            with open("/proc/%s/environ" % pid, "rb") as f:
                environment = f.read().split(b"\0")
        except OSError:
            continue
        if program in command and mine in environment:
            return True
    return False


def scenario_installer(s):
    shutil.rmtree(settings_folder(), ignore_errors=True)  # left by an earlier run
    setup = s.spawn([WINE, os.environ["QUENDAL_SETUP"], "/S"], log="setup.out")
    if setup.wait(120) != 0:
        fail("the silent install failed:\n" + s.read("setup.out"))
    for path in (os.path.join(INSTALLED, "quendal.exe"), os.path.join(INSTALLED, "Uninstall.exe"),
                 START_MENU_ENTRY):
        if not os.path.exists(path):
            fail("the install left no %s" % path)
    before = installed_files()

    # The Start-menu entry starts the meter in the user's own folder.
    s.start_radiosim()
    s.quendal = s.spawn([WINE, "start", "/wait", "/unix", START_MENU_ENTRY], log="quendal.out")
    window = meter_window(s)
    folder = settings_folder()
    if not os.path.exists(os.path.join(folder, "calibration.txt")):
        fail("the first start did not fill %s" % folder)
    s.close_window(window)
    if not wait_until(lambda: os.path.exists(os.path.join(folder, "config.ini")), 30, 0.5):
        fail("no config.ini in %s after closing" % folder)
    if not wait_until(lambda: not installed_meter_running(), 30, 0.5):
        fail("the installed meter did not end after closing")
    if installed_files() != before:
        fail("the meter wrote under Program Files: %s"
             % sorted(set(installed_files()) - set(before)))

    s.spawn([WINE, os.path.join(INSTALLED, "Uninstall.exe"), "/S"], log="uninstall.out")
    gone = wait_until(lambda: not os.path.exists(INSTALLED)
                      and not os.path.exists(START_MENU_ENTRY), 60, 0.5)
    if not gone:
        fail("the uninstaller left %s" % (installed_files() or START_MENU_ENTRY))


SCENARIOS = {
    "portable": under_wine(scenario_portable),
    "tracking": under_wine(scenario_tracking),
    "tci": under_wine(scenario_tci),
    "installer": under_wine(scenario_installer),
}


if __name__ == "__main__":
    run_named_scenario(SCENARIOS)
