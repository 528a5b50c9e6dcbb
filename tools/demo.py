#!/usr/bin/env python3
"""The demo: a whole update run of a "Pellar D22", scripted like a user.

The bundled update server (tools/update-server.py) serves the demo
catalogue of tools/demo on 127.0.0.1: an index with a BIOS image, the
flashing utility "Romtool", drivers for devices every Wine machine has,
applications and a hotfix, and real zip packages whose installers are the
demo's own harmless programs. The updater runs on a fresh Wine machine with
that firmware identity and older versions of three applications installed,
inside the bench's loopback-only namespace (tests/e2e/kestrel_e2e.py). The
script presses OK to connect, Check All, OK, follows the downloads and the
installs, confirms the restart the BIOS needs, restarts the machine (ends
its processes; the firmware then reports the flashed version), starts the
updater again as the tray agent does when pending work waits, lets it
finish, and opens the history window.

A screenshot of every step, "log.xml", the pending work written before the
restart, the install log of the demo's programs and a summary end up in an
output folder, whose path is printed with the summary.

    tools/demo.py [--visible] [--trace] [--pace SECONDS] [--out FOLDER]

--visible shows the windows on $DISPLAY (its socket must be a local file,
as for :0) instead of a hidden Xvfb display; --trace runs the updater in
debug mode ("/T") and keeps its trace lines. Run as root after a build
(tools/demo.sh does both).
"""

import argparse
import os
import re
import shutil
import sys
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from kestrel_e2e import (BUILD_DIR, SHARED_KEY, Dmi, Machine, close_display,  # noqa: E402
                         display, isolate, use_display)
from update_bench import (CHECK_ALL, OK, STATUS, UpdateServer, demo_machine,  # noqa: E402
                          history_records, install_applications, rows, write_demo_server)

# Controls of the main window and the history window.
MAIN_MODEL = 1062
HISTORY_LIST = 1063
CLOSE_HISTORY = 2

# Texts of the main window's status line.
PRESS_OK_TO_CONNECT = "Press OK to connect to server."
CHOOSE_ITEMS = "Check the items you want and press OK to download them."
UPDATE_COMPLETED = "Update Completed."
STEP_0_ENDS = (CHOOSE_ITEMS, "The environment is no need to update.",
               "Fail to connect to VEXA web server!", "Connection has been cancelled!")
RESTART_NOTICE = "System will be rebooted"

# Packages arrive at about 300 KiB/s, so that the busy row can be seen.
DOWNLOAD_PACE = "drip=16384:50"
RUN_TIMEOUT = 600
BUSY_SHOT_SECONDS = 8


class DemoFailed(Exception):
    pass


def slug(text):
    return re.sub(r"[^A-Za-z0-9]+", "-", text).strip("-").lower()[:60] or "window"


