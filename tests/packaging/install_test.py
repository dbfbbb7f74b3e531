#!/usr/bin/env python3
"""Installs the build into a temporary prefix and checks the layout, the installed
program's --version, the manual pages' options, and the launcher's handling of the
user's folder."""
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

BUILD_DIR, VERSION = sys.argv[1], sys.argv[2]

EXPECTED_FILES = sorted([
    "bin/quendal",
    "bin/quendal-radiosim",
    "bin/quendal-tcisim",
    "libexec/quendal/quendal",
    "share/applications/quendal.desktop",
    "share/doc/quendal/changelog.Debian.gz",
    "share/doc/quendal/changelog.gz",
    "share/doc/quendal/copyright",
    "share/icons/hicolor/48x48/apps/quendal.png",
    "share/icons/hicolor/64x64/apps/quendal.png",
    "share/icons/hicolor/128x128/apps/quendal.png",
    "share/icons/hicolor/256x256/apps/quendal.png",
    "share/lintian/overrides/quendal",
    "share/man/man1/quendal-radiosim.1.gz",
    "share/man/man1/quendal-tcisim.1.gz",
    "share/man/man1/quendal.1.gz",
    "share/metainfo/org.quendal.quendal.metainfo.xml",
    "share/quendal/calibration.txt",
    "share/quendal/quendal-foreground.png",
    "share/quendal/quendal.png",
    "share/quendal/quendal.power.txt",
    "share/quendal/quendal.swr.txt",
])

# Stands in for the real program: reports where it runs and what it was given.
STUB = """#!/bin/sh
pwd > "$STUB_REPORT"
for a in "$@"; do echo "$a" >> "$STUB_REPORT"; done
"""

failures = []


def check(ok, what):
    print(("ok: " if ok else "FAILED: ") + what)
    if not ok:
        failures.append(what)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    return struct.unpack(">II", head[16:24]) if head[:8] == b"\x89PNG\r\n\x1a\n" else None


def read(path):
    with open(path, "rb") as f:
        return f.read()


def installed_files(prefix):
    found = []
    for folder, _, files in os.walk(prefix):
        found += [os.path.relpath(os.path.join(folder, f), prefix) for f in files]
    return sorted(found)


def check_manual_page(prefix, program, command):
    """Every option the program's --help lists is in the OPTIONS section of its page."""
    helped = subprocess.run(command + ["--help"], capture_output=True, text=True, timeout=20)
    options = set(re.findall(r"^ *(?:-\w, )?(--[\w-]+)", helped.stdout, re.MULTILINE))
    with gzip.open(os.path.join(prefix, f"share/man/man1/{program}.1.gz"), "rt") as f:
        page = f.read()
    section = re.search(r"^\.SH OPTIONS\n(.*?)^\.SH ", page, re.MULTILINE | re.DOTALL)
    listed = set(re.findall(r"\\-\\-\w+(?:\\-\w+)*", section.group(1) if section else ""))
    listed = {option.replace("\\-", "-") for option in listed}
    check(len(options) >= 2 and options <= listed,
          f"the manual page of {program} lists its options {sorted(options)} (got {sorted(listed)})")


def run_launcher(launcher, env, args, report):
    env = dict(env, STUB_REPORT=report)
    if os.path.exists(report):
        os.remove(report)
    subprocess.run([launcher] + args, env=env, check=True, timeout=20)
    lines = open(report).read().splitlines()
    return lines[0], lines[1:]


