#!/usr/bin/env python3
"""The tray agent KTA in a fresh Wine machine: one instance, the pending-work
start, the gradient menu with its Schedule submenu and check mark, the
commands that start the updater (a stand-in Kestupdt.exe that records its
parameters in launches.txt), the frequency written to the shared key, and
the exit question.

The icon is clicked in Wine's own system tray window, which holds it on
a display without a desktop's tray; TrayPoke.exe (tests/tray/e2e) sends
the icon's callback to the agent's hidden window where that is quicker, and
keys to the open menu."""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kestrel_e2e import SHARED_KEY, Machine, display, run_scenarios  # noqa: E402

POKE = os.environ.get("KESTREL_TRAY_POKE", "")
STANDIN_UPDATER = os.environ.get("KESTREL_STANDIN_UPDATER", "")

AGENT_MUTEX = "VEXA KESTREL SYSTEM TRAY : ODEN TARR"
QUESTION = "Are you sure that you want to exit the program?"
WM_RBUTTONUP = 0x205
VK_RETURN, VK_ESCAPE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN = 0x0D, 0x1B, 0x25, 0x26, 0x27, 0x28
IDYES, IDNO = 6, 7
STATIC_TEXT = 0xFFFF
SCHEDULE_ITEMS = 7
TOP_ITEMS = 5  # Update, Schedule, History, separator, Exit


def wait_for(what, probe, timeout=60):
    deadline = time.time() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.time() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.3)


