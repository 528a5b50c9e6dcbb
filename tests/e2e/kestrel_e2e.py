"""End-to-end bench: runs the real programs in fresh Wine machines.

A test script calls `isolate()` first (it re-runs the script in a new mount
and network namespace with nothing but loopback, and a private /sys/class
for the fake firmware identity), then opens one `Machine` per test:

    with Machine("normal_start", dmi=Dmi(product_name="Pellar D22")) as m:
        run = m.start("Kestupdt.exe", "/T")
        window = m.wait_window(control=1062)
        m.screenshot("main")
        m.click(window, 2)
        run.wait()
        assert "Debug mode." in run.traces()

Each Machine is a copy of the run's template Wine prefix (hard links; the
registry files are copied for real), with the programs laid out in
C:\\Program Files\\Vexa\\Vexa Kestrel as the product's installer leaves
them. Programs start under the bench's debugger (kdebug.exe), which records
their OutputDebugString lines; windows and controls are read with
kwinprobe.exe. Screenshots and traces stay under <build>/e2e/ after the run.

Standard library only; run as root (namespaces and mounts need it).
"""

import json
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

_BENCH_FILE = os.environ.get("KESTREL_BENCH") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "x86_64", "e2e", "bench.json")
with open(_BENCH_FILE, encoding="utf-8") as _f:
    BENCH = json.load(_f)

BUILD_DIR = BENCH["build_dir"]
SCREENSHOT_DIR = os.path.join(BUILD_DIR, "screenshots")
TRACE_DIR = os.path.join(BUILD_DIR, "traces")
PREFIX_DIR = os.path.join(BUILD_DIR, "prefixes")

PROGRAM_FOLDER = r"C:\Program Files\Vexa\Vexa Kestrel"
SHARED_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Vexa\Vexa Kestrel"
DMI_ROOT = "/sys/class/dmi/id"

_ISOLATED_MARK = "KESTREL_E2E_ISOLATED"


def isolate():
    """Re-runs the calling script inside a new mount and network namespace
    with only loopback up and an empty tmpfs on /sys/class; returns at once
    when already inside."""
    if os.environ.get(_ISOLATED_MARK) != "1":
        env = dict(os.environ, **{_ISOLATED_MARK: "1"})
        os.execvpe("unshare", ["unshare", "-m", "-n", "--", sys.executable] + sys.argv, env)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    subprocess.run(["mount", "--make-rprivate", "/"], check=True)
    subprocess.run(["mount", "-t", "tmpfs", "none", "/sys/class"], check=True)
    os.makedirs(DMI_ROOT, exist_ok=True)


