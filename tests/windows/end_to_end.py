#!/usr/bin/env python3
"""A whole run of the Windows programs under Wine, on a virtual X display.

simserver.exe serves fixed flight values, veltrano.exe drives COM3, which is a pseudo-terminal
whose other end this script reads. The script presses START with a real mouse click, checks that
every packet holds the bytes the cue formulas give for those values, measures how often packets
come, saves a picture of the running window, presses STOP and checks that the packets end. Then
the same with servers in game loops of 16, 30 and 50 ms frames, with one that stalls, STOP
pressed during the stall, and last a platform that goes away in a run.

    end_to_end.py BUILD_DIR PICTURE.png      (WINEPREFIX names a prefix made by scripts/wine-run)
"""
import math
import os
import pathlib
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import tty

WINE = shutil.which("wine64") or ("/usr/lib/wine/wine64" if os.path.exists(
    "/usr/lib/wine/wine64") else "wine")
PREFIX = pathlib.Path(os.environ["WINEPREFIX"])
TWIPS_PER_PIXEL = 15  # Wine runs the programs at 96 dots per inch

FLIGHT = {"pitch": 10.0, "bank": 30.0, "slip": -500.0, "rpm": 2600.0, "speed": 120.0}
# PITCHING, ROLLING, ACCELERATION, SLIP, VIBRATION; port 3; 255 - pitch centre 100; roll centre
# 140; levels 2 and 4.
SETTINGS = "1\r\n1\r\n0\r\n0\r\n1\r\n 3 \r\n 155 \r\n 140 \r\n 2 \r\n 4 \r\n"
START = (1320 + 2052 // 2, 5280 + 852 // 2)  # the middle of each button, in twips
STOP = (4920 + 2172 // 2, 5280 + 852 // 2)


def expected_packet():
    """The packet of every tick, by the cue formulas, in their order of operations."""
    pitch = math.floor(128.0 - (128.0 / 90.0) * FLIGHT["pitch"])
    bank = FLIGHT["bank"]
    distance = 90.0 - bank if bank <= 90.0 else (
        bank - 90.0 if bank <= 180.0 else (
            bank - 180.0 + 90.0 if bank <= 270.0 else 360.0 - bank + 90.0))
    roll = math.floor((255.0 / 180.0) * distance)
    vibration = math.floor(FLIGHT["rpm"] / 65.0)
    return bytes([0x58, pitch, roll, vibration, 100, 140, 2, 4])


def wine(*args, **kwargs):
    env = dict(os.environ, WINEDEBUG="-all")
    env.update(kwargs.pop("env", {}))
    return subprocess.Popen([WINE, *args], env=env, **kwargs)


def set_graphics(driver):
    """The graphics driver is read when Wine's desktop starts: the wineserver must be down."""
    subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wine("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics", "/d", driver, "/f",
         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).wait(60)
    subprocess.run(["wineserver", "-w"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def start_wine():
    """A wineserver for the run, with Wine's desktop up."""
    subprocess.run(["wineserver", "-p"], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    # The first program brings up Wine's desktop and services; one that starts beside it may
    # find no desktop yet.
    wine("cmd.exe", "/c", "exit", stdout=subprocess.DEVNULL).wait(120)


def start_server(simserver, log, *options):
    """simserver.exe serving FLIGHT, ready for clients, with what it says going to `log`."""
    values = ",".join(f"{name}={value}" for name, value in FLIGHT.items())
    server = wine(str(simserver), "--set", values, *options, stdout=log.open("w"))
    wait_in_log(log, "simserver ready: FSCONNECT8", 60)
    return server


def wait_in_log(log, text, seconds, after=0):
    """The offset in `log` just past `text` once it is there, past offset `after`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if (found := log.read_text().find(text, after)) >= 0:
            return found + len(text)
        time.sleep(0.05)
    raise SystemExit(f"simserver did not say {text!r} within {seconds} s")


def start_display():
    reader, writer = os.pipe()
    # Without resets: Xvfb writes its display number again at each one.
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-noreset", "-nolisten", "tcp",
                             "-screen", "0", "1024x768x24"], pass_fds=(writer,),
                            stderr=subprocess.DEVNULL)
    os.close(writer)
    ready, _, _ = select.select([reader], [], [], 20)
    if not ready:
        raise SystemExit("Xvfb did not start")
    # The reading end stays open while Xvfb runs: a write that fails ends Xvfb.
    return xvfb, ":" + os.read(reader, 64).decode().split()[0]


def windows_named_veltrano(display):
    """The main window and any message box: both carry the title VELTRANO."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^VELTRANO$"],
                           env=dict(os.environ, DISPLAY=display), capture_output=True, text=True)
    return found.stdout.split()


def wait_for_windows(display, count, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if len(found := windows_named_veltrano(display)) >= count:
            return found
        time.sleep(0.2)
    raise SystemExit(f"{count} window(s) named VELTRANO did not appear")


def click(display, window, twips):
    x, y = (round(v / TWIPS_PER_PIXEL) for v in twips)
    subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1"],
                   env=dict(os.environ, DISPLAY=display), check=True)


def read_for(master, seconds):
    """(arrival time, bytes) of everything that comes within `seconds`."""
    chunks = []
    deadline = time.monotonic() + seconds
    while (left := deadline - time.monotonic()) > 0:
        if select.select([master], [], [], left)[0]:
            chunks.append((time.monotonic(), os.read(master, 4096)))
    return chunks


def packets_in(chunks):
    data = b"".join(chunk for _, chunk in chunks)
    return [data[i:i + 8] for i in range(0, len(data) - len(data) % 8, 8)], len(data) % 8


def check_packets(packets, stray, want, failures, what):
    """Before the first answer a reading is 0 and its cue the one for 0; from the first packet
    that carries every served value on, each packet carries them, also when the server is late:
    a late answer holds the reading that came before it."""
    no_answer = bytes([0x58, 0x80, 0x7F, 0x00])
    first = packets.index(want) if want in packets else len(packets)
    early_wrong = [p for p in packets[:first] if p[4:] != want[4:] or not all(
        p[i] in (want[i], no_answer[i]) for i in range(4))]
    wrong = early_wrong + [p for p in packets[first:] if p != want]
    print(f"{what}: {len(packets)} packets, expected each: {want.hex(' ')}; "
          f"{first} before the first with every value")
    if first == len(packets) or wrong or stray or first > 3:
        failures.append(f"{what}: {len(wrong)} wrong packets, e.g. "
                        f"{[p.hex(' ') for p in wrong[:3]]}; {first} before the first right one; "
                        f"{stray} stray bytes")


def rate_of(chunks):
    times = [t for t, chunk in chunks for _ in range(len(chunk) // 8)]
    return (len(times) - 1) / (times[-1] - times[0]) if len(times) > 1 else 0.0


def frame_rate_runs(simserver, display, window, master, work, failures):
    """Servers in game loops of 16, 30 and 50 ms frames: the platform gets its 20 packets a
    second, and from the first that carries the served values on, every packet carries them."""
    for frame in (16, 30, 50):
        log = work / f"frames-{frame}.log"
        server = start_server(simserver, log, "--frame-ms", str(frame))
        click(display, window, START)
        chunks = read_for(master, 3.0)
        click(display, window, STOP)
        read_for(master, 0.5)  # a packet on its way when STOP came
        server.kill()
        server.wait()
        packets, stray = packets_in(chunks)
        what = f"frames of {frame} ms"
        check_packets(packets, stray, expected_packet(), failures, what)
        rate = rate_of(chunks)
        print(f"{what}: {rate:.2f} packets a second")
        # Far from the rate of a link that waits for each answer in turn (7 to 13 a second).
        if not 19.0 <= rate <= 21.0:
            failures.append(f"{what}: {rate:.2f} packets a second")


def game_loop_run(simserver, display, window, master, work, failures):
    """30 ms frames and, 2 s in, a frame of 3 s; STOP is pressed during that stall."""
    log = work / "game-loop.log"
    server = start_server(simserver, log, "--frame-ms", "30", "--stall", "3@2", "--verbose")
    click(display, window, START)
    chunks = []
    deadline = time.monotonic() + 30
    while "a stall" not in log.read_text() and time.monotonic() < deadline:
        chunks += read_for(master, 0.1)
    stall = wait_in_log(log, "a stall", 1)
    chunks += read_for(master, 0.5)
    click(display, window, STOP)
    read_for(master, 0.5)  # a packet on its way when STOP came
    if read_for(master, 0.5):
        failures.append("game loop: packets came after STOP")
    if "message " in log.read_text()[stall:]:
        failures.append("game loop: STOP took effect only after the stall")
    packets, stray = packets_in(chunks)
    check_packets(packets, stray, expected_packet(), failures, "game loop")
    print(f"game loop, through the start of a stall: {rate_of(chunks):.2f} packets a second")
    click(display, window, START)  # the server answers again when the stall is over
    wait_in_log(log, "message ", 20, after=stall)
    after, stray = packets_in(read_for(master, 1.0))
    click(display, window, STOP)
    read_for(master, 0.5)
    if not after or stray or any(p != expected_packet() for p in after):
        failures.append(f"game loop: after the stall {[p.hex(' ') for p in after[:3]]}")
    return server


def main():
    build, picture = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2]).resolve()
    simserver = build / "tools/simserver/simserver.exe"
    veltrano = build / "src/app/veltrano.exe"
    xvfb, display = start_display()
    os.environ["DISPLAY"] = display  # for Wine's desktop and every program in it
    failures = []
    try:
        set_graphics("x11")
        start_wine()
        work = pathlib.Path(tempfile.mkdtemp(prefix="veltrano-e2e-"))
        server = start_server(simserver, work / "simserver.log")

        # Wine is up, so its device manager has written its own links already.
        master, slave = os.openpty()
        tty.setraw(slave)
        com3 = PREFIX / "dosdevices/com3"
        com3.unlink(missing_ok=True)
        com3.symlink_to(os.ttyname(slave))

        (work / "SETUPSIM.CAP").write_bytes(SETTINGS.encode())
        program = wine(str(veltrano), cwd=work, env={"DISPLAY": display})
        window = wait_for_windows(display, 1, 60)[0]
        click(display, window, START)

        chunks = read_for(master, 4.0)
        picture.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", display, "-window", window, str(picture)],
                       check=True)
        chunks += read_for(master, 1.0)
        click(display, window, STOP)
        read_for(master, 0.5)  # a packet on its way when STOP came
        after_stop = read_for(master, 1.0)

        packets, stray = packets_in(chunks)
        check_packets(packets, stray, expected_packet(), failures, "steady server")
        if len(packets) < 40:
            failures.append(f"only {len(packets)} packets in 5 s")
        if after_stop:
            failures.append("packets came after STOP")

        server.kill()
        server.wait()
        frame_rate_runs(simserver, display, window, master, work, failures)
        server = game_loop_run(simserver, display, window, master, work, failures)

        # A platform that goes away in a run (its adapter pulled out): one "no port", run over.
        click(display, window, START)
        if not read_for(master, 1.0):
            failures.append("no packets after the second START")
        os.close(master)
        wait_for_windows(display, 2, 20)
        time.sleep(1)  # time for a wrong second box to show
        if len(windows_named_veltrano(display)) != 2:
            failures.append("not exactly one message box after the port went away")
        # Arrival times of whole packets measure the tick as the platform sees it.
        times = [t for t, chunk in chunks for _ in range(len(chunk) // 8)]
        gaps = sorted(1000 * (b - a) for a, b in zip(times, times[1:]))
        if gaps:
            p99 = gaps[min(len(gaps) - 1, math.ceil(0.99 * len(gaps)) - 1)]
            print(f"tick interval at the serial line: median {statistics.median(gaps):.2f} ms, "
                  f"p99 {p99:.2f} ms, max {gaps[-1]:.2f} ms; {rate_of(chunks):.2f} packets a "
                  "second")
        program.kill()
        server.kill()
    finally:
        subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        set_graphics("null")
        xvfb.terminate()
        xvfb.wait()
    if failures:
        raise SystemExit("end-to-end run failed: " + "; ".join(failures))
    print(f"end-to-end run passed; picture of the running window: {picture}")


if __name__ == "__main__":
    main()
