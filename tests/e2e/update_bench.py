"""Pieces of the bench for whole update runs: the loopback update server
with its request log, zip packages, the updater's list rows and message
boxes, and the files the updater leaves ("log.xml", "process.xml").

    with UpdateServer() as server, Machine("run", env=server.env()) as m:
        server.add_index("Pellar D22", INDEX)
        server.add_package("Apps/Notes.zip", {"setup.exe": INSTALLER})
        m.set_registry({SHARED_KEY: {"Server": server.url}})
        ...

Standard library only; used inside the isolated namespace of the caller.
"""

import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from kestrel_e2e import BENCH, wait_until

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER_SCRIPT = os.path.join(HERE, "..", "..", "tools", "update-server.py")

INDEX_BASE = "pub/VEXA/Skylark/Release/"
FAMILY_FOLDER = "Media Den/"

# Controls of the main window.
OK = 1
CANCEL = 2
STATUS = 1001
CHECK_ALL = 1065
UNCHECK_ALL = 1066
UPDATE_TREE = 334
# Buttons of a message box.
YES = 6
NO = 7

TITLE = "Vexa Kestrel"


class UpdateServer:
    """tools/update-server.py on 127.0.0.1 serving a fresh folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="kestrel-server-")
        self.log_path = os.path.join(self.root, "..", os.path.basename(self.root) + ".log")
        self.process = None
        self.url = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        shutil.rmtree(self.root, ignore_errors=True)
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        return False

    def start(self):
        port_file = self.log_path + ".port"
        self.process = subprocess.Popen(
            [sys.executable, SERVER_SCRIPT, "--root", self.root, "--port", "0",
             "--port-file", port_file, "--log", self.log_path],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists(port_file) and open(port_file).read().strip(),
                   "the update server listening")
        with open(port_file) as f:
            self.url = "http://127.0.0.1:%s" % f.read().strip()
        os.remove(port_file)

    def stop(self):
        """Ends the server: from now on every connection is refused."""
        if self.process:
            self.process.kill()
            self.process.wait()
            self.process = None

    def add_file(self, path, data):
        local = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(local), exist_ok=True)
        with open(local, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("utf-8"))

    def add_index(self, model, text, debug=False):
        base = INDEX_BASE.replace("Release", "Debug") if debug else INDEX_BASE
        self.add_file(index_path(model, base), text)

    def add_package(self, path, files):
        """A zip package of {entry name: bytes or text} at path."""
        self.add_file(path, make_zip(files))

    def requests(self):
        """The paths requested so far, in order (faults included)."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line)["path"] for line in f if line.strip()]


def index_path(model, base=INDEX_BASE):
    return base + FAMILY_FOLDER + model.replace("/", "_") + ".idx"


def make_zip(files):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as z:
        for name, content in files.items():
            z.writestr(name, content)
    return data.getvalue()


def program_bytes(target):
    """The bytes of a program the build made (a bench tool or double)."""
    with open(BENCH["doubles"][target], "rb") as f:
        return f.read()


# Windows and controls of a running updater.

def tree_rows(m, window):
    """The rows of the update list, depth first: dicts with depth, state
    (0 no check box, 1 unchecked, 2 checked), image and texts."""
    out = m.wine(BENCH["tools"]["kwinprobe"], "tree", str(window["hwnd"]), str(UPDATE_TREE)).stdout
    return [json.loads(line) for line in out.splitlines() if line.startswith("{")]


def row_titles(m, window):
    return [(row["depth"], row["texts"][0], row["state"]) for row in tree_rows(m, window)]


def click_check_box(m, window, title):
    """A click on the check box of the row with this first-column text."""
    rows = tree_rows(m, window)
    row = [i for i, r in enumerate(rows) if r["texts"][0] == title][0]
    m.wine(BENCH["tools"]["kwinprobe"], "treeclick", str(window["hwnd"]), str(UPDATE_TREE),
           str(row))


def status_text(m, window):
    for w in m.windows():
        if w["hwnd"] == window["hwnd"]:
            return m.control_text(w, STATUS)
    return None


def wait_status(m, window, text, timeout=60):
    wait_until(lambda: status_text(m, window) == text, "status %r" % text, timeout=timeout)


def message_box(m, timeout=30):
    """The updater's open message box: its window and its text."""
    box = None

    def found():
        nonlocal box
        for w in m.windows():
            if w["title"] == TITLE and w["class"] == "#32770" and _box_text(w) is not None \
                    and not any(c["id"] == STATUS for c in w["controls"]):
                box = w
                return True
        return False

    wait_until(found, "a message box", timeout=timeout)
    return box, _box_text(box)


def _box_text(window):
    texts = [c["text"] for c in window["controls"]
             if c["class"].lower() == "static" and c["text"]]
    return texts[0] if texts else None


def answer(m, button, timeout=30):
    """Answers the open message box with a button; returns its text."""
    box, text = message_box(m, timeout)
    m.click(box, button)
    return text


# Files the updater leaves.

def history_records(m):
    """The records of "log.xml": dicts with status, type, name and text."""
    path = os.path.join(m.program_dir, "log.xml")
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        text = f.read()[2:].decode("utf-16-le")
    records = []
    for match in re.finditer(r'<log time="\d+" status="(\d)"(?: type="(\d+)" name="([^"]*)")?>'
                             r'(.*?) </log>', text):
        records.append({"status": int(match.group(1)),
                        "type": int(match.group(2)) if match.group(2) else None,
                        "name": match.group(3), "text": match.group(4)})
    return records


def pending_work(m):
    """The text of "process.xml", or None when there is none."""
    path = os.path.join(m.program_dir, "process.xml")
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"\xff\xfe", "process.xml starts with its byte order mark"
    return data[2:].decode("utf-16-le")


def temp_folder(m):
    return os.path.join(m.program_dir, "Temp")


def wait_gone(run, timeout=60):
    """Waits for a run to end and returns its exit code."""
    deadline = time.time() + timeout
    while run.running():
        if time.time() > deadline:
            raise AssertionError("the updater is still running after %d s" % timeout)
        time.sleep(0.3)
    return run.wait()
