"""Fault scenarios: the real meter against a misbehaving simulated radio under Xvfb.

Usage: test_faults.py <scenario>. Exit status 0 when the meter survived the fault: it is
alive at the end, still ticking, its needle follows good data where the connection
survives, its resident memory stayed under 150 MB, and it closes cleanly.
"""

import socket
import struct
import subprocess
import time

from quendal_e2e import RADIOSIM, run_named_scenario, wait_until

MEMORY_LIMIT_KB = 150 * 1024
LOGGING_CONFIG = "[Logging]\nEnableLogging=1\n"
RADIO_LOG = "FlexRadioLib.log"
LEVEL_LINE = "GetMeterByName - Meter LEVEL value: "
APP_LOG = "application.log"
S_VALUE_LINE = "Received S-Value: "


def is_needle_red(pixel):
    return pixel[0] > 150 and pixel[1] < 90 and pixel[2] < 90


def needle_pixels_changed(first, later):
    """Pixels of two RGB captures that differ where either shows the red needle."""
    changed = 0
    for i in range(0, len(first) - 2, 3):
        a, b = first[i:i + 3], later[i:i + 3]
        if a != b and (is_needle_red(a) or is_needle_red(b)):
            changed += 1
    return changed


def fail(message):
    raise AssertionError(message)


def memory_kb(pid):
    """VmHWM (peak) and VmRSS of a live process, in kB."""
    values = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmHWM", "VmRSS"):
                values[key] = int(rest.split()[0])
    return values


class Meter:
    """The running meter: its process, window, and what the tests ask of it."""

    def __init__(self, session, config="", face=True):
        self.s = session
        if face:
            session.install_face()
        session.write_config(config)
        self.proc = session.start_quendal()
        self.window = session.window_id()
        if not self.window:
            fail("meter window did not appear:\n" + session.read("quendal.out"))
        self.peak_kb = 0

    def check_alive(self):
        if self.proc.poll() is not None:
            fail("meter exited with status %s:\n%s" % (self.proc.returncode,
                                                        self.s.read("quendal.out")))
        usage = memory_kb(self.proc.pid)
        self.peak_kb = max(self.peak_kb, usage["VmHWM"])
        if usage["VmHWM"] > MEMORY_LIMIT_KB or usage["VmRSS"] > MEMORY_LIMIT_KB:
            fail("resident memory %s kB over the limit" % usage)

    def capture(self):
        r = subprocess.run(["import", "-window", str(self.window), "-depth", "8", "rgb:-"],
                           env=self.s.env, capture_output=True)
        return r.stdout if r.returncode == 0 else b""

    def needle_moves(self, seconds=3.0, changed_pixels=7):
        """True once two captures of the window differ in more than `changed_pixels` pixels
        of the (red) needle; the corner's texts change on their own and do not count."""
        deadline = time.monotonic() + seconds
        first = self.capture()
        while time.monotonic() < deadline:
            time.sleep(0.3)
            later = self.capture()
            if first and later and len(first) == len(later):
                if needle_pixels_changed(first, later) > changed_pixels:
                    return True
            self.check_alive()
        return False

    def level_reads_since(self, mark):
        """LEVEL reads logged after the first `mark` bytes of the radio log, also when the log
        has been moved to its .1 file meanwhile (at 10 MB, under a flood)."""
        log = self.s.read(RADIO_LOG)
        if len(log) >= mark:
            return log[mark:].count(LEVEL_LINE)
        return self.s.read(RADIO_LOG + ".1")[mark:].count(LEVEL_LINE) + log.count(LEVEL_LINE)

    def keeps_ticking(self, seconds=1.0, minimum=20):
        """The 10 ms meter tick reads LEVEL and logs the S value (logs on): at least `minimum`
        ticks in `seconds`. The application log counts too, because under a flood the radio
        log may move aside more than once in the window."""
        mark = len(self.s.read(RADIO_LOG))
        app_mark = len(self.s.read(APP_LOG))
        time.sleep(seconds)
        self.check_alive()
        app_ticks = self.s.read(APP_LOG)[app_mark:].count(S_VALUE_LINE)
        return max(self.level_reads_since(mark), app_ticks) >= minimum

    def close(self):
        self.check_alive()
        self.s.close_window(self.window)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            fail("meter did not close within 10 s")
        if self.proc.returncode != 0:
            fail("meter closed with status %d:\n%s" % (self.proc.returncode,
                                                       self.s.read("quendal.out")))
        output = self.s.read("quendal.out")
        for sign in ("AddressSanitizer", "runtime error:", "Segmentation", "terminate called"):
            if sign in output:
                fail("meter reported %r:\n%s" % (sign, output))
        print("peak resident memory %.1f MB" % (self.peak_kb / 1024.0))


