#!/usr/bin/env python3
"""The tray under Xvfb with a minimal notification-area host (tray_host): minimise to the tray,
double-click, the menu's Restore and Quit, no hiding without a notification area, the icon docking
again after the host restarts, and the window coming back when the area goes away.
Usage: tray_test.py BUILD_DIR TRAY_HOST
"""

import os
import subprocess
import sys
import time

from program_fixture import Gateway, ProgramFolder, expect, read_ini, wait_for, write_ini

HOST_X, HOST_Y = 960, 0
ICON = (HOST_X + 11, HOST_Y + 11)  # the middle of the docked 22 x 22 icon
START = (306 + 75, 81 + 355)  # the START button: the window opens at (306, 81), no frame here
TITLE = r"^Verdalin [0-9]+\.[0-9]+\.[0-9]+$"
SCHED_NAMES = {0: "SCHED_OTHER", 3: "SCHED_BATCH", 5: "SCHED_IDLE"}


class Xvfb:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp"], pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as source:
            self.display = ":" + source.readline().strip()

    def close(self):
        self.process.terminate()
        self.process.wait(10)


class TrayHost:
    def __init__(self, tool, env):
        self.process = subprocess.Popen([tool, "host", str(HOST_X), str(HOST_Y)], env=env,
                                        stdout=subprocess.PIPE, text=True)
        expect(self.process.stdout.readline().strip() == "READY", "the tray host starts")

    def wait_dock(self, seconds=10):
        os.set_blocking(self.process.stdout.fileno(), False)
        line = wait_for(lambda: self.process.stdout.readline(), seconds, "the icon to dock")
        expect(line.startswith("DOCK "), "a docking request: %r" % line)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


class Session:
    def __init__(self, build, tool, folder, display):
        self.tool = tool
        self.folder = folder
        self.env = folder.environment({"DISPLAY": display, "QT_QPA_PLATFORM": "xcb"})

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True,
                              text=True)

    def window(self):
        found = self.xdotool("search", "--name", TITLE).stdout.split()
        return found[0] if found else None

    def visible(self):
        return bool(self.xdotool("search", "--onlyvisible", "--name", TITLE).stdout.split())

    def minimise(self):
        subprocess.run([self.tool, "iconify", self.window()], env=self.env, check=True)

    def policy(self):
        return SCHED_NAMES.get(os.sched_getscheduler(self.folder.process.pid), "other")

    def click_icon(self, button, repeat=1):
        self.xdotool("mousemove", str(ICON[0]), str(ICON[1]))
        time.sleep(0.2)
        self.xdotool("click", "--repeat", str(repeat), "--delay", "80", str(button))

    def menu(self, *keys):
        self.click_icon(3)
        time.sleep(0.5)  # the popup menu grabs the keyboard once open
        self.xdotool("key", "--delay", "100", *keys)


def expect_hidden_idle(session):
    wait_for(lambda: not session.visible(), 10, "the window to go to the tray")
    expect(session.policy() in ("SCHED_IDLE", "SCHED_BATCH"),
           "idle priority in the tray: " + session.policy())


def expect_shown_normal(session, how):
    wait_for(session.visible, 10, "the window to come back (%s)" % how)
    wait_for(lambda: session.policy() == "SCHED_OTHER", 5, "normal priority (%s)" % how)


