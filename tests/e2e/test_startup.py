#!/usr/bin/env python3
"""Start-up of the real updater: run modes, one instance per mode, machine
identity from the firmware, the hardware-access driver, the language
library, and the two windows."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import Dmi, Machine, run_scenarios  # noqa: E402
from update_bench import YES, answer, wait_gone  # noqa: E402

MAIN_MODEL = 1062
MAIN_STATUS = 1001
HISTORY_LIST = 1063
CANCEL = 2


def mutex(mode):
    return "VEXA KESTREL %d BODY : ODEN TARR" % mode


class StartupTest(unittest.TestCase):

    def test_scheduled_debug_start_corrects_the_placeholder_model(self):
        dmi = Dmi(product_name="System product name ", board_name="Q7KM2-RTS",
                  bios_version="0602")
        with Machine("scheduled_debug", dmi=dmi) as m:
            run = m.start("Kestupdt.exe", "/schedule", "/t")
            # Unattended: the window stays hidden while step 0 runs, and
            # without an index there is nothing to show, so it never appears.
            seen = []
            while run.running():
                seen += [w["title"] for w in m.windows() if w["title"] == "Vexa Kestrel"]
            self.assertEqual(run.wait(), 0)
            self.assertEqual(seen, [])
            self.assertFalse(m.service_exists("kestupio"), "the driver is removed after use")
            traces = run.traces()
            self.assertEqual(traces[:8], [
                "Debug mode.",
                "ScheduleUp mode.",
                "InitializeDriver - 64bit OS..",
                "Model name: System product name ",
                "Family name: Pellar",
                "Product name: Q7KM2-RTS",
                "Change system name to Pellar D22.",
                "InitInstance, GetDMIInfo - ModelName: Pellar D22, BIOS version: 0602, "
                "ProductName: Q7KM2-RTS",
            ])
            # The debug mode takes the index from the server's debug folder.
            self.assertTrue([t for t in traces if t.startswith("Download http")
                             and "/pub/VEXA/Skylark/Debug/Media Den/Pellar D22.idx" in t], traces)

    def test_history_start_ignores_debug_switch(self):
        with Machine("history_debug", language="basic") as m:
            run = m.start("Kestupdt.exe", "/H", "/T")
            window = m.wait_window(control=HISTORY_LIST)
            self.assertEqual(window["title"], "Vexa Kestrel")
            self.assertEqual(m.control_text(window, 1064), "Clear")
            # Column titles pass through the language library.
            self.assertEqual(m.list_view(window, HISTORY_LIST),
                             (["Date du jour", "Time", "Update Item", "Descrption"], []))
            self.assertTrue(m.mutex_exists(mutex(2)))
            self.assertFalse(m.mutex_exists(mutex(1)))
            m.screenshot("history")

            m.click(window, CANCEL)
            self.assertEqual(run.wait(), 0)
            self.assertEqual(run.traces(), [], "history mode writes no debug traces")

    def test_second_normal_start_ends_while_history_runs_beside(self):
        with Machine("one_instance_per_mode") as m:
            first = m.start("Kestupdt.exe")
            main = m.wait_window(control=MAIN_MODEL)

            second = m.start("Kestupdt.exe")
            self.assertEqual(second.wait(timeout=30), 0)
            mains = [w for w in m.windows()
                     if any(c["id"] == MAIN_MODEL for c in w["controls"])]
            self.assertEqual(len(mains), 1, "the second normal start shows no window")

            history_run = m.start("Kestupdt.exe", "/h")
            history = m.wait_window(control=HISTORY_LIST)
            self.assertTrue(first.running())
            m.screenshot("main_and_history")

            m.click(history, CANCEL)
            m.click(main, CANCEL)
            answer(m, YES)
            self.assertEqual(history_run.wait(), 0)
            self.assertEqual(wait_gone(first), 0)

    def test_unknown_board_keeps_an_empty_model_and_texts_are_translated(self):
        dmi = Dmi(product_name="", board_name="Q9XX1-ABC")
        with Machine("unknown_board_translated", dmi=dmi, language="basic") as m:
            run = m.start("Kestupdt.exe", "/T")
            window = m.wait_window(control=MAIN_MODEL)
            self.assertEqual(m.control_text(window, MAIN_MODEL), "")
            self.assertEqual(m.control_text(window, MAIN_STATUS),
                             "Appuyez sur OK pour vous connecter au serveur.")
            self.assertEqual(m.control_text(window, 1069), "Tout cocher")
            self.assertTrue(m.mutex_exists(mutex(1)))
            self.assertFalse(m.mutex_exists(mutex(0)))
            m.screenshot("main_translated")

            m.click(window, CANCEL)
            answer(m, YES)
            self.assertEqual(wait_gone(run), 0)
            traces = run.traces()
            self.assertIn("InitInstance, GetDMIInfo - ModelName: , BIOS version: 0501, "
                          "ProductName: Q9XX1-ABC", traces)
            self.assertFalse([t for t in traces if t.startswith("Change system name")])

    def test_missing_driver_image_ends_start_up_silently(self):
        with Machine("missing_driver", driver=False) as m:
            run = m.start("Kestupdt.exe", "/T")
            self.assertEqual(run.wait(timeout=60), 0)
            self.assertEqual(m.windows(), [], "no window, no message")
            traces = run.traces()
            self.assertIn("Unable to start kernel mode driver "
                          r"C:\Program Files\Vexa\Vexa Kestrel\SYS64\kestupio.sys", traces)
            self.assertFalse([t for t in traces if t.startswith("InitInstance, GetDMIInfo")])


if __name__ == "__main__":
    run_scenarios()
