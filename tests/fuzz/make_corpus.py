#!/usr/bin/env python3
"""Writes the seed corpora in tests/fuzz/corpus/<target>/: realistic radio
datagrams, status text, config.ini files, calibration files and small PNGs.
corpus/picture/facegen_*.png are copies of facegen's output and are kept as they are."""
import os
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(target, name, data):
    d = os.path.join(ROOT, target)
    os.makedirs(d, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def vita(stream_id, class_code, payload, count=3, trailer=None):
    payload = payload + b"\0" * (-len(payload) % 4)
    words = 7 + len(payload) // 4 + (1 if trailer is not None else 0)
    first = 0x38 | (0x04 if trailer is not None else 0)
    header = struct.pack(">BBH", first, 0x50 | (count & 0xF), words)
    header += struct.pack(">IIIIII", stream_id, 0x00001C2D, 0x534C0000 | class_code,
                          1765200000, 0, 0)
    out = header + payload
    if trailer is not None:
        out += struct.pack(">I", trailer)
    return out


def pairs(*items):
    return b"".join(struct.pack(">Hh", i, v) for i, v in items)


def vita49():
    put("vita49", "level_s9", vita(0x700, 0x8002, pairs((24, -73 * 128))))
    put("vita49", "receive_tick", vita(0x700, 0x8002, pairs(
        (1, -150 * 128), (2, 13 * 256), (3, 2100), (4, 128), (5, 40 * 64), (24, -97 * 128),
        (25, -120 * 128), (26, -32000))))
    put("vita49", "unknown_ids", vita(0x700, 0x8002, pairs((900, 1), (65535, -1), (0, 0))))
    put("vita49", "odd_payload", vita(0x700, 0x8002, pairs((24, -8000)) + b"\x01\x02"))
    put("vita49", "with_trailer", vita(0x700, 0x8002, pairs((24, -5000)), trailer=0x40000000))
    put("vita49", "header_only", vita(0x700, 0x8002, b""))
    put("vita49", "truncated", vita(0x700, 0x8002, pairs((24, -5000), (1, 0)))[:30])
    put("vita49", "size_too_big", b"\x38\x51\xff\xff" + vita(0x700, 0x8002, pairs((24, 1)))[4:])
    put("vita49", "if_data_no_class", struct.pack(">BBHI", 0x00, 0x00, 3, 0x700) + pairs((24, 7)))
    put("vita49", "discovery", discovery_datagram())


DISCOVERY = ("discovery_protocol_version=3.0.0.1 model=FLEX-6600M serial=1234-5678-6600-0042 "
             "version=3.2.39.3374 nickname=\"Shack Radio\" callsign=PA3XYZ ip=192.168.1.40 "
             "port=4992 status=Available inuse_ip= inuse_host= max_licensed_version=v3 "
             "radio_license_id=00-1C-2D-05-1A-2B requires_additional_license=0 fpc_mac= "
             "wan_connected=0 licensed_clients=2 available_clients=2 max_panadapters=4 "
             "available_panadapters=4 max_slices=4 available_slices=4 gui_client_ips= "
             "gui_client_hosts= gui_client_programs= gui_client_stations= gui_client_handles=")


def discovery_datagram():
    return vita(0x800, 0xFFFF, DISCOVERY.encode())


def discovery():
    put("discovery", "payload", DISCOVERY)
    put("discovery", "datagram", discovery_datagram())
    put("discovery", "in_use", DISCOVERY.replace("status=Available", "status=In_Use")
        .replace("gui_client_programs=", "gui_client_programs=SmartSDR-Win,Quendal"))
    put("discovery", "quotes", 'nickname="a ""quoted"" name" ip=10.0.0.2 a=b=c noequals  x=\0junk')
    put("discovery", "unclosed_quote", 'model="FLEX-6400 ip=10.0.0.3')


METER_LIST = (
    "R2|0|meter 1.src=COD-#1.num=1#1.nam=MICPEAK#1.low=-150.0#1.hi=20.0#1.desc=Signal strength "
    "of MIC output in CODEC#1.unit=dBFS#1.fps=40#2.src=RAD#2.num=0#2.nam=+13.8A#2.low=10.5#2.hi="
    "15.0#2.unit=Volts#2.fps=2#3.src=RAD#3.num=1#3.nam=MAINFAN#3.low=0.0#3.hi=5000.0#3.unit=RPM#"
    "3.fps=1#4.src=TX-#4.num=0#4.nam=SWR#4.low=1.0#4.hi=999.0#4.unit=SWR#4.fps=20#24.src=SLC#24."
    "num=0#24.nam=LEVEL#24.low=-150.0#24.hi=20.0#24.desc=Signal strength of signals in the "
    "filter passband#24.unit=dBm#24.fps=10#25.src=SLC#25.num=0#25.nam=NR/ANF#25.low=-150.0#25.hi="
    "20.0#25.unit=dB#25.fps=10#\n")
LEVEL_STATUS = ("S10C05077|meter 24.src=SLC#24.num=0#24.nam=LEVEL#24.low=-150.0#24.hi=20.0#24.desc="
                "Signal strength of signals in the filter passband#24.unit=dBm#24.fps=10#")
SLICE_FULL = ("S10C05077|slice 0 in_use=1 sample_rate=24000 RF_frequency=14.074000 "
              "client_handle=0x10C05077 index_letter=A rit_on=0 rit_freq=0 xit_on=0 xit_freq=0 "
              "rxant=ANT1 mode=USB wide=0 filter_lo=100 filter_hi=2900 step=10 agc_mode=med "
              "agc_threshold=65 audio_level=50 lock=0 tx=1 active=1")


def meter_status():
    put("meter_status", "meter_list_reply", METER_LIST)
    put("meter_status", "level_status", LEVEL_STATUS)
    put("meter_status", "agc_status", "S10C05077|meter 30.src=SLC#30.num=0#30.nam=AGC+#30.low=-150.0"
        "#30.hi=20.0#30.unit=dB#30.fps=10#")
    put("meter_status", "removed", "S10C05077|meter 27 removed")
    put("meter_status", "value_peak", "S10C05077|meter 24.value=-73.5#24.peak=-60.0#24.group=RX")
    put("meter_status", "quoted", "S1|meter 5.desc=\"a#b=c\"#5.nam='x.y'#5.low=1e3#5.fps=+7")
    put("meter_status", "bad_number", "S1|meter 6.low=abc#6.hi=#6.fps=99999999999")


def slice_text():
    put("slice", "full", SLICE_FULL)
    put("slice", "partial", "S10C05077|slice 0 RF_frequency=14.074010 wide=0 lock=1")
    put("slice", "blanks", "S1|slice 1 RF_frequency= 7.100000 mode=LSB")
    put("slice", "huge", "S1|slice 0 RF_frequency=99999999.5")
    put("slice", "quoted", 'S1|slice 0 mode="U SB" RF_frequency="3.5"')
    put("slice", "negative", "S1|slice 0 RF_frequency=-0.000001")


def telnet():
    greeting = ("V1.4.0.0\nH10C05077\nM10000001|Client connected from IP 127.0.0.1\n"
                "S10C05077|radio slices=4 panadapters=4 lineout_gain=60\n")
    put("telnet", "greeting", b"\x03" + greeting.encode())
    put("telnet", "negotiation", b"\x07" + b"\xff\xfd\x18\xff\xfb\x01\xff\xfd\x03" +
        greeting.encode() + b"\xff\xfa\x18\x01\xff\xf0")
    put("telnet", "status_stream", b"\x01" + (METER_LIST + LEVEL_STATUS + "\r\n" + SLICE_FULL +
                                             "\r\nR3|0|\n").encode())
    put("telnet", "escaped_ff", b"\x05S1|slice 0 RF_frequency=14.1\xff\xff\xfe\nR1|0|\n\xff")
    put("telnet", "split_tail", b"\x09S1|meter 24.value=-80#24.peak=-70\r\nS1|slice 0 RF_freq")
    put("telnet", "transmit", b"\x04" + (
        "S10C05077|meter 19.src=TX-#19.num=0#19.nam=FWDPWR#19.low=0.0#19.hi=53.0#19.unit=dBm#"
        "19.fps=20#21.src=TX-#21.num=0#21.nam=SWR#21.low=1.0#21.hi=999.0#21.unit=SWR#21.fps=20#"
        "7.src=TX-#7.nam=ALC#7.unit=dBFS#5.src=TX-#5.nam=COMPPEAK#5.unit=dBFS\n"
        "S0|interlock tx_client_handle=0x00000000 state=READY reason= source= tx_allowed=1\n"
        "S0|interlock state=PTT_REQUESTED reason= source=SW\n"
        "S0|interlock state=TRANSMITTING reason= source=SW\n"
        "S10C05077|meter 19.value=6015#21.value=192#7.value=-384#5.value=768\n"
        "S10C05077|meter 19.value=-32000#21.value=100#7.value=-32768\n"
        "S0|interlock state=UNKEY_REQUESTED reason= source=SW\nS0|interlock state=READY\n"
        "S0|interlock timeout=0 acc_txreq_enable=0\nS0|interlock state= reason=\n").encode())


def config():
    put("config", "full.ini", "\r\n".join([
        "[Window]", "Top=120", "Left=340", "Borderless=1", "AlwaysOnTop=1", "ClickThrough=0",
        "TrackSmartSDRWindow=1", "", "[Visual]", "BackgroundImageFileName=quendal.png",
        "NeedleLength=220", "NeedleThickness=2", "NeedleColor=#FF0000", "ImageBottomOffset=-50",
        "ShowArcMarkings=0", "EnableShadow=1", "ShadowOffset=4", "ShadowTransparency=45",
        "UseNeedleColorForShadow=0", "ShadowColor=#202020", "", "[NeedleMovement]",
        "SmoothingFactor=0.5", "DecayFactor=0.2", "DampingFactor=0.15",
        "MinimumMoveThreshold=0.001", "NeedleMovementMode=FastAttackSlowDecay", "",
        "[ArcCalibration]", "UseArcCalibration=1", "ArcCalibrationDone=1", "CenterX=240",
        "CenterY=400", "Radius=310", "NeedleLengthOffset=-5", "PivotArcRadius=0",
        "ArcCenterOffsetX=0", "ArcCenterOffsetY=12", "EnableArcIndependentPivot=1",
        "ArcIndependentPivotPointX=238", "ArcIndependentPivotPointY=420", "", "[Timer]",
        "TimerInterval=10", "", "[Logging]", "EnableLogging=1", "", "[Network]",
        "TelnetIP=192.168.1.40", ""]))
    put("config", "legacy.ini", "; old layout\n[Settings]\nTop=$40\nLeft=0x20\nNeedleColor=$000000FF\n"
        "Interval=25\nBackgroundImageFileName=\"my face.png\"\nSmoothingFactor=0,4\n")
    put("config", "bom_quotes.ini", "\xef\xbb\xbf[visual]\r\n  needlecolor = '#00ff00'  \r\nNeedleLength"
        "=abc\r\n[Timer]\r\nTimerInterval=-1\r\n")
    put("config", "bad_colour.ini", "[Visual]\nNeedleColor=#GG0000\nShadowColor=$1\n")


def calibration():
    points = [(45 + i * 24, 180 - abs(7 - i) * 6) for i in range(16)]
    put("calibration", "sixteen", "".join(f"{x} {y}\r\n" for x, y in points))
    put("calibration", "short", "10 20\n30 40\n")
    put("calibration", "tabs_negative", "  -5\t+7  \r\n1e2 3\n0x10 4\n")
    put("calibration", "bad", "12 abc\n")
    put("calibration", "long_number", "1" * 300 + " 2\n")


def scale_file():
    put("scale_file", "power", "# watts\r\n0 66 180\r\n25 120 100\r\n50 240 70\r\n"
        "75 360 100\r\n100 414 180\r\n")
    put("scale_file", "swr", "\xef\xbb\xbf1\t90 210\n1.5 130 170\n2 0 -3\n3 240 100\n10 400 208\n")
    put("scale_file", "falling", "0 1 1\n\n  # x\n-1 2 2\n")
    put("scale_file", "bad", "1,5 1 1\nnan 2 2\n0 1.5 1\n1 2\n")


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(width, height, colour_type=6, depth=8, rows=None, interlace=0, extra=b""):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    if rows is None:
        stride = (width * channels * depth + 7) // 8
        rows = b"".join(b"\0" + bytes((x * 37 + y * 11) & 0xFF for x in range(stride))
                        for y in range(height))
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra
    if rows:
        out += chunk(b"IDAT", zlib.compress(rows, 9))
    return out + chunk(b"IEND", b"")


def picture():
    put("picture", "rgba_8x8.png", png(8, 8))
    put("picture", "gray_3x2.png", png(3, 2, colour_type=0))
    put("picture", "palette_4x4.png", png(4, 4, colour_type=3, extra=chunk(b"PLTE", bytes(range(48)))))
    put("picture", "interlaced_9x5.png", png(9, 5, colour_type=2, interlace=1))
    put("picture", "gray16_2x2.png", png(2, 2, colour_type=0, depth=16))
    put("picture", "too_wide.png", png(8193, 1, rows=b""))
    put("picture", "huge_claim.png", png(100000, 100000, rows=b""))
    put("picture", "limit_no_data.png", png(8192, 8192, rows=b""))
    put("picture", "truncated.png", png(8, 8)[:60])


def tci():
    # First byte: the frame sizes; then what a TCI server sends.
    put("tci", "start_up", "\x05protocol:ExpertSDR3,1.9;device:SunSDR2PRO;receive_only:false;"
        "trx_count:2;channels_count:2;vfo_limits:10000,500000000;modulations_list:AM,LSB,USB;"
        "vfo:0,0,14074000;vfo:0,1,14076000;modulation:0,USB;ready;")
    put("tci", "pushed", "\x11rx_smeter:0,0,-73;rx_smeter:0,1,-90.5;RX_SMETER:1,0,-53;"
        "rx_channel_sensors:0,0,-101.25;vfo:0,0,7074000;")
    put("tci", "bad", "\x02rx_smeter:0,0,nan;rx_smeter:0,0,inf;rx_smeter:0,0,1e400;rx_smeter:;"
        "vfo:0,0,-1;trx_count:x;rx_smeter:99999999999,0,-73;" + "x" * 5000 + ";ready;")
    put("tci", "transmit", "\x07trx:0,true;tx_sensors:0,-20.5,48.5,97,1.4;TX_SENSORS:1,-20,5,6,2;"
        "tx_sensors:0,-20,0,0,0;tx_power:25.5;tx_swr:2;tx_swr:0.5;trx:0,false,tci;trx:1,TRUE;")
    put("tci", "transmit_bad", "\x03trx:0,maybe;trx:x,true;trx:0;tx_power:-1;tx_power:1e9;"
        "tx_power:nan;tx_swr:inf;tx_sensors:0,a,b,c,d;tx_sensors:0,-20,50,60;"
        "tx_sensors:0,-20,50,60,1e400;trx:0,true")


# What rigctld -m 1 (Hamlib 4.5, the dummy rig) answers to \dump_state.
RIGCTLD_DUMP_STATE = '1\n1\n0\n150000.000000 1500000000.000000 0x1ff -1 -1 0x77e00007 0xf\n0 0 0 0 0 0 0\n150000.000000 1500000000.000000 0x1ff 5000 100000 0x77e00007 0xf\n0 0 0 0 0 0 0\n0x1ff 1\n0x1ff 0\n0 0\n0xc 2400\n0xc 1800\n0xc 3000\n0xc 0\n0x2 500\n0x2 2400\n0x2 50\n0x2 0\n0x10 300\n0x10 2400\n0x10 50\n0x10 0\n0x1 8000\n0x1 2400\n0x1 10000\n0x20 15000\n0x20 8000\n0x40 230000\n0 0\n9990\n9990\n10000\n0\n10 \n10 20 30 \n0xffffffffffffffff\n0xffffffffffffffff\n0xfffffffff7ffffff\n0xffffff7083ffffff\n0xffffffffffffffff\n0xffffffffffffffbf\nvfo_ops=0x7ffffff\nptt_type=0x0\ntargetable_vfo=0x10c3\nhas_set_vfo=1\nhas_get_vfo=1\nhas_set_freq=1\nhas_get_freq=1\nhas_set_conf=1\nhas_get_conf=1\nhas_power2mW=1\nhas_mW2power=1\ntimeout=0\nrig_model=1\nrigctld_version=Hamlib 4.5.4 Jan 10 01:31:41Z 2023 SHA=921cc5\nagc_levels=0=OFF 1=SUPERFAST 2=FAST 3=MEDIUM 4=SLOW 5=AUTO 6=USER\nctcss_list= 67.0 69.3 71.9 74.4 77.0 79.7 82.5 85.4 88.5 91.5 94.8 97.4 100.0 103.5 107.2 110.9 114.8 118.8 123.0 127.3 131.8 136.5 141.3 146.2 151.4 156.7 159.8 162.2 165.5 167.9 171.3 173.8 177.3 179.9 183.5 186.2 189.9 192.8 196.6 199.5 203.5 206.5 210.7 218.1 225.7 229.1 233.6 241.8 250.3 254.1\ndcs_list= 17 23 25 26 31 32 36 43 47 50 51 53 54 65 71 72 73 74 114 115 116 122 125 131 132 134 143 145 152 155 156 162 165 172 174 205 212 223 225 226 243 244 245 246 251 252 255 261 263 265 266 271 274 306 311 315 325 331 332 343 346 351 356 364 365 371 411 412 413 423 431 432 445 446 452 454 455 462 464 465 466 503 506 516 523 526 532 546 565 606 612 624 627 631 632 654 662 664 703 712 723 731 732 734 743 754\ndone\n'


def rigctld():
    # The replies of a rigctld, NUL between them, in the order the commands come:
    # chk_vfo, dump_state, then what rig_open and the polls ask.
    def session(*replies):
        return "\0".join(replies)
    # The polls then ask t (PTT) and l STRENGTH; f comes from Hamlib's cache.
    opening = ["0\n", RIGCTLD_DUMP_STATE, "VFOA\n", "145000000\n", "145000000\n", "0\nVFOA\n",
               "FM\n15000\n"]
    # rigctld -m 1: no PTT to read, asked once.
    put("rigctld", "dummy", session(*opening, "RPRT -11\n", "-34\n", "-35\n"))
    put("rigctld", "odd_values", session(*opening, "1\n", "nan\n", "99999999999\n", "1e400\n",
                                         "x\n", "-1\n", "RPRT -5\n"))
    put("rigctld", "short_dump_state", session("0\n", RIGCTLD_DUMP_STATE[:200]))
    # rigctld -m 1 -P RIG, keyed: power, SWR, ALC and compression before STRENGTH; Hamlib
    # keeps the PTT state for the next poll.
    keyed = [opening[0], RIGCTLD_DUMP_STATE.replace("ptt_type=0x0", "ptt_type=0x1")] + opening[2:]
    put("rigctld", "keyed", session(*keyed, "1\n", "48.437500\n", "0.000000\n", "0.000000\n",
                                    "6.5\n", "-34\n", "50.000000\n", "1.5\n", "0.5\n", "7\n",
                                    "-35\n"))


def main():
    for make in (vita49, discovery, meter_status, slice_text, telnet, config, calibration,
                 scale_file, picture, tci, rigctld):
        make()
    return 0


if __name__ == "__main__":
    sys.exit(main())
