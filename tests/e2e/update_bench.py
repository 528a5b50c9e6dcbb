"""Update-run bench: what the end-to-end scenarios of an update run and the
demo (tools/demo.py) share, on top of kestrel_e2e.

    with UpdateServer(root, faults=["drip=16384:50"]) as server:
        m.set_registry({SHARED_KEY: {"Server": server.url}})
        ...
        assert server.paths() == ["/" + index_path("Pellar D22", "Media Den/"), ...]

- UpdateServer: tools/update-server.py on 127.0.0.1 (inside the bench's
  namespace, so call isolate() first), with faults for every request and
  its request log.
- write_zip: a zip package from entry names and their bytes or files.
- install_applications: Uninstall entries as an application's setup leaves
  them, for the application inventory.
- installer_doubles: the runner's installer and flashing-utility doubles
  for a package, and the records they leave.
- The main window of a run: its list rows (rows), a click on a row's check
  box (click_check_box), the status line (wait_status), message boxes
  (answer).
- What the updater leaves: history_records ("log.xml"), pending_work
  ("process.xml").
- write_index: a model's index as the maker's catalogue tool
  (tools/kestrel-catalog.py) publishes it: in the Release and Debug folders,
  with the size and SHA-256 of each package, signed with the test key when
  the build carries it (SIGNING_KEY).
- The demo catalogue (tools/demo): the demo machine (demo_machine) and its
  update server's files (write_demo_server).

Standard library only.
"""

import configparser
import importlib.util
import json
import os
import re
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree
import zipfile

from kestrel_e2e import BENCH, wait_until, windows_path

_TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
_SERVER_SCRIPT = os.path.join(_TOOLS, "update-server.py")
UNINSTALL_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"


def index_path(model, family_folder, debug=False):
    """The server path (without the leading "/") of a model's index."""
    return "pub/VEXA/Skylark/%s/%s%s.idx" % ("Debug" if debug else "Release", family_folder,
                                             model.replace("/", "_"))


