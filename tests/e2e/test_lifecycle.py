"""The radio's lifecycle: the meter started first, restarts, a frozen radio, two radios, a
chosen slice, a stream that never arrives, and the one-shot link. Each scenario checks the
needle on a screenshot and the state written on the face (its words from the application
log, its pixels from the screenshot).

Usage: test_lifecycle.py <scenario>. Exit status 0 when the scenario holds.
"""

import math
import os
import subprocess
import time

from quendal_e2e import RADIOSIM, run_named_scenario, wait_until

CONFIG = """[Visual]
NeedleColor=#00FF00
[Logging]
EnableLogging=1
"""
APP_LOG = "application.log"
RADIO_LOG = "FlexRadioLib.log"
STATE = "Link state shown: "
BUILD_LABEL_S = 10.0  # the state takes the build label's corner once it has gone
OUTAGE_S = 20  # longer than the pauses between attempts ever grew
BACK_WITHIN_S = 5  # from a peer's return to the needle moving again


def fail(message):
    raise AssertionError(message)


def app_log(s):
    """The application log; the state text in it is UTF-8 (ellipsis, en dash)."""
    path = os.path.join(s.run_dir, APP_LOG)
    if not os.path.exists(path):
        return ""
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


class Meter:
    def __init__(self, s, extra_config=""):
        self.s = s
        s.install_face()
        s.write_config(CONFIG + extra_config)
        self.started = time.monotonic()
        self.proc = s.start_quendal()
        self.window = s.window_id()
        if not self.window:
            fail("meter window did not appear:\n" + s.read("quendal.out"))
        self.points = [tuple(int(v) for v in line.split())
                       for line in s.read("calibration.txt").splitlines() if line.strip()]

    def wait(self, predicate, timeout, what):
        if not wait_until(predicate, timeout, 0.1):
            fail("%s\nstate lines:\n%s\nradio:\n%s" % (
                what, "\n".join(l for l in app_log(self.s).splitlines() if STATE in l),
                self.s.read("radiosim.out")[-2000:]))
        if self.proc.poll() is not None:
            fail("meter exited:\n" + self.s.read("quendal.out"))

    def wait_label_gone(self):
        left = BUILD_LABEL_S + 0.5 - (time.monotonic() - self.started)
        if left > 0:
            time.sleep(left)

    def shown(self, words):
        return STATE + words in app_log(self.s)

    def wait_shown(self, words, timeout):
        self.wait(lambda: self.shown(words), timeout, "the face never said %r" % words)

    def window_shot(self):
        left, top, width, height = self.s.window_geometry(self.window)
        shots = os.environ.get("QUENDAL_E2E_SHOTS")  # a folder to keep every screenshot in
        path = os.path.join(shots, "%.1f.png" % time.monotonic()) if shots else None
        return self.s.screenshot(path), left, top, width, height

    def needle_mark(self):
        """The calibration mark (0 = S0 … 15 = +60 dB) whose line the needle lies on, or None."""
        shot, left, top, width, height = self.window_shot()
        pivot = (width / 2.0, height + 50.0)  # default ImageBottomOffset -50
        green = [(x - left, y - top) for y in range(top, top + height)
                 for x in range(left, left + width)
                 if shot.rgb(x, y)[1] > 200 and shot.rgb(x, y)[0] < 80 and shot.rgb(x, y)[2] < 80]
        if len(green) < 30:
            return None
        best = None
        for index, (px, py) in enumerate(self.points):
            dx, dy = px - pivot[0], py - pivot[1]
            length = math.hypot(dx, dy)
            worst = max(abs((x - pivot[0]) * dy - (y - pivot[1]) * dx) / length for x, y in green)
            if best is None or worst < best[0]:
                best = (worst, index)
        return best[1] if best[0] <= 3.0 else None

    def wait_needle(self, mark, timeout, what):
        self.wait(lambda: self.needle_mark() == mark, timeout,
                  "%s: the needle is at mark %s, not %s" % (what, self.needle_mark(), mark))

    def corner_text_pixels(self):
        """Pure-white pixels on the face, which prints none: the state's words."""
        shot, left, top, width, height = self.window_shot()
        return sum(1 for y in range(top, top + height) for x in range(left, left + width)
                   if min(shot.rgb(x, y)) >= 252)

    def expect_corner_text(self, present):
        count = self.corner_text_pixels()
        if (count > 20) != present:
            fail("%d white pixels in the corner: the state text is %s" % (
                count, "missing" if present else "shown while readings flow"))

    def close(self):
        self.s.close_window(self.window)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            fail("meter did not close")
        if self.proc.returncode != 0:
            fail("meter closed with status %d" % self.proc.returncode)


