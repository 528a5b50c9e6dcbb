#!/usr/bin/env python3
"""Whole update runs of the real updater against the loopback update server:
connecting, the list, the user's choice, downloads, installs in dependency
order, the history, restarts with pending work, the BIOS flash verdict, the
product's own update, cancelling, and a server that does not answer."""

import contextlib
import os
import shutil
import sys
import tempfile
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import (SHARED_KEY, Dmi, Machine, run_scenarios,  # noqa: E402
                         wait_until)
from update_bench import (CANCEL, CHECK_ALL, NO, OK, STATUS, UNINSTALL_KEY, YES,  # noqa: E402
                          InstallerDoubles, UpdateServer, answer, click_check_box,
                          history_records, index_path, install_applications, pending_work, rows,
                          wait_gone, wait_status, write_index, write_raw_index, write_zip)

MODEL = "Pellar D22"
FAMILY_FOLDER = "Media Den/"
PRIVATE_VERSION = "kta7501e157-4b4a-4850-b6ea-3bea55826ba9"

PRESS_OK = "Press OK to connect to server."
CHOOSE = "Check the items you want and press OK to download them."
COMPLETED = "Update Completed."
NO_NEED = "The environment is no need to update."
UNREACHABLE = "Fail to connect to VEXA web server!"


def item(name, kind, version, zip_path, index, title, execute="setup.exe", depends=None,
         reboot=False, downgradable=False, size=None, hwid=None):
    lines = ["<item name='%s'>" % name,
             "<type>%s</type>" % kind,
             "<version>%s</version>" % version,
             "<os>WinXP,Win7,Win7(64)</os>",
             "<zip-path>%s</zip-path>" % zip_path,
             "<execute>%s</execute>" % execute,
             "<index>%d</index>" % index,
             "<description l_id='1033' title='%s'>About %s.</description>" % (title, title)]
    if depends:
        lines.append("<dependence>%s</dependence>" % ", ".join(str(d) for d in depends))
    if reboot:
        lines.append("<reboot>1</reboot>")
    if downgradable:
        lines.append("<downgradable>1</downgradable>")
    if size is not None:
        lines.append("<size>%d</size>" % size)
    if hwid:
        lines.append("<hwid version='%s' date='01/15/2030'>%s</hwid>"
                     % (version, hwid.replace("&", "&amp;")))
    return "\n".join(lines + ["</item>"])


def index_xml(*items):
    return "<product name='%s' opt='0'>\n%s\n</product>\n" % (MODEL, "\n".join(items))


class ServerTree:
    """The files of a test's update server, in a fresh folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="kestrel-server-")
        self.index = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.root, ignore_errors=True)
        return False

    def add_index(self, *items):
        """The model's index, in the Release and the Debug folder, published
        again with every package added later."""
        self.index = index_xml(*items)
        self.publish()

    def add_package(self, zip_path, files):
        write_zip(os.path.join(self.root, zip_path), files)
        self.publish()

    def publish(self):
        """The index as the catalogue tool publishes it: the size and
        SHA-256 of each package there is, and its signature."""
        if self.index is not None:
            write_index(self.root, MODEL, FAMILY_FOLDER, self.index, self.package_file)

    def package_file(self, zip_path):
        """The file the server sends for a zip path (which may ask for
        faults: _fault/<faults>/<path>)."""
        if zip_path.startswith("_fault/"):
            zip_path = zip_path.split("/", 2)[2]
        return os.path.join(self.root, zip_path)

    def add_installer_package(self, zip_path):
        self.add_package(zip_path, {"setup.exe": InstallerDoubles.installer()})


class RunMachine(Machine):
    """A machine whose installer doubles record every start."""

    def __enter__(self):
        super().__enter__()
        self.doubles = InstallerDoubles(self)
        self.extra_env.update(self.doubles.env())
        return self

    def starts(self):
        """(program, arguments, folder, CURDIR) of every installer start."""
        return self.doubles.records()

    def temp_folder(self):
        return os.path.join(self.program_dir, "Temp")

    @staticmethod
    def item_folder(index):
        return r"C:\Program Files\Vexa\Vexa Kestrel\Temp\%d" % index


@contextlib.contextmanager
def bench(name, **machine):
    """A test's server files, machine and running update server."""
    with ServerTree() as files, RunMachine(name, **machine) as m, \
            UpdateServer(files.root) as server:
        yield files, m, server