class UpdateServer:
    """The bundled update server serving the files below root on a free
    port of 127.0.0.1 (use it with `with`). faults apply to every request
    (see tools/update-server.py); a single request can also ask for faults
    with a path of the form /_fault/<faults>/<path>."""

    def __init__(self, root, faults=(), log_path=None):
        self.root = root
        self.faults = list(faults)
        self.log_path = log_path or root.rstrip("/") + "-requests.log"
        self.url = None
        self.process = None

    def __enter__(self):
        os.makedirs(self.root, exist_ok=True)
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        port_file = self.log_path + ".port"
        if os.path.exists(port_file):
            os.remove(port_file)
        command = [sys.executable, _SERVER_SCRIPT, "--root", self.root, "--port", "0",
                   "--port-file", port_file, "--log", self.log_path]
        for fault in self.faults:
            command += ["--fault", fault]
        self.process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not os.path.exists(port_file):
            if self.process.poll() is not None or time.time() > deadline:
                raise RuntimeError("the update server did not start")
            time.sleep(0.05)
        with open(port_file) as f:
            self.url = "http://127.0.0.1:%d" % int(f.read())
        os.remove(port_file)
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def stop(self):
        """Ends the server: from now on every connection is refused."""
        if self.process:
            self.process.terminate()
            self.process.wait()
            self.process = None

    def requests(self):
        """Every request so far: method, path, headers, status, sent."""
        try:
            with open(self.log_path, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def paths(self):
        return [request["path"] for request in self.requests()]


def _load_catalog_tool():
    spec = importlib.util.spec_from_file_location(
        "kestrel_catalog", os.path.join(_TOOLS, "kestrel-catalog.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


catalog = _load_catalog_tool()

# The private test key when the build under test carries its public half
# (the build then takes signed indexes only), else None.
SIGNING_KEY = BENCH.get("signing_key") or None


def write_index(root, model, family_folder, index, locate=None):
    """Writes index (the XML text, or an ElementTree element) as the model's
    index in the Release and Debug folders below root, as the catalogue
    tool publishes it: each package that exists (locate(zip path), by
    default below root) gives its item size and SHA-256, and each file is
    signed when the build takes signed indexes only."""
    element = ElementTree.fromstring(index) if isinstance(index, str) else index
    catalog.seal_index(element, locate or (lambda zip_path: os.path.join(root, zip_path)))
    for debug in (False, True):
        path = os.path.join(root, index_path(model, family_folder, debug))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        ElementTree.ElementTree(element).write(path, encoding="utf-8", xml_declaration=True)
        if SIGNING_KEY:
            catalog.sign_file(path, SIGNING_KEY)


def write_raw_index(root, model, family_folder, data):
    """Writes these exact bytes as the model's (Release) index, signed when
    the build takes signed indexes only: a broken document, say."""
    path = os.path.join(root, index_path(model, family_folder))
    with open(path, "wb") as f:
        f.write(data)
    if SIGNING_KEY:
        catalog.sign_file(path, SIGNING_KEY)


def write_zip(path, files):
    """Writes a deflated zip package: {entry name: bytes, or the path of a
    file to take}. Entry names are stored as given (a test may give a hostile
    one)."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, content in files.items():
            if isinstance(content, bytes):
                package.writestr(name, content)
            else:
                package.write(content, name)
    return os.path.getsize(path)


def install_applications(machine, applications):
    """Uninstall entries {display name: version} ("DisplayName" and
    "DisplayVersion" in a subkey of the display name's own)."""
    machine.set_registry({
        UNINSTALL_KEY + "\\" + name: {"DisplayName": name, "DisplayVersion": version}
        for name, version in applications.items()})


class InstallerDoubles:
    """The runner's test doubles for a machine: installer() is a program
    that records how it was started (as "setup.exe" or any name in a
    package), romtool() the flashing utility that leaves the verdict its
    image asks for ("dword 530" flashes). records() gives what they
    recorded, one (program, arguments, working folder, CURDIR) per start.
    Put env() into the machine's environment before starting the updater."""

    def __init__(self, machine):
        self.machine = machine
        self.record_file = os.path.join(machine.prefix, "drive_c", "doubles-record.txt")

    @staticmethod
    def installer():
        return BENCH["doubles"]["installer"]

    @staticmethod
    def romtool():
        return BENCH["doubles"]["romtool"]

    def env(self):
        return {"KESTREL_RECORD_FILE": windows_path(self.record_file)}

    def register_romtool(self):
        """Registers the flashing double with the shell under "Romtool.exe"
        (App Paths), as the flashing utility's own setup does."""
        self.machine.set_registry({
            r"HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Romtool.exe":
                {"": windows_path(self.romtool())}})

    def records(self):
        try:
            with open(self.record_file, encoding="utf-8") as f:
                return [tuple(line.rstrip("\r\n").split("|")) for line in f if line.strip()]
        except FileNotFoundError:
            return []


# The main window of an update run.

OK = 1
CANCEL = 2
STATUS = 1001
CHECK_ALL = 1065
UNCHECK_ALL = 1066
UPDATE_TREE = 334
YES = 6
NO = 7


def rows(machine, window):
    """The update list as (level, first column text, state) per row."""
    return [(row["level"], row["texts"][0] if row["texts"] else "", row["state"])
            for row in machine.tree(window, UPDATE_TREE)]


def click_check_box(machine, window, title):
    """A real click on the check box of the row whose first column is title."""
    row = [r for r in machine.tree(window, UPDATE_TREE) if r["texts"][:1] == [title]][0]
    machine.click_point(*row["check_box"])


def status_text(machine, window):
    for shown in machine.windows():
        if shown["hwnd"] == window["hwnd"]:
            return machine.control_text(shown, STATUS)
    return None


def wait_status(machine, window, text, timeout=60):
    wait_until(lambda: status_text(machine, window) == text, "the status %r" % text,
               timeout=timeout)


def answer(machine, button, timeout=30):
    """Presses a button of the message box that opens; returns its text."""
    boxes = []
    wait_until(lambda: boxes.extend(machine.message_boxes()) or boxes, "a message box",
               timeout=timeout)
    machine.click(boxes[0], button)
    return boxes[0]["text"]


def wait_gone(run, timeout=60):
    """Waits for a program to end by itself; its exit code."""
    wait_until(lambda: not run.running(), "the program ending", timeout=timeout)
    return run.wait()


# The machine's power, as Wine's GetSystemPowerStatus reads it at each call
# (in the bench's private /sys/class).

POWER_ROOT = "/sys/class/power_supply"


def set_power(on_ac):
    """A netbook battery at 12% and its AC adapter plugged in or not."""
    battery = {"type": "Battery", "present": "1", "capacity": "12",
               "status": "Charging" if on_ac else "Discharging"}
    adapter = {"type": "Mains", "online": "1" if on_ac else "0"}
    for name, values in (("BAT0", battery), ("AC", adapter)):
        folder = os.path.join(POWER_ROOT, name)
        os.makedirs(folder, exist_ok=True)
        for key, value in values.items():
            with open(os.path.join(folder, key), "w") as f:
                f.write(value + "\n")


def remove_power():
    """No power-supply information: Wine reports AC power and no battery."""
    shutil.rmtree(POWER_ROOT, ignore_errors=True)


# What the updater leaves in its folder.

def history_records(machine):
    """The records of "log.xml": dicts with status, type, name and text
    (type and name None in the short form)."""
    path = os.path.join(machine.program_dir, "log.xml")
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        text = f.read()[2:].decode("utf-16-le")
    return [{"status": int(m.group(1)), "type": int(m.group(2)) if m.group(2) else None,
             "name": m.group(3), "text": m.group(4)}
            for m in re.finditer(r'<log time="\d+" status="(\d)"(?: type="(\d+)" name="([^"]*)")?'
                                 r'> ?(.*?) </log>', text)]


def pending_work(machine):
    """The text of "process.xml" (after its byte order mark), or None."""
    path = os.path.join(machine.program_dir, "process.xml")
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"\xff\xfe", "process.xml starts with its byte order mark"
    return data[2:].decode("utf-16-le")


# The demo catalogue.

DEMO_FOLDER = BENCH["demo_catalogue"]


def demo_machine():
    """The demo machine: {"dmi": firmware fields, "applications": {display
    name: version installed beforehand}, "model", "family_folder"}."""
    with open(os.path.join(DEMO_FOLDER, "machine.json"), encoding="utf-8") as f:
        return json.load(f)


def _demo_package_files(source):
    """The files of a demo package: its source folder, plus the demo's
    installer as "setup.exe" when the folder has a "setup.ini", plus the
    program that setup installs."""
    files = {name: os.path.join(source, name) for name in sorted(os.listdir(source))}
    settings = os.path.join(source, "setup.ini")
    if os.path.exists(settings):
        files["setup.exe"] = BENCH["demo_programs"]["setup.exe"]
        parser = configparser.ConfigParser(interpolation=None)
        parser.read(settings, encoding="utf-8")
        program = parser.get("Setup", "Program", fallback="")
        if program:
            files[program] = BENCH["demo_programs"][program]
    return files


def write_demo_server(root):
    """Writes the demo update server's files below root: every package of
    the demo index, packed from tools/demo/packages/<zip name without
    ".zip">, and the index with each item's size (and, for a build that
    takes signed indexes only, its SHA-256 and the signature) as the
    catalogue tool publishes it. Returns the index's items as {"name",
    "title", "type", "zip"} in index order."""
    machine = demo_machine()
    tree = ElementTree.parse(os.path.join(DEMO_FOLDER, machine["model"] + ".idx"))
    items = []
    for item in tree.getroot():
        zip_path = item.findtext("zip-path").strip()
        stem = os.path.splitext(os.path.basename(zip_path))[0]
        size = write_zip(os.path.join(root, zip_path),
                         _demo_package_files(os.path.join(DEMO_FOLDER, "packages", stem)))
        item.find("size").text = " %d " % size
        description = item.find("description")
        items.append({"name": item.get("name"), "title": description.get("title"),
                      "type": item.findtext("type").strip(), "zip": zip_path})
    write_index(root, machine["model"], machine["family_folder"], tree.getroot())
    return items
