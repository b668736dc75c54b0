#!/usr/bin/env python3
"""Whole-process footprint of `kelbrin-client --service`, side by side with inadyn.

Each subject runs against a local endpoint on 127.0.0.1: the client against the reference
Pelmar service (the demo password saved first with --once --save), inadyn (when installed)
against a tiny dyndns2-style endpoint served by this script. Each runs over http and, as
LABEL-https, over https through a TLS front of this script whose certificate comes from an
authority made for the run (the client trusts it through SSL_CERT_FILE, inadyn through its
ca-trust-file). The client runs over https a second time as users run it, as LABEL-https-sys:
trusting the system's store with the authority added in a hashed folder named by SSL_CERT_DIR,
and naming the endpoint by host name (localhost) rather than by address. For every subject it
prints:

  start to first request   spawn to the first request the endpoint sees (median of --starts)
  idle RSS / anonymous     VmRSS and RssAnon after --idle seconds logged in
  CPU per cycle            user+system time over the idle window per request sent in it
  wake-ups per minute      context switches of all threads over the idle window (counted by
                           perf, so threads that start or end meanwhile count too), and per
                           40 s of the pace (one active-test cycle)
  one-shot CPU / peak RSS  user+system time and peak RSS of one `--once` run (inadyn: `--once`),
                           median of --starts runs
  ratio to inadyn          for each of the above, when inadyn ran (over the same scheme)

and, for the client, the resident memory by mapping (from /proc/PID/smaps; smaps_rollup for
the totals), largest first. The client publishes itself on a private session bus (a dbus-daemon
started here), so its figures include the D-Bus connection a running service holds.

The idle window is the steady state: it starts only once every timer of the client has fired at
least twice (the slowest, the 75 s reminder check first due at 60 s, fires the second time at
135 s of the pace; inadyn after one period), and lasts four update cycles of the subject unless
--idle says otherwise. Each client
is also measured logged out (LABEL-out: no saved password, so it never logs in), and with
--floor the floor program (a trivial program holding the same bus connection) is measured in
the same way beside it.

    service_footprint.py --service PATH --client LABEL=PATH [--client LABEL=PATH ...]
                         [--floor PATH] [--time-scale FACTOR] [--idle SECONDS] [--starts N]
                         [--no-inadyn] [--no-https]

--time-scale multiplies the client's pace (its --time-scale option) and with it its warm-up, its
cycle and its idle window; inadyn keeps its period of 40 s. Exit status 1 when a subject
cannot be measured.
"""

import argparse
import http.server
import os
import select
import shutil
import socket
import ssl
import statistics
import subprocess
import sys
import tempfile
import threading
import time

TICK = 0.0005  # polling step while waiting for the first request, seconds
CYCLE = 40.0  # seconds of the pace between two active tests
# Seconds of the pace until every timer has fired twice: the reminder check, first after 60 s,
# then every 75 s; the other timers are quicker.
WARM_UP = 60.0 + 75.0


class Failure(Exception):
    pass


def wait_for(what, condition, timeout):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(TICK)


def status_kib(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "VmHWM", "RssAnon", "RssFile", "RssShmem"):
                fields[key] = int(value.split()[0])
    return fields


def rollup_kib(pid):
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            key, _, value = line.partition(":")
            if key in ("Rss", "Pss", "Anonymous", "Private_Dirty", "Shared_Clean"):
                fields[key] = int(value.split()[0])
    return fields


def mappings_kib(pid):
    """Rss and Anonymous KiB per mapped file ([heap], [stack], [anon] for the others)."""
    totals = {}
    name = None
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            head = line.split()
            if not head:
                continue
            if not head[0].endswith(":") or "-" in head[0]:
                name = head[5] if len(head) > 5 else "[anon]"
                name = os.path.basename(name) if name.startswith("/") else name
                totals.setdefault(name, [0, 0])
            elif head[0] == "Rss:":
                totals[name][0] += int(head[1])
            elif head[0] == "Anonymous:":
                totals[name][1] += int(head[1])
    return totals