class TrayMachine(Machine):
    """A machine with only the agent and the stand-in updater installed."""

    def __init__(self, name, frequency=None, pending_work=False):
        super().__init__(name, programs=["KTA.exe"], driver=False)
        self.frequency = frequency
        self.pending_work = pending_work

    def __enter__(self):
        super().__enter__()
        shutil.copy2(STANDIN_UPDATER, os.path.join(self.program_dir, "Kestupdt.exe"))
        if self.pending_work:
            with open(os.path.join(self.program_dir, "process.xml"), "w") as f:
                f.write("<?xml version=\"1.0\"?><Update/>\n")
        if self.frequency is not None:
            self.set_registry({SHARED_KEY: {"Frequency": self.frequency, "LastUpdateTime": 0}})
        return self

    def poke(self, *args):
        return self.wine(POKE, *[str(a) for a in args], check=False)

    def agents(self):
        result = self.poke("agent")
        return int(result.stdout.strip() or 0)

    def menus(self):
        """Open menu popups as (x, y, w, h)."""
        lines = self.poke("menus").stdout.splitlines()
        return [tuple(int(n) for n in line.split()) for line in lines if line.strip()]

    def keys(self, *keys):
        for key in keys:
            self.poke("key", key)

    def launches(self):
        """The parameters of every start of the stand-in updater so far."""
        try:
            with open(os.path.join(self.program_dir, "launches.txt"), encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_agent(self, run):
        try:
            wait_for("the agent", lambda: self.agents() == 1)
        except AssertionError as error:
            self.screenshot("no-agent")
            raise AssertionError("%s (running: %s, exit code: %s, agent mutex: %s, windows: %s)" % (
                error, run.running(), run.process.poll(), self.mutex_exists(AGENT_MUTEX),
                [(w["class"], w["title"]) for w in self.windows()])) from None

    def wait_launches(self, count):
        try:
            return wait_for("%d updater starts" % count,
                            lambda: self.launches() if len(self.launches()) >= count else None)
        except AssertionError as error:
            self.screenshot("no-updater-start")
            raise AssertionError("%s (agent windows: %d, windows: %s, program folder: %s)" % (
                error, self.agents(), [w["title"] for w in self.windows()],
                sorted(os.listdir(self.program_dir)))) from None

    def tray_icon(self):
        """The centre of the agent's icon in Wine's system tray window."""
        tray = wait_for("the system tray", lambda: [
            w for w in self.windows() if w["class"] == "__winex11_standalone_tray"])[0]
        left, _, _, bottom = tray["rect"]
        return left + 12, bottom - 13

    def open_menu(self, by_icon=False):
        if by_icon:
            self.mouse("mousemove", *self.tray_icon())
            self.mouse("click", 3)
        else:
            self.poke("notify", WM_RBUTTONUP)
        return wait_for("the menu", lambda: self.menus() if len(self.menus()) == 1 else None)[0]

    def open_schedule(self, by_icon=False):
        top = self.open_menu(by_icon)
        self.keys(VK_DOWN, VK_DOWN, VK_RIGHT)
        menus = wait_for("the Schedule submenu",
                         lambda: self.menus() if len(self.menus()) == 2 else None)
        return top, [m for m in menus if m != top][0]

    def wait_menus_closed(self):
        wait_for("the menu to close", lambda: not self.menus())

    def mouse(self, *args):
        """xdotool on the bench's display: "mousemove X Y", "click 1"."""
        subprocess.run(["xdotool"] + [str(a) for a in args], check=True,
                       env=dict(os.environ, DISPLAY=display().name))

    def point_at_row(self, popup, rows, row, band=0):
        x, y, w, h = popup
        row_height = (h - 6) // rows
        self.mouse("mousemove", x + 3 + band + 30, y + 3 + row * row_height + row_height // 2)

    def frequency_value(self):
        values = self.registry_values(SHARED_KEY) or {}
        return values.get("Frequency")


def marked_rows(screenshot, popup, rows):
    """Indexes of the rows of a popup (band 0) whose item square holds dark
    pixels: a check mark."""
    x, y, w, h = popup
    frame = 3  # border of the popup window
    row_height = (h - 2 * frame) // rows
    marked = []
    for row in range(rows):
        left = x + frame + row_height // 4
        top = y + frame + row * row_height + row_height // 4
        size = max(row_height // 2, 1)
        darkest = subprocess.run(
            ["convert", screenshot, "-crop", "%dx%d+%d+%d" % (size, size, left, top),
             "-format", "%[fx:minima.intensity]", "info:"],
            check=True, stdout=subprocess.PIPE, universal_newlines=True).stdout
        if float(darkest) < 0.35:
            marked.append(row)
    return marked


def icon_shown(screenshot, centre):
    """Whether the agent's green icon is drawn around a point."""
    x, y = centre
    green = subprocess.run(
        ["convert", screenshot, "-crop", "12x12+%d+%d" % (x - 6, y - 6),
         "-format", "%[fx:mean.g-mean.b]", "info:"],
        check=True, stdout=subprocess.PIPE, universal_newlines=True).stdout
    return float(green) > 0.1


def pixel(screenshot, x, y):
    out = subprocess.run(["convert", screenshot, "-crop", "1x1+%d+%d" % (x, y), "-format",
                          "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]", "info:"],
                         check=True, stdout=subprocess.PIPE, universal_newlines=True).stdout
    return tuple(int(n) for n in out.split(","))


class TrayAgentTest(unittest.TestCase):

    def assertColourNear(self, actual, expected, tolerance=12):
        self.assertTrue(all(abs(a - e) <= tolerance for a, e in zip(actual, expected)),
                        "%s is not near %s" % (actual, expected))

    def test_menu_commands_schedule_and_exit(self):
        with TrayMachine("tray_menu", frequency=3) as m:
            first = m.start("KTA.exe")
            m.wait_agent(first)
            self.assertTrue(m.mutex_exists(AGENT_MUTEX))

            second = m.start("KTA.exe")
            self.assertEqual(second.wait(timeout=30), 0)
            self.assertTrue(first.running())
            self.assertEqual(m.agents(), 1, "the second start shows nothing")
            self.assertEqual(m.launches(), [], "nothing starts without process.xml")

            # A right click on the icon opens the menu with the band and, in
            # Schedule, the mark at Weekly.
            icon = m.tray_icon()
            self.assertTrue(icon_shown(m.screenshot("tray-icon"), icon))
            top, schedule = m.open_schedule(by_icon=True)
            self.assertEqual(top[:2], icon, "opens at the cursor")
            shot = m.screenshot("schedule-menu")
            self.assertEqual(marked_rows(shot, schedule, SCHEDULE_ITEMS), [3])
            # Right of the caption, which runs up the band's middle.
            band_x = top[0] + 3 + 21
            self.assertColourNear(pixel(shot, band_x, top[1] + 4), (65, 78, 23))
            self.assertColourNear(pixel(shot, band_x, top[1] + top[3] - 5), (168, 184, 78))
            m.keys(VK_ESCAPE)
            m.wait_menus_closed()

            # History, a double click and Update.
            m.open_menu()
            m.keys(VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN)
            m.wait_menus_closed()
            self.assertEqual(m.wait_launches(1), ["/H"])
            m.mouse("mousemove", *icon)
            m.mouse("click", "--repeat", 2, 1)
            self.assertEqual(m.wait_launches(2), ["/H", ""])
            m.open_menu()
            m.keys(VK_DOWN, VK_RETURN)
            self.assertEqual(m.wait_launches(3), ["/H", "", ""])

            # Monthly, the sixth entry of Schedule, with the mouse: resting on
            # Schedule opens the submenu, a click chooses.
            m.mouse("mousemove", 300, 200)
            top = m.open_menu()
            m.point_at_row(top, TOP_ITEMS, 1, band=24)
            menus = wait_for("the Schedule submenu by hovering",
                             lambda: m.menus() if len(m.menus()) == 2 else None)
            schedule = [p for p in menus if p != top][0]
            self.assertEqual(schedule[0], top[0] + top[2] - 3, "opens right of its item")
            m.point_at_row(schedule, SCHEDULE_ITEMS, 5)
            m.mouse("click", 1)
            m.wait_menus_closed()
            wait_for("Frequency 5",
                     lambda: m.frequency_value() == ("REG_DWORD", "0x5"))
            self.assertEqual(len(m.launches()), 3, "choosing a frequency starts nothing")

            # Exit: No keeps the agent, Yes ends it.
            m.open_menu()
            m.keys(VK_UP, VK_RETURN)
            question = m.wait_window(control=STATIC_TEXT, title="Vexa Kestrel")
            self.assertEqual(m.control_text(question, STATIC_TEXT), QUESTION)
            m.screenshot("exit-question")
            m.click(question, IDNO)
            wait_for("the question to close", lambda: not [
                w for w in m.windows() if w["title"] == "Vexa Kestrel"])
            self.assertTrue(first.running())
            self.assertEqual(m.agents(), 1)

            m.open_menu()
            m.keys(VK_UP, VK_RETURN)
            question = m.wait_window(control=STATIC_TEXT, title="Vexa Kestrel")
            m.click(question, IDYES)
            self.assertEqual(first.wait(timeout=30), 0)
            self.assertEqual(m.agents(), 0)
            self.assertFalse(m.mutex_exists(AGENT_MUTEX))
            self.assertFalse(icon_shown(m.screenshot("after-exit"), icon), "icon removed")

    def test_pending_work_starts_the_updater_and_unknown_frequency_checks_nothing(self):
        with TrayMachine("tray_pending", frequency=9, pending_work=True) as m:
            m.wait_agent(m.start("KTA.exe"))
            self.assertEqual(m.wait_launches(1), [""])
            _, schedule = m.open_schedule()
            shot = m.screenshot("schedule-unchecked")
            self.assertEqual(marked_rows(shot, schedule, SCHEDULE_ITEMS), [])
            # Left closes only the submenu, Escape the rest.
            m.keys(VK_LEFT)
            wait_for("the submenu to close", lambda: len(m.menus()) == 1)
            m.keys(VK_ESCAPE)
            m.wait_menus_closed()

            # Another program's window becoming active closes every level.
            m.open_schedule()
            subprocess.Popen(["wine", "notepad"], env=m.env(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
            m.wait_menus_closed()
            self.assertEqual(m.agents(), 1)
            self.assertEqual(m.launches(), [""])

    def test_close_message_ends_the_agent(self):
        """WM_CLOSE, as a program or an installer closing the agent sends it."""
        with TrayMachine("tray_close") as m:
            agent = m.start("KTA.exe")
            m.wait_agent(agent)
            icon = m.tray_icon()
            self.assertTrue(icon_shown(m.screenshot("before-close"), icon))
            self.assertEqual(m.poke("close").returncode, 0)
            self.assertEqual(agent.wait(timeout=30), 0)
            self.assertEqual(m.agents(), 0)
            self.assertFalse(m.mutex_exists(AGENT_MUTEX))
            self.assertFalse(icon_shown(m.screenshot("after-close"), icon), "icon removed")


if __name__ == "__main__":
    run_scenarios()
