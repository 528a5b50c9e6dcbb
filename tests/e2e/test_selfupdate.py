#!/usr/bin/env python3
"""The self-updater end to end: the real Kestself.exe in fresh Wine machines,
with the tests' stand-ins for the old package's uninstaller (a RunDll32
entry point), the new package's setup, the setup that starts the
self-updater, and the updater.

The procedure waits by design (5 s without a setup window, 10 s after the
folder test and after the uninstall, up to 60 s for the setup window), so
every case starts together in its own machine and each test then collects
its own result."""

import os
import shutil
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import (BENCH, PROGRAM_FOLDER, SHARED_KEY, Machine,  # noqa: E402
                         close_display, run_scenarios)

DOUBLES = os.environ.get("KESTREL_SELFUPDATE_DOUBLES") or os.path.join(
    BENCH["build_dir"], "..", "tests", "selfupdate", "doubles")

SETUP_FOLDER = r"C:\Setup"
PACKAGE_PATH = PROGRAM_FOLDER + "\\Temp\\3\\"
TEST_NAME = PROGRAM_FOLDER + "1"
UNINSTALL_KEY = (r"HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
                 r"\{6F1E2A40-KESTREL}")
RUN_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
LOG_FOLDER = r"C:\Program Files\InstallShield Installation Information\{6F1E2A40-KESTREL}"
SYSTEM_FOLDER = r"C:\windows\system32"

HAND_OVER = {
    "SelfUpdating": "V2.1",
    "Source": "/Pellar/KestrelSetup220.zip",
    "Path": PACKAGE_PATH,
    "Frequency": 4,
    "LastUpdateTime": 1700000000,
    "Mode": 1,
    "BIOS": "",
    "Server": "http://127.0.0.1:8080",
    "WebSite": "http://127.0.0.1:8081/",
}

BOX_TITLE = "Vexa Kestrel"
BOX_TEXT = "The folder might be in use by another program.\nPlease check it and try again!"
BOX_TEXT_CONTROL = 0xFFFF
IDCANCEL = 2
IDRETRY = 4