def windows_path(unix_path):
    """The Z: drive path under which Wine sees a Linux path."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


class Dmi:
    """A fake firmware identity. Wine builds its SMBIOS table from these
    files: type 0 from bios_*, type 1 from sys_vendor and product_*, type 2
    from board_*. Every field is written, so type 1 carries all six strings
    (the sixth is the family)."""

    FIELDS = ("bios_vendor", "bios_version", "bios_date", "sys_vendor", "product_name",
              "product_version", "product_serial", "product_sku", "product_family",
              "board_vendor", "board_name", "board_version", "board_serial")

    def __init__(self, **values):
        unknown = set(values) - set(self.FIELDS)
        if unknown:
            raise ValueError("unknown DMI fields: %s" % ", ".join(sorted(unknown)))
        self.values = {
            "bios_vendor": "Vexa", "bios_version": "0501", "bios_date": "01/02/2012",
            "sys_vendor": "Vexa", "product_name": "Pellar D22", "product_version": "1.0",
            "product_serial": "SN0001", "product_sku": "SKU1", "product_family": "Pellar",
            "board_vendor": "Vexa", "board_name": "Q7KM2-RTS", "board_version": "1.0",
            "board_serial": "BSN0001",
        }
        self.values.update(values)

    def install(self):
        shutil.rmtree(DMI_ROOT, ignore_errors=True)
        os.makedirs(DMI_ROOT)
        for name, value in self.values.items():
            with open(os.path.join(DMI_ROOT, name), "w", encoding="latin-1") as f:
                f.write(value + "\n")


class Display:
    """An Xvfb display for the whole run.

    The number is chosen here rather than with -displayfd: each script runs
    in its own network namespace, where Xvfb finds the abstract socket of
    every number free and so gives two scripts the same display; its lock
    file in /tmp, which all scripts share, tells them apart only for a
    number asked for by name."""

    FIRST_NUMBER = 20

    def __init__(self):
        start = self.FIRST_NUMBER + os.getpid() % 400
        for number in range(start, start + 100):
            if os.path.exists("/tmp/.X%d-lock" % number):
                continue
            process = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if self._owns(process, number):
                self.process = process
                self.name = ":%d" % number
                return
            process.kill()
            process.wait()
        raise RuntimeError("Xvfb did not start")

    @staticmethod
    def _owns(process, number, timeout=10):
        """Whether the Xvfb came up holding the display's lock (another one
        holding it first makes it exit)."""
        deadline = time.time() + timeout
        while process.poll() is None and time.time() < deadline:
            try:
                with open("/tmp/.X%d-lock" % number) as f:
                    locked = int(f.read().strip() or 0) == process.pid
            except (OSError, ValueError):
                locked = False
            if locked and os.path.exists("/tmp/.X11-unix/X%d" % number):
                return True
            time.sleep(0.05)
        return False

    @classmethod
    def existing(cls, name):
        """An X display that is already there (a user's), shown on instead
        of an Xvfb of the bench's own; its socket file must be reachable
        (a display over TCP is not, inside the bench's namespace)."""
        display = cls.__new__(cls)
        display.process = None
        display.name = name
        return display

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-display", self.name, "-window", "root", path], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def close(self):
        if self.process:
            self.process.terminate()
            self.process.wait()


_display = None


def wait_until(condition, what, timeout=15):
    """Polls condition until it gives a true value, which it returns; for
    effects of posted messages (a click), which arrive in their own time."""
    deadline = time.time() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.time() > deadline:
            raise AssertionError("%s did not happen within %d s" % (what, timeout))
        time.sleep(0.3)


def display():
    global _display
    if _display is None:
        _display = Display()
    return _display


def use_display(name):
    """Shows every machine's windows on the X display `name` from now on."""
    global _display
    close_display()
    _display = Display.existing(name)


def close_display():
    global _display
    if _display is not None:
        _display.close()
        _display = None


def run_scenarios():
    """Runs the calling script's scenarios in the loopback-only bench and
    closes the display they may have opened."""
    isolate()
    try:
        unittest.main(module="__main__", verbosity=2)
    finally:
        close_display()


def template_prefix():
    """The run's template prefix, made when it is missing (ctest makes it
    once per run before the first end-to-end test)."""
    template = BENCH["template_prefix"]
    if not os.path.exists(os.path.join(template, "system.reg")):
        subprocess.run([BENCH["make_prefix"], template], check=True)
    return template


class Run:
    """One program started under the bench's debugger."""

    def __init__(self, process, trace_path):
        self.process = process
        self.trace_path = trace_path

    def wait(self, timeout=30):
        """The program's exit code; fails when it is still running."""
        return self.process.wait(timeout=timeout)

    def running(self):
        return self.process.poll() is None

    def traces(self):
        """The debug-output lines so far."""
        try:
            with open(self.trace_path, encoding="utf-8", errors="replace") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []


class Machine:
    """A fresh Windows machine for one test (use it with `with`).

    name      names the prefix, the trace files and the screenshots
    dmi       the firmware identity (Dmi); default: a Pellar D22
    driver    place the test driver in SYS64\\ (False: leave it out)
    language  None, "basic" (only VxTranslateStr) or "full" (all exports):
              the stand-in VxMultiLang.dll beside the programs
    programs  the program files to lay out (default: every built program)
    installed create the shared key as the product's installer does

    extra_env holds variables that every program started on the machine gets
    (the installer doubles' record file, say).
    """

    def __init__(self, name, dmi=None, driver=True, language=None, programs=None,
                 installed=True):
        self.name = name
        self.dmi = dmi or Dmi()
        self.driver = driver
        self.language = language
        self.programs = programs if programs is not None else list(BENCH["programs"])
        self.installed = installed
        # Scripts of several areas may run at once: the pid keeps them apart.
        self.prefix = os.path.join(PREFIX_DIR, "%s-%d" % (name, os.getpid()))
        self.program_dir = os.path.join(self.prefix, "drive_c", "Program Files", "Vexa",
                                        "Vexa Kestrel")
        self.runs = []
        self._run_count = 0
        self.extra_env = {}

    # Set-up and tear-down.

    def __enter__(self):
        self._copy_prefix()
        self._lay_out_programs()
        self.dmi.install()
        if self.installed:
            self.set_registry({SHARED_KEY: {}, SHARED_KEY + r"\2.1.0": {}})
        return self

    def __exit__(self, *exc):
        self.shutdown()
        shutil.rmtree(self.prefix, ignore_errors=True)
        return False

    def _copy_prefix(self):
        template = template_prefix()
        shutil.rmtree(self.prefix, ignore_errors=True)
        os.makedirs(PREFIX_DIR, exist_ok=True)
        copy_prefix = os.path.join(os.path.dirname(BENCH["make_prefix"]), "copy-prefix.sh")
        subprocess.run([copy_prefix, template, self.prefix], check=True)

    def _lay_out_programs(self):
        os.makedirs(self.program_dir)
        for program in self.programs:
            shutil.copy2(BENCH["programs"][program], os.path.join(self.program_dir, program))
        if self.driver:
            os.makedirs(os.path.join(self.program_dir, "SYS64"))
            shutil.copy2(BENCH["driver"], os.path.join(self.program_dir, "SYS64", "kestupio.sys"))
        if self.language:
            shutil.copy2(BENCH["language_libraries"][self.language],
                         os.path.join(self.program_dir, "VxMultiLang.dll"))

    def env(self):
        return dict(os.environ, **self.extra_env, WINEPREFIX=self.prefix, DISPLAY=display().name,
                    WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")

    def shutdown(self):
        """Ends every process of the machine (a power cut, as far as the
        programs can tell)."""
        subprocess.run(["wineserver", "-k"], env=self.env(), stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env(), stderr=subprocess.DEVNULL)
        for run in self.runs:
            try:
                run.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                run.process.kill()
                run.process.wait()

    def restart(self, **firmware):
        """A simulated restart (ExitWindowsEx ends nothing under Wine): ends
        every process of the machine and applies changes to its firmware
        identity (Dmi fields, as after a BIOS flash); the prefix keeps its
        files and registry for the programs started next."""
        self.shutdown()
        if firmware:
            self.dmi = Dmi(**dict(self.dmi.values, **firmware))
            self.dmi.install()

    # Programs.

    def wine(self, *args, timeout=60, check=True):
        """Runs a Windows command to its end and returns its result."""
        return subprocess.run(["wine"] + list(args), env=self.env(), timeout=timeout, check=check,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              universal_newlines=True, errors="replace")

    def start(self, program, *args, debugger=True):
        """Starts a program of the installation folder under the debugger.
        Under Wine 8 a C++ exception that the program throws and catches
        itself does not come back to its handler while the bench's debugger
        is attached, so a run that must take such a path (a hostile zip
        package, say) starts without it, and leaves no traces."""
        self._run_count += 1
        os.makedirs(TRACE_DIR, exist_ok=True)
        trace = os.path.join(TRACE_DIR, "%s-%d-%s.txt" % (self.name, self._run_count, program))
        if os.path.exists(trace):
            os.remove(trace)
        command = [PROGRAM_FOLDER + "\\" + program] + list(args)
        if debugger:
            command = [BENCH["tools"]["kdebug"], windows_path(trace)] + command
        process = subprocess.Popen(["wine"] + command, env=self.env(), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        run = Run(process, trace)
        self.runs.append(run)
        return run

    # Windows.

    def probe(self, *args):
        """What a read-only kwinprobe command prints. A Wine start can fail
        now and then when several machines start at once, so a failed one
        is tried again."""
        for _ in range(3):
            result = self.wine(BENCH["tools"]["kwinprobe"], *args, check=False)
            if result.returncode == 0:
                return result.stdout
            time.sleep(0.5)
        raise AssertionError("kwinprobe %s failed (%d)" % (" ".join(args), result.returncode))

    def windows(self):
        """Visible top-level windows, each a dict with hwnd, pid, class,
        title, rect and controls (id, class, text, visible)."""
        out = self.probe("windows")
        return [json.loads(line) for line in out.splitlines() if line.startswith("{")]

    def wait_window(self, control=None, title=None, timeout=30, count=1):
        """Waits until `count` windows with the given title and a control of
        that id are shown; returns the first (or all when count > 1)."""
        deadline = time.time() + timeout
        while True:
            found = [w for w in self.windows()
                     if (title is None or w["title"] == title)
                     and (control is None or any(c["id"] == control for c in w["controls"]))]
            if len(found) >= count:
                return found[0] if count == 1 else found
            if time.time() > deadline:
                raise AssertionError("no window with control %s / title %r after %d s"
                                     % (control, title, timeout))
            time.sleep(0.3)

    @staticmethod
    def control_text(window, control_id):
        for control in window["controls"]:
            if control["id"] == control_id:
                return control["text"]
        raise KeyError("window has no control %d" % control_id)

    def list_view(self, window, control_id):
        """The column titles and the rows (lists of texts) of a list view."""
        out = self.probe("list", str(window["hwnd"]), str(control_id))
        lines = [json.loads(line) for line in out.splitlines() if line.startswith("[")]
        return lines[0], lines[1:]

    def tree(self, window, control_id):
        """The rows of the dialog's tree view in display order, each a dict
        with item, level, text, state (0 no check box, 1 unchecked, 2
        checked), expanded and check_box (the screen point of the row's
        check box, None when it shows none)."""
        out = self.probe("tree", str(window["hwnd"]), str(control_id))
        return [json.loads(line) for line in out.splitlines() if line.startswith("{")]

    def click_point(self, x, y):
        """A real left click at a screen point (a row's check box, say)."""
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"],
                       env=dict(os.environ, DISPLAY=display().name), check=True)

    def message_boxes(self, windows=None):
        """Visible message boxes (dialogs of nothing but buttons and texts)
        among windows (default: the visible windows now), each window with
        "text" added: its longest text, the message."""
        boxes = []
        for window in self.windows() if windows is None else windows:
            classes = {control["class"] for control in window["controls"]}
            if window["class"] == "#32770" and classes and classes <= {"Button", "Static"}:
                texts = [c["text"] for c in window["controls"] if c["class"] == "Static"]
                window["text"] = max(texts, key=len) if texts else ""
                boxes.append(window)
        return boxes

    def click(self, window, control_id):
        self.wine(BENCH["tools"]["kwinprobe"], "click", str(window["hwnd"]), str(control_id))

    def close(self, window):
        self.wine(BENCH["tools"]["kwinprobe"], "close", str(window["hwnd"]))

    def screenshot(self, label):
        """Saves the screen as <build>/e2e/screenshots/<machine>-<label>.png."""
        return display().screenshot(os.path.join(SCREENSHOT_DIR, "%s-%s.png" % (self.name, label)))

    # Named objects and services.

    def mutex_exists(self, name):
        return self.wine(BENCH["tools"]["kwinprobe"], "mutex", name, check=False).returncode == 0

    def service_exists(self, name):
        return self.wine(BENCH["tools"]["kwinprobe"], "service", name, check=False).returncode == 0

    # Registry.

    def set_registry(self, keys):
        """Creates keys and values: {key path: {value name: value}}; an int
        is a REG_DWORD, a str a REG_SZ, None deletes the value."""
        lines = ["Windows Registry Editor Version 5.00", ""]
        for key, values in keys.items():
            lines.append("[%s]" % key)
            for name, value in values.items():
                quoted = '"%s"' % name.replace("\\", "\\\\").replace('"', '\\"')
                if value is None:
                    lines.append("%s=-" % quoted)
                elif isinstance(value, int):
                    lines.append("%s=dword:%08x" % (quoted, value))
                else:
                    text = value.replace("\\", "\\\\").replace('"', '\\"')
                    lines.append('%s="%s"' % (quoted, text))
            lines.append("")
        path = os.path.join(self.prefix, "drive_c", "kestrel-setup.reg")
        with open(path, "w", encoding="utf-16") as f:
            f.write("\r\n".join(lines) + "\r\n")
        self.wine("regedit", "/S", r"C:\kestrel-setup.reg")
        os.remove(path)

    def reg_query(self, key):
        """What "reg query KEY" prints, or None when the key is missing."""
        # A Wine start can fail now and then when several machines start at
        # once; only reg's own answer counts as a missing key.
        for _ in range(3):
            result = self.wine("reg", "query", key, check=False)
            if result.returncode == 0:
                return result.stdout
            if "Unable to find the specified registry key" in result.stdout:
                return None
            time.sleep(1)
        raise AssertionError("reg query %s failed: %r" % (key, result.stdout))

    def registry_values(self, key):
        """The values of a key as {name: (type, text)}, or None when the key
        is missing."""
        out = self.reg_query(key)
        if out is None:
            return None
        values = {}
        for line in out.splitlines():
            match = re.match(r"^    (.*?)    (REG_\w+)(?:    (.*))?$", line)
            if match:
                values[match.group(1)] = (match.group(2), match.group(3) or "")
        return values
