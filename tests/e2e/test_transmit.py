"""End-to-end scenarios of the needle on transmit that hold for every radio family, against
quendal-radiosim keying up under Xvfb. Each family's own key-up scenarios live with the
family's others.

Usage: test_transmit.py <scenario>. Exit status 0 when the scenario holds.
"""

import os
import time

from quendal_e2e import (ASSETS, answer_with_text, choose, mark_position, needle_angle,
                         run_named_scenario, transmit_scale, wait_needle_on_transmit_value,
                         wait_until)

# As Session.read gives the log's UTF-8 bytes.
NO_POWER_SCALE = ("Transmit text shown: No power scale \u2013 calibrate it from the menu"
                  .encode("utf-8").decode("latin-1"))


def fail(message):
    raise AssertionError(message)


def s_marks(s):
    numbers = [int(v) for v in s.read("calibration.txt").split()]
    return [(numbers[i], numbers[i + 1]) for i in range(0, 32, 2)]


def keyed_without_power_scale(s, *radiosim_options):
    """The meter on the face without its transmit scales, radiosim keyed up: the window once
    the corner asks for a power scale."""
    s.install_face(transmit_scales=False)
    s.write_config("[Network]\nFlexIP=127.0.0.1\n[Visual]\nNeedleColor=#00FF00\n"
                   "[Logging]\nEnableLogging=1\n")
    s.start_radiosim("--level", "steady:-73", "--transmit", "60:3", *radiosim_options)
    s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear:\n" + s.read("quendal.out"))
    if not wait_until(lambda: NO_POWER_SCALE in s.read("application.log"), 20):
        fail("the corner never asked for a power scale:\n" + s.read("application.log")[-3000:])
    return window


def scenario_transmit_no_scale(s):
    # The face without its transmit scales: on key-up the needle leaves S9 for S0 and the
    # corner asks for a power scale.
    window = keyed_without_power_scale(s)
    _, _, width, height = s.window_geometry(window)
    pivot = (width // 2, height + 50)
    seen = [None]

    def resting():
        angle = needle_angle(s, window, "transmit-no-scale")
        seen[0] = angle is not None and mark_position(angle, s_marks(s), pivot)
        return angle is not None and seen[0] <= 0.5

    if not wait_until(resting, 10):
        fail("on the air without a power scale the needle stands at mark %s, not S0" % seen[0])
    if "Transmit reading: Power 50.0 W" not in s.read("application.log"):
        fail("the log has no transmit reading line")
    print("no power scale: needle on S0, corner text shown")


def shipped_marks(reading):
    """The (value, x, y) marks the default face prints, from the file shipped with it."""
    with open(os.path.join(ASSETS, "quendal.%s.txt" % reading)) as f:
        return [(float(w[0]), int(w[1]), int(w[2])) for w in map(str.split, f)
                if len(w) == 3 and not w[0].startswith("#")]


def scenario_transmit_calibration(s):
    # The face without its power scale, keyed at 50 W: the operator calibrates one from the
    # menu, typing the marks' values and clicking each mark, and the needle goes to 50 W.
    window = keyed_without_power_scale(s, "--tx-power", "50")
    choose(s, window, ["n"])  # Calibrate transmit scale...
    answer_with_text(s, window, "0 25 50 75 100")
    marks = shipped_marks("power")
    left, top, _, _ = s.window_geometry(window)
    for _, x, y in marks:
        s.click(left + x, top + y)
        time.sleep(0.3)
    if not wait_until(lambda: "Guided calibration: preview done." in s.read("application.log"),
                      10):
        fail("the preview never ended:\n" + s.read("application.log")[-3000:])
    # While "Use this calibration?" waits, the needle shows the transmitter on the new marks.
    _, _, width, height = s.window_geometry(window)
    points, pivot, seen = [(x, y) for _, x, y in marks], (width // 2, height + 50), [None]

    def on_50_w():
        angle = needle_angle(s, window, "transmit-question")
        seen[0] = angle is not None and mark_position(angle, points, pivot)
        return angle is not None and abs(seen[0] - 2.0) <= 0.5

    if not wait_until(on_50_w, 10):
        fail("at the question the needle stands at mark %s, not on 50 W (2)" % seen[0])
    s.key("y")
    if not wait_until(lambda: transmit_scale(s, "power"), 5):
        fail("quendal.power.txt was not written:\n" + s.read("application.log")[-3000:])
    if transmit_scale(s, "power") != marks:
        fail("quendal.power.txt holds %s, not %s" % (transmit_scale(s, "power"), marks))
    wait_needle_on_transmit_value(s, window, "power", 50, 10, "transmit-calibrated")
    print("power scale calibrated from the menu: needle on the clicked 50 W mark")


if __name__ == "__main__":
    run_named_scenario({"transmit_no_scale": scenario_transmit_no_scale,
                        "transmit_calibration": scenario_transmit_calibration})