def radio_text(s):
    return s.read("radiosim.out")


def wait_for(s, predicate, timeout, what):
    if not wait_until(predicate, timeout, 0.2):
        fail("%s:\nradiosim:\n%s\nmeter:\n%s" % (what, radio_text(s)[-3000:],
                                                  s.read("quendal.out")[-3000:]))


def wait_connected(s, timeout=20):
    wait_for(s, lambda: "sub meter all" in radio_text(s), timeout, "the meter never subscribed")


def scenario_channel_dropped(s):
    # The radio closes the command channel: no more data, but the meter lives on.
    s.start_radiosim("--drop-after", "4")
    meter = Meter(s, LOGGING_CONFIG)
    wait_connected(s)
    if not meter.needle_moves():
        fail("the needle never followed the stream")
    wait_for(s, lambda: "dropping the command channel" in radio_text(s), 15, "no drop")
    wait_for(s, lambda: "Telnet or UDP is not active" in s.read(RADIO_LOG), 10,
             "the watchdog never noticed the closed channel")
    for _ in range(5):
        if not meter.keeps_ticking():
            fail("the meter stopped ticking after the drop")
    meter.close()


def scenario_stream_silent(s):
    # The stream stops; the watchdog subscribes again and the needle follows the new stream.
    s.start_radiosim("--silence-after", "3")
    meter = Meter(s, LOGGING_CONFIG)
    wait_connected(s)
    wait_for(s, lambda: "meter stream silenced" in radio_text(s), 15, "the stream never stopped")
    if not meter.keeps_ticking(1.5):
        fail("the meter stopped ticking in the silence")
    # Without data the needle comes to rest, so a move later means the data came back.
    if meter.needle_moves(seconds=1.0):
        fail("the needle moved with no data")
    wait_for(s, lambda: radio_text(s).count("sub meter all") >= 2,
             15, "the meter never subscribed again")
    if not meter.needle_moves(seconds=2.5):
        fail("the needle did not move when the stream returned")
    meter.close()


def scenario_one_byte_chunks(s):
    # Every byte of status text in its own TCP segment.
    s.start_radiosim("--chunk-bytes", "1", "--level", "steady:-73")
    meter = Meter(s, LOGGING_CONFIG)
    wait_connected(s, 30)
    wait_for(s, lambda: LEVEL_LINE + "-73.00" in s.read(RADIO_LOG), 20,
             "LEVEL never read -73.00 from status text sent a byte at a time")
    # The partial slice update every 7 s moves the frequency by 10 Hz.
    wait_for(s, lambda: "Frequency updated to 14074010" in s.read(RADIO_LOG), 15,
             "the slice update sent a byte at a time was not read")
    if not meter.keeps_ticking():
        fail("the meter stopped ticking")
    meter.close()


