#!/usr/bin/env python3
"""The history log and window on the real updater: "Kestupdt /H" lists the
records of "log.xml", follows records that another process appends while it
is open, and Clear deletes the file and the rows."""

import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import (BENCH, Machine, PROGRAM_FOLDER, display,  # noqa: E402
                         run_scenarios, wait_until)

HISTORY_LIST = 1063
CLEAR = 1064
CANCEL = 2
COLUMNS = ["Date", "Time", "Update Item", "Descrption"]
# Stands in for an updater run of another process (tests/ui): appends one
# driver record and broadcasts "The Log of Vexa Kestrel".
APPEND_TOOL = os.path.join(BENCH["build_dir"], "..", "tests", "ui", "append_history_log.exe")
LOG_PATH = PROGRAM_FOLDER + r"\log.xml"


def utf16(text):
    return text.encode("utf-16-le")


def record_times(data):
    return re.findall(r'<log time="(\d+)"', data[2:].decode("utf-16-le"))


class HistoryTest(unittest.TestCase):

    def append(self, m, text, name):
        m.wine(APPEND_TOOL, LOG_PATH, text, name)

    def test_records_appended_while_open_then_cleared(self):
        with Machine("history_follow", driver=False) as m:
            log = os.path.join(m.program_dir, "log.xml")
            run = m.start("Kestupdt.exe", "/H")
            window = m.wait_window(control=HISTORY_LIST)
            self.assertEqual(m.list_view(window, HISTORY_LIST), (COLUMNS, []))

            self.append(m, "Complete to update", "Audio <HD> & Video")
            with open(log, "rb") as f:
                first = f.read()
            (time1,) = record_times(first)
            opening = b"\xff\xfe" + utf16('<logs sync="0">\r\n')
            record1 = utf16('<log time="%s" status="1" type="2" name="Audio &lt;HD&gt; &amp; Video">'
                            ' Complete to update </log>\r\n' % time1)
            closing = utf16("</logs>\r\n")
            self.assertEqual(first, opening + record1 + closing)
            columns, rows = m.list_view(window, HISTORY_LIST)
            self.assertEqual([row[2:] for row in rows],
                             [["Audio <HD> & Video", "Complete to update"]])

            self.append(m, "Update failed!", "LAN")
            with open(log, "rb") as f:
                second = f.read()
            time2 = record_times(second)[1]
            record2 = utf16('<log time="%s" status="1" type="2" name="LAN"> Update failed! </log>\r\n'
                            % time2)
            self.assertEqual(second, opening + record1 + record2 + closing)
            self.assertEqual(second[26:28], b"0\x00")
            columns, rows = m.list_view(window, HISTORY_LIST)
            self.assertEqual(len(rows), 2)
            self.assertEqual(rows[1][2:], ["LAN", "Update failed!"])
            m.screenshot("appended")

            m.click(window, CLEAR)
            wait_until(lambda: not os.path.exists(log), "Clear deleting log.xml")
            self.assertEqual(m.list_view(window, HISTORY_LIST), (COLUMNS, []))

            m.click(window, CANCEL)
            self.assertEqual(run.wait(), 0)

    def test_prepared_log_lists_known_records(self):
        records = [
            '<log time="1262304000" status="1" type="1" name="BIOS"> Complete to update </log>',
            '<log time="1262307600" status="1" type="2" name="Audio" extra="1"> hidden </log>',
            '<log time="1262311200" status="0"> Fail to connect to VEXA web server! </log>',
            '<log time="1262314800" status="0" type="3" name="Tools"> Update failed! </log>',
        ]
        with Machine("history_prepared", driver=False) as m:
            with open(os.path.join(m.program_dir, "log.xml"), "wb") as f:
                f.write(b"\xff\xfe" + utf16('<logs sync="0">\r\n' + "\r\n".join(records)
                                            + "\r\n</logs>\r\n"))
            run = m.start("Kestupdt.exe", "/H")
            window = m.wait_window(control=HISTORY_LIST)
            columns, rows = m.list_view(window, HISTORY_LIST)
            self.assertEqual(columns, COLUMNS)
            self.assertEqual([row[2:] for row in rows], [
                ["BIOS", "Complete to update"],
                ["", "Fail to connect to VEXA web server!"],
                ["Tools", "Update failed!"],
            ])
            # Local date and time; Wine takes the host's time zone.
            for row, seconds in zip(rows, (1262304000, 1262311200, 1262314800)):
                local = time.localtime(seconds)
                self.assertEqual(row[:2], [time.strftime("%Y/%m/%d", local),
                                           time.strftime("%H:%M:%S", local)])

            # Select the second row with the mouse for the picture.
            left, top = window["rect"][0], window["rect"][1]
            subprocess.run(["xdotool", "mousemove", str(left + 200), str(top + 34 + 22 + 17),
                            "click", "1"], env=dict(os.environ, DISPLAY=display().name),
                           check=False)
            m.wait_window(control=HISTORY_LIST)
            m.screenshot("selected_row")

            m.click(window, CANCEL)
            self.assertEqual(run.wait(), 0)


if __name__ == "__main__":
    run_scenarios()
