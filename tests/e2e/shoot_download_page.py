#!/usr/bin/python3
"""Takes the screenshot of the Download page in the middle of a download.

Run by scripts/screenshot.sh inside a private X display, session bus and
configuration folder, with the virtual printer on a slow line: starts
`vellumio PICTURE`, opens the Download page, chooses logo number 0, presses
Download and, once the bar stands between the given percentages with the
button reading "Abort", writes the main window's part of the screen to OUT.
It then checks that the download was still running after the capture,
aborts it and ends the program. Waits and dialogs are handled as in
drive_window.py: an unexpected message box fails the run with its text.
"""

import argparse
import os
import re
import subprocess
import sys

import pyatspi

from drive_window import Failure, Session, check_private_settings, main_window_id, start_watchdog, x_command


def log(text):
    print("shoot_download_page: " + text, flush=True)


class Shot:
    def __init__(self, args):
        self.args = args
        self.process = None

    def run(self):
        args = self.args
        check_private_settings(args.config)
        work = os.path.dirname(os.path.abspath(args.out))
        with open(args.log, "w") as output:
            self.process = subprocess.Popen([args.vellumio, args.picture], stdout=output, stderr=subprocess.STDOUT,
                                            cwd=work)
        s = Session(self.process)
        s.app = s.wait_for("vellumio on the accessibility bus", s.find_app, timeout=30)
        s.main = s.wait_for("the main window", lambda: next(
            (w for w in s.top_windows() if s.role(w) == "frame" and s.name(w) == "Vellumio"), None), timeout=30)
        window_id = main_window_id(s)

        s.show_tab("Download")
        # The page has asked the printer for its figures once they show.
        s.wait_for("the memory figures", lambda: s.text(s.control("text", "Memory size remained for logo storage")))
        s.select_in_list(s.control("combo box", "Logo Number"), 0, "0")
        download = s.control("push button", "Download")
        printing = s.control("push button", "Print")
        s.press(download)

        def midway():
            percent = s.progress()
            busy = s.name(download) == "Abort" and not s.has_state(printing, pyatspi.STATE_ENABLED)
            return percent if busy and args.low <= percent <= args.high else None

        percent = s.wait_for("the bar between %d and %d %% with 'Abort' on the Download button" %
                             (args.low, args.high), midway, 120)
        geometry = x_command(["xdotool", "getwindowgeometry", "--shell", window_id])
        box = {k: int(v) for k, v in re.findall(r"^(X|Y|WIDTH|HEIGHT)=(\d+)$", geometry, re.M)}
        crop = "%(WIDTH)dx%(HEIGHT)d+%(X)d+%(Y)d" % box
        x_command(["import", "-window", "root", "-crop", crop, "+repage", args.out], timeout=30)
        # The capture shows a running download only if it still ran after it.
        after = s.progress()
        if not (s.name(download) == "Abort" and after < 100):
            raise Failure("the download ended (bar %r, button %r) before the capture was done" %
                          (after, s.name(download)))
        log("captured %s of the screen at %d %% (%d %% after the capture) into %s" %
            (crop, percent, after, args.out))

        s.press(download)
        s.wait_for("the aborted download to leave the page idle", lambda: (
            s.progress() == 0 and s.name(download) == "Download" and s.has_state(printing, pyatspi.STATE_ENABLED)),
            20)
        self.process.terminate()
        self.process.wait(10)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--vellumio", required=True)
    parser.add_argument("--picture", required=True)
    parser.add_argument("--out", required=True, help="the PNG file to write")
    parser.add_argument("--log", required=True, help="the program's output goes here")
    parser.add_argument("--config", required=True, help="the private XDG_CONFIG_HOME")
    parser.add_argument("--low", type=int, default=50, help="lowest percentage shown")
    parser.add_argument("--high", type=int, default=90, help="highest percentage shown")
    parser.add_argument("--watchdog", type=int, default=150)
    args = parser.parse_args()

    shot = Shot(args)
    start_watchdog(args.watchdog, shot)
    status = 0
    try:
        shot.run()
    except Failure as failure:
        log("FAIL: %s" % failure)
        status = 1
    finally:
        process = shot.process
        if process is not None and process.poll() is None:
            process.kill()
            process.wait(5)
    sys.exit(status)


if __name__ == "__main__":
    main()
