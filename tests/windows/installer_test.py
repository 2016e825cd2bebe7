#!/usr/bin/env python3
"""The Windows installer's round trip under Wine, in a fresh prefix of its own: a silent install;
veltrano.exe started through its Start-menu entry, port 12 (a pseudo-terminal) typed into its box
and START, which must write SETUPSIM.CAP into %APPDATA%\\VELTRANO; a silent uninstall, which
must leave no program file and no entry, and the settings.

    installer_test.py SETUP.exe
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import tty

ROOT = pathlib.Path(__file__).resolve().parents[2]
PREFIX = pathlib.Path(tempfile.mkdtemp(prefix="veltrano-installer-"))
os.environ["WINEPREFIX"] = str(PREFIX)
# No menu entries of this machine's own from the shortcuts.
os.environ["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d"
import end_to_end  # noqa: E402  (reads WINEPREFIX when imported)

PROGRAMS = ("veltrano.exe", "simserver.exe", "flight-check.exe", "README.txt", "veltrano.xml")
PORT_BOX = (2760 + 300, 4560 + 144)  # inside the port box's text, in twips


def run(*args):
    """A Windows program to its end, with all it started: the uninstaller hands its work to a
    copy of itself and returns at once."""
    end_to_end.wine(*args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).wait(120)
    subprocess.run(["wineserver", "-w"], check=True)


def start_through_menu_and_run(menu, display, failures):
    master, slave = os.openpty()
    tty.setraw(slave)
    (PREFIX / "dosdevices/com12").symlink_to(os.ttyname(slave))
    end_to_end.set_graphics("x11")
    end_to_end.start_wine()
    end_to_end.wine("start", "/unix", str(menu / "VELTRANO.lnk")).wait(60)
    window = end_to_end.wait_for_windows(display, 1, 60)[0]
    end_to_end.click(display, window, PORT_BOX)
    subprocess.run(["xdotool", "key", "--delay", "50", "End", *["BackSpace"] * 3, "type",
                    "--delay", "50", "12"], env=dict(os.environ, DISPLAY=display), check=True)
    end_to_end.click(display, window, end_to_end.START)
    if not end_to_end.read_for(master, 2.0):
        failures.append("no packets on COM12 after START")
    end_to_end.click(display, window, end_to_end.STOP)
    subprocess.run(["wineserver", "-k"], check=True)


def main():
    setup = pathlib.Path(sys.argv[1]).resolve()
    subprocess.run([ROOT / "scripts/wine-run"], check=True)  # makes the prefix
    xvfb, os.environ["DISPLAY"] = end_to_end.start_display()
    failures = []
    try:
        run(str(setup), "/S")
        installed = PREFIX / "drive_c/Program Files/VELTRANO"
        appdata = next((PREFIX / "drive_c/users").glob("*/AppData/Roaming"))
        menu = appdata / "Microsoft/Windows/Start Menu/Programs/VELTRANO"
        missing = [name for name in PROGRAMS if not (installed / name).is_file()]
        if missing or not (appdata / "VELTRANO").is_dir() or not (menu / "VELTRANO.lnk").exists():
            raise SystemExit(f"the install lacks {missing}, the settings folder or the entry")

        start_through_menu_and_run(menu, os.environ["DISPLAY"], failures)
        saved = appdata / "VELTRANO/SETUPSIM.CAP"
        if not saved.is_file() or saved.read_bytes().split(b"\r\n")[5].strip() != b"12":
            failures.append(f"START did not write port 12 into {saved}")
        kept = saved.is_file()

        run(str(installed / "uninstall.exe"), "/S")
        if left := [str(path) for path in (installed, menu) if path.exists()]:
            failures.append(f"the uninstaller left {left}")
        if kept and not saved.is_file():
            failures.append("the uninstaller took the settings")
    finally:
        subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(PREFIX, ignore_errors=True)
        pathlib.Path(f"{PREFIX}.lock").unlink(missing_ok=True)
    if failures:
        raise SystemExit("installer round trip failed: " + "; ".join(failures))
    print("installer round trip passed")


if __name__ == "__main__":
    main()
