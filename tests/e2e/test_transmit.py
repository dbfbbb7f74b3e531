"""End-to-end scenarios of the needle on transmit that hold for every radio family, against
quendal-radiosim keying up under Xvfb. Each family's own key-up scenarios live with the
family's others.

Usage: test_transmit.py <scenario>. Exit status 0 when the scenario holds.
"""

import time

from quendal_e2e import mark_position, needle_angle, run_named_scenario, wait_until

# As Session.read gives the log's UTF-8 bytes.
NO_POWER_SCALE = ("Transmit text shown: No power scale \u2013 calibrate it from the menu"
                  .encode("utf-8").decode("latin-1"))


def fail(message):
    raise AssertionError(message)


def s_marks(s):
    numbers = [int(v) for v in s.read("calibration.txt").split()]
    return [(numbers[i], numbers[i + 1]) for i in range(0, 32, 2)]


def scenario_transmit_no_scale(s):
    # The face without its transmit scales: on key-up the needle leaves S9 for S0 and the
    # corner asks for a power scale.
    s.install_face(transmit_scales=False)
    s.write_config("[Network]\nFlexIP=127.0.0.1\n[Visual]\nNeedleColor=#00FF00\n"
                   "[Logging]\nEnableLogging=1\n")
    s.start_radiosim("--level", "steady:-73", "--transmit", "60:3")
    s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear:\n" + s.read("quendal.out"))
    if not wait_until(lambda: NO_POWER_SCALE in s.read("application.log"), 20):
        fail("the corner never asked for a power scale:\n" + s.read("application.log")[-3000:])
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


if __name__ == "__main__":
    run_named_scenario({"transmit_no_scale": scenario_transmit_no_scale})
