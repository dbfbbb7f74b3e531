"""End-to-end scenarios for the other radio families: the real meter against the real
rigctld (Hamlib's dummy rig) and against quendal-tcisim, under Xvfb.

Usage: test_radios.py <scenario>. Exit status 0 when the scenario holds.
"""

import datetime
import math
import os
import socket
import subprocess
import time

from quendal_e2e import (expect_back_on_s, mark_position, moment_before,
                         needle_on_transmit_scale, run_named_scenario, transmit_scale,
                         value_position, wait_needle_on_transmit_value, wait_until)

TCISIM = os.environ.get("TCISIM_BIN", "quendal-tcisim")
RIGCTLD = os.environ.get("RIGCTLD_BIN", "rigctld")
RIGCTL = os.environ.get("RIGCTL_BIN", "rigctl")
SETTLE_S = 2.5  # the needle's ballistics settle well within this
OUTAGE_S = 20  # longer than the pauses between attempts ever grew
BACK_WITHIN_S = 5  # from a peer's return to the needle moving again
NEEDLE_FOLLOWS_S = 0.3  # a new reading moves the needle well within this


def fail(message):
    raise AssertionError(message)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def marks(s):
    numbers = [int(v) for v in s.read("calibration.txt").split()]
    return [(numbers[i], numbers[i + 1]) for i in range(0, 32, 2)]