def scenario_huge_status_line(s):
    s.start_radiosim("--huge-status-line")
    meter = Meter(s, LOGGING_CONFIG)
    wait_connected(s)
    wait_for(s, lambda: "sent a status line of 2097152 bytes" in radio_text(s), 15,
             "the simulator never sent the long line")
    wait_for(s, lambda: "Dropped a status line longer than" in s.read(RADIO_LOG), 10,
             "the meter did not drop the long line")
    # The frequency update right behind the long line proves the channel still parses.
    wait_for(s, lambda: "Frequency updated to 14074010" in s.read(RADIO_LOG), 15,
             "status text after the long line was not read")
    meter.check_alive()
    if not meter.needle_moves():
        fail("the needle stopped following the stream")
    if not meter.keeps_ticking():
        fail("the meter stopped ticking")
    meter.close()


def scenario_discovery_burst(s):
    # 1000 discovery datagrams in a second from a radio whose command port is closed, so
    # the meter keeps listening through the whole burst; then a working radio appears.
    meter = Meter(s, LOGGING_CONFIG)
    s.start_radiosim("--no-command", "--discovery-burst", "1000")
    wait_for(s, lambda: "discovery burst of 1000 datagrams" in radio_text(s), 15,
             "the burst was not sent")
    time.sleep(1.0)
    heard = s.read(RADIO_LOG).count("Discovery information processed")
    if heard < 100:
        fail("the meter read only %d discovery datagrams of the burst" % heard)
    if not meter.keeps_ticking():
        fail("the meter stopped ticking after the burst")
    s.spawn([RADIOSIM, "--no-discovery"], log="radio2.out")
    # The first radio's next announcement leads to the second one's command port.
    wait_for(s, lambda: "sub meter all" in s.read("radio2.out"), 20,
             "the meter never connected after the burst")
    if not meter.needle_moves():
        fail("the needle does not follow the stream")
    meter.close()


GARBAGE_COUNT = 200000


def udp_socket(port):
    """(bytes queued, datagrams dropped) of the UDP socket bound to port, or None."""
    for table in ("/proc/net/udp", "/proc/net/udp6"):
        with open(table) as f:
            for line in f.readlines()[1:]:
                fields = line.split()
                if int(fields[1].rsplit(":", 1)[1], 16) == port:
                    return int(fields[4].split(":")[1], 16), int(fields[12])
    return None


def scenario_garbage_stream(s):
    # 200,000 garbage datagrams at up to 20,000 a second beside the good stream, however long
    # a loaded machine takes to send them. The radio log is off, as by default: it would
    # write three lines per datagram.
    s.start_radiosim("--garbage-rate", "20000", "--garbage-count", str(GARBAGE_COUNT),
                     "--garbage-after", "1")
    meter = Meter(s)
    wait_connected(s)
    wait_for(s, lambda: "# garbage to" in radio_text(s), 10, "the garbage never started")
    port = int(radio_text(s).split("# garbage to ")[1].split()[0].rsplit(":", 1)[1])
    if not meter.needle_moves():
        fail("the needle stopped following the good stream under garbage")
    while "garbage stopped after" not in radio_text(s):
        time.sleep(0.5)
        meter.check_alive()
    if not meter.needle_moves():
        fail("the needle did not move after the garbage")
    # What the kernel did not drop for a full socket buffer, the meter has read.
    queued, dropped = wait_until(lambda: (udp_socket(port) or (1, 0))[0] == 0
                                 and udp_socket(port), 5, 0.1) or udp_socket(port)
    handled = GARBAGE_COUNT - dropped
    print("the meter read %d of %d garbage datagrams" % (handled, GARBAGE_COUNT))
    if handled < GARBAGE_COUNT // 2:
        fail("the meter read only %d of %d garbage datagrams; %d bytes still queued"
             % (handled, GARBAGE_COUNT, queued))
    meter.close()


