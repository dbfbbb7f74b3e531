"""The meter on the desktop: drag, right-click menu, size, peak hold, reset, tray, 200 %.

Usage: test_desk.py <scenario>. Exit status 0 when the scenario holds.
"""

import math
import os
import subprocess
import time

from quendal_e2e import choose, menu_shown, run_named_scenario, wait_until

DOCS = os.environ.get("QUENDAL_DOCS_DIR", "")


def fail(message):
    raise AssertionError(message)


def read_calibration(text):
    numbers = [int(v) for v in text.split()]
    return [(numbers[i], numbers[i + 1]) for i in range(0, 32, 2)]


def xdotool(s, *args):
    subprocess.run(["xdotool", *[str(a) for a in args]], env=s.env, check=True)


def count_pixels(shot, box, match):
    left, top, width, height = box
    return sum(1 for y in range(top, top + height) for x in range(left, left + width)
               if match(shot.rgb(x, y)))


def green(p):
    return p[1] > 200 and p[0] < 80 and p[2] < 80


def blue(p):
    # Anti-aliased blue over the cream face.
    return p[2] > p[0] + 60 and p[2] > p[1] + 60


def magenta(p):
    return p[0] > 200 and p[2] > 200 and p[1] < 80


def scenario_drag_and_menu(s):
    s.install_face()
    # Solid colours of their own: a magenta shadow, a blue peak marker.
    s.write_config("[Window]\nLeft=100\nTop=80\n[Visual]\nNeedleColor=#00FF00\n"
                   "UseNeedleColorForShadow=0\nShadowColor=#FF00FF\nShadowTransparency=255\n"
                   "PeakHoldColor=#0000FF\nPeakHoldMs=3000\n")
    s.start_radiosim()  # a fading signal: the peak stands apart from the needle
    s.quendal = s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    time.sleep(1.5)
    left, top, width, height = s.window_geometry(window)

    # Drag by 150, 90: the window follows.
    grab = (left + width // 2, top + height // 3)
    xdotool(s, "mousemove", *grab)
    xdotool(s, "mousedown", 1)
    for step in range(1, 6):
        xdotool(s, "mousemove", grab[0] + 30 * step, grab[1] + 18 * step)
        time.sleep(0.05)
    xdotool(s, "mouseup", 1)
    if not wait_until(lambda: s.window_geometry(window)[:2] == (left + 150, top + 90), 3, 0.1):
        fail("dragged window at %s, not %s" % (s.window_geometry(window)[:2],
                                               (left + 150, top + 90)))
    left, top = left + 150, top + 90
    # The upper part of the face: the needle crosses it, the corner labels do not.
    box = (left, top, width, height * 6 // 10)

    before = s.screenshot()
    if count_pixels(before, box, magenta):
        fail("a shadow before it was switched on")
    # The menu itself, for the README.
    s.click(left + width // 2, top + height // 3, button=3)
    if not wait_until(lambda: menu_shown(s, window), 5, 0.1):
        fail("right click opened no menu")
    time.sleep(0.3)
    s.screenshot(os.path.join(DOCS or s.run_dir, "menu.png"))
    s.key("Escape")
    wait_until(lambda: not menu_shown(s, window), 3, 0.1)

    choose(s, window, ["s"])  # Needle shadow
    if count_pixels(s.screenshot(), box, magenta) < 20:
        fail("Needle shadow drew no shadow")
    choose(s, window, ["p"])  # Peak hold
    choose(s, window, ["z", "2"])  # Size, 200 %
    if not wait_until(lambda: s.window_geometry(window)[2:] == (2 * width, 2 * height), 3, 0.1):
        fail("size 200 %% gave %s" % (s.window_geometry(window)[2:],))
    choose(s, window, ["q"])  # Quit: saves first
    try:
        s.quendal.wait(10)
    except subprocess.TimeoutExpired:
        fail("Quit did not close the meter")
    lines = open(s.config_path()).read().splitlines()
    for line in ("Left=%d" % left, "Top=%d" % top, "EnableShadow=1", "PeakHold=1", "Scale=200"):
        if line not in lines:
            fail("missing %r in config.ini:\n%s" % (line, "\n".join(lines)))


def scenario_reset_window(s):
    s.install_face()
    s.write_config("[Window]\nClickThrough=1\nAlwaysOnTop=1\nLeft=5000\nTop=-4000\n")
    s.start_radiosim()
    s.quendal = s.start_quendal("--reset-window")
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    lines = lambda: open(s.config_path()).read().splitlines()
    if not wait_until(lambda: "ClickThrough=0" in lines(), 5, 0.1):
        fail("--reset-window did not save:\n" + "\n".join(lines()))
    for line in ("AlwaysOnTop=0", "Left=0", "Top=0"):
        if line not in lines():
            fail("missing %r in config.ini:\n%s" % (line, "\n".join(lines())))
    time.sleep(0.5)
    # Clicks reach the meter again: a right click opens its menu.
    left, top, width, height = s.window_geometry(window)
    s.click(left + width // 2, top + height // 3, button=3)
    if not wait_until(lambda: menu_shown(s, window), 5, 0.1):
        fail("the meter still lets clicks through")


def near_line(pixels, pivot, mark, within=3.0):
    """The pixels lying within `within` px of the line from the pivot through the mark."""
    dx, dy = mark[0] - pivot[0], mark[1] - pivot[1]
    length = math.hypot(dx, dy)
    return [(x, y) for x, y in pixels
            if abs((x - pivot[0]) * dy - (y - pivot[1]) * dx) / length <= within]


def scenario_peak_hold_at_200(s):
    s.install_face()
    s.write_config("[Window]\nLeft=20\nTop=20\n[Visual]\nNeedleColor=#00FF00\nScale=200\n"
                   "PeakHold=1\nPeakHoldMs=2500\nPeakHoldColor=#0000FF\n")
    # S9 for 10 s, then S1.
    s.start_radiosim("--level", "drop:-73:-121:10")
    s.quendal = s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    face = subprocess.run(["identify", "-format", "%w %h", os.path.join(s.run_dir, "quendal.png")],
                          capture_output=True, text=True, check=True).stdout.split()
    face_w, face_h = int(face[0]), int(face[1])
    left, top, width, height = s.window_geometry(window)
    if (width, height) != (2 * face_w, 2 * face_h):
        fail("window %dx%d at 200 %%, face %dx%d" % (width, height, face_w, face_h))
    points = read_calibration(s.read("calibration.txt"))
    pivot = (left + width // 2, top + height + 100)  # ImageBottomOffset -50, doubled
    s9 = (left + 2 * points[9][0], top + 2 * points[9][1])
    s1 = (left + 2 * points[1][0], top + 2 * points[1][1])

    def pixels(shot, match):
        found = []
        for y in range(top, top + height):
            start = (y * shot.width + left) * 3
            row = shot.pixels[start:start + width * 3]
            for x, p in enumerate(zip(row[0::3], row[1::3], row[2::3]), left):
                if match(p):
                    found.append((x, y))
        return found

    # The needle settles on S9.
    def on_s9():
        needle = pixels(s.screenshot(os.path.join(s.run_dir, "s9.png")), green)
        return len(needle) >= 30 and len(near_line(needle, pivot, s9)) == len(needle)
    if not wait_until(on_s9, 9, 0.3):
        fail("at 200 % the needle does not point at S9 for -73 dBm")

    # The level drops to S1: the needle follows, the marker stays at S9.
    def fallen():
        shot = s.screenshot(os.path.join(DOCS or s.run_dir, "peak-hold-200.png"))
        needle = pixels(shot, green)
        return shot if needle and len(near_line(needle, pivot, s1)) == len(needle) else None
    shot = wait_until(fallen, 10, 0.2)
    if not shot:
        fail("the needle did not fall to S1")
    marker = pixels(shot, blue)
    if len(near_line(marker, pivot, s9)) < 20:
        fail("no peak marker held at S9 after the drop (%d marker pixels)" % len(marker))

    # After the hold time it falls to the needle.
    def marker_left_s9():
        return len(near_line(pixels(s.screenshot(), blue), pivot, s9)) < 5
    if not wait_until(marker_left_s9, 6, 0.3):
        fail("the peak marker never fell from S9")


def red(p):
    return p[0] > 180 and p[1] < 90 and p[2] < 90


def scenario_tray_icon(s):
    # The way back from click-through: the tray icon's menu.
    s.install_face()
    s.write_config("[Window]\nClickThrough=1\n")
    if not s.start_tray():
        fail("trayer took no tray:\n" + s.read("trayer.log"))
    s.start_radiosim()
    s.quendal = s.start_quendal()
    window = s.window_id()
    if not window:
        fail("meter window did not appear")
    icon = wait_until(lambda: next((w for w in menu_shown(s, window)), None), 10, 0.2)
    if not icon:
        fail("no tray icon appeared")
    icon_box = s.window_geometry(icon)
    if count_pixels(s.screenshot(), icon_box, red) < icon_box[2] * icon_box[3] // 4:
        fail("the tray icon at %s does not show the emblem" % (icon_box,))
    left, top, width, height = s.window_geometry(window)
    s.click(left + width // 2, top + height // 3, button=3)
    time.sleep(1.0)
    if menu_shown(s, window, icon):
        fail("with click-through on, the meter took a right click")
    s.click(icon_box[0] + icon_box[2] // 2, icon_box[1] + icon_box[3] // 2, button=3)
    if not wait_until(lambda: menu_shown(s, window, icon), 5, 0.1):
        fail("a right click on the tray icon opened no menu")
    s.key("k")  # Click-through
    if not wait_until(lambda: not menu_shown(s, window, icon), 3, 0.1):
        fail("the tray menu did not take Click-through")
    s.click(left + width // 2, top + height // 3, button=3)
    if not wait_until(lambda: menu_shown(s, window, icon), 5, 0.1):
        fail("click-through still on after switching it off from the tray")
    s.key("Escape")
    s.close_window(window)
    s.quendal.wait(10)
    if "ClickThrough=0" not in open(s.config_path()).read().splitlines():
        fail("ClickThrough=0 was not saved:\n" + open(s.config_path()).read())


def needle_profile(shot, box, factor, mark, pivot):
    """Per row across the upper needle, its coverage at device pixels: how green each pixel
    is, from 0 (face) to 1 (needle). The face is cream (green a little below red, and
    lighter shades count as none); the needle #00FF00."""
    left, top, width, height = box
    rows = []
    for y in range(mark[1] + 15, mark[1] + 55):
        y2 = y * factor
        # Where the line from the pivot through the mark crosses this row.
        x = pivot[0] + (mark[0] - pivot[0]) * (y - pivot[1]) / (mark[1] - pivot[1])
        span = range(int((x - 5) * factor), int((x + 5) * factor))
        green = [(shot.rgb(left + x2, top + y2)[1] - shot.rgb(left + x2, top + y2)[0]) / 255.0
                 for x2 in span]
        rows.append([min(1.0, a) if a > 0.05 else 0.0 for a in green])
    return rows


def across(row):
    """A row across the needle: its width in pixels of the needle's full strength, and the
    coverage of the partly covered pixels at its left and at its right edge."""
    strongest = max(row)
    full = [i for i, a in enumerate(row) if a >= 0.9 * strongest]
    partial = lambda part: [a / strongest for a in part if 0 < a < 0.9 * strongest]
    return sum(row) / strongest, partial(row[:full[0]]), partial(row[full[-1] + 1:])


def resting_needle(s, box, factor, mark, pivot, name, timeout=15):
    """The needle's profile once two screenshots half a second apart agree, or None."""
    last = None
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        rows = needle_profile(s.screenshot(name), box, factor, mark, pivot)
        if rows == last and sum(map(sum, rows)) > 0:
            return rows
        last = rows
        time.sleep(0.5)
    return None


def scenario_screen_200(s):
    # QT_SCALE_FACTOR=2 against 1x: at device pixels the needle is twice as wide, and its
    # edges are anti-aliased, not a 1x needle blown up.
    s.install_face()
    s.write_config("[Visual]\nNeedleColor=#00FF00\n")
    s.start_radiosim("--level", "steady:-63")  # S9+10: a slanting needle
    points = read_calibration(s.read("calibration.txt"))
    widths = {}
    for factor in (1, 2):
        s.env["QT_SCALE_FACTOR"] = str(factor)
        s.quendal = s.start_quendal()
        window = s.window_id()
        if not window:
            fail("meter window did not appear at %d x" % factor)
        box = s.window_geometry(window)
        pivot = (box[2] // factor // 2, box[3] // factor + 50)  # default ImageBottomOffset -50
        name = os.path.join(DOCS or s.run_dir, "screen-200.png") if factor == 2 else None
        rows = resting_needle(s, box, factor, points[10], pivot, name)
        if not rows:
            fail("at %d x the needle never came to rest" % factor)
        measured = [across(row) for row in rows]
        widths[factor] = sum(m[0] for m in measured) / len(measured)
        levels = {round(m[1][0], 1) for m in measured if m[1]}
        print("%d x: needle %.2f device pixels wide, left edge coverage %s"
              % (factor, widths[factor], sorted(levels)))
        # Anti-aliased at device pixels: where the slanting edge crosses a pixel it covers
        # part of it, and one pixel at a time, not the two of a needle drawn at 1 x and
        # blown up.
        if len(levels) < 4 or max(max(len(m[1]), len(m[2])) for m in measured) > 1:
            fail("at %d x the needle's edges are not anti-aliased at device pixels: %s"
                 % (factor, measured))
        s.close_window(window)
        s.quendal.wait(10)
    if not 1.8 <= widths[2] / widths[1] <= 2.2:
        fail("the needle is %.2f px wide at 2 x and %.2f px at 1 x" % (widths[2], widths[1]))


SCENARIOS = {
    "peak_hold_at_200": scenario_peak_hold_at_200,
    "drag_and_menu": scenario_drag_and_menu,
    "reset_window": scenario_reset_window,
    "tray_icon": scenario_tray_icon,
    "screen_200": scenario_screen_200,
}


if __name__ == "__main__":
    run_named_scenario(SCENARIOS)