def cpu_ns(pid):
    """Time on a CPU of all threads, from the scheduler's statistics (nanoseconds)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
            total += int(stat.read().split()[0])
    return total


def switches_over(pid, seconds):
    """Context switches of all threads of `pid` over the next `seconds`, also of threads that
    start or end meanwhile (perf's counters follow new threads and keep what ended threads
    counted; /proc would lose those)."""
    if shutil.which("perf") is None:
        raise Failure("wake-ups are counted with perf (apt-get install linux-perf)")
    counted = subprocess.run(["perf", "stat", "-e", "context-switches", "-x", ",", "-p", str(pid),
                              "--", "sleep", str(seconds)], capture_output=True, text=True)
    for line in counted.stderr.splitlines():
        fields = line.split(",")
        if len(fields) > 2 and fields[2] == "context-switches":
            # A process that never ran in the window is "<not counted>": it never woke.
            return int(fields[0]) if fields[0].isdigit() else 0
    raise Failure(f"perf stat counted nothing: {counted.stderr.strip()}")


class Subject:
    """One program under measurement: how to start it and how to count its requests."""

    def __init__(self, label, start, requests, once, cycle=CYCLE, warm_up=0.0, logs_in=True):
        self.label = label
        self.start = start  # () -> Popen
        self.requests = requests  # () -> int, requests seen by its endpoint so far
        self.once = once  # (launcher argv) -> Popen of one update run that ends by itself; or None
        self.cycle = cycle  # seconds between two of its updates
        self.warm_up = warm_up  # seconds until every timer of it has fired twice
        self.logs_in = logs_in  # whether it sends requests at all


def once_figures(subject, runs, work):
    """Median CPU (ms) and peak RSS (KiB) of `runs` one-shot runs.

    GNU time starts each run from its own small process and reports its peak: a child forked
    from this script would carry the script's resident set into its peak through the exec. The
    CPU time comes from wait4 on GNU time, which includes the run it waited for (GNU time's own
    figure has only 10 ms steps); GNU time's own share is the same for every subject."""
    cpu, peak = [], []
    report = os.path.join(work, "once-usage")
    for _ in range(runs):
        process = subject.once(["/usr/bin/time", "-f", "%M", "-o", report])
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        if process.returncode != 0:
            raise Failure(f"{subject.label}: the one-shot run ended with {process.returncode}")
        with open(report) as text:
            peak.append(int(text.read().split()[-1]))
        cpu.append((usage.ru_utime + usage.ru_stime) * 1000.0)
    return statistics.median(cpu), statistics.median(peak)


def first_request_ms(subject, starts):
    times = []
    for _ in range(starts):
        before = subject.requests()
        began = time.monotonic()
        process = subject.start()
        try:
            wait_for(f"the first request of {subject.label}", lambda: subject.requests() > before,
                     30)
            times.append((time.monotonic() - began) * 1000.0)
        finally:
            process.terminate()
            process.wait(10)
    return statistics.median(times), min(times), max(times)


def idle_figures(subject, idle):
    """The figures over `idle` seconds (four of its cycles when None) once every timer of the
    subject has fired twice."""
    idle = idle or 4 * subject.cycle
    process = subject.start()
    try:
        if subject.logs_in:
            before = subject.requests()
            wait_for(f"{subject.label} to send its first request",
                     lambda: subject.requests() > before, 30)
        time.sleep(subject.warm_up + 2.0)
        cpu0, requests0 = cpu_ns(process.pid), subject.requests()
        woken = switches_over(process.pid, idle)
        if process.poll() is not None:
            raise Failure(f"{subject.label} ended with {process.returncode}")
        cycles = subject.requests() - requests0
        cpu_ms = (cpu_ns(process.pid) - cpu0) / 1e6
        return {
            "status": status_kib(process.pid),
            "rollup": rollup_kib(process.pid),
            "mappings": mappings_kib(process.pid),
            "cpu_per_cycle_ms": cpu_ms / cycles if cycles else None,
            "cycles": cycles,
            "wakeups_per_min": woken * 60.0 / idle,
            "wakeups_per_cycle": woken * subject.cycle / idle,
            "idle": idle,
        }
    finally:
        process.terminate()
        process.wait(10)


class DynDnsEndpoint:
    """dyndns2-style: GET /ip answers the caller's address, GET /nic/update answers "good"."""

    def __init__(self):
        endpoint = self
        self.count = 0
        self.lock = threading.Lock()

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                with endpoint.lock:
                    endpoint.count += 1
                body = (b"Current IP Address: 203.0.113.5\n" if self.path.startswith("/ip")
                        else b"good 203.0.113.5\n")
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                try:
                    self.wfile.write(body)
                except ConnectionError:
                    pass  # a start measurement ends the program once its request is seen

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def requests(self):
        with self.lock:
            return self.count


