#!/usr/bin/env python3
"""The demo run: the bundled update server on loopback, serving an index
and a package for a "Pellar D22", and the product's programs on such a
machine in a fresh Wine prefix, on an Xvfb display. Prints what the
programs show and where the screenshots are.

Run as root after a build (tools/demo.sh does both); everything happens in
a network namespace with only loopback.
"""

import io
import os
import socket
import subprocess
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from kestrel_e2e import (BUILD_DIR, SCREENSHOT_DIR, SHARED_KEY, Dmi, Machine,  # noqa: E402
                         close_display, isolate)

PORT = 8080
MODEL = "Pellar D22"
INDEX_PATH = "pub/VEXA/Skylark/Release/Media Den/Pellar D22.idx"
MAIN_MODEL = 1062
MAIN_STATUS = 1001
HISTORY_LIST = 1063
CANCEL = 2

INDEX = """<product name='%s' opt='0'>
<item name='Vexa Notes'>
<type> application </type>
<version> 2.1.0 </version>
<os>WinXP,Win7,Win7(64)</os>
<zip-path>Apps/VexaNotes.zip</zip-path>
<execute>setup.cmd</execute>
<index>1</index>
<description l_id='1033' title='Vexa Notes 2.1'>Notes with the maker's templates.</description>
</item>
</product>
""" % MODEL


def write_server_tree(root):
    """The demo server's files: the model's index and its one package."""
    index = os.path.join(root, INDEX_PATH)
    os.makedirs(os.path.dirname(index), exist_ok=True)
    with open(index, "w", encoding="utf-8") as f:
        f.write(INDEX)
    package = os.path.join(root, "Apps", "VexaNotes.zip")
    os.makedirs(os.path.dirname(package), exist_ok=True)
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("setup.cmd", "@echo Vexa Notes 2.1 installed> installed.txt\r\n")
    with open(package, "wb") as f:
        f.write(data.getvalue())


def wait_for_port(process, port, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline and process.poll() is None:
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return
        time.sleep(0.1)
    raise RuntimeError("the demo update server did not start")


def main():
    isolate()
    demo_dir = os.path.normpath(os.path.join(BUILD_DIR, "..", "demo"))
    root = os.path.join(demo_dir, "server")
    write_server_tree(root)
    log = os.path.join(demo_dir, "requests.log")
    server = subprocess.Popen([sys.executable, os.path.join(HERE, "update-server.py"),
                               "--root", root, "--port", str(PORT), "--log", log])
    try:
        wait_for_port(server, PORT)
        with Machine("demo", dmi=Dmi(product_name=MODEL, bios_version="0501")) as m:
            m.set_registry({SHARED_KEY: {"Server": "http://127.0.0.1:%d" % PORT}})

            run = m.start("Kestupdt.exe", "/T")
            window = m.wait_window(control=MAIN_MODEL)
            print("Updater window: model %r, status %r" % (
                m.control_text(window, MAIN_MODEL), m.control_text(window, MAIN_STATUS)))
            print("Screenshot:", m.screenshot("main"))
            m.click(window, CANCEL)
            run.wait()
            print("Updater traces:")
            for line in run.traces():
                print("   ", line)

            run = m.start("Kestupdt.exe", "/H")
            window = m.wait_window(control=HISTORY_LIST)
            _, rows = m.list_view(window, HISTORY_LIST)
            print("History window: %d records" % len(rows))
            print("Screenshot:", m.screenshot("history"))
            m.close(window)
            run.wait()
        print("Screenshots are in", SCREENSHOT_DIR)
    finally:
        server.terminate()
        server.wait()
        close_display()


if __name__ == "__main__":
    main()
