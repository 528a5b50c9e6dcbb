#!/usr/bin/env python3
"""Signed indexes and package hashes in whole update runs, against the
loopback update server: a package changed on the server, or on disk during
a restart, is never unpacked or run; an index whose signature is missing or
no longer matches offers nothing. The test build carries the test key, and
the bench publishes every index signed and with its packages' hashes."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import SHARED_KEY, run_scenarios  # noqa: E402
from test_update_restart import REBOOT, choose_all_and_start, restart_and_resume  # noqa: E402
from test_update_run import (COMPLETED, FAMILY_FOLDER, MODEL, PRESS_OK, bench,  # noqa: E402
                             item, requested, start_and_connect)
from update_bench import (OK, SIGNING_KEY, STATUS, answer, history_records,  # noqa: E402
                          index_path, install_applications, pending_work, rows, wait_gone,
                          wait_status)

DAMAGED = "The downloaded file is damaged or has been changed."
NOT_VERIFIED = "Unable to verify the update information from the server!"


def change_a_byte(path):
    """Changes the modification time in the first entry's local header: the
    zip stays readable, so only the hash can tell."""
    with open(path, "r+b") as f:
        f.seek(10)
        value = f.read(1)[0]
        f.seek(10)
        f.write(bytes([value ^ 1]))


@unittest.skipUnless(SIGNING_KEY, "the build carries no test key")
class UpdateIntegrityTest(unittest.TestCase):

    def test_a_package_changed_on_the_server_is_not_unpacked(self):
        with bench("integrity_package") as (files, m, server):
            files.add_index(
                item("KB800", "Hotfix", "1", "Fixes/KB800.zip", 1, "Hotfix KB800"),
                item("KB801", "Hotfix", "1", "Fixes/KB801.zip", 2, "Hotfix KB801"))
            files.add_installer_package("Fixes/KB800.zip")
            files.add_installer_package("Fixes/KB801.zip")
            change_a_byte(files.package_file("Fixes/KB801.zip"))

            run, window = start_and_connect(m, server, "/T")
            choose_all_and_start(m, window)
            wait_status(m, window, COMPLETED, timeout=120)
            self.assertEqual(m.starts(), [("setup.exe", "", m.item_folder(1), m.item_folder(1))])
            self.assertEqual(history_records(m), [
                {"status": 1, "type": 4, "name": "Hotfix KB800",
                 "text": "Hotfix KB800 1 has been installed."},
                {"status": 0, "type": 4, "name": "Hotfix KB801", "text": DAMAGED}])
            checks = [t for t in run.traces() if t.startswith("CheckDownloadedPackage - ")]
            self.assertEqual([t.rsplit(" : ", 1)[1] for t in checks], ["verified", "wrong hash"])
            index = "/" + index_path(MODEL, FAMILY_FOLDER, debug=True)
            self.assertEqual(requested(server)[:2], [index, index + ".sig"])
            m.click(window, OK)
            self.assertEqual(wait_gone(run), 0)

    def test_a_package_changed_during_the_restart_is_not_run(self):
        with bench("integrity_resume") as (files, m, server):
            files.add_index(
                item("Vexa Notes", "AP", "2.0", "Apps/Notes.zip", 1, "Vexa Notes 2.0",
                     reboot=True),
                item("KB900", "Hotfix", "1", "Fixes/KB900.zip", 2, "Hotfix KB900"))
            files.add_installer_package("Apps/Notes.zip")
            files.add_installer_package("Fixes/KB900.zip")
            install_applications(m, {"Vexa Notes": "1.0"})

            run, window = start_and_connect(m, server)
            choose_all_and_start(m, window)
            self.assertEqual(answer(m, OK, timeout=120), REBOOT)
            self.assertEqual(wait_gone(run), 0)
            self.assertRegex(pending_work(m), "\r\n<sha256> [0-9a-f]{64} </sha256>\r\n")
            change_a_byte(os.path.join(m.temp_folder(), "2", "KB900.zip"))

            run, window = restart_and_resume(m)
            self.assertEqual(m.starts(), [("setup.exe", "", m.item_folder(1), m.item_folder(1))])
            self.assertEqual(history_records(m), [
                {"status": 1, "type": 3, "name": "Vexa Notes 2.0",
                 "text": "Vexa Notes 2.0 has been updated from 1.0 to 2.0."},
                {"status": 0, "type": 4, "name": "Hotfix KB900", "text": DAMAGED}])
            m.click(window, OK)
            self.assertEqual(wait_gone(run), 0)

    def test_an_index_without_its_signature_or_changed_after_signing_offers_nothing(self):
        with bench("integrity_index") as (files, m, server):
            files.add_index(item("KB950", "Hotfix", "2", "Fixes/KB950.zip", 1, "Hotfix KB950"))
            files.add_installer_package("Fixes/KB950.zip")
            index = os.path.join(files.root, index_path(MODEL, FAMILY_FOLDER))
            m.set_registry({SHARED_KEY: {"Server": server.url}})

            def connect_and_refuse(records):
                run = m.start("Kestupdt.exe")
                window = m.wait_window(control=STATUS)
                wait_status(m, window, PRESS_OK)
                m.click(window, OK)
                wait_status(m, window, NOT_VERIFIED)
                self.assertEqual([r for r in rows(m, window) if r[0] == 1], [])
                self.assertEqual(history_records(m), [
                    {"status": 0, "type": None, "name": None, "text": NOT_VERIFIED}] * records)
                m.click(window, OK)
                self.assertEqual(wait_gone(run), 0)

            os.remove(index + ".sig")
            connect_and_refuse(1)

            files.publish()
            with open(index, "rb") as f:
                data = f.read()
            self.assertIn(b"<version>2</version>", data)
            with open(index, "wb") as f:
                f.write(data.replace(b"<version>2</version>", b"<version>3</version>"))
            connect_and_refuse(2)
            self.assertFalse([p for p in requested(server) if p.endswith(".zip")])
            self.assertEqual(m.starts(), [])


if __name__ == "__main__":
    run_scenarios()