def scenario_garbage_stream_logged(s):
    # The same flood with the radio log on: every datagram and every unknown pair costs a
    # log line, so the meter cannot read them all; it must still tick and drop the excess.
    s.start_radiosim("--garbage-rate", "20000", "--garbage-seconds", "10", "--garbage-after", "1")
    meter = Meter(s, LOGGING_CONFIG)
    wait_connected(s)
    wait_for(s, lambda: "# garbage to" in radio_text(s), 10, "the garbage never started")
    # Reading the flood may slow the tick, but never stop it.
    for window in range(4):
        if not meter.keeps_ticking(seconds=2.0, minimum=5):
            fail("the meter tick stalled %d s into the garbage" % (2 * window + 2))
    wait_for(s, lambda: "garbage stopped after" in radio_text(s), 10, "the garbage never ended")
    # What the socket still holds is read, and logged, first.
    if not meter.needle_moves(seconds=10.0):
        fail("the needle did not move after the garbage")
    meter.close()


def scenario_second_radio(s):
    # Two radios announce themselves; the meter talks to exactly one and stays with it.
    s.spawn([RADIOSIM, "--listen", "127.0.0.2"], log="radio2.out")
    s.start_radiosim()
    meter = Meter(s, LOGGING_CONFIG)
    either = lambda: ("sub meter all" in radio_text(s)) or ("sub meter all" in s.read("radio2.out"))
    wait_for(s, either, 20, "the meter subscribed to neither radio")
    time.sleep(3.0)
    outs = [radio_text(s), s.read("radio2.out")]
    connections = [out.count("# client connected") for out in outs]
    if sorted(connections) != [0, 1]:
        fail("connections per radio %s, not one radio once:\n%s\n---\n%s" % (connections, *outs))
    if not meter.needle_moves():
        fail("the needle does not follow the radio it chose")
    if not meter.keeps_ticking():
        fail("the meter stopped ticking")
    meter.close()


def meter_datagram(meter_id, dbm):
    """A meter datagram as the radio sends it: one (ID, value) pair, the value in 1/128 dBm."""
    pair = struct.pack(">Hh", meter_id, int(dbm * 128))
    header = struct.pack(">BBHIII", 0x38, 0x52, 7 + len(pair) // 4, 0x700, 0x1C2D, 0x534C8002)
    return header + bytes(12) + pair


def scenario_foreign_stream(s):
    # Another host sends the LEVEL meter's ID (24) at 0 dBm to the meter's stream port while
    # the radio streams S9: only the radio moves the needle, and the log says so once.
    s.start_radiosim("--level", "steady:-73")
    meter = Meter(s, LOGGING_CONFIG)
    wait_for(s, lambda: LEVEL_LINE + "-73.00" in s.read(RADIO_LOG), 20, "LEVEL never read -73.00")
    time.sleep(1.5)  # let the needle settle on S9
    port = int(s.read(RADIO_LOG).split("UDP server started on port ")[1].split()[0])
    seen = len(s.read(RADIO_LOG))
    intruder = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    intruder.bind(("127.0.0.2", 0))
    for _ in range(100):
        intruder.sendto(meter_datagram(24, 0.0), ("127.0.0.1", port))
        time.sleep(0.02)
    if meter.needle_moves(seconds=2.0):
        fail("the needle moved off S9")
    log = s.read(RADIO_LOG)
    levels = {line.split(LEVEL_LINE)[1].strip() for line in log[seen:].splitlines()
              if LEVEL_LINE in line}
    if levels != {"-73.00"}:
        fail("LEVEL read %s while another host sent 0 dBm" % sorted(levels))
    reports = log.count("the last from 127.0.0.2: not the radio (127.0.0.1).")
    if reports != 1:
        fail("%d reports of the other host's datagrams, not 1" % reports)
    meter.close()


SCENARIOS = {
    "channel_dropped": scenario_channel_dropped,
    "stream_silent": scenario_stream_silent,
    "one_byte_chunks": scenario_one_byte_chunks,
    "huge_status_line": scenario_huge_status_line,
    "discovery_burst": scenario_discovery_burst,
    "garbage_stream": scenario_garbage_stream,
    "garbage_stream_logged": scenario_garbage_stream_logged,
    "second_radio": scenario_second_radio,
    "foreign_stream": scenario_foreign_stream,
}


if __name__ == "__main__":
    run_named_scenario(SCENARIOS, screen="800x600x24")
