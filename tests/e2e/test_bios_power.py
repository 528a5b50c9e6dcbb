#!/usr/bin/env python3
"""A BIOS flash never starts on battery power: the choice is refused with a
message while the machine runs on battery, and a flash whose power went
away during the downloads is not started; the other items still install.
On AC power the flash runs (see test_update_restart.py)."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import SHARED_KEY, run_scenarios, wait_until  # noqa: E402
from test_update_run import CHOOSE, COMPLETED, bench, item, start_and_connect  # noqa: E402
from update_bench import (OK, answer, click_check_box,  # noqa: E402
                          history_records, install_applications, remove_power, rows,
                          set_power, wait_gone, wait_status)

UNPLUGGED = "Please connect the AC adapter before updating the BIOS."


class BiosPowerTest(unittest.TestCase):

    def tearDown(self):
        remove_power()

    def test_no_flash_on_battery(self):
        with bench("bios_power") as (files, m, server):
            # A slow BIOS download leaves time to pull the plug.
            files.add_index(
                item("BIOS", "BIOS", "0602", "_fault/drip=4096:100/Bios/0602.zip", 1,
                     "BIOS 0602", execute="bios.bin"),
                item("KB900", "Hotfix", "1", "Fixes/KB900.zip", 2, "Hotfix KB900"))
            files.add_package("Bios/0602.zip", {"bios.bin": b"dword 530",
                                                "padding.bin": os.urandom(80000)})
            files.add_installer_package("Fixes/KB900.zip")
            install_applications(m, {"Vexa Romtool": "1.0"})
            m.doubles.register_romtool()

            set_power(on_ac=False)
            run, window = start_and_connect(m, server)
            click_check_box(m, window, "BIOS 0602")
            wait_until(lambda: (1, "BIOS 0602", 2) in rows(m, window), "BIOS checked")
            m.click(window, OK)
            self.assertEqual(answer(m, OK), UNPLUGGED)
            wait_until(lambda: (1, "BIOS 0602", 1) in rows(m, window), "BIOS unchecked")
            wait_status(m, window, CHOOSE)

            # Plugged in for the choice, unplugged again while downloading.
            set_power(on_ac=True)
            click_check_box(m, window, "BIOS 0602")
            click_check_box(m, window, "Hotfix KB900")
            wait_until(lambda: {(1, "BIOS 0602", 2), (1, "Hotfix KB900", 2)} <= set(rows(m, window)),
                       "both checked")
            m.click(window, OK)
            wait_status(m, window, "Download BIOS 0602...")
            set_power(on_ac=False)
            wait_status(m, window, COMPLETED, timeout=90)

            self.assertEqual(history_records(m), [
                {"status": 0, "type": 1, "name": "BIOS 0602", "text": UNPLUGGED},
                {"status": 1, "type": 4, "name": "Hotfix KB900",
                 "text": "Hotfix KB900 1 has been installed."}])
            self.assertEqual([s[0] for s in m.starts()], ["setup.exe"],
                             "the flashing utility never starts")
            self.assertNotEqual(m.registry_values(SHARED_KEY).get("BIOS", ("", ""))[1],
                                "0501%0602")
            self.assertEqual(m.message_boxes(), [], "no restart is asked for")
            m.click(window, OK)
            self.assertEqual(wait_gone(run), 0)


if __name__ == "__main__":
    run_scenarios()
