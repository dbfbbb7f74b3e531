"""End-to-end scenarios: the real meter against the real radio simulator under Xvfb.

Usage: test_e2e.py <scenario>. Exit status 0 when the scenario holds.
"""

import math
import os
import signal
import subprocess
import sys
import time

from quendal_e2e import (ASSETS, expect_back_on_s, mark_position, moment_before, needle_angle,
                         run_scenario, wait_needle_on_transmit_value, wait_until)

GREEN_NEEDLE_CONFIG = """[Visual]
NeedleColor=#00FF00
NeedleThickness=2
[Logging]
EnableLogging=1
"""


def fail(message):
    raise AssertionError(message)


def read_calibration(text):
    numbers = [int(v) for v in text.split()]
    return [(numbers[i], numbers[i + 1]) for i in range(0, 32, 2)]


def wait_for_log(session, name, needle, timeout):
    return wait_until(lambda: needle in session.read(name), timeout, 0.2)


def scenario_steady_level(s):
    s.install_face()
    s.write_config(GREEN_NEEDLE_CONFIG)
    s.start_radiosim("--level", "steady:-73")
    s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    if not wait_for_log(s, "FlexRadioLib.log", "GetMeterByName - Meter LEVEL value: -73.00", 20):
        fail("radio log never read LEVEL -73.00")
    time.sleep(1.5)  # let the needle settle on S9
    left, top, width, height = s.window_geometry(window)
    shot = s.screenshot(os.path.join(s.run_dir, "steady.png"))
    points = read_calibration(s.read("calibration.txt"))
    pivot = (width // 2 + left, height + 50 + top)  # default ImageBottomOffset -50
    s9 = (points[9][0] + left, points[9][1] + top)
    green = [(x, y) for y in range(top, top + height) for x in range(left, left + width)
             if shot.rgb(x, y)[1] > 200 and shot.rgb(x, y)[0] < 80 and shot.rgb(x, y)[2] < 80]
    if len(green) < 30:
        fail("too few needle pixels: %d" % len(green))
    dx, dy = s9[0] - pivot[0], s9[1] - pivot[1]
    length = math.hypot(dx, dy)
    worst = max(abs((x - pivot[0]) * dy - (y - pivot[1]) * dx) / length for x, y in green)
    if worst > 3.0:
        fail("needle pixel %.1f px off the pivot-S9 line" % worst)


def scenario_see_through(s, compositor):
    s.install_face()
    s.write_config("[Window]\nBorderless=1\nLeft=100\nTop=100\n")
    # A coloured backdrop: Xvfb's root is black, which would prove nothing.
    s.spawn([sys.executable, "-c", BACKDROP_SCRIPT], log="backdrop.out")
    time.sleep(1.0)
    s.start_radiosim("--level", "steady:-100")
    s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    time.sleep(2.0)
    left, top, width, height = s.window_geometry(window)
    shot = s.screenshot(os.path.join(s.run_dir, "see-through.png"))
    corner = shot.rgb(left + 2, top + 2)       # pure-black surround of the face
    middle = shot.rgb(left + width // 2, top + height // 3)  # the cream scale
    if corner != (0, 0, 255):
        fail("surround pixel shows %s, not the blue backdrop" % (corner,))
    if middle == (0, 0, 255):
        fail("face pixel is see-through")


BACKDROP_SCRIPT = r"""
import time
from Xlib import X, display
d = display.Display()
s = d.screen()
w = s.root.create_window(0, 0, s.width_in_pixels, s.height_in_pixels, 0, s.root_depth,
                         background_pixel=0x0000FF, override_redirect=1)
w.map()
d.flush()
time.sleep(120)
"""


def scenario_close_and_save(s):
    s.install_face()
    s.write_config("[Network]\nFlexIP=127.0.0.1\n[Settings]\nNeedleLength=180\n")
    s.start_radiosim()
    quendal = s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    time.sleep(1.0)
    s.close_window(window)
    try:
        quendal.wait(10)
    except Exception:
        fail("meter did not close")
    text = open(s.config_path()).read()
    sections = [line.strip() for line in text.splitlines() if line.startswith("[")]
    expected = ["[Network]", "[Window]", "[Visual]", "[NeedleMovement]", "[ArcCalibration]",
                "[Timer]", "[Logging]", "[Calibration]", "[Meter]"]
    if sections != expected:
        fail("sections %s" % sections)
    for line in ("FlexIP=127.0.0.1", "NeedleLength=180", "Interval=10", "NeedleColor=#FF0000",
                 "NeedleMovementMode=ExponentialSmoothing", "EnableLogging=0"):
        if line not in text.splitlines():
            fail("missing %r in config.ini:\n%s" % (line, text))


def scenario_ended_by_signal(s):
    """Log-out, shutdown and Ctrl-C close the meter as the user would: the place it was moved
    to is saved."""
    s.install_face()
    s.write_config("[Network]\nFlexIP=127.0.0.1\n")
    s.start_radiosim()
    for step, sent in enumerate((signal.SIGTERM, signal.SIGINT, signal.SIGHUP)):
        quendal = s.start_quendal()
        window = s.window_id()
        if not window:
            fail("meter window did not appear")
        place = (120 + 40 * step, 90 + 30 * step)
        subprocess.run(["xdotool", "windowmove", str(window), *map(str, place)], env=s.env,
                       check=True)
        if not wait_until(lambda: s.window_geometry(window)[:2] == place, 3, 0.1):
            fail("the window did not move to %s" % (place,))
        quendal.send_signal(sent)
        try:
            status = quendal.wait(10)
        except subprocess.TimeoutExpired:
            fail("%s did not end the meter" % sent.name)
        if status != 0:
            fail("%s ended the meter with status %d" % (sent.name, status))
        lines = open(s.config_path()).read().splitlines()
        for line in ("Left=%d" % place[0], "Top=%d" % place[1]):
            if line not in lines:
                fail("after %s, %r is missing in config.ini:\n%s"
                     % (sent.name, line, "\n".join(lines)))


def scenario_first_run(s):
    s.install_face(calibration=False)
    s.write_config("[Calibration]\nGuided=0\n")
    s.start_radiosim()
    s.start_quendal()
    points = read_calibration(open(os.path.join(ASSETS, "calibration.txt")).read())
    # The face comes first, then the prompts: answer each with Enter (OK / Yes).
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    if s.window_geometry(window)[2:] != (480, 260):
        fail("a prompt came before the face: %s" % (s.window_geometry(window),))
    answer_dialog(s)  # "Calibration required."
    answer_dialog(s)  # "Please click on the S0 position."
    left, top, _, _ = s.window_geometry(window)
    for index, (x, y) in enumerate(points):
        s.click(left + x, top + y)
        answer_dialog(s)  # "Is this the correct position for S<n> / +<n> dB?" -> Yes
        answer_dialog(s)  # "Now, please click on the ... position." / "Main Calibration complete."
    answer_dialog(s)  # "Your marks curve around the point ... ?" -> Yes
    if not wait_until(lambda: s.read("calibration.txt"), 5):
        fail("calibration.txt was not written")
    if read_calibration(s.read("calibration.txt")) != points:
        fail("calibration.txt holds %s" % s.read("calibration.txt"))
    # The face's own calibration file gets the same points.
    if s.read("quendal.calibration.txt") != s.read("calibration.txt"):
        fail("quendal.calibration.txt holds %r" % s.read("quendal.calibration.txt"))
    # The default marks lie on the arc about the default pivot.
    if not wait_until(lambda: "CenterX=240" in open(s.config_path()).read(), 5):
        fail("the fitted pivot was not saved:\n" + open(s.config_path()).read())


# A 500 x 300 face of one's own: 16 ticks on an arc about (250, 360), radius 280, every
# other one pure black. Returns the marks, where the ticks cross the arc.
CUSTOM_CENTER, CUSTOM_RADIUS = (250, 360), 280


def write_custom_face(path):
    width, height = 500, 300
    pixels = bytearray(bytes((235, 225, 190)) * width * height)
    marks = []
    for index in range(16):
        angle = math.radians(-50 + index * 100 / 15)
        sin, cos = math.sin(angle), math.cos(angle)
        marks.append((round(CUSTOM_CENTER[0] + CUSTOM_RADIUS * sin),
                      round(CUSTOM_CENTER[1] - CUSTOM_RADIUS * cos)))
        colour = (0, 0, 0) if index % 2 == 0 else (40, 40, 140)
        for step in range(-70, 71):  # a radial tick 14 px long, 3 px wide
            r = CUSTOM_RADIUS + step / 10
            for side in (-1.2, -0.6, 0, 0.6, 1.2):
                x = round(CUSTOM_CENTER[0] + r * sin + side * cos)
                y = round(CUSTOM_CENTER[1] - r * cos + side * sin)
                pixels[(y * width + x) * 3:(y * width + x) * 3 + 3] = bytes(colour)
    ppm = b"P6 %d %d 255\n" % (width, height) + bytes(pixels)
    subprocess.run(["convert", "ppm:-", "png24:" + path], input=ppm, check=True)
    return marks


def scenario_guided_calibration(s):
    marks = write_custom_face(os.path.join(s.run_dir, "own.png"))
    s.write_config("[Visual]\nBackgroundImageFileName=own.png\nNeedleColor=#00FF00\n"
                   "[Logging]\nEnableLogging=1\n")
    s.start_radiosim("--level", "steady:-73")
    quendal = s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    time.sleep(1.5)  # the face, and no box before it
    left, top, width, height = s.window_geometry(window)
    if (width, height) != (500, 300):
        fail("a prompt came before the face: %s" % ((left, top, width, height),))
    for index, (x, y) in enumerate(marks):
        if index == 5:  # a slip, taken back
            s.click(left + x + 30, top + y + 40)
            time.sleep(0.3)
            s.key("BackSpace")
        s.click(left + x, top + y)  # S0, +10 dB ... are pure black: the click is taken
        time.sleep(0.3)
        if index == 7:
            s.screenshot(os.path.join(os.environ.get("QUENDAL_E2E_SHOTS", s.run_dir),
                                      "guided-in-progress.png"))
    if not wait_for_log(s, "application.log", "Guided calibration: preview done.", 10):
        fail("the preview never ended:\n" + s.read("application.log"))
    s.key("y")  # "Use this calibration?"
    answer_dialog(s)  # "Your marks curve around the point ...?" -> Yes
    if not wait_until(lambda: s.read("own.calibration.txt"), 5):
        fail("own.calibration.txt was not written:\n" + s.read("application.log"))
    if read_calibration(s.read("own.calibration.txt")) != marks:
        fail("own.calibration.txt holds %s, not %s" % (s.read("own.calibration.txt"), marks))
    if read_calibration(s.read("calibration.txt")) != marks:
        fail("calibration.txt was not written as well")
    if not wait_until(lambda: "ArcCalibrationDone=1" in open(s.config_path()).read(), 5):
        fail("the fitted pivot was not saved:\n" + open(s.config_path()).read())
    s.close_window(window)
    quendal.wait(10)

    # Again with the new calibration: the needle at S9 reaches the mark from the fitted pivot.
    config = dict(line.strip().split("=", 1) for line in open(s.config_path())
                  if "=" in line)
    pivot = (int(config["CenterX"]), int(config["CenterY"]))
    if math.dist(pivot, CUSTOM_CENTER) > 3:
        fail("fitted pivot %s, not about %s" % (pivot, CUSTOM_CENTER))
    s.start_quendal()
    window = s.window_id()
    if not window or not wait_for_log(
            s, "FlexRadioLib.log", "GetMeterByName - Meter LEVEL value: -73.00", 20):
        fail("the meter did not come back to read -73 dBm")
    time.sleep(1.5)
    left, top, width, height = s.window_geometry(window)
    shot = s.screenshot(os.path.join(s.run_dir, "guided-s9.png"))
    green = [(x - left, y - top) for y in range(top, top + height)
             for x in range(left, left + width)
             if shot.rgb(x, y)[1] > 200 and shot.rgb(x, y)[0] < 80 and shot.rgb(x, y)[2] < 80]
    if len(green) < 30:
        fail("too few needle pixels: %d" % len(green))
    tip = max(green, key=lambda p: math.dist(p, pivot))
    s9 = marks[9]
    # The tip crosses the tick a few pixels past the clicked mark, on the mark's radius.
    dx, dy = s9[0] - pivot[0], s9[1] - pivot[1]
    off_axis = abs((tip[0] - pivot[0]) * dy - (tip[1] - pivot[1]) * dx) / math.hypot(dx, dy)
    beyond = math.dist(tip, pivot) - math.dist(s9, pivot)
    if off_axis > 3 or not -1 <= beyond <= 3 + 3:
        fail("needle tip at %s: %.1f px off the S9 mark %s, %.1f px past it"
             % (tip, off_axis, s9, beyond))


def answer_dialog(s, timeout=10):
    """Waits for a dialog (a visible window of the meter's process besides the meter) and
    presses Enter, which takes its default button (OK, or Yes); returns once it has gone."""
    dialog = wait_until(lambda: next((w for w, _ in s.visible_windows(s.quendal.pid)
                                      if w != s.window), None), timeout, 0.05)
    if not dialog:
        fail("no dialog appeared")
    for _ in range(3):
        time.sleep(0.15)  # until it has the keyboard
        s.key("Return")
        if wait_until(lambda: dialog not in [w for w, _ in s.visible_windows(s.quendal.pid)],
                      2, 0.05):
            return
    fail("the dialog did not take Enter")


def scenario_watchdog(s):
    s.install_face()
    s.write_config("")
    s.start_radiosim("--silence-after", "3")
    s.start_quendal()
    if not s.window_id():
        fail("meter window did not appear")
    count = lambda: s.read("radiosim.out").count("sub meter all")
    if not wait_until(lambda: count() >= 1, 15):
        fail("no subscription seen")
    if not wait_until(lambda: "# meter stream silenced" in s.read("radiosim.out"), 15, 0.05):
        fail("the simulator never silenced its stream")
    silenced = time.monotonic()
    if not wait_until(lambda: count() >= 2, 12, 0.05):
        fail("the meter never re-subscribed after the stream stopped:\n" + s.read("radiosim.out"))
    # More than 5000 ms of silence, seen by a check once a second.
    waited = time.monotonic() - silenced
    if not 4.8 <= waited <= 7.5:
        fail("re-subscribed %.1f s after the stream stopped, not about 6 s" % waited)


def scenario_discovery_override(s):
    s.install_face()
    s.write_config("[Network]\nFlexIP=127.0.0.1\n")
    s.start_radiosim("--ip", "192.0.2.1")
    s.start_quendal()
    if not s.window_id():
        fail("meter window did not appear")
    if not wait_until(lambda: "client udpport" in s.read("radiosim.out"), 20):
        fail("the meter did not connect to 127.0.0.1:\n" + s.read("radiosim.out"))


def scenario_tracking(s):
    s.install_face()
    s.write_config("[Window]\nTrackSmartSDRWindow=1\n")
    s.spawn([sys.executable, "-c", SMARTSDR_SCRIPT], log="smartsdr.out")
    s.start_radiosim()
    s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    start = time.monotonic()

    def placed():
        left, top, width, _ = s.window_geometry(window)
        return (left, top) == (100 + 1600 - 500 - width, 50 + 120)
    if not wait_until(placed, 2.5, 0.1):
        fail("meter at %s, not beside the SmartSDR window" % (s.window_geometry(window),))
    if time.monotonic() - start > 2.5:
        fail("tracking took too long")


# A stand-in for the SmartSDR console: a plain top-level window with its title.
SMARTSDR_SCRIPT = r"""
import time
from Xlib import X, display
d = display.Display()
s = d.screen()
w = s.root.create_window(100, 50, 1600, 700, 0, s.root_depth, background_pixel=0x404040)
w.set_wm_name("SmartSDR-Win")
w.map()
d.flush()
time.sleep(120)
"""


def needle_on_s_mark(s, window, name):
    """Where the needle stands on the S scale, in marks (9 = S9, 13 = S9+40), or None."""
    _, _, width, height = s.window_geometry(window)
    angle = needle_angle(s, window, name)
    if angle is None:
        return None
    return mark_position(angle, read_calibration(s.read("calibration.txt")),
                         (width // 2, height + 50))


def wait_interlock(s, state, seen_before, timeout):
    """Waits until radiosim has walked its interlock into `state` more often than `seen_before`."""
    line = "# interlock " + state + "\n"
    if not wait_until(lambda: s.read("radiosim.out").count(line) > seen_before, timeout, 0.02):
        fail("radiosim never went %s:\n%s" % (state, s.read("radiosim.out")))


UNKEYED = "# interlock UNKEY_REQUESTED\n"


def scenario_transmit(s):
    """The radio keys itself: the needle swings to 50 W on the power scale, or to SWR 1.5 with
    Transmit=SWR, and is back on the S reading within a second of the unkey."""
    s.install_face()
    # Receiving 3 s at S9+40 (mark 13, clear of both transmit marks), then 5 s keyed, and
    # again, from the first client on.
    s.start_radiosim("--level", "steady:-33", "--transmit", "5:3", "--tx-power", "50", "--swr",
                     "1.5")
    for reading, value in (("Power", 50), ("SWR", 1.5)):
        s.write_config(GREEN_NEEDLE_CONFIG + "[Meter]\nTransmit=%s\n" % reading)
        s.start_quendal()
        window = s.window_id()
        if not window:
            fail("meter window did not appear")
        on_s = lambda: abs((needle_on_s_mark(s, window, reading + "-receiving") or 0) - 13) <= 0.5
        if not wait_until(on_s, 10):
            fail("%s: the needle never stood on S9+40 while receiving" % reading)
        # The next key-up, and the unkey after it.
        keyed = s.read("radiosim.out").count("# interlock TRANSMITTING\n")
        wait_interlock(s, "TRANSMITTING", keyed, 10)
        unkeyed = s.read("radiosim.out").count(UNKEYED)
        took = wait_needle_on_transmit_value(s, window, reading.lower(), value, 4,
                                             reading + "-keyed")
        print("%s: keyed -> needle on %g within %.2f s" % (reading, value, took))
        unkeyed_from = moment_before(lambda: s.read("radiosim.out").count(UNKEYED) > unkeyed, 8)
        if unkeyed_from is None:
            fail("%s: radiosim did not unkey while the meter was watched:\n%s"
                 % (reading, s.read("radiosim.out")[-2000:]))
        took = expect_back_on_s(s, window, 13, unkeyed_from, reading + "-unkeyed")
        print("%s: unkey -> needle on S9+40 within %.2f s" % (reading, took))
        s.close_window(window)
        s.quendal.wait(10)


SCENARIOS = {
    "tracking": (scenario_tracking, False),
    "steady_level": (scenario_steady_level, False),
    "see_through_composited": (lambda s: scenario_see_through(s, True), True),
    "see_through_masked": (lambda s: scenario_see_through(s, False), False),
    "close_and_save": (scenario_close_and_save, False),
    "ended_by_signal": (scenario_ended_by_signal, False),
    "first_run": (scenario_first_run, False),
    "guided_calibration": (scenario_guided_calibration, False),
    "watchdog": (scenario_watchdog, False),
    "discovery_override": (scenario_discovery_override, False),
    "transmit": (scenario_transmit, False),
}


def main():
    name = sys.argv[1]
    run, compositor = SCENARIOS[name]
    run_scenario(run, compositor=compositor)
    print(name, "passed")


if __name__ == "__main__":
    main()
