"""The level's history: the real meter against quendal-radiosim's sweep under Xvfb.

Usage: test_levels.py <scenario>. Exit status 0 when the scenario holds.
"""

import os
import subprocess
import time

from quendal_e2e import parse_ppm, run_named_scenario, wait_until

DOCS = os.environ.get("QUENDAL_DOCS_DIR", "")
SWEEP_SECONDS = 30
MEAN_LINE = (20, 80, 200)  # the chart's line of each second's mean


def fail(message):
    raise AssertionError(message)


def xdotool(s, *args):
    subprocess.run(["xdotool", *[str(a) for a in args]], env=s.env, check=True)


def window_shot(s, window, path=None):
    r = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], env=s.env,
                       capture_output=True, check=True)
    if path:
        subprocess.run(["convert", "ppm:-", path], input=r.stdout, check=True)
    return parse_ppm(r.stdout)


def mean_line(shot):
    """Per column, the middle row of the mean line's pixels."""
    rows = {}
    for x in range(shot.width):
        ys = [y for y in range(shot.height)
              if all(abs(a - b) < 40 for a, b in zip(shot.rgb(x, y), MEAN_LINE))]
        if ys:
            rows[x] = (min(ys) + max(ys)) / 2
    return rows


def longest_rise(rows):
    """The most the line climbs (pixels upwards) within 150 columns."""
    xs = sorted(rows)
    best = 0
    for i, x0 in enumerate(xs):
        for x1 in xs[i + 1:]:
            if x1 - x0 > 150:
                break
            best = max(best, rows[x0] - rows[x1])
    return best


def scenario_level_history(s):
    s.install_face()
    s.write_config("[Visual]\nReadout=1\n[Logging]\nLevelFile=levels.csv\n")
    s.start_radiosim("--level", "sweep")
    s.quendal = s.start_quendal()
    meter = s.window_id()
    if not meter:
        fail("meter window did not appear")
    left, top, width, height = s.window_geometry(meter)
    s.click(left + width // 2, top + height // 3, button=3)
    time.sleep(0.6)
    s.key("h")  # Level history…

    def history_window():
        others = [w for w, _ in s.visible_windows(s.quendal.pid) if w != meter]
        return others[0] if others else None
    window = wait_until(history_window, 10, 0.2)
    if not window:
        fail("Level history… opened no window")
    xdotool(s, "windowmove", window, 0, 300)
    time.sleep(SWEEP_SECONDS)

    shot = window_shot(s, window, os.path.join(s.run_dir, "history.png"))
    rows = mean_line(shot)
    if len(rows) < 100:
        fail("the chart shows no line of means (%d columns)" % len(rows))
    rise = longest_rise(rows)
    if rise < shot.height * 0.4:
        fail("the line never rises across the chart: at most %d of %d pixels" % (rise, shot.height))

    # Two spans, A low on the sweep and B higher, for the README's picture.
    columns = sorted(rows)
    low = max(columns[-120:], key=lambda x: rows[x])
    high = min(columns[-120:], key=lambda x: rows[x])
    wx, wy, _, wh = s.window_geometry(window)
    y = wy + wh // 2
    for a, b in ((low - 12, low + 12), (high - 12, high + 12)):
        xdotool(s, "mousemove", wx + a, y, "mousedown", 1)
        xdotool(s, "mousemove", wx + (a + b) // 2, y)
        xdotool(s, "mousemove", wx + b, y, "mouseup", 1)
        time.sleep(0.3)
    time.sleep(1.2)
    window_shot(s, window, os.path.join(DOCS or s.run_dir, "level-history.png"))

    log = s.read("levels.csv").splitlines()
    if not log or log[0] != "time_utc,frequency_hz,dbm,s_units,transmit,transmit_unit":
        fail("levels.csv has no header: %r" % log[:1])
    levels = [float(row.split(",")[2]) for row in log[1:] if row.split(",")[2]]
    if len(levels) < 10 * (SWEEP_SECONDS - 5) or max(levels) - min(levels) < 80:
        fail("levels.csv holds %d rows from %s to %s dBm" % (
            len(levels), min(levels, default=None), max(levels, default=None)))


SCENARIOS = {"level_history": scenario_level_history}

if __name__ == "__main__":
    run_named_scenario(SCENARIOS)