def requested(server):
    """The paths the server was asked for, decoded."""
    return [urllib.parse.unquote(path) for path in server.paths()]


def start_and_connect(m, server, *args, debugger=True):
    """Starts the updater, presses OK and waits for the list."""
    m.set_registry({SHARED_KEY: {"Server": server.url}})
    run = m.start("Kestupdt.exe", *args, debugger=debugger)
    window = m.wait_window(control=STATUS)
    wait_status(m, window, PRESS_OK)
    m.click(window, OK)
    wait_status(m, window, CHOOSE)
    return run, window


class UpdateRunTest(unittest.TestCase):

    def test_scheduled_run_without_updates_stays_unseen(self):
        with bench("run_scheduled_none") as (files, m, server):
            files.add_index(
                item("Vexa Notes", "AP", "1.0", "Apps/Notes.zip", 1, "Vexa Notes 1.0"))
            install_applications(m, {"Vexa Notes": "1.0"})
            m.set_registry({SHARED_KEY: {"Server": server.url}})
            run = m.start("Kestupdt.exe", "/SCHEDULE")
            seen = []
            while run.running():
                seen += [w for w in m.windows() if w["title"] == "Vexa Kestrel"]
            self.assertEqual(run.wait(), 0)
            self.assertEqual(seen, [], "no window becomes visible")
            self.assertIn("/" + index_path(MODEL, FAMILY_FOLDER), requested(server))
            self.assertFalse(os.path.exists(os.path.join(m.program_dir, "log.xml")))

    def test_chosen_items_install_in_dependency_order(self):
        with bench("run_normal") as (files, m, server):
            files.add_index(
                item("Vexa Notes", "AP", "2.0", "Apps/Notes.zip", 1, "Vexa Notes 2.0",
                     depends=[2], size=1048576),
                item("KB100", "Hotfix", "1", "Fixes/KB100.zip", 2, "Hotfix KB100",
                     execute="setup.exe%%/quiet"),
                item("Vexa Paint", "AP", "3.0", "Apps/Paint.zip", 3, "Vexa Paint 3.0"),
                item("Vexa Clock", "AP", "1.5", "Apps/Clock.zip", 4, "Vexa Clock 1.5"),
                item("Vexa Old", "AP", "1.0", "Apps/Old.zip", 5, "Vexa Old 1.0"),
                # The display adapter every Wine machine has.
                item("Display Driver", "driver", "99.0.0.0", "Drivers/Display.zip", 6, "Graphics",
                     hwid=r"PCI\VEN_0000&DEV_0000"),
                item("Modem Driver", "driver", "99.0.0.0", "Drivers/Modem.zip", 7, "Modem",
                     hwid=r"PCI\VEN_FFFF&DEV_FFFF"))
            files.add_installer_package("Apps/Notes.zip")
            files.add_installer_package("Drivers/Display.zip")
            files.add_installer_package("Fixes/KB100.zip")
            files.add_package("Apps/Clock.zip", {"../escaped.txt": b"outside", "setup.exe": b"x"})
            install_applications(m, {"Vexa Notes": "1.0", "Vexa Paint": "2.0",
                                           "Vexa Clock": "1.0", "Vexa Old": "1.0"})

            # The damaged package is refused by an exception of the zip reader.
            run, window = start_and_connect(m, server, debugger=False)
            listed = rows(m, window)
            self.assertEqual([r for r in listed if r[0] == 0],
                             [(0, "BIOS", 0), (0, "Drivers", 0), (0, "Application", 0)])
            self.assertEqual([r for r in listed if r[0] == 1],
                             [(1, "Graphics", 1), (1, "Vexa Notes 2.0", 1), (1, "Hotfix KB100", 1),
                              (1, "Vexa Paint 3.0", 1), (1, "Vexa Clock 1.5", 1)],
                             "neither the installed Vexa Old 1.0 nor a driver for a missing "
                             "device is offered")
            m.click(window, CHECK_ALL)
            wait_until(lambda: all(r[2] == 2 for r in rows(m, window) if r[0] == 1),
                       "every item checked")
            m.screenshot("chosen")

            m.click(window, OK)
            wait_status(m, window, COMPLETED, timeout=120)
            m.screenshot("completed")

            requests = requested(server)
            self.assertEqual([p for p in requests if p.endswith(".zip")],
                             ["/Apps/Notes.zip", "/Fixes/KB100.zip", "/Apps/Paint.zip",
                              "/Apps/Clock.zip", "/Drivers/Display.zip"])
            # The hotfix that Notes depends on is installed first.
            self.assertEqual(m.starts(), [
                ("setup.exe", "/quiet", m.item_folder(2), m.item_folder(2)),
                ("setup.exe", "", m.item_folder(1), m.item_folder(1)),
                ("setup.exe", "", m.item_folder(6), m.item_folder(6))])
            self.assertEqual(history_records(m), [
                {"status": 0, "type": 3, "name": "Vexa Paint 3.0",
                 "text": "Unable to find the file on the remote server!"},
                {"status": 1, "type": 4, "name": "Hotfix KB100",
                 "text": "Hotfix KB100 1 has been installed."},
                {"status": 1, "type": 3, "name": "Vexa Notes 2.0",
                 "text": "Vexa Notes 2.0 has been updated from 1.0 to 2.0."},
                {"status": 0, "type": 3, "name": "Vexa Clock 1.5",
                 "text": "Unable to unpack Vexa Clock 1.5: the package is damaged!"},
                {"status": 1, "type": 2, "name": "Graphics",
                 "text": "Graphics 99.0.0.0 has been installed."}])
            self.assertFalse(os.path.exists(os.path.join(m.program_dir, "escaped.txt")))
            self.assertFalse(os.path.exists(os.path.join(m.temp_folder(), "escaped.txt")))
            notes = m.registry_values(UNINSTALL_KEY + r"\Vexa Notes")
            self.assertEqual(notes[PRIVATE_VERSION], ("REG_SZ", "2.0"))

            m.click(window, OK)
            self.assertEqual(wait_gone(run), 0)
            self.assertIn("LastUpdateTime", m.registry_values(SHARED_KEY))
            self.assertFalse(os.path.exists(m.temp_folder()))
            self.assertIsNone(pending_work(m))

    def test_bios_needs_romtool_and_cancel_asks_first(self):
        with bench("run_bios_rule", dmi=Dmi(bios_version="0501")) as (files, m, server):
            files.add_index(
                item("BIOS", "BIOS", "0602", "Bios/0602.zip", 1, "BIOS 0602", execute="bios.bin"),
                item("KB200", "Hotfix", "1", "Fixes/KB200.zip", 2, "Hotfix KB200"))
            # A flash examined at this start that did not take.
            m.set_registry({SHARED_KEY: {"BIOS": "0501%0602", "BIOSSrc": "Bios/0602.zip"}})
            run, window = start_and_connect(m, server)
            self.assertEqual(history_records(m), [
                {"status": 0, "type": 1, "name": "BIOS", "text": "Update failed!"}])
            # The verdict is taken once: the pending flash is cleared.
            values = m.registry_values(SHARED_KEY)
            self.assertNotEqual(values["BIOS"][1], "0501%0602")
            self.assertNotIn("BIOSSrc", values)

            click_check_box(m, window, "BIOS 0602")
            wait_until(lambda: (1, "BIOS 0602", 2) in rows(m, window), "BIOS checked")
            m.click(window, OK)
            self.assertEqual(answer(m, OK),
                             "Please install Vexa Romtool first if you want to update BIOS!")
            wait_until(lambda: (1, "BIOS 0602", 1) in rows(m, window), "BIOS unchecked")
            self.assertEqual(m.control_text(m.wait_window(control=STATUS), STATUS), CHOOSE)

            m.click(window, CANCEL)
            self.assertEqual(answer(m, NO), "Are you sure that you want to exit the program?")
            self.assertTrue(run.running())
            m.click(window, CANCEL)
            answer(m, YES)
            self.assertEqual(wait_gone(run), 0)
            self.assertFalse([p for p in requested(server) if p.endswith(".zip")])

    def test_cancel_during_a_download_ends_at_once_and_cleans_up(self):
        with bench("run_cancel_download") as (files, m, server):
            files.add_index(
                item("KB600", "Hotfix", "1", "_fault/drip=2048:100/Fixes/KB600.zip", 1,
                     "Hotfix KB600"))
            files.add_installer_package("Fixes/KB600.zip")
            run, window = start_and_connect(m, server)
            m.click(window, CHECK_ALL)
            wait_until(lambda: (1, "Hotfix KB600", 2) in rows(m, window), "item checked")
            m.click(window, OK)
            wait_status(m, window, "Download Hotfix KB600...")
            wait_until(lambda: os.path.exists(os.path.join(m.temp_folder(), "1", "KB600.zip")),
                       "the download writing")
            m.screenshot("downloading")
            m.click(window, CANCEL)
            answer(m, YES)
            self.assertEqual(wait_gone(run), 0)
            self.assertFalse(os.path.exists(m.temp_folder()))
            self.assertEqual(m.starts(), [])
            self.assertEqual(history_records(m), [])

    def test_unreachable_server_is_reported_once(self):
        with bench("run_unreachable") as (files, m, server):
            files.add_index(
                item("KB700", "Hotfix", "1", "Fixes/KB700.zip", 1, "Hotfix KB700"))
            run, window = start_and_connect(m, server, "/T")
            m.click(window, CHECK_ALL)
            wait_until(lambda: (1, "Hotfix KB700", 2) in rows(m, window), "item checked")
            # The network goes away between the index and the package.
            server.stop()
            m.click(window, OK)
            # Tried again every 3 seconds, the download line showing between
            # the tries.
            wait_status(m, window, UNREACHABLE)
            wait_until(lambda: run.traces().count("DownloadFile : 80000006") >= 3,
                       "three tries of the package", timeout=30)
            m.click(window, CANCEL)
            answer(m, YES)
            self.assertEqual(wait_gone(run), 0)
            self.assertEqual(history_records(m), [
                {"status": 0, "type": None, "name": None, "text": UNREACHABLE}])

            # An index that is not a document offers nothing and records nothing.
            write_raw_index(files.root, MODEL, FAMILY_FOLDER,
                            b"<product name='Pellar D22'><item name='x'><type>AP")
            with UpdateServer(files.root) as again:
                m.set_registry({SHARED_KEY: {"Server": again.url}})
                run = m.start("Kestupdt.exe")
                window = m.wait_window(control=STATUS)
                m.click(window, OK)
                wait_status(m, window, NO_NEED)
                self.assertEqual(len(history_records(m)), 1)
                m.click(window, OK)
                self.assertEqual(wait_gone(run), 0)

            # Without a server at all, connecting fails with one record more.
            run = m.start("Kestupdt.exe")
            window = m.wait_window(control=STATUS)
            m.click(window, OK)
            wait_status(m, window, UNREACHABLE)
            self.assertEqual(len(history_records(m)), 2)
            m.click(window, OK)
            self.assertEqual(wait_gone(run), 0)


if __name__ == "__main__":
    run_scenarios()