def check_launcher(prefix, scratch):
    shutil.copy(os.path.join(prefix, "libexec/quendal/quendal"), os.path.join(scratch, "real"))
    stub = os.path.join(prefix, "libexec/quendal/quendal")
    with open(stub, "w") as f:
        f.write(STUB)
    os.chmod(stub, 0o755)
    defaults = os.path.join(prefix, "share/quendal")
    report = os.path.join(scratch, "report")
    home = os.path.join(scratch, "home")
    data = os.path.join(scratch, "data")
    base = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home}
    with_xdg = dict(base, XDG_DATA_HOME=data)
    folder = os.path.join(data, "quendal")
    launcher = os.path.join(prefix, "bin/quendal")

    # --version and --help go straight to the program and leave no folder behind.
    for option in ["--version", "--help", "-h"]:
        cwd, args = run_launcher(launcher, with_xdg, [option], report)
        check(args == [option] and not os.path.exists(folder),
              f"{option} passes through without a user folder (got {args})")

    # First run: a new folder with the default face and calibration, run there.
    cwd, args = run_launcher(launcher, with_xdg, ["--extra"], report)
    check(cwd == folder, f"first run works in {folder} (got {cwd})")
    check(args == ["--config", os.path.join(folder, "config.ini"), "--extra"],
          f"first run passes --config <folder>/config.ini before the user's arguments (got {args})")
    for name in ["quendal.png", "quendal-foreground.png", "calibration.txt", "quendal.power.txt",
                 "quendal.swr.txt"]:
        copied = os.path.join(folder, name)
        check(os.path.isfile(copied) and read(copied) == read(os.path.join(defaults, name)),
              f"first run copies the default {name}")
    check(sorted(os.listdir(data)) == ["quendal"], "no temporary folder is left beside it")

    # Later runs leave the user's files alone: a removed calibration asks for a new one.
    os.remove(os.path.join(folder, "calibration.txt"))
    with open(os.path.join(folder, "quendal.png"), "wb") as f:
        f.write(b"own face")
    run_launcher(launcher, with_xdg, [], report)
    check(not os.path.exists(os.path.join(folder, "calibration.txt")),
          "a calibration the user removed is not brought back")
    check(read(os.path.join(folder, "quendal.png")) == b"own face",
          "the user's own face is not overwritten")

    # Without XDG_DATA_HOME the folder is ~/.local/share/quendal.
    cwd, _ = run_launcher(launcher, base, [], report)
    check(cwd == os.path.join(home, ".local/share/quendal"),
          f"without XDG_DATA_HOME the folder is under HOME (got {cwd})")

    # Started through a symbolic link elsewhere, it still finds the program and defaults.
    link = os.path.join(scratch, "quendal-link")
    os.symlink(launcher, link)
    shutil.rmtree(folder)
    cwd, args = run_launcher(link, with_xdg, [], report)
    check(cwd == folder and os.path.isfile(os.path.join(folder, "calibration.txt")),
          "started through a symbolic link it finds the program and the defaults")


def main():
    with tempfile.TemporaryDirectory(prefix="quendal-install-") as scratch:
        prefix = os.path.join(scratch, "usr")
        result = subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", prefix],
                                capture_output=True, text=True, timeout=120)
        if result.returncode != 0:
            print(result.stdout + result.stderr)
            sys.exit("cmake --install failed (is everything built?)")

        found = installed_files(prefix)
        check(found == EXPECTED_FILES, f"installed files (got {found})")
        for size in [48, 64, 128, 256]:
            icon = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps/quendal.png")
            check(png_size(icon) == (size, size), f"icon {size}x{size} is a PNG of that size")
        desktop = open(os.path.join(prefix, "share/applications/quendal.desktop")).read()
        check("\nExec=quendal\n" in desktop and "\nIcon=quendal\n" in desktop,
              "the desktop entry runs the launcher and names the icon")

        version = subprocess.run([os.path.join(prefix, "bin/quendal"), "--version"],
                                 capture_output=True, text=True, timeout=20)
        check(version.returncode == 0 and version.stdout == f"quendal {VERSION}\n",
              f"installed quendal --version prints 'quendal {VERSION}' (got {version.stdout!r})")

        check_manual_page(prefix, "quendal", [os.path.join(prefix, "bin/quendal")])
        check_manual_page(prefix, "quendal-radiosim", [os.path.join(prefix, "bin/quendal-radiosim")])
        check_manual_page(prefix, "quendal-tcisim", [os.path.join(prefix, "bin/quendal-tcisim")])

        check_launcher(prefix, scratch)

    if failures:
        sys.exit(f"{len(failures)} check(s) failed")


if __name__ == "__main__":
    main()