def radio_says(s, text, name="radiosim.out"):
    return text in s.read(name)


def scenario_radio_later(s):
    meter = Meter(s)
    radio = s.start_radiosim("--start-after", "15", "--level", "steady:-73")
    meter.wait_label_gone()
    meter.wait_shown("Searching for radio\u2026", 3)
    meter.expect_corner_text(True)
    if meter.needle_mark() != 0:
        fail("the needle is not at rest on S0 before the radio is there")
    meter.wait(lambda: radio_says(s, "# command channel on"), 20, "the radio never started")
    accepting = time.monotonic()
    meter.wait_needle(9, 15, "the radio switched on later")
    print("radio accepting -> needle on S9: %.1f s" % (time.monotonic() - accepting))
    meter.wait_shown("(none)", 3)
    meter.expect_corner_text(False)
    if radio.poll() is not None:
        fail("the simulator stopped")
    meter.close()


def scenario_restart(s):
    # At a fixed address nothing announces the radio's return: only the meter's own attempts
    # find it, and after an outage longer than any pause they must still come every few seconds.
    s.start_radiosim("--restart-after", "10", "--restart-pause", str(OUTAGE_S),
                     "--level", "steady:-73")
    meter = Meter(s, "[Network]\nFlexIP=127.0.0.1\n")
    meter.wait_needle(9, 15, "before the restart")
    meter.wait(lambda: radio_says(s, "# restarting"), 15, "the radio never restarted")
    meter.wait(lambda: "Radio lost \u2013 retrying in" in app_log(s), 5,
               "the face never said the radio was lost")
    meter.wait_needle(0, 3, "while the radio is away")
    meter.wait(lambda: radio_says(s, "# back with new meter IDs"), OUTAGE_S + 5,
               "the radio never came back")
    back = time.monotonic()
    meter.wait_needle(9, BACK_WITHIN_S, "after the restart")
    print("radio accepting again -> needle on S9: %.1f s" % (time.monotonic() - back))
    # Only the new LEVEL meter is known: the old ID 24 was forgotten with the lost radio.
    log = s.read(RADIO_LOG)
    last_list = log[log.rfind("Logging all meters in the FMeterList:"):]
    if "Meter Name: LEVEL, ID: 124," not in last_list or "ID: 24," in last_list:
        fail("the meter list after the restart is not the new one:\n" + last_list[:2000])
    meter.expect_corner_text(False)
    meter.close()


def scenario_frozen(s):
    s.start_radiosim("--freeze-after", "8", "--freeze-for", "22", "--level", "steady:-73")
    meter = Meter(s)
    meter.wait_needle(9, 15, "before the freeze")
    meter.wait(lambda: radio_says(s, "# frozen"), 15, "the radio never froze")
    frozen = time.monotonic()
    meter.wait_needle(0, 3, "the frozen radio's last reading went stale")
    meter.wait(lambda: "No meter data for " in app_log(s), 3,
               "the face never said how long the readings had stopped")
    meter.wait_shown("Radio not answering", 10)
    meter.expect_corner_text(True)
    meter.wait(lambda: "Radio lost \u2013 retrying in" in app_log(s), 20,
               "a frozen radio was never declared lost")
    lost_after = time.monotonic() - frozen
    if not 10.0 <= lost_after <= 18.0:
        fail("declared lost %.1f s after the freeze, not after the ping time-out" % lost_after)
    meter.wait(lambda: radio_says(s, "# back with new meter IDs"), 15, "the radio never thawed")
    meter.wait_needle(9, 10, "after the radio thawed")
    meter.close()


