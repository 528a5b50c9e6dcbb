#!/usr/bin/env python3
"""The demo catalogue (tools/demo) on the demo machine: the real updater
connects to the bundled server and offers exactly the items the demo
installs, so the demo (tools/demo.py) keeps working as the updater and Wine
change. The whole demo run is left to tools/demo.sh: it takes minutes."""

import os
import shutil
import sys
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import (BUILD_DIR, SHARED_KEY, Dmi, Machine,  # noqa: E402
                         run_scenarios, wait_until)
from update_bench import (CHECK_ALL, OK, SIGNING_KEY, UpdateServer, demo_machine,  # noqa: E402
                          index_path, install_applications, rows, wait_status,
                          write_demo_server)

MAIN_MODEL = 1062
CHOOSE_ITEMS = "Check the items you want and press OK to download them."


class DemoCatalogueTest(unittest.TestCase):

    def test_demo_machine_is_offered_the_demo_items(self):
        root = os.path.join(BUILD_DIR, "demo-catalogue-%d" % os.getpid())
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        write_demo_server(root)
        machine = demo_machine()
        with UpdateServer(root) as server, \
                Machine("demo_catalogue", dmi=Dmi(**machine["dmi"])) as m:
            m.set_registry({SHARED_KEY: {"Server": server.url}})
            install_applications(m, machine["applications"])
            run = m.start("Kestupdt.exe", "/T")
            window = m.wait_window(control=MAIN_MODEL)
            m.click(window, OK)
            wait_status(m, window, CHOOSE_ITEMS)

            self.assertEqual(rows(m, window), [
                (0, "BIOS", 0), (1, "BIOS", 1),
                (0, "Drivers", 0), (1, "Graphics", 1), (1, "Touchpad", 1),
                (0, "Application", 0), (1, "Romtool", 1), (1, "Notes fix", 1),
                (1, "Vexa Notes", 1), (1, "Media Hub", 1)])
            m.click(window, CHECK_ALL)
            wait_until(lambda: all(state == 2 for level, _, state in rows(m, window)
                                   if level == 1), "Check All")
            m.screenshot("offered")
            index = "/" + urllib.parse.quote(index_path(
                machine["model"], machine["family_folder"], debug=True))
            self.assertEqual(server.paths(), [index, index + ".sig"] if SIGNING_KEY else [index])

            m.close(window)
            self.assertEqual(run.wait(), 0)
            removed = [line for line in run.traces() if " - Remove " in line]
            self.assertEqual(removed, [
                "RemoveRedundantDriver - Remove Audio Driver",
                "RemoveRedundantAP - Remove Vexa Photo Studio",
                "RemoveRedundantAP - Remove Vexa Kestrel",
                "RemoveUpdatelessItem - Remove AP Vexa Power Saver installed: 1.5, script: 1.5",
            ])


if __name__ == "__main__":
    run_scenarios()