class TestAuthority:
    """A certificate authority made for the run, and a certificate for 127.0.0.1 it issued."""

    def __init__(self, work):
        self.certificate = os.path.join(work, "authority.pem")
        key = os.path.join(work, "authority.key")
        self.leaf = os.path.join(work, "leaf.pem")
        self.leaf_key = os.path.join(work, "leaf.key")
        request = os.path.join(work, "leaf.csr")
        extensions = os.path.join(work, "leaf.ext")
        with open(extensions, "w") as text:
            text.write("subjectAltName = IP:127.0.0.1, DNS:localhost\n")

        def openssl(*arguments):
            subprocess.run(["openssl", *arguments], check=True, capture_output=True)

        openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                "-keyout", key, "-out", self.certificate, "-days", "2", "-subj",
                "/CN=footprint bench authority")
        openssl("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                "-keyout", self.leaf_key, "-out", request, "-subj", "/CN=127.0.0.1")
        openssl("x509", "-req", "-in", request, "-CA", self.certificate, "-CAkey", key,
                "-CAcreateserial", "-days", "2", "-extfile", extensions, "-out", self.leaf)
        # The authority alone in a folder under the hash of its subject, as c_rehash leaves it.
        self.folder = os.path.join(work, "authority-hashed")
        os.makedirs(self.folder)
        subject_hash = subprocess.run(["openssl", "x509", "-hash", "-noout", "-in",
                                       self.certificate], check=True, capture_output=True,
                                      text=True).stdout.strip()
        shutil.copy(self.certificate, os.path.join(self.folder, subject_hash + ".0"))


class TlsFront:
    """Ends TLS on 127.0.0.1 and passes the bytes both ways to 127.0.0.1:target_port; when the
    server behind closes, the front sends close_notify and closes, as a web server would."""

    def __init__(self, authority, target_port):
        self.authority = authority
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(authority.leaf, authority.leaf_key)
        self.target_port = target_port
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            connection, _ = self.listener.accept()
            threading.Thread(target=self.serve, args=(connection,), daemon=True).start()

    def serve(self, connection):
        try:
            with self.context.wrap_socket(connection, server_side=True) as tls, \
                    socket.create_connection(("127.0.0.1", self.target_port)) as origin:
                while True:
                    # Bytes already decrypted do not show on the socket: pass them on first.
                    ready = [tls] if tls.pending() else select.select([tls, origin], [], [])[0]
                    if tls in ready:
                        data = tls.recv(65536)
                        if not data:
                            return
                        origin.sendall(data)
                    if origin in ready:
                        data = origin.recv(65536)
                        if not data:
                            tls.unwrap()
                            return
                        tls.sendall(data)
        except (OSError, ValueError):
            pass  # a client that left, or failed the handshake: nothing to pass on


def inadyn_subject(work, endpoint, front=None):
    """inadyn against `endpoint`, or over https through `front` to it."""
    label = "inadyn" if front is None else "inadyn-https"
    config = os.path.join(work, f"{label}.conf")
    port = endpoint.port if front is None else front.port
    use_ssl = "false" if front is None else "true"
    trust = "" if front is None else f"ca-trust-file = {front.authority.certificate}\n"
    with open(config, "w") as text:
        text.write(f"""period = 40
{trust}custom local {{
    ssl = {use_ssl}
    username = demo01
    password = demo-pass
    checkip-server = 127.0.0.1:{port}
    checkip-path = /ip
    checkip-ssl = {use_ssl}
    ddns-server = 127.0.0.1:{port}
    ddns-path = "/nic/update?hostname=%h&myip=%i"
    hostname = host0.example.net
}}
""")
    os.chmod(config, 0o600)
    cache = os.path.join(work, f"{label}-cache")

    def run(launcher=(), extra=()):
        shutil.rmtree(cache, ignore_errors=True)
        return subprocess.Popen([*launcher, "inadyn", "-n", "-f", config, "--cache-dir", cache,
                                 "--no-pidfile", "-l", "err", *extra], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    return Subject(label, run, endpoint.requests, lambda launcher: run(launcher, ["--once"]),
                   warm_up=CYCLE)


def private_session_bus():
    """A dbus-daemon of our own: (process, address)."""
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nosyslog",
                               "--print-address=1"], stdout=subprocess.PIPE, text=True)
    address = daemon.stdout.readline().strip()
    if not address:
        raise Failure("dbus-daemon did not start")
    return daemon, address


