#!/usr/bin/env python3
"""Delay from a local address change to the client's active test (needs root).

In a network namespace of its own (a veth pair, loopback up), the reference service and
`kelbrin-client --service` run logged in with the demo account. The script then changes an
address of the veth interface --changes times and, for each, measures the time until the
reference service sees the next ActiveTestReq. Target: at most 2 s (the settle time), far below
the 40 s pace.

    address_change_delay.py --client PATH --service PATH [--changes N]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


class Failure(Exception):
    pass


def ip(*args):
    subprocess.run(["ip"] + list(args), check=True, capture_output=True)


def wait_for(what, condition, timeout):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.002)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--client", required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--changes", type=int, default=10)
    args = parser.parse_args()
    if os.geteuid() != 0:
        print("address_change_delay: needs root (it creates a network namespace)")
        return 1

    ns = f"kelbrin-delay-{os.getpid()}"
    work = tempfile.mkdtemp(prefix="kelbrin-delay-")
    processes = []
    ip("netns", "add", ns)
    try:
        ip("-n", ns, "link", "set", "lo", "up")
        ip("-n", ns, "link", "add", "v0", "type", "veth", "peer", "name", "v1")
        ip("-n", ns, "link", "set", "v0", "up")
        ip("-n", ns, "link", "set", "v1", "up")
        inside = ["ip", "netns", "exec", ns]
        journal = os.path.join(work, "journal")
        service = subprocess.Popen(inside + [args.service, "--port", "0", "--stop-on-eof", "--log",
                                             journal], stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, text=True)
        processes.append(service)
        port = service.stdout.readline().strip().rsplit(":", 1)[1]
        common = ["--endpoint", f"http://127.0.0.1:{port}/pelmar/pelmar.dll/", "--config-root",
                  os.path.join(work, "settings")]
        saved = subprocess.run(inside + [args.client, "--once", "--user", "demo01",
                                         "--password-stdin", "--save"] + common,
                               input="demo-pass\n", text=True, capture_output=True, timeout=60)
        if saved.returncode != 0:
            raise Failure(f"saving the demo password failed: {saved.stderr.strip()}")

        def active_tests():
            try:
                with open(journal) as text:
                    return sum(1 for line in text if "ActiveTestReq" in line)
            except FileNotFoundError:
                return 0

        before = active_tests()
        client = subprocess.Popen(inside + [args.client, "--service"] + common,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        processes.append(client)
        wait_for("the client's first active test", lambda: active_tests() > before, 30)
        time.sleep(3)  # past the login's own requests and any settle they started

        delays = []
        for change in range(args.changes):
            seen = active_tests()
            began = time.monotonic()
            ip("-n", ns, "addr", "add", f"10.55.{change}.1/24", "dev", "v0")
            wait_for("the active test after a change", lambda: active_tests() > seen, 45)
            delays.append(time.monotonic() - began)
            print(f"change {change + 1}: active test after {delays[-1] * 1000:.0f} ms")
            time.sleep(2.5)  # the next change starts a settle of its own
        print(f"address change to active test: median {statistics.median(delays) * 1000:.0f} ms, "
              f"max {max(delays) * 1000:.0f} ms over {len(delays)} changes (target <= 2000 ms)")
        return 0
    except (Failure, subprocess.CalledProcessError, subprocess.TimeoutExpired) as failure:
        print(f"address_change_delay: {failure}")
        return 1
    finally:
        for process in reversed(processes):
            if process.stdin:
                process.stdin.close()
            else:
                process.terminate()
            process.wait(10)
        subprocess.run(["ip", "netns", "del", ns], capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
