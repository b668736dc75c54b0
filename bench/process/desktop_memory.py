#!/usr/bin/env python3
"""Resident memory and wake-ups of the desktop client idle, in the tray and with its window shown.

Under Xvfb with openbox and trayer, the demo account's password is saved first (kelbrin-client
--once --save), so the desktop client starts in the tray only and logs in by itself. Once the
reference service has seen its active tests, the client is left idle and its memory is read from
/proc: VmRSS (resident now), VmHWM (peak resident), RssAnon (its own heap and stacks), RssFile
(mapped libraries and files) and Pss (resident with shared pages divided among their users).
Then its wake-ups (context switches of all its threads) are counted over --window seconds hidden
in the tray, and again with its window shown on its first page: a second start of the client
hands over to it and ends, as a user's second start does; no test aid runs meanwhile.

    desktop_memory.py --client PATH --service PATH [--idle SECONDS] [--samples N]
                      [--window SECONDS]

Prints one line per sample and a summary; exit status 1 when the client cannot be measured.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "e2e"))
from desktop_e2e import Failure, Processes, first_line, start_x, wait_for  # noqa: E402
from service_footprint import switches_over  # noqa: E402

TIME_SCALE = "0.25"  # auto-logon after 2.5 s, an active test every 10 s


def memory_kib(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "VmHWM", "RssAnon", "RssFile", "RssShmem"):
                fields[key] = int(value.split()[0])
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            if line.startswith("Pss:"):
                fields["Pss"] = int(line.split()[1])
    return fields


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--client", required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--idle", type=float, default=20.0, help="seconds idle before measuring")
    parser.add_argument("--samples", type=int, default=5, help="samples, one per second")
    parser.add_argument("--window", type=float, default=30.0,
                        help="seconds over which wake-ups are counted, hidden and shown")
    args = parser.parse_args()
    for tool in ("Xvfb", "openbox", "trayer"):
        if shutil.which(tool) is None:
            print(f"desktop_memory: {tool} is missing; scripts/setup installs it")
            return 1

    work = tempfile.mkdtemp(prefix="kelbrin-bench-")
    processes = Processes()
    try:
        measure(args, work, processes)
        return 0
    except (Failure, subprocess.TimeoutExpired) as failure:
        print(f"desktop_memory: {failure}")
        return 1
    finally:
        processes.stop_all()
        shutil.rmtree(work, ignore_errors=True)


def measure(args, work, processes):
    runtime_dir = os.path.join(work, "run")
    os.mkdir(runtime_dir, 0o700)
    env = {key: value for key, value in os.environ.items()
           if key not in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update({"XDG_RUNTIME_DIR": runtime_dir, "XDG_CONFIG_HOME": os.path.join(work, "config")})
    env["DISPLAY"] = start_x(processes, env, work)
    processes.start("openbox", ["openbox"], env, work)
    processes.start("trayer", ["trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                               "pixel", "--width", "120", "--height", "24", "--SetDockType",
                               "true", "--transparent", "false"], env, work)

    journal = os.path.join(work, "journal")
    service = processes.start("service", [args.service, "--port", "0", "--stop-on-eof", "--log",
                                          journal], env, work, stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE)
    endpoint = f"http://127.0.0.1:{first_line(service, 20).rsplit(':', 1)[1]}/pelmar/pelmar.dll/"
    common = ["--endpoint", endpoint, "--config-root", os.path.join(work, "settings")]

    saved = subprocess.run([args.client, "--once", "--user", "demo01", "--password-stdin",
                            "--save"] + common, input="demo-pass\n", env=env, text=True,
                           capture_output=True, timeout=60)
    if saved.returncode != 0:
        raise Failure(f"saving the demo password failed: {saved.stderr.strip()}")

    client = processes.start("client", [args.client, "--time-scale", TIME_SCALE] + common, env,
                             work)

    def active_tests():
        try:
            with open(journal) as text:
                return sum(1 for line in text if " ActiveTestReq demo01 0" in line)
        except FileNotFoundError:
            return 0

    before = active_tests()  # the one of --once
    wait_for("the client to log in by itself from the tray", lambda: active_tests() > before, 30)
    time.sleep(args.idle)
    if client.poll() is not None:
        raise Failure(f"the client ended with {client.returncode}")

    samples = []
    for index in range(args.samples):
        sample = memory_kib(client.pid)
        samples.append(sample)
        print("sample {}: VmRSS {VmRSS} KiB, Pss {Pss} KiB, RssAnon {RssAnon} KiB, "
              "RssFile {RssFile} KiB, VmHWM {VmHWM} KiB".format(index + 1, **sample))
        time.sleep(1)
    rss = sorted(sample["VmRSS"] for sample in samples)
    pss = sorted(sample["Pss"] for sample in samples)
    print(f"desktop client idle in the tray ({args.idle:.0f} s after its login, "
          f"{active_tests() - before} active tests): VmRSS median {rss[len(rss) // 2] / 1024:.1f} "
          f"MiB, Pss median {pss[len(pss) // 2] / 1024:.1f} MiB, "
          f"peak {max(s['VmHWM'] for s in samples) / 1024:.1f} MiB")

    def wakeups_per_minute():
        return switches_over(client.pid, args.window) * 60.0 / args.window

    hidden = wakeups_per_minute()
    shown = subprocess.run([args.client, "--time-scale", TIME_SCALE] + common, env=env,
                           capture_output=True, text=True, timeout=30)
    if shown.returncode != 0:
        raise Failure(f"the second start did not hand over: {shown.stderr.strip()}")
    time.sleep(3.0)  # the window's first paint and the banner's one sweep
    if client.poll() is not None:
        raise Failure(f"the client ended with {client.returncode}")
    print(f"wake-ups per minute at a time scale of {TIME_SCALE}: hidden in the tray {hidden:.0f}, "
          f"window shown {wakeups_per_minute():.0f}")


if __name__ == "__main__":
    sys.exit(main())