def client_subject(label, client, work, service, bus_address, scale, authority=None,
                   logged_out=False, system_trust=False):
    """The client against its own reference service, or over https to it when given the
    authority of a TLS front (trusted alone, or beside the system's store); logged out, it has
    no saved password and never logs in."""
    if authority is not None:
        label += "-https-sys" if system_trust else "-https"
    if logged_out:
        label += "-out"
    journal = os.path.join(work, f"journal-{label}")
    process = subprocess.Popen([service, "--port", "0", "--stop-on-eof", "--log", journal],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    port = int(process.stdout.readline().strip().rsplit(":", 1)[1])
    scheme = "http"
    # A runtime folder of its own: another client running on the machine would otherwise take
    # the start for a second instance, which hands over to it and ends.
    runtime = os.path.join(work, f"runtime-{label}")
    os.makedirs(runtime, mode=0o700)
    environment = {**os.environ, "XDG_RUNTIME_DIR": runtime}
    host = "127.0.0.1"
    environment.pop("SSL_CERT_FILE", None)
    environment.pop("SSL_CERT_DIR", None)
    if authority is not None:
        scheme, port = "https", TlsFront(authority, port).port
        if system_trust:
            environment["SSL_CERT_DIR"] = authority.folder
            host = "localhost"
        else:
            environment["SSL_CERT_FILE"] = authority.certificate
    endpoint = f"{scheme}://{host}:{port}/pelmar/pelmar.dll/"
    common = ["--endpoint", endpoint, "--config-root", os.path.join(work, f"settings-{label}")]
    saved = subprocess.run([client, "--once", "--user", "demo01", "--password-stdin"]
                           + ([] if logged_out else ["--save"]) + common, input="demo-pass\n",
                           text=True, capture_output=True, timeout=60, env=environment)
    if saved.returncode != 0:
        raise Failure(f"{label}: the first update failed: {saved.stderr.strip()}")

    def requests():
        try:
            with open(journal) as text:
                return sum(1 for _ in text)
        except FileNotFoundError:
            return 0

    def start():
        return subprocess.Popen([client, "--service", "--bus", "session", "--time-scale",
                                 str(scale)] + common,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                env={**environment, "DBUS_SESSION_BUS_ADDRESS": bus_address})

    def once(launcher):
        run = subprocess.Popen([*launcher, client, "--once", "--user", "demo01", "--password-stdin"] + common,
                               stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, text=True, env=environment)
        run.stdin.write("demo-pass\n")
        run.stdin.close()
        return run

    return Subject(label, start, requests, None if logged_out else once, CYCLE * scale,
                   WARM_UP * scale, not logged_out), process


def floor_subject(floor, bus_address):
    """The floor program on the same bus."""
    def start():
        return subprocess.Popen([floor], env={**os.environ, "DBUS_SESSION_BUS_ADDRESS": bus_address})

    return Subject("floor", start, lambda: 0, None, logs_in=False)


def report(results, reference):
    """The figures, each with its ratio to `reference` over the same scheme."""
    def ratio(value, key):
        same_scheme = reference + "-https" if "-https" in label else reference
        base = results[same_scheme][key] if same_scheme in results else None
        if value is None or not base:
            return ""
        return f" ({value / base:.1f}x)"

    def number(value, digits):
        return "n/a" if value is None else f"{value:.{digits}f}"

    print()
    print(f"{'subject':<16}{'start→request ms':>22}{'idle RSS MiB':>18}{'anon MiB':>16}"
          f"{'CPU/cycle ms':>18}{'wake-ups/min':>18}{'/cycle':>8}{'once CPU ms':>18}"
          f"{'once peak MiB':>18}")
    for label, figures in results.items():
        cpu, peak = figures["cpu"], figures["once_peak"]
        print(f"{label:<16}"
              f"{number(figures['start'], 1):>10}{ratio(figures['start'], 'start'):>12}"
              f"{figures['rss'] / 1024:>10.1f}{ratio(figures['rss'], 'rss'):>8}"
              f"{figures['anon'] / 1024:>8.2f}{ratio(figures['anon'], 'anon'):>8}"
              f"{number(cpu, 2):>10}{ratio(cpu, 'cpu'):>8}"
              f"{figures['wakeups']:>10.1f}{ratio(figures['wakeups'], 'wakeups'):>8}"
              f"{figures['wakeups_cycle']:>8.1f}"
              f"{number(figures['once_cpu'], 1):>10}{ratio(figures['once_cpu'], 'once_cpu'):>8}"
              f"{number(peak and peak / 1024, 1):>10}{ratio(peak, 'once_peak'):>8}")


def print_mappings(label, idle):
    print(f"\n{label}: resident memory by mapping (KiB; Rss / of it anonymous), "
          f"rollup {idle['rollup']}")
    rows = sorted(idle["mappings"].items(), key=lambda item: -item[1][0])
    for name, (rss, anon) in rows:
        if rss == 0:
            continue
        print(f"  {rss:>7} {anon:>7}  {name}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--service", required=True, help="pelmar-reference-service")
    parser.add_argument("--client", action="append", required=True, help="LABEL=PATH")
    parser.add_argument("--floor", help="the floor program (bench_bus_floor)")
    parser.add_argument("--time-scale", type=float, default=1.0)
    parser.add_argument("--idle", type=float,
                        help="seconds; four update cycles of each subject if not given")
    parser.add_argument("--starts", type=int, default=9)
    parser.add_argument("--no-inadyn", action="store_true")
    parser.add_argument("--no-https", action="store_true")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="kelbrin-footprint-")
    services = []
    results = {}
    bus = None
    try:
        bus, bus_address = private_session_bus()
        authorities = [None] if args.no_https else [None, TestAuthority(work)]
        subjects = []
        for spec in args.client:
            label, _, path = spec.partition("=")
            variants = [(None, False, False), (None, True, False)]
            if not args.no_https:
                variants += [(authorities[1], False, False), (authorities[1], False, True)]
            for authority, logged_out, system_trust in variants:
                subject, service = client_subject(label, path, work, args.service, bus_address,
                                                  args.time_scale, authority, logged_out,
                                                  system_trust)
                services.append(service)
                subjects.append(subject)
        if args.floor:
            subjects.append(floor_subject(args.floor, bus_address))
        if not os.access("/usr/bin/time", os.X_OK):
            raise Failure("the one-shot figures need GNU time (apt-get install time)")
        if not args.no_inadyn:
            if shutil.which("inadyn"):
                for authority in authorities:
                    endpoint = DynDnsEndpoint()
                    front = TlsFront(authority, endpoint.port) if authority else None
                    subjects.append(inadyn_subject(work, endpoint, front))
            else:
                print("inadyn is not installed: no comparison (apt-get install inadyn)")
        for subject in subjects:
            median = None
            if subject.logs_in:
                median, low, high = first_request_ms(subject, args.starts)
                print(f"{subject.label}: start to first request median {median:.1f} ms "
                      f"(min {low:.1f}, max {high:.1f}, {args.starts} starts)")
            figures = idle_figures(subject, args.idle)
            once_cpu, once_peak = (once_figures(subject, args.starts, work) if subject.once
                                   else (None, None))
            results[subject.label] = {
                "once_cpu": once_cpu,
                "once_peak": once_peak,
                "start": median,
                "rss": figures["status"]["VmRSS"],
                "anon": figures["status"]["RssAnon"],
                "cpu": figures["cpu_per_cycle_ms"],
                "wakeups": figures["wakeups_per_min"],
                "wakeups_cycle": figures["wakeups_per_cycle"],
            }
            print(f"{subject.label}: {figures['status']}, {figures['cycles']} requests in "
                  f"{figures['idle']:.0f} s idle")
            if not subject.label.startswith("inadyn"):
                print_mappings(subject.label, figures)
        report(results, "inadyn")
        return 0
    except (Failure, subprocess.TimeoutExpired) as failure:
        print(f"service_footprint: {failure}")
        return 1
    finally:
        for service in services:
            service.stdin.close()
            service.wait(10)
        if bus is not None:
            bus.terminate()
            bus.wait(10)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