class Case:
    """One machine prepared for a self-update and the started procedure."""

    def __init__(self, name, settings=HAND_OVER, uninstall_entry=True, window_seconds=2):
        self.name = name
        self.settings = settings
        self.uninstall_entry = uninstall_entry
        self.window_seconds = window_seconds
        self.machine = Machine("selfupdate_" + name, driver=False, programs=[])
        self.starter = None
        self.holder = None
        self.records = None

    def prepare(self):
        m = self.machine
        m.__enter__()
        drive_c = os.path.join(m.prefix, "drive_c")
        self.records = os.path.join(drive_c, "records")
        os.makedirs(self.records)
        setup = os.path.join(drive_c, "Setup")
        os.makedirs(setup)
        shutil.copy2(BENCH["programs"]["Kestself.exe"], setup)
        for name in ("setupstarter.exe", "kestuninst.dll", "folderholder.exe"):
            shutil.copy2(os.path.join(DOUBLES, name), setup)
        shutil.copy2(os.path.join(DOUBLES, "Kestupdt.exe"), m.program_dir)
        self.package = os.path.join(m.program_dir, "Temp", "3")
        os.makedirs(os.path.join(self.package, "Data"))
        shutil.copy2(os.path.join(DOUBLES, "setup.exe"), self.package)
        with open(os.path.join(self.package, "setup.iss"), "w") as f:
            f.write("[InstallShield Silent]\r\n")
        readonly = os.path.join(self.package, "Data", "readme.txt")
        with open(readonly, "w") as f:
            f.write("left read-only by the package\r\n")
        os.chmod(readonly, 0o444)

        keys = {SHARED_KEY: self.settings,
                RUN_KEY: {"Vexa Kestrel": PROGRAM_FOLDER + "\\KTA.exe"}}
        if self.uninstall_entry:
            keys[UNINSTALL_KEY] = {
                "DisplayName": "VEXA KESTREL",
                "UninstallString": "RunDll32 %s\\kestuninst.dll,Go -l0x9 " % SETUP_FOLDER,
                "LogFile": LOG_FOLDER + "\\Setup.ilg",
            }
        m.set_registry(keys)
        self.before = self.snapshot()

    def env(self):
        return dict(self.machine.env(), KESTREL_RECORD_DIR=r"C:\records")

    def start_program(self, *args):
        return subprocess.Popen(["wine"] + list(args), env=self.env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def start(self):
        """The self-updater as the new package's setup starts it."""
        self.starter = self.start_program(SETUP_FOLDER + "\\setupstarter.exe",
                                          str(self.window_seconds),
                                          SETUP_FOLDER + "\\Kestself.exe")

    def watch_folder_test(self, timeout=30):
        """Notes in the background whether the installation folder is seen
        under its test name while the procedure runs."""
        test_name = self.machine.program_dir + "1"
        self.folder_test_seen = threading.Event()

        def watch():
            deadline = time.time() + timeout
            while time.time() < deadline and not self.folder_test_seen.is_set():
                if os.path.isdir(test_name):
                    self.folder_test_seen.set()
                time.sleep(0.1)

        self.watcher = threading.Thread(target=watch, daemon=True)
        self.watcher.start()

    def wait(self, timeout=120):
        self.starter.wait(timeout=timeout)

    def lines(self, record):
        try:
            with open(os.path.join(self.records, record + ".txt"), encoding="latin-1") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_record(self, record, timeout=30):
        deadline = time.time() + timeout
        while not self.lines(record) and time.time() < deadline:
            time.sleep(0.2)
        return self.lines(record)

    def snapshot(self):
        """What the procedure may change: the settings, the Uninstall entry
        and the installation folder."""
        m = self.machine
        return {
            "settings": m.registry_values(SHARED_KEY),
            "version keys": self.version_keys(),
            "uninstall": m.registry_values(UNINSTALL_KEY),
            "folders": sorted(os.listdir(os.path.dirname(m.program_dir))),
            "package": sorted(os.listdir(self.package)) if os.path.isdir(self.package) else None,
        }

    def version_keys(self):
        out = self.machine.reg_query(SHARED_KEY) or ""
        prefix = SHARED_KEY.upper() + "\\"
        return sorted(line.strip()[len(prefix):] for line in out.splitlines()
                      if line.strip().upper().startswith(prefix))

    def close(self):
        self.machine.__exit__(None, None, None)
        for process in (self.starter, self.holder):
            if process:
                process.wait(timeout=10)


CASES = {
    "full": Case("full"),
    # Each early end, with everything else ready for a self-update.
    "window_stays": Case("window_stays", window_seconds=75),
    "no_window_no_entry": Case("no_window_no_entry", uninstall_entry=False, window_seconds=0),
    "not_self_updating": Case("not_self_updating", settings=dict(HAND_OVER, SelfUpdating="")),
    "no_path": Case("no_path", settings=dict(HAND_OVER, Path="")),
    "folder_in_use": Case("folder_in_use"),
}


def setUpModule():
    for case in CASES.values():
        case.prepare()
    holder_case = CASES["folder_in_use"]
    holder_case.holder = holder_case.start_program(SETUP_FOLDER + "\\folderholder.exe",
                                                   PROGRAM_FOLDER)
    if not holder_case.wait_record("holder"):
        raise RuntimeError("the folder holder did not start")
    for case in CASES.values():
        case.start()
    CASES["no_window_no_entry"].watch_folder_test()


def tearDownModule():
    for case in CASES.values():
        case.close()
    close_display()


class SelfUpdateTest(unittest.TestCase):

    def assert_nothing_changed(self, case):
        self.assertEqual(case.lines("uninstall"), [])
        self.assertEqual(case.lines("setup"), [])
        self.assertEqual(case.lines("updater"), [])
        self.assertEqual(case.snapshot(), case.before)

    def test_full_self_update(self):
        case = CASES["full"]
        case.wait()
        m = case.machine
        self.assertEqual(case.lines("starter"), ["ended after the window closed"])
        self.assertEqual(case.lines("uninstall"), [
            SYSTEM_FOLDER + '|-l0x9 -f1"' + LOG_FOLDER + '\\remove.iss" -s'])
        self.assertEqual(case.lines("setup"), [
            PACKAGE_PATH.rstrip("\\") + '|-f1"' + PACKAGE_PATH + 'setup.iss" -s'])

        settings = m.registry_values(SHARED_KEY)
        self.assertEqual(settings, {
            "LastUpdateTime": ("REG_DWORD", "0x6553f100"),
            "Frequency": ("REG_DWORD", "0x4"),
            "SelfUpdating": ("REG_SZ", "V2.1"),
            "Source": ("REG_SZ", "/Pellar/KestrelSetup220.zip"),
            "Mode": ("REG_DWORD", "0x1"),
            "Server": ("REG_SZ", "http://127.0.0.1:8080"),
            "WebSite": ("REG_SZ", "http://127.0.0.1:8081/"),
        }, "saved values back, Path and the old values gone")
        self.assertEqual(case.version_keys(), ["2.2.0"], "the key the new setup made")

        self.assertFalse(os.path.exists(case.package), "the package folder is removed")
        self.assertTrue(os.path.isdir(m.program_dir))
        self.assertEqual(len(case.wait_record("updater")), 1,
                         "the updater beside the Run value's program is started")

    def test_setup_window_open_past_a_minute_ends_with_nothing_changed(self):
        case = CASES["window_stays"]
        case.wait()
        self.assertEqual(case.lines("starter"), ["ended with the window open"])
        self.assert_nothing_changed(case)

    def test_no_setup_window_pauses_then_ends_without_uninstall_entry(self):
        case = CASES["no_window_no_entry"]
        case.wait()
        case.watcher.join()
        # After the pause the folder test renamed the installation for a while.
        self.assertTrue(case.folder_test_seen.is_set(), "the folder test ran without a window")
        self.assertFalse(os.path.exists(case.machine.program_dir + "1"))
        self.assert_nothing_changed(case)

    def test_not_self_updating_ends_after_the_folder_test(self):
        case = CASES["not_self_updating"]
        case.wait()
        self.assert_nothing_changed(case)

    def test_no_path_asks_until_cancelled(self):
        case = CASES["no_path"]
        m = case.machine
        box = m.wait_window(title=BOX_TITLE, control=IDRETRY)
        self.assertEqual(m.control_text(box, BOX_TEXT_CONTROL), BOX_TEXT)
        m.screenshot("folder-in-use")
        m.click(box, IDRETRY)
        # Retrying cannot help: the box comes back.
        deadline = time.time() + 15
        again = None
        while again is None and time.time() < deadline:
            again = next((w for w in m.windows() if w["title"] == BOX_TITLE
                          and w["hwnd"] != box["hwnd"]), None)
            time.sleep(0.3)
        self.assertIsNotNone(again, "the box is shown again after Retry")
        m.click(again, IDCANCEL)
        case.wait(timeout=30)
        self.assert_nothing_changed(case)

    def test_folder_in_use_cancel_ends_with_nothing_changed(self):
        case = CASES["folder_in_use"]
        m = case.machine
        box = m.wait_window(title=BOX_TITLE, control=IDCANCEL)
        self.assertEqual(m.control_text(box, BOX_TEXT_CONTROL), BOX_TEXT)
        m.click(box, IDCANCEL)
        case.wait(timeout=30)
        self.assertTrue(os.path.isdir(m.program_dir))
        self.assert_nothing_changed(case)


if __name__ == "__main__":
    run_scenarios()