class Demo:
    def __init__(self, out, pace, trace):
        self.out = out
        self.pace = pace
        self.switches = ["/T"] if trace else []
        self.shots = 0
        self.shot_lock = threading.Lock()
        self.last_shot = time.time()
        self.last_status = ""
        self.offered = []
        self.records = []
        self.left_over = []
        os.makedirs(out, exist_ok=True)

    # What the user sees and does.

    def shot(self, label):
        with self.shot_lock:
            self.shots += 1
            path = os.path.join(self.out, "%02d-%s.png" % (self.shots, slug(label)))
            display().screenshot(path)
            self.last_shot = time.time()
            print("      [screenshot %s]" % os.path.basename(path))

    def press(self, m, window, control, what):
        time.sleep(self.pace)
        print("  User: " + what)
        m.click(window, control)

    def main_window(self, m, timeout=60):
        return m.wait_window(control=MAIN_MODEL, timeout=timeout)

    def wait_status(self, m, texts, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            window = self.main_window(m)
            status = m.control_text(window, STATUS)
            if status in texts:
                return window, status
            time.sleep(0.5)
        self.shot("timeout")
        raise DemoFailed("the status line still reads %r after %d s" % (status, timeout))

    def busy_shots(self, stop):
        """Takes a screenshot whenever none was taken for a while: the
        updater's window does not answer while it pauses after each
        installer (so its texts cannot be read), but the screen shows it."""
        while not stop.wait(1):
            if time.time() - self.last_shot > BUSY_SHOT_SECONDS:
                self.shot("busy " + self.last_status)

    def follow_run(self, m, run, last=None):
        self.last_status = last or ""
        stop = threading.Event()
        busy = threading.Thread(target=self.busy_shots, args=(stop,))
        busy.start()
        try:
            return self.follow_status(m, run, last)
        finally:
            stop.set()
            busy.join()

    def follow_status(self, m, run, last):
        """Follows an update run until it completes or the process ends,
        with a screenshot at every status text after `last` and at every
        message box; confirms the restart notice. Returns the window when
        completed, None after the restart notice."""
        deadline = time.time() + RUN_TIMEOUT
        while time.time() < deadline:
            windows = m.windows()
            for box in m.message_boxes(windows):
                print("  Message box: %s" % box["text"].replace("\n", " / "))
                self.shot("message " + box["text"])
                if RESTART_NOTICE not in box["text"]:
                    raise DemoFailed("unexpected message box: %r" % box["text"])
                self.press(m, box, OK, "presses OK; the updater restarts the machine")
                return None
            mains = [w for w in windows if any(c["id"] == MAIN_MODEL for c in w["controls"])]
            if mains:
                status = m.control_text(mains[0], STATUS)
                # An empty text: the window did not answer in time.
                if status and status != last:
                    print("  Status: " + status)
                    self.shot(status)
                    last = self.last_status = status
                if status == UPDATE_COMPLETED:
                    return mains[0]
            elif not run.running():
                raise DemoFailed("the updater ended without completing the run")
            time.sleep(0.3)
        raise DemoFailed("the run did not complete within %d s" % RUN_TIMEOUT)

    # The run.

    def connect_and_choose(self, m):
        run = m.start("Kestupdt.exe", *self.switches)
        window, _ = self.wait_status(m, (PRESS_OK_TO_CONNECT,), 60)
        print("  Window: model %r, status %r" % (m.control_text(window, MAIN_MODEL),
                                                  PRESS_OK_TO_CONNECT))
        self.shot("start")

        self.press(m, window, OK, "presses OK to connect to the update server")
        window, status = self.wait_status(m, STEP_0_ENDS, 120)
        print("  Status: " + status)
        self.shot("list")
        if status != CHOOSE_ITEMS:
            raise DemoFailed("no updates offered: %r" % status)
        self.offered = [title for level, title, state in rows(m, window) if state]
        print("  Offered: " + ", ".join(self.offered))

        self.press(m, window, CHECK_ALL, "presses Check All")
        deadline = time.time() + 15
        while any(state == 1 for _, _, state in rows(m, window)):
            if time.time() > deadline:
                raise DemoFailed("Check All left rows unchecked")
            time.sleep(0.3)
        self.shot("all checked")
        self.press(m, window, OK, "presses OK to download and install the checked items")
        return run

    def run(self, m):
        machine = demo_machine()
        print("The machine: a %s with BIOS %s; installed: %s" % (
            machine["model"], machine["dmi"]["bios_version"],
            ", ".join("%s %s" % item for item in machine["applications"].items())))
        run = self.connect_and_choose(m)
        if self.follow_run(m, run, last=CHOOSE_ITEMS) is None:
            run.wait(timeout=60)
            self.copy(os.path.join(m.program_dir, "process.xml"), "process-before-restart.xml")
            flashed = re.findall(r"BIOS (\S+) for .* flashed", self.install_log(m))
            firmware = {"bios_version": flashed[-1]} if flashed else {}
            print("Restart (simulated): the machine's processes end%s." % (
                "; the firmware now reports BIOS " + flashed[-1] if flashed else ""))
            m.restart(**firmware)
            print("Next start: the updater starts, as the tray agent starts it when "
                  "pending work waits")
            run = m.start("Kestupdt.exe", *self.switches)
            self.follow_run(m, run)
        window = self.main_window(m)
        self.press(m, window, OK, "presses OK to close the updater")
        run.wait(timeout=60)

        print("History window (Kestupdt /H):")
        history = m.start("Kestupdt.exe", "/H")
        window = m.wait_window(control=HISTORY_LIST)
        _, rows = m.list_view(window, HISTORY_LIST)
        for row in rows:
            print("    " + " | ".join(row))
        self.shot("history")
        self.press(m, window, CLOSE_HISTORY, "closes the history window")
        history.wait()

    # What stays.

    def copy(self, source, name):
        if os.path.exists(source):
            shutil.copy2(source, os.path.join(self.out, name))

    @staticmethod
    def install_log(m):
        path = os.path.join(m.prefix, "drive_c", "Vexa Demo", "install.log")
        if not os.path.exists(path):
            return ""
        with open(path, "rb") as f:
            return f.read().decode("utf-16-le")

    def keep_results(self, m):
        self.records = history_records(m)
        self.left_over = [name for name in ("Temp", "process.xml")
                          if os.path.exists(os.path.join(m.program_dir, name))]
        self.copy(os.path.join(m.program_dir, "log.xml"), "log.xml")
        with open(os.path.join(self.out, "install.log"), "w", encoding="utf-8") as f:
            f.write(self.install_log(m))
        for run in m.runs:
            self.copy(run.trace_path, os.path.basename(run.trace_path))

    def summary(self, items, requests):
        """items: the index's items; requests: the server's request log."""
        titles = {"/" + urllib.parse.quote(item["zip"]): item["title"] for item in items}
        sent = [titles[r["path"]] for r in requests if r["path"] in titles and r["status"] == 200]
        lines = ["Items offered: %d (%s)" % (len(self.offered), ", ".join(self.offered)),
                 "Packages the server sent: %s" % (", ".join(sent) or "none")]
        for label, status in (("installed", 1), ("failed", 0)):
            chosen = [r for r in self.records if r["status"] == status]
            lines.append("Items %s (log.xml): %d" % (label, len(chosen)))
            lines += ["    %s: %s" % (r["name"] or "-", r["text"].strip()) for r in chosen]
        lines.append("Left in the program folder: %s" % (
            ", ".join(self.left_over) or "nothing (Temp and process.xml are gone)"))
        lines.append("Output folder: " + self.out)
        text = "\n".join(lines)
        with open(os.path.join(self.out, "summary.txt"), "w", encoding="utf-8") as f:
            f.write(text + "\n")
        return text


def main():
    parser = argparse.ArgumentParser(description="The Vexa Kestrel demo: a whole update run.")
    parser.add_argument("--visible", action="store_true",
                        help="show the windows on $DISPLAY instead of a hidden display")
    parser.add_argument("--trace", action="store_true", help="run the updater with /T")
    parser.add_argument("--pace", type=float, help="seconds before each user action "
                        "(default 0, or 2 with --visible)")
    parser.add_argument("--out", help="output folder (default: a new one in build/x86_64/demo)")
    args = parser.parse_args()
    if args.visible and not os.environ.get("DISPLAY"):
        parser.error("--visible needs a display: DISPLAY is not set")
    isolate()
    if args.visible:
        use_display(os.environ["DISPLAY"])
    pace = args.pace if args.pace is not None else (2.0 if args.visible else 0.0)
    out = os.path.abspath(args.out or os.path.join(
        BUILD_DIR, "..", "demo", time.strftime("run-%Y%m%d-%H%M%S")))

    demo = Demo(out, pace, args.trace)
    failure = None
    server_root = os.path.join(out, "server")
    items = write_demo_server(server_root)
    server = UpdateServer(server_root, faults=[DOWNLOAD_PACE],
                          log_path=os.path.join(out, "requests.log"))
    try:
        machine = demo_machine()
        with server, Machine("demo", dmi=Dmi(**machine["dmi"])) as m:
            m.set_registry({SHARED_KEY: {"Server": server.url}})
            install_applications(m, machine["applications"])
            try:
                demo.run(m)
            except (DemoFailed, AssertionError) as error:
                failure = error
            demo.keep_results(m)
    finally:
        close_display()
    print()
    print(demo.summary(items, server.requests()))
    if failure:
        print("The demo stopped: %s" % failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
