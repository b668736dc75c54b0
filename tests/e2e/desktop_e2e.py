#!/usr/bin/env python3
"""The desktop client end to end: a real X server (Xvfb), a window manager (openbox), a tray host
(trayer), the reference Pelmar service and the real kelbrin-client, driven with real input events
(xdotool) like a person would.

What the client shows is read from two places: the X server itself (windows, their names, classes
and visibility, the active window, screenshots) and the client's --state-report file, which the
desktop rewrites whenever its snapshot changes (the session view, the window's state, where its
named controls are on the screen, and every popup or box the session asked for). The controls are
clicked at the places that report gives; typing and clicking go through the X server.

Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb on this machine).

    desktop_e2e.py --client PATH --service PATH [--screenshots DIR] [--keep]
"""

import argparse
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
WINDOW_NAME = "Kelbrin V1.0"
WINDOW_CLASS = "Kelbrin client V6.0"
ONLINE_HINT = "Kelbrin client V6.0 -- Online"
TIME_SCALE = "0.25"  # the popup stays up 1.25 s, an active test every 10 s


class Failure(Exception):
    pass


def log(text):
    print(f"e2e: {text}", flush=True)


def wait_for(what, predicate, timeout):
    """Polls `predicate` until it returns something true; fails after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.05)


class Processes:
    """Every process the test starts, ended by its PID at the end (TERM, then KILL)."""

    def __init__(self):
        self.started = []

    def start(self, name, argv, env, log_dir, **kwargs):
        out = open(os.path.join(log_dir, f"{name}.log"), "wb")
        kwargs.setdefault("stdout", out)
        process = subprocess.Popen(argv, env=env, stderr=out, stdin=kwargs.pop("stdin", subprocess.DEVNULL),
                                   **kwargs)
        self.started.append((name, process))
        return process

    def stop_all(self):
        for name, process in reversed(self.started):
            if process.poll() is not None:
                continue
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                log(f"{name} (pid {process.pid}) ignored SIGTERM; killing it")
                process.kill()
                process.wait(timeout=5)


class Desktop:
    def __init__(self, display, env, shots):
        self.display = display
        self.env = env
        self.shots = shots

    def run(self, *argv, timeout=10):
        result = subprocess.run(argv, env=self.env, capture_output=True, text=True,
                                timeout=timeout)
        return result

    def xdotool(self, *args):
        result = self.run("xdotool", *args)
        if result.returncode not in (0, 1):
            raise Failure(f"xdotool {' '.join(args)}: {result.stderr.strip()}")
        return result.stdout.split()

    def visible_windows(self, name):
        return self.xdotool("search", "--onlyvisible", "--name", f"^{name}$")

    def click(self, x, y, button=1):
        self.xdotool("mousemove", str(x), str(y), "click", str(button))

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)

    def key(self, name):
        self.xdotool("key", name)

    def screenshot(self, name, window="root"):
        if not self.shots:
            return
        target = os.path.join(self.shots, f"{name}.png")
        result = self.run("import", "-display", self.display, "-window", window, target,
                          timeout=20)
        if result.returncode != 0:
            raise Failure(f"screenshot {name}: {result.stderr.strip()}")
        log(f"screenshot {target}")


class Report:
    """The client's --state-report file: single "key=value" lines, and repeated keys (Widget,
    TopLevel, Popup, InfoBox, ErrorBox) kept as lists."""

    REPEATED = ("Widget", "TopLevel", "WindowShown", "Popup", "InfoBox", "ErrorBox", "StartBeep",
                "Text", "TreeItem")

    def __init__(self, path):
        self.path = path

    def read(self):
        values = {key: [] for key in self.REPEATED}
        try:
            with open(self.path, encoding="utf-8") as text:
                lines = text.read().splitlines()
        except FileNotFoundError:
            return None
        for line in lines:
            key, _, value = line.partition("=")
            if key in self.REPEATED:
                values[key].append(value)
            else:
                values[key] = value
        return values

    def get(self, key):
        values = self.read()
        return values.get(key) if values else None

    def widget_center(self, name):
        values = self.read() or {}
        for entry in values.get("Widget", []):
            widget, *rect = entry.split(" ")
            if widget == name:
                x, y, w, h = map(int, rect)
                return x + w // 2, y + h // 2
        return None

    def text(self, name):
        """What the named label or list shows (line ends as "\\n"), or None."""
        for entry in (self.read() or {}).get("Text", []):
            widget, _, value = entry.partition("|")
            if widget == name:
                return value
        return None

    def tree_items(self):
        """The domain tree's rows on the screen, in order: (depth, text, (x, y))."""
        items = []
        for entry in (self.read() or {}).get("TreeItem", []):
            depth, text, rect = entry.split("|")
            x, y, w, h = map(int, rect.split(" "))
            items.append((int(depth), text, (x + w // 2, y + h // 2)))
        return items

    def tree_item(self, text):
        for _, item_text, center in self.tree_items():
            if item_text == text:
                return center
        return None

    def top_level(self, class_name):
        values = self.read() or {}
        return [entry for entry in values.get("TopLevel", []) if entry.startswith(class_name)]


def first_line(process, timeout):
    ready, _, _ = select.select([process.stdout], [], [], timeout)
    if not ready:
        raise Failure("the reference service did not report its port")
    return process.stdout.readline().decode().strip()


def start_x(processes, env, log_dir):
    read_fd, write_fd = os.pipe()
    # -noreset: without it the server starts over when its last client leaves and writes the
    # display number again, to a pipe nobody reads any more.
    xvfb = processes.start("xvfb", ["Xvfb", "-displayfd", str(write_fd), "-noreset", "-screen",
                                    "0", "1024x768x24", "-nolisten", "tcp"],
                           env, log_dir, pass_fds=(write_fd,))
    os.close(write_fd)
    # The number comes in two writes, the digits and then a newline: read up to the newline, or
    # the server dies writing into a closed pipe.
    number = b""
    deadline = time.monotonic() + 20
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_fd], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(read_fd, 16) if ready else b""
        if not chunk:
            break
        number += chunk
    os.close(read_fd)
    number = number.decode().strip()
    if not number:
        raise Failure(f"Xvfb (pid {xvfb.pid}) did not report a display")
    return f":{number}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--client", required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--screenshots", default="")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()

    if shutil.which("Xvfb") is None:
        log("SKIP: Xvfb is not installed (scripts/setup installs it)")
        return SKIP
    for tool in ("openbox", "trayer", "xdotool", "xprop", "import"):
        if shutil.which(tool) is None:
            log(f"FAIL: {tool} is missing; scripts/setup installs it")
            return 1

    work = tempfile.mkdtemp(prefix="kelbrin-e2e-")
    processes = Processes()
    try:
        run_test(args, work, processes)
        log("PASS")
        return 0
    except (Failure, subprocess.TimeoutExpired) as failure:
        log(f"FAIL: {failure}")
        for name in ("client", "second", "xvfb", "openbox", "trayer", "service"):
            path = os.path.join(work, f"{name}.log")
            if os.path.exists(path):
                with open(path, errors="replace") as text:
                    tail = text.read()[-2000:]
                if tail.strip():
                    log(f"--- {name}.log ---\n{tail}")
        state = os.path.join(work, "state")
        if os.path.exists(state):
            with open(state, errors="replace") as text:
                log(f"--- last state report ---\n{text.read()}")
        return 1
    finally:
        processes.stop_all()
        if args.keep:
            log(f"kept {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


def run_test(args, work, processes):
    shots = os.path.abspath(args.screenshots) if args.screenshots else ""
    if shots:
        os.makedirs(shots, exist_ok=True)
    runtime_dir = os.path.join(work, "run")
    os.mkdir(runtime_dir, 0o700)
    fake_bin = os.path.join(work, "bin")
    os.mkdir(fake_bin)
    # No systemd is asked: the service check box sees a manager that knows no unit.
    with open(os.path.join(fake_bin, "systemctl"), "w") as script:
        script.write("#!/bin/sh\nexit 1\n")
    os.chmod(os.path.join(fake_bin, "systemctl"), 0o755)

    env = {key: value for key, value in os.environ.items()
           if key not in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                          "SESSION_MANAGER")}
    env.update({"XDG_RUNTIME_DIR": runtime_dir,
                "XDG_CONFIG_HOME": os.path.join(work, "config"),
                # The address history goes here, not into the home folder of whoever runs this.
                "XDG_STATE_HOME": os.path.join(work, "state-home"),
                "PATH": fake_bin + os.pathsep + env.get("PATH", "/usr/bin:/bin"),
                "LANG": "C.UTF-8"})

    display = start_x(processes, env, work)
    env["DISPLAY"] = display
    desktop = Desktop(display, env, shots)
    log(f"Xvfb on {display}")

    processes.start("openbox", ["openbox"], env, work)
    wait_for("the window manager",
             lambda: "window id" in desktop.run("xprop", "-root",
                                                "_NET_SUPPORTING_WM_CHECK").stdout, 20)
    service = processes.start("service", [args.service, "--port", "0", "--stop-on-eof"], env,
                              work, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    line = first_line(service, 20)
    if not line.startswith("listening on 127.0.0.1:"):
        raise Failure(f"unexpected first line of the reference service: {line!r}")
    endpoint = f"http://127.0.0.1:{line.rsplit(':', 1)[1]}/pelmar/pelmar.dll/"

    report = Report(os.path.join(work, "state"))
    client_args = [args.client, "--endpoint", endpoint, "--config-root",
                   os.path.join(work, "settings"), "--time-scale", TIME_SCALE]
    client = processes.start("client", client_args + ["--state-report", report.path], env, work)

    # Fresh settings, no saved password: the window comes up by itself, offline.
    wait_for("the main window and its login controls",
             lambda: report.get("WindowVisible") == "1" and report.widget_center("BtnLogon"), 20)
    windows = wait_for(f"a visible X window named {WINDOW_NAME!r}",
                       lambda: desktop.visible_windows(WINDOW_NAME), 10)
    window = windows[0]
    wm_class = desktop.run("xprop", "-id", window, "WM_CLASS").stdout
    if WINDOW_CLASS not in wm_class:
        raise Failure(f"window class is {wm_class.strip()!r}, expected {WINDOW_CLASS!r}")
    # The tray host comes after the client, as when a panel restarts: the icon moves into it.
    if report.get("TrayVisible") != "0":
        raise Failure(f"a tray icon without a tray host: {report.get('TrayVisible')!r}")
    processes.start("trayer", ["trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                               "pixel", "--width", "120", "--height", "24", "--SetDockType",
                               "true", "--transparent", "false"], env, work)
    wait_for("the tray host", lambda: desktop.xdotool("search", "--class", "trayer"), 20)
    wait_for("the tray icon", lambda: report.get("TrayVisible") == "1", 10)
    if client.poll() is not None:
        raise Failure(f"the client ended when the tray host came, with {client.returncode}")
    if report.get("TrayHint") != "Kelbrin client V6.0 -- Offline":
        raise Failure(f"tray hint before login: {report.get('TrayHint')!r}")
    desktop.screenshot("desktop-01-state-offline")

    log("logging in as demo01 through the window")
    desktop.click(*report.widget_center("EditUserName"))
    desktop.type("demo01")
    desktop.click(*report.widget_center("EditPassword"))
    desktop.type("demo-pass")
    desktop.click(*report.widget_center("BtnLogon"))

    wait_for(f"the tray hint {ONLINE_HINT!r}", lambda: report.get("TrayHint") == ONLINE_HINT, 30)
    wait_for("the IP label", lambda: report.get("Label27") == "127.0.0.1", 30)
    popup = "Hint|IP updates successfully：127.0.0.1"
    wait_for(f"the popup {popup!r}", lambda: popup in report.get("Popup"), 30)
    # The popup is a window of its own: it was shown, and it is photographed while it is up.
    wait_for("the popup window to be shown",
             lambda: any(shown.startswith("kelbrin::gui::TFAnimateHint")
                         for shown in report.get("WindowShown")), 10)
    if report.top_level("kelbrin::gui::TFAnimateHint"):
        desktop.screenshot("desktop-02-popup")
    wait_for("the domain list", lambda: report.get("Domains") == "2", 30)
    if report.get("BtnLogonCaption") != "Logout" or report.get("Label28") != "100001":
        raise Failure("the account panel does not show demo01 logged in")
    desktop.screenshot("desktop-03-state-online")

    for page, name in ((1, "network"), (2, "domain"), (3, "service"), (4, "log"), (0, "state")):
        # The label of a page button takes the click (its image does too; the gap around them
        # does nothing).
        desktop.click(*report.widget_center(f"PageLabel{page}"))
        wait_for(f"page {page}", lambda page=page: report.get("ActivePage") == str(page), 10)
        if page:
            time.sleep(0.3)  # let the page paint before the picture
            desktop.screenshot(f"desktop-{3 + page:02d}-page-{name}")

    check_domain_page(desktop, report, window)
    check_network_page(desktop, report, window, os.path.join(work, "settings", "settings.ini"))

    log("closing the window: it goes to the tray, the program goes on")
    desktop.xdotool("windowactivate", "--sync", window)
    desktop.key("alt+F4")
    wait_for("the window to hide", lambda: report.get("WindowVisible") == "0", 10)
    if desktop.visible_windows(WINDOW_NAME):
        raise Failure("the X window is still visible after the close")
    time.sleep(0.5)
    if client.poll() is not None:
        raise Failure(f"the client ended on close with {client.returncode}")

    log("a second start hands over to the first and ends")
    second = processes.start("second", client_args, env, work)
    try:
        second_status = second.wait(timeout=15)
    except subprocess.TimeoutExpired:
        raise Failure("the second instance did not end")
    if second_status != 0:
        raise Failure(f"the second instance ended with {second_status}, expected 0")
    wait_for("the first window to come back", lambda: report.get("WindowVisible") == "1", 10)
    wait_for("the first window to be the active X window",
             lambda: desktop.xdotool("getactivewindow") == [window], 10)
    desktop.screenshot("desktop-09-after-hand-over")

    tray = report.get("TrayGeometry").split(" ")
    tray_x, tray_y = int(tray[0]) + int(tray[2]) // 2, int(tray[1]) + int(tray[3]) // 2

    def open_tray_menu():
        desktop.click(tray_x, tray_y, button=3)
        wait_for("the tray menu", lambda: report.top_level("QMenu"), 10)
        time.sleep(0.3)  # the menu grabs the keyboard once it is mapped

    log("minimising through the window manager, then back from the tray: keys reach the window")
    desktop.xdotool("windowminimize", "--sync", window)
    wait_for("the window to hide to the tray", lambda: report.get("WindowVisible") == "0", 10)
    if desktop.visible_windows(WINDOW_NAME):
        raise Failure("the X window is still visible after the minimise")
    desktop.click(tray_x, tray_y)
    wait_for("the window to come back", lambda: report.get("WindowVisible") == "1", 10)
    wait_for("the window to be the active X window",
             lambda: desktop.xdotool("getactivewindow") == [window], 10)
    page = int(report.get("ActivePage"))
    desktop.key("ctrl+Tab")
    wait_for("Ctrl+Tab to reach the window and move to the next page",
             lambda: report.get("ActivePage") == str((page + 1) % 5), 10)
    desktop.key("ctrl+shift+Tab")
    wait_for("Ctrl+Shift+Tab to move back", lambda: report.get("ActivePage") == str(page), 10)
    with open(os.path.join(work, "client.log"), errors="replace") as client_log:
        if "setNetWmStateOnUnmappedWindow" in client_log.read():
            raise Failure("the window's state was set while it was unmapped (see client.log)")

    open_tray_menu()
    desktop.screenshot("desktop-10-tray-menu")
    desktop.key("a")  # "About (&A)..."
    wait_for("the about box", lambda: report.top_level("kelbrin::gui::TFAbout"), 10)
    time.sleep(0.3)
    desktop.screenshot("desktop-11-about")
    desktop.key("Escape")
    wait_for("the about box to close", lambda: not report.top_level("kelbrin::gui::TFAbout"), 10)

    history = os.path.join(work, "state-home", "kelbrin-client", "address-history")
    with open(history) as lines:
        addresses = [line.split(" ")[1].strip() for line in lines]
    if addresses != ["127.0.0.1"]:
        raise Failure(f"the address history holds {addresses!r}, expected the one address")

    log("quitting from the tray menu")
    open_tray_menu()
    desktop.key("x")  # "Quit (&X)"
    try:
        status = client.wait(timeout=20)
    except subprocess.TimeoutExpired:
        raise Failure("the client did not end after Quit")
    if status != 0:
        raise Failure(f"the client ended with {status}, expected 0")
    if os.path.exists(os.path.join(runtime_dir, f"{WINDOW_CLASS}.socket")):
        raise Failure("the single-instance socket was left behind")


def wait_for_text(report, name, expected, timeout=10):
    wait_for(f"{name} to show {expected!r} (it shows {report.text(name)!r})",
             lambda: report.text(name) == expected, timeout)


def check_domain_page(desktop, report, window):
    log("the Information page: demo01's domain names, a domain, a record")
    desktop.click(*report.widget_center("PageLabel2"))
    wait_for("the Information page", lambda: report.get("ActivePage") == "2" and
             report.widget_center("TreeViewDNS"), 10)
    expected_top = [(0, "List"), (1, "demo01.example.net"), (1, "demo01-office.example.net")]
    wait_for(f"the domain tree {expected_top}",
             lambda: [(depth, text) for depth, text, _ in report.tree_items()] == expected_top, 10)
    wait_for_text(report, "lab1", "Total: 2 domain names.")

    desktop.click(*report.tree_item("demo01-office.example.net"))
    wait_for_text(report, "lab2", "pointed to the static IP：198.51.100.20")
    wait_for_text(report, "lab3", "URL directed ：http://www.example.net/offline")
    desktop.key("Right")  # opens the domain's records
    records = [(2, "office"), (2, "mail"), (2, "intranet")]
    wait_for(f"the records {records}",
             lambda: [(d, t) for d, t, _ in report.tree_items() if d == 2] == records, 10)

    desktop.click(*report.tree_item("intranet"))
    wait_for_text(report, "lab5", "CNAME Recordintranet，DNS Data：office.example.net")
    wait_for_text(report, "lab6", "The host is redirected to URL：http://office.example.net/")
    # The record's domain stays described beside it.
    wait_for_text(report, "lab2", "pointed to the static IP：198.51.100.20")
    time.sleep(0.3)  # let the page paint before the picture
    desktop.screenshot("domain-page", window)


def read_settings(path):
    """The settings file's NAME = "TEXT" values (plain short texts only: no escapes, no
    continuation lines, which the values checked here never need)."""
    values = {}
    with open(path, encoding="utf-8") as text:
        for line in text.read().splitlines():
            key, sep, value = line.partition(" = ")
            if sep and not key.startswith("#") and value.startswith('"') and value.endswith('"'):
                values[key] = value[1:-1]
    return values


def choose(desktop, report, name, key):
    """Opens the drop-down list `name` with a click and takes the entry `key` goes to."""
    desktop.click(*report.widget_center(name))
    wait_for(f"the list of {name}", lambda: report.top_level("QComboBoxPrivateContainer"), 10)
    time.sleep(0.3)  # the list grabs the keyboard once it is mapped
    desktop.key(key)
    desktop.key("Return")
    wait_for(f"the list of {name} to close",
             lambda: not report.top_level("QComboBoxPrivateContainer"), 10)


def check_network_page(desktop, report, window, settings_file):
    log("the Network Setting page: a Lan line, saved twice")
    desktop.click(*report.widget_center("PageLabel1"))
    wait_for("the Network Setting page", lambda: report.get("ActivePage") == "1" and
             report.widget_center("cbbUType"), 10)
    choose(desktop, report, "cbbLineType", "Home")
    connection = report.text("cbbLineType")
    if not connection:
        raise Failure("no connection to choose on this machine")
    choose(desktop, report, "cbbUType", "End")
    wait_for_text(report, "cbbUType", "Lan")
    # A Lan line asks for no account.
    wait_for("the line account fields to hide",
             lambda: not report.widget_center("edLineUserName"), 10)

    errors_before = len(report.read()["ErrorBox"])
    desktop.click(*report.widget_center("btSaveLineInfo"))
    wait_for(f"the settings to hold a Lan line over {connection!r}",
             lambda: os.path.exists(settings_file) and
             read_settings(settings_file).get("InternalLineType") == "3" and
             read_settings(settings_file).get("LineName") == connection, 10)
    saved = read_settings(settings_file)
    if saved.get("AutoConn") not in ("0", "1"):
        raise Failure(f"AutoConn saved as {saved.get('AutoConn')!r}")

    # The same values again: stored again, the running line left as it is (the line itself is
    # not visible from outside; what is, is that nothing changes and nothing complains).
    desktop.click(*report.widget_center("btSaveLineInfo"))
    time.sleep(0.5)
    if read_settings(settings_file) != saved:
        raise Failure("a second Save of the same values changed the settings")
    if len(report.read()["ErrorBox"]) != errors_before:
        raise Failure(f"Save reported an error: {report.read()['ErrorBox'][errors_before:]}")
    if report.get("TrayHint") != ONLINE_HINT:
        raise Failure(f"the session left its online state: {report.get('TrayHint')!r}")
    desktop.screenshot("network-page", window)


if __name__ == "__main__":
    sys.exit(main())