def run(build, tool, xvfb, gateway):
    folder = ProgramFolder(build)
    host = None
    try:
        address = gateway.page_address("inventel", "admin", "admin", "tray")
        log = os.path.join(folder.root, "log.csv")
        with open(log, "w", newline="") as out:
            out.write("2026/12/07 10:00:00;1;\"G.DMT:\";1024;8128;30.00;20.00;9.00;12.00;0;"
                      "\"LiveBox Sagem\";\"1\"\r\n")
        write_ini(folder.settings, [("Settings", [("url", address), ("delay", "600"),
                                                  ("output_file", log)])])
        opened = os.path.join(folder.root, "opened")
        session = Session(build, tool, folder, xvfb.display)
        host = TrayHost(tool, session.env)
        folder.start([], {"DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb",
                          "VERDALIN_OPENED": opened})
        host.wait_dock()
        wait_for(session.visible, 15, "the main window")
        expect(session.policy() == "SCHED_OTHER", "normal priority while shown")

        session.minimise()
        expect_hidden_idle(session)
        session.click_icon(1, repeat=2)
        expect_shown_normal(session, "double click")

        session.minimise()
        expect_hidden_idle(session)
        session.menu("Down", "Return")
        expect_shown_normal(session, "Restore Window")

        # The area goes away while the window is in it: the window comes back.
        session.minimise()
        expect_hidden_idle(session)
        host.close()
        expect_shown_normal(session, "notification area gone")
        # Without an area, minimising leaves the window where the user can reach it.
        time.sleep(1.0)
        session.minimise()
        time.sleep(1.5)
        expect(session.visible(), "no notification area: the window is not hidden")
        expect(session.policy() == "SCHED_OTHER", "no notification area: normal priority")

        # The area comes back: the icon docks again and the tray works as before.
        host = TrayHost(tool, session.env)
        host.wait_dock()
        session.minimise()
        expect_hidden_idle(session)
        session.click_icon(1, repeat=2)
        expect_shown_normal(session, "double click after the restart")

        # "Show history" writes the report beside the log and opens it.
        session.menu("Down", "Down", "Return")
        report = os.path.join(folder.root, "Verdalin_Report.html")
        wait_for(lambda: os.path.exists(opened) and open(opened).read().endswith("\n"), 20,
                 "the report to be opened")
        expect(open(opened).read().strip() == report, "the report beside the log is opened")

        session.menu("Down", "Down", "Down", "Down", "Return")  # past "Settings…"
        code = folder.process.wait(15)
        folder.process = None
        expect(code == 0, "Quit ends the program with exit code 0, not %r" % code)
        expect(read_ini(folder.settings)["settings"]["delay"] == "600", "Quit saved the settings")
        print("ok tray: minimise, double click, Restore, area lost and back, Show history, Quit")
    except Exception:
        print(folder.output())
        raise
    finally:
        if host:
            host.close()
        folder.close()


def late_area(build, tool, xvfb, gateway):
    """Started with -startup at logon before the panel exists: the window stays reachable, and
    goes to the tray at idle priority once the notification area appears."""
    folder = ProgramFolder(build)
    host = None
    try:
        address = gateway.page_address("inventel", "admin", "admin", "late")
        write_ini(folder.settings, [("Settings", [("url", address), ("delay", "600")])])
        session = Session(build, tool, folder, xvfb.display)
        folder.start(["-startup"], {"DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb"})
        wait_for(session.visible, 15, "the main window without a notification area")
        time.sleep(1.0)
        expect(session.visible(), "no notification area yet: the window stays shown")
        host = TrayHost(tool, session.env)
        host.wait_dock()
        expect_hidden_idle(session)
        expect(folder.stop() == 0, "SIGTERM ends the program")
        print("ok tray: -startup before the notification area exists")
    except Exception:
        print(folder.output())
        raise
    finally:
        if host:
            host.close()
        folder.close()


def notice(build, tool, xvfb, gateway):
    """A sync loss shows a notice by the icon (a balloon: no desktop notification service runs
    here). Monitoring runs with the window shown, at normal priority, so that a loaded machine
    cannot starve the polls."""
    folder = ProgramFolder(build)
    host = None
    try:
        address = "http://127.0.0.1:%d/script/inventel?tag=notice&steps=up,up,down" % gateway.port
        write_ini(folder.presets, [("Index", [("total", "1"), ("1", "A")]),
                                   ("A", [("type", "INVENTEL"), ("label", "A")])])
        write_ini(folder.settings, [("Settings", [("url", address), ("delay", "1"),
                                                  ("preset", "0"),
                                                  ("output_file", folder.root + "/log.csv")])])
        session = Session(build, tool, folder, xvfb.display)
        host = TrayHost(tool, session.env)
        folder.start([], {"DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb"})
        host.wait_dock()
        wait_for(session.visible, 15, "the main window")
        shown = lambda: session.xdotool("search", "--onlyvisible", "--pid",
                                        str(folder.process.pid)).stdout.split()
        before = len(shown())
        session.xdotool("mousemove", str(START[0]), str(START[1]))
        session.xdotool("click", "1")
        wait_for(lambda: len(shown()) > before, 20, "a notice by the icon")
        log = open(os.path.join(folder.root, "Verdalin_Events.csv")).read()
        expect(";SYNC_LOST;" in log, "the sync loss is in the event log: %r" % log)
        expect(folder.stop() == 0, "SIGTERM ends the program")
        print("ok tray: a sync loss shows a notice")
    except Exception:
        print(folder.output())
        raise
    finally:
        if host:
            host.close()
        folder.close()


def main():
    build, tool = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    xvfb = Xvfb()
    gateway = Gateway()
    try:
        run(build, tool, xvfb, gateway)
        late_area(build, tool, xvfb, gateway)
        notice(build, tool, xvfb, gateway)
    finally:
        gateway.close()
        xvfb.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