def scenario_radio_by_serial(s):
    s.spawn([RADIOSIM, "--listen", "127.0.0.2", "--serial", "2222-0000-0000-0002",
             "--nickname", "Upstairs", "--level", "steady:-73"], log="radio2.out")
    s.start_radiosim("--serial", "1111-0000-0000-0001", "--nickname", "Downstairs",
                     "--level", "steady:-121")
    meter = Meter(s, "[Network]\nRadioSerial=2222-0000-0000-0002\n")
    meter.wait_needle(9, 15, "the radio chosen by serial")
    if radio_says(s, "# client connected"):
        fail("the meter connected to the radio it was not told to use")
    meter.wait(lambda: "Radio: model FLEX-6600M, nickname Upstairs, serial 2222-0000-0000-0002"
               in s.read(RADIO_LOG), 2, "the chosen radio was not logged")
    title = subprocess.run(["xdotool", "getwindowname", str(meter.window)], env=s.env,
                           capture_output=True, text=True).stdout.strip()
    if title != "Quendal for FlexRadio \u2013 Upstairs (FLEX-6600M)":
        fail("window title %r" % title)
    meter.close()


def scenario_slice(s):
    # Slice 0 at S9, slice 1 24 dB lower: S5.
    s.start_radiosim("--slices", "2", "--level", "steady:-73")
    meter = Meter(s, "[Meter]\nSlice=1\n")
    meter.wait_needle(5, 15, "slice 1")
    meter.close()


def scenario_no_stream(s):
    # The meter stream never arrives, as behind a firewall.
    s.start_radiosim("--silence-after", "0", "--level", "steady:-73")
    meter = Meter(s)
    meter.wait(lambda: radio_says(s, "sub meter all"), 15, "the meter never subscribed")
    meter.wait_label_gone()
    meter.wait(lambda: "No meter data \u2013 check the firewall (UDP " in app_log(s), 5,
               "the face never gave the firewall hint")
    port = s.read(RADIO_LOG).split("UDP server started on port ")[1].split()[0]
    meter.wait_shown("No meter data \u2013 check the firewall (UDP %s)" % port, 1)
    meter.expect_corner_text(True)
    if meter.needle_mark() != 0:
        fail("the needle left S0 without a single reading")
    meter.close()


def scenario_one_shot(s):
    s.start_radiosim("--drop-after", "3", "--level", "steady:-73")
    meter = Meter(s, "[Network]\nReconnect=0\n")
    meter.wait_needle(9, 15, "before the drop")
    meter.wait(lambda: radio_says(s, "dropping the command channel"), 10, "no drop")
    meter.wait_needle(0, 3, "after the drop")
    time.sleep(4.0)
    if s.read("radiosim.out").count("# client connected") != 1:
        fail("the one-shot link connected again:\n" + s.read("radiosim.out"))
    if "retrying" in app_log(s) or "ConnectionLost" in s.read(RADIO_LOG):
        fail("the one-shot link announced a reconnection")
    meter.wait_shown("Radio lost \u2013 not reconnecting (Reconnect=0)", 1)
    meter.expect_corner_text(True)
    meter.close()


SCENARIOS = {
    "radio_later": scenario_radio_later,
    "restart": scenario_restart,
    "frozen": scenario_frozen,
    "radio_by_serial": scenario_radio_by_serial,
    "slice": scenario_slice,
    "no_stream": scenario_no_stream,
    "one_shot": scenario_one_shot,
}


if __name__ == "__main__":
    run_named_scenario(SCENARIOS, screen="800x600x24")