def needle_mark(s, window, name, not_drawn_yet=False):
    """Where the green needle points, in marks (0 = S0, 9 = S9, 11 = S9+20), from a screenshot.
    With not_drawn_yet, a window that shows no needle yet gives None instead of failing."""
    left, top, width, height = s.window_geometry(window)
    shot = s.screenshot(os.path.join(s.run_dir, name + ".png"))
    pivot = (width // 2, height + 50)  # default ImageBottomOffset -50
    angles = [math.atan2(y - top - pivot[1], x - left - pivot[0])
              for y in range(top, top + height) for x in range(left, left + width)
              if shot.rgb(x, y)[1] > 200 and shot.rgb(x, y)[0] < 80 and shot.rgb(x, y)[2] < 80]
    if len(angles) < 30:
        if not_drawn_yet:
            return None
        fail("%s: too few needle pixels (%d)" % (name, len(angles)))
    return mark_position(sum(angles) / len(angles), marks(s), pivot)


def wait_needle_at(s, window, mark, timeout, name, within=0.5):
    """Seconds until the needle stands within `within` marks of `mark`; fails after `timeout`."""
    start = time.monotonic()
    def near():
        # A window just mapped may not have painted its first frame yet.
        at = needle_mark(s, window, name, not_drawn_yet=True)
        return (at is not None and abs(at - mark) <= within) or None

    seen = wait_until(near, timeout, 0.1)
    if not seen:
        fail("%s: the needle stands at mark %.2f, not at %.2f within %.1f s"
             % (name, needle_mark(s, window, name), mark, timeout))
    return time.monotonic() - start


def sleep_until(moment):
    time.sleep(max(0.0, moment - time.monotonic()))


def mark_for_dbm(dbm):
    over = dbm + 73.0
    return 9.0 + over / 10.0 if over >= 0 else max(0.0, 9.0 + over / 6.0)


def expect_needle(s, window, dbm, name):
    seen = needle_mark(s, window, name)
    wanted = mark_for_dbm(dbm)
    if abs(seen - wanted) > 1.0:
        fail("%s: the needle stands at mark %.2f, not within one mark of %.2f (%.1f dBm)"
             % (name, seen, wanted, dbm))


def start_meter(s, config):
    s.install_face()
    s.write_config("[Visual]\nNeedleColor=#00FF00\nNeedleThickness=2\n"
                   "[Logging]\nEnableLogging=1\n" + config)
    s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear:\n" + s.read("quendal.out"))
    return window


# --- Hamlib: the real rigctld with the dummy rig ------------------------------------

def start_rigctld(s, port, *options):
    return s.spawn([RIGCTLD, "-m", "1", "-T", "127.0.0.1", "-t", str(port), *options],
                   log="rigctld.out")


def dummy_strength(port):
    r = subprocess.run([RIGCTL, "-m", "2", "-r", "127.0.0.1:%d" % port, "l", "STRENGTH"],
                       capture_output=True, text=True, timeout=10)
    return int(r.stdout.split()[0])


def expect_needle_on_dummy(s, window, port, name):
    # The dummy's S-meter drifts: read it just before and after the screenshot.
    before = dummy_strength(port)
    seen = needle_mark(s, window, name)
    after = dummy_strength(port)
    low, high = sorted((mark_for_dbm(before - 73.0), mark_for_dbm(after - 73.0)))
    if not low - 1.0 <= seen <= high + 1.0:
        fail("%s: the needle stands at mark %.2f; the dummy read %d then %d dB over S9"
             % (name, seen, before, after))
    return seen


def scenario_hamlib_rigctld(s):
    port = free_port()
    rigctld = start_rigctld(s, port)
    window = start_meter(s, "[Radio]\nType=hamlib\n[Hamlib]\nModel=2\nDevice=127.0.0.1:%d\n" % port)
    if not wait_until(lambda: "Hamlib: Opened" in s.read("Hamlib.log"), 20, 0.2):
        fail("the meter never opened the rig:\n" + s.read("Hamlib.log"))
    time.sleep(SETTLE_S)
    first = expect_needle_on_dummy(s, window, port, "hamlib-dummy")
    # The preamplifier lifts the dummy's S-meter; the needle follows.
    subprocess.run([RIGCTL, "-m", "2", "-r", "127.0.0.1:%d" % port, "L", "PREAMP", "10"],
                   check=True, capture_output=True, timeout=10)
    time.sleep(SETTLE_S)
    second = expect_needle_on_dummy(s, window, port, "hamlib-preamp")
    if abs(second - first) < 0.5:
        fail("the needle did not move with the dummy's S-meter (%.2f, %.2f)" % (first, second))


def rigctl(port, *command):
    r = subprocess.run([RIGCTL, "-m", "2", "-r", "127.0.0.1:%d" % port, *command],
                       check=True, capture_output=True, text=True, timeout=10)
    return r.stdout


def logged_power(s, since, until):
    """The watts of the application log's transmit lines stamped from `since` to `until`
    (seconds of the epoch)."""
    watts = []
    for line in s.read("application.log").splitlines():
        if "Transmit reading: Power " not in line:
            continue
        stamp = datetime.datetime.strptime(line[:23], "%Y-%m-%d %H:%M:%S.%f").timestamp()
        if since <= stamp <= until:
            watts.append(float(line.split("Transmit reading: Power ")[1].split()[0]))
    return watts


def scenario_hamlib_transmit(s):
    port = free_port()
    start_rigctld(s, port, "-P", "RIG")
    window = start_meter(s, "[Radio]\nType=hamlib\n[Hamlib]\nModel=2\nDevice=127.0.0.1:%d\n" % port)
    if not wait_until(lambda: "Hamlib: Opened" in s.read("Hamlib.log"), 20, 0.2):
        fail("the meter never opened the rig:\n" + s.read("Hamlib.log"))
    time.sleep(SETTLE_S)
    expect_needle_on_dummy(s, window, port, "hamlib-receiving")

    # Keyed by another client, as a foot switch or a logger would.
    rigctl(port, "T", "1")
    watt_marks = [value for value, _, _ in transmit_scale(s, "power")]
    time.sleep(SETTLE_S)
    # The dummy's power jumps at every poll and the needle follows within a tick or two: it
    # stands among the watts the meter logged just before and while the screenshot was taken.
    for i in range(3):
        since = time.time() - NEEDLE_FOLLOWS_S
        seen = needle_on_transmit_scale(s, window, "power", "hamlib-keyed-%d" % i)
        watts = logged_power(s, since, time.time())
        if not watts:
            fail("no transmit reading in the log:\n" + s.read("application.log")[-2000:])
        low, high = value_position(min(watts), watt_marks), value_position(max(watts), watt_marks)
        if seen is None or not low - 0.5 <= seen <= high + 0.5:
            fail("hamlib-keyed-%d: the needle stands at mark %s of the power scale; the rig "
                 "reported %.1f to %.1f W (marks %.2f to %.2f)"
                 % (i, seen, min(watts), max(watts), low, high))
        print("keyed: the needle at %.2f marks of the power scale, the rig reporting %.1f to "
              "%.1f W" % (seen, min(watts), max(watts)))

    strength = dummy_strength(port)
    unkeyed_from = time.monotonic()
    rigctl(port, "T", "0")
    # The dummy's S-meter drifts: within a mark of where it stood just before the unkey.
    took = expect_back_on_s(s, window, mark_for_dbm(strength - 73.0), unkeyed_from,
                            "hamlib-unkeyed", within=1.0)
    print("unkey -> needle on the S reading: %.2f s" % took)


def scenario_hamlib_slow_poll(s):
    # The dummy's static S-meter stands 12 dB below S9, on S7: only the meter moves the needle.
    static = ["-C", "static_data=1"]
    s7 = 7.0
    port = free_port()
    rigctld = start_rigctld(s, port, *static)
    window = start_meter(s, "[Radio]\nType=hamlib\n[Hamlib]\nModel=2\nDevice=127.0.0.1:%d\n"
                         "PollMs=2500\n" % port)
    wait_needle_at(s, window, s7, 20, "hamlib-first-reading")
    # Read every 2.5 s, each reading holds the needle until the next one.
    for i in range(8):
        seen = needle_mark(s, window, "hamlib-hold-%d" % i)
        if abs(seen - s7) > 0.5:
            fail("between polls the needle fell to mark %.2f (sample %d)" % (seen, i))
        time.sleep(0.6)

    # rigctld goes away for longer than the pauses between attempts ever grew, then returns.
    rigctld.terminate()
    rigctld.wait(5)
    back_at = time.monotonic() + OUTAGE_S
    wait_needle_at(s, window, 0.0, 10, "hamlib-away")
    sleep_until(back_at)
    start_rigctld(s, port, *static)
    took = wait_needle_at(s, window, s7, BACK_WITHIN_S, "hamlib-back")
    print("rigctld back -> needle on S7: %.1f s" % took)


# --- TCI: quendal-tcisim --------------------------------------------------------------

def start_tcisim(s, port, log, *args):
    return s.spawn([TCISIM, "--port", str(port), *args], log=log)


def scenario_tci_sweep(s):
    port = free_port()
    sim_out = "tcisim.out"
    sim = start_tcisim(s, port, sim_out, "--level", "steps:-73,-53", "--hold", "6")
    window = start_meter(s, "[Radio]\nType=tci\n[TCI]\nAddress=127.0.0.1:%d\n" % port)
    if not wait_until(lambda: "# client connected" in s.read(sim_out), 20, 0.1):
        fail("the meter never connected:\n" + s.read(sim_out))
    time.sleep(SETTLE_S)
    expect_needle(s, window, -73.0, "tci-s9")
    if not wait_until(lambda: "# level -53.0 dBm" in s.read(sim_out), 10, 0.1):
        fail("the simulator never stepped to S9+20:\n" + s.read(sim_out))
    time.sleep(SETTLE_S)
    expect_needle(s, window, -53.0, "tci-s9plus20")

    # The server goes away for longer than the pauses between attempts ever grew, and
    # another starts on the same port.
    sim.terminate()
    sim.wait(5)
    back_at = time.monotonic() + OUTAGE_S
    if not wait_until(lambda: "Next attempt in" in s.read("TCI.log"), 15, 0.2):
        fail("the meter never noticed that the server went away:\n" + s.read("TCI.log"))
    sleep_until(back_at)
    start_tcisim(s, port, "tcisim-again.out", "--level", "steady:-93", "--upper-case")
    took = wait_needle_at(s, window, mark_for_dbm(-93.0), BACK_WITHIN_S, "tci-restarted")
    print("server back -> needle on %.1f: %.1f s" % (mark_for_dbm(-93.0), took))


def tci_transmit(s, reading, value, config=""):
    """tcisim keyed at 50 W into an SWR of 1.5 after 5 s of S9+40 (clear of both transmit
    marks): the needle stands on `value` of the `reading` scale while keyed, and is back on
    S9+40 within a second of the unkey."""
    port = free_port()
    sim_out = "tcisim.out"
    start_tcisim(s, port, sim_out, "--level", "steady:-33", "--transmit", "6:5", "--tx-power",
                 "50", "--swr", "1.5")
    window = start_meter(s, "[Radio]\nType=tci\n[TCI]\nAddress=127.0.0.1:%d\n" % port + config)
    wait_needle_at(s, window, 13.0, 15, "tci-receiving")
    # The next key-up, and the unkey after it.
    keyed = s.read(sim_out).count("# keyed\n")
    if not wait_until(lambda: s.read(sim_out).count("# keyed\n") > keyed, 10, 0.05):
        fail("the simulator never keyed:\n" + s.read(sim_out))
    unkeyed = s.read(sim_out).count("# unkeyed\n")
    took = wait_needle_on_transmit_value(s, window, reading, value, SETTLE_S, "tci-keyed")
    print("key -> needle on %g of the %s scale: %.2f s" % (value, reading, took))
    unkeyed_from = moment_before(lambda: s.read(sim_out).count("# unkeyed\n") > unkeyed, 10)
    if unkeyed_from is None:
        fail("the simulator did not unkey while the meter was watched:\n" + s.read(sim_out))
    took = expect_back_on_s(s, window, 13.0, unkeyed_from, "tci-unkeyed")
    print("unkey -> needle on S9+40: %.2f s" % took)


def scenario_tci_transmit_power(s):
    tci_transmit(s, "power", 50)


def scenario_tci_transmit_swr(s):
    tci_transmit(s, "swr", 1.5, "[Meter]\nTransmit=SWR\n")


SCENARIOS = {
    "hamlib_rigctld": scenario_hamlib_rigctld,
    "hamlib_slow_poll": scenario_hamlib_slow_poll,
    "tci_sweep": scenario_tci_sweep,
    "tci_transmit_power": scenario_tci_transmit_power,
    "tci_transmit_swr": scenario_tci_transmit_swr,
    "hamlib_transmit": scenario_hamlib_transmit,
}


if __name__ == "__main__":
    run_named_scenario(SCENARIOS)
