#!/usr/bin/env python3
"""Update runs that span a restart of the machine or of the updater: items
that need a restart and the pending work resumed after it, the BIOS flash
judged at the next start, the product's own update handed to its setup, and
Windows asking to end the session during an install. The bench simulates a
reboot by ending every process of the machine and starting the updater
again."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import BENCH, SHARED_KEY, Dmi, run_scenarios, wait_until  # noqa: E402
from test_update_run import COMPLETED, bench, item, start_and_connect  # noqa: E402
from update_bench import (CHECK_ALL, OK, STATUS, answer, history_records,  # noqa: E402
                          install_applications, pending_work, remove_power, rows, set_power,
                          wait_gone)

REBOOT = "After press OK, System will be rebooted to make your change to take effect."
LOAD_DEFAULTS = ("Please remember to enter BIOS Setup screen and then load default BIOS "
                 "setting!")


def choose_all_and_start(m, window):
    m.click(window, CHECK_ALL)
    wait_until(lambda: all(r[2] == 2 for r in rows(m, window) if r[0] == 1),
               "every item checked")
    m.click(window, OK)


def pending_items(m):
    """The names of the items in "process.xml", in order."""
    text = pending_work(m)
    if text is None:
        return None
    names = []
    for line in text.split("\r\n"):
        if line.startswith("<item name=\""):
            names.append(line[len("<item name=\""):line.index("\"", len("<item name=\""))])
    return names


def restart_and_resume(m, installed_version=None, **firmware):
    """Restarts the machine (with a new product version installed, or new
    firmware fields) and waits until the updater, started again, has
    finished the pending work."""
    m.restart(**firmware)
    if installed_version:
        m.set_registry({SHARED_KEY + "\\" + installed_version: {}})
    run = m.start("Kestupdt.exe")
    window = m.wait_window(control=STATUS)
    wait_until(lambda: m.control_text(m.wait_window(control=STATUS), STATUS) == COMPLETED,
               "the resumed run completing", timeout=90)
    return run, window


class UpdateRestartTest(unittest.TestCase):

    def test_restart_resumes_pending_work_and_the_flash_is_judged_next_start(self):
        with bench("run_restart", dmi=Dmi(bios_version="0501")) as (files, m, server):
            files.add_index(
                item("Vexa Notes", "AP", "2.0", "Apps/Notes.zip", 1, "Vexa Notes 2.0",
                     reboot=True),
                item("BIOS", "BIOS", "0602", "Bios/0602.zip", 2, "BIOS 0602",
                     execute="bios.bin"),
                item("KB300", "Hotfix", "1", "Fixes/KB300.zip", 3, "Hotfix KB300"))
            files.add_installer_package("Apps/Notes.zip")
            # The flashing double reads the verdict to leave from the image.
            files.add_package("Bios/0602.zip", {"bios.bin": b"dword 530"})
            files.add_installer_package("Fixes/KB300.zip")
            m.doubles.register_romtool()
            install_applications(m, {"Vexa Notes": "1.0"})
            # A netbook on AC power flashes as any machine does.
            set_power(on_ac=True)
            self.addCleanup(remove_power)

            run, window = start_and_connect(m, server)
            choose_all_and_start(m, window)
            # Notes asks for the restart; the rest waits for it on disk.
            self.assertEqual(answer(m, OK, timeout=120), REBOOT)
            self.assertEqual(wait_gone(run), 0)
            self.assertEqual(pending_items(m), ["BIOS", "KB300"])
            work = pending_work(m)
            self.assertIn("<product name=\"Pellar D22\" opt=\"0\">", work)
            self.assertIn("\r\n<path> C:\\Program Files\\Vexa\\Vexa Kestrel\\Temp\\2\\0602.zip "
                          "</path>\r\n", work)
            self.assertTrue(os.path.exists(os.path.join(m.temp_folder(), "2", "0602.zip")))
            self.assertFalse(os.path.exists(os.path.join(m.temp_folder(), "1")))

            m.restart()
            run = m.start("Kestupdt.exe", "/T")
            window = m.wait_window(control=STATUS)
            # The BIOS image flashes first; the hotfix waits without a check box.
            wait_until(lambda: m.message_boxes(), "the restart notice", timeout=60)
            self.assertIn((1, "Hotfix KB300", 0), rows(m, window))
            m.screenshot("resumed")
            self.assertEqual(answer(m, OK), REBOOT + "\n" + LOAD_DEFAULTS)
            self.assertEqual(wait_gone(run), 0)
            flashes = [s for s in m.starts() if s[0].lower().endswith("romtool.exe")]
            self.assertEqual(len(flashes), 1, m.starts())
            self.assertEqual(m.registry_values(SHARED_KEY)["BIOS"], ("REG_SZ", "0501%0602"))
            self.assertEqual(pending_items(m), ["KB300"])

            # The firmware now reports the new version.
            run, window = restart_and_resume(m, bios_version="0602")
            self.assertEqual(history_records(m), [
                {"status": 1, "type": 3, "name": "Vexa Notes 2.0",
                 "text": "Vexa Notes 2.0 has been updated from 1.0 to 2.0."},
                {"status": 1, "type": 1, "name": "BIOS",
                 "text": "BIOS has been updated from 0501 to 0602."},
                {"status": 1, "type": 4, "name": "Hotfix KB300",
                 "text": "Hotfix KB300 1 has been installed."}])
            m.click(window, OK)
            self.assertEqual(wait_gone(run), 0)
            self.assertFalse(os.path.exists(m.temp_folder()))
            self.assertIsNone(pending_work(m))

    def test_product_update_hands_over_to_its_setup(self):
        with bench("run_self_update") as (files, m, server):
            files.add_index(
                item("Vexa Kestrel", "AP", "V2.2.0", "Apps/Kestrel.zip", 1, "Vexa Kestrel 2.2"),
                item("KB400", "Hotfix", "1", "Fixes/KB400.zip", 2, "Hotfix KB400"))
            files.add_installer_package("Apps/Kestrel.zip")
            files.add_installer_package("Fixes/KB400.zip")
            install_applications(m, {"Vexa Kestrel": "2.1.0"})

            run, window = start_and_connect(m, server)
            choose_all_and_start(m, window)
            self.assertEqual(answer(m, OK, timeout=120),
                             "Program will be closed for a time to update itself.")
            self.assertEqual(wait_gone(run), 0)
            wait_until(lambda: m.starts(), "the product's setup starting")
            self.assertEqual(m.starts(), [("setup.exe", "-s", m.item_folder(1), m.item_folder(1))])
            values = m.registry_values(SHARED_KEY)
            self.assertEqual(values["SelfUpdating"], ("REG_SZ", "V2.1.0"))
            self.assertEqual(values["Source"], ("REG_SZ", "Apps/Kestrel.zip"))
            self.assertNotIn("Path", values)
            self.assertIn("LastUpdateTime", values)
            self.assertEqual(pending_items(m), ["KB400"])

            # The new package's installer left its version; the updater starts
            # again and reports the hand-over, then finishes the rest.
            run, window = restart_and_resume(m, installed_version="2.2.0")
            self.assertEqual(history_records(m), [
                {"status": 1, "type": 3, "name": "Vexa Kestrel",
                 "text": "Vexa Kestrel has been updated from V2.1.0 to V2.2.0."},
                {"status": 1, "type": 4, "name": "Hotfix KB400",
                 "text": "Hotfix KB400 1 has been installed."}])
            self.assertNotEqual(m.registry_values(SHARED_KEY)["SelfUpdating"][1], "V2.1.0")
            m.click(window, OK)
            self.assertEqual(wait_gone(run), 0)

    def test_session_end_during_an_install_is_refused_and_restarts_after_it(self):
        with bench("run_session_end") as (files, m, server):
            files.add_index(
                item("KB500", "Hotfix", "1", "Fixes/KB500.zip", 1, "Hotfix KB500"),
                item("KB501", "Hotfix", "1", "Fixes/KB501.zip", 2, "Hotfix KB501"))
            files.add_installer_package("Fixes/KB500.zip")
            files.add_installer_package("Fixes/KB501.zip")

            run, window = start_and_connect(m, server)
            choose_all_and_start(m, window)
            wait_until(lambda: m.starts(), "the first installer starting", timeout=60)
            refused = m.wine(BENCH["tools"]["kwinprobe"], "queryend", str(window["hwnd"]),
                             check=False, timeout=90).returncode
            self.assertEqual(refused, 0, "Windows may not end the session during an install")
            self.assertEqual(answer(m, OK, timeout=60), REBOOT)
            self.assertEqual(wait_gone(run), 0)
            self.assertEqual(len(m.starts()), 1, "the run stops after the item in progress")
            self.assertEqual(pending_items(m), ["KB501"])
            self.assertEqual([r["name"] for r in history_records(m)], ["Hotfix KB500"])

    def test_installer_exit_codes_fail_an_item_or_ask_for_the_restart(self):
        with bench("run_exit_codes") as (files, m, server):
            files.add_index(
                item("KB810", "Hotfix", "1", "Fixes/KB810.zip", 1, "Hotfix KB810",
                     execute="setup.exe%%exit=1603"),
                item("KB811", "Hotfix", "1", "Fixes/KB811.zip", 2, "Hotfix KB811",
                     execute="setup.exe%%exit=3010"),
                item("KB812", "Hotfix", "1", "Fixes/KB812.zip", 3, "Hotfix KB812"))
            for name in ("KB810", "KB811", "KB812"):
                files.add_installer_package("Fixes/%s.zip" % name)

            run, window = start_and_connect(m, server)
            choose_all_and_start(m, window)
            self.assertEqual(answer(m, OK, timeout=120), REBOOT)
            self.assertEqual(wait_gone(run), 0)
            self.assertEqual(history_records(m), [
                {"status": 0, "type": 4, "name": "Hotfix KB810", "text": "Update failed!"},
                {"status": 1, "type": 4, "name": "Hotfix KB811",
                 "text": "Hotfix KB811 1 has been installed."}])
            self.assertEqual(pending_items(m), ["KB812"])


if __name__ == "__main__":
    run_scenarios()
