#!/usr/bin/python3
"""Drives the Vellumio main window end to end through the accessibility bus.

Run by run-e2e.sh inside a private X display, session bus and configuration
folder; it starts the program itself, so that it knows its process and exit
status. Every wait has a deadline and looks again whenever the program
reports a change over the bus (with a slow look-again for what reports
nothing, such as the screen), every accessibility call that may open a modal
window has a short reply time-out, a watchdog ends the run, and a dialog or
message box that the scenario does not expect fails the run at once with its
text.

Scenario:
  1. start `vellumio SAMPLE`; check the Picture Info texts and the status bar;
     check the logo on screen, one screen pixel per dot;
  2. choose the output type RASTER GFX with the keyboard and type the output
     width 200; the input picture stays on display;
  3. Window > Output picture: status texts, output size, the cut logo on
     screen;
  4. File > Save as... RASTER GFX (no message expected), then EPSON GFX
     without extension (the dialog adds "gfx"; the height is rounded, the
     message is expected precisely); each file equals `vellumio-cli convert`;
  5. the printer: Window > Input picture; on the Download page download the
     output picture into logo slot 5 (progress to 100, the page busy on the
     way, no checksum message), upload slot 5 (the input picture becomes the
     200 x 80 logo, on screen too), print it at x2H x2W (the virtual
     printer's paper gets it at 400 x 160, every dot doubled), Setup: logo
     memory 256 kbytes;
  6. File > Quit: exit status 0, stored settings and recent-file list.
"""

import argparse
import os
import re
import struct
import subprocess
import sys
import threading
import time
import traceback
import urllib.parse

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

import pyatspi  # noqa: E402

# Waits look again at the program's next accessibility event, and at the
# latest after this long: the screen, files and the process report nothing.
LOOK_AGAIN = 0.25
# Reply time-out of ordinary accessibility calls, and of calls that may
# start a modal window (those do not answer before the window closes).
CALL_TIMEOUT_MS = 5000
MODAL_CALL_TIMEOUT_MS = 700
DIALOG_ROLES = {"dialog", "alert", "file chooser", "frame", "window"}

# The default background colour of the picture display, as RGB.
BACKGROUND = (0, 0, 255)
ADJUSTED_HEIGHT = "Picture Height has been adjusted to be compatible with selected output format"


class Failure(Exception):
    pass


def log(text):
    print("drive_window: " + text, flush=True)


def clean(name):
    """Accessible names may or may not keep the mnemonic '&'."""
    return (name or "").replace("&", "")


# --------------------------------------------------------------------------
# Accessibility helpers


class Session:
    def __init__(self, process):
        self.process = process
        self.app = None
        self.main = None
        # Windows the current step expects (accessible objects).
        self.expected_windows = []
        Atspi.set_timeout(CALL_TIMEOUT_MS, 0)
        # Every event of the program wakes a wait; a recording keeps them.
        self.events_seen = 0
        self.recording = None
        self.listener = Atspi.EventListener.new(self.on_event)
        for kind in ("object:", "window:"):
            self.listener.register(kind)

    def on_event(self, event):
        self.events_seen += 1
        if self.recording is not None:
            self.recording.append((event.type, event.source, event.detail1))

    def pause(self, seen, seconds):
        """Returns once an event beyond the first SEEN has arrived, or after
        SECONDS. Events are delivered only while the main context runs."""
        context = GLib.MainContext.default()
        expired = []
        timer = GLib.timeout_add(max(1, int(seconds * 1000)), lambda: expired.append(True) or False)
        while self.events_seen == seen and not expired:
            context.iteration(True)
        if not expired:
            GLib.source_remove(timer)

    # -- tree walking --------------------------------------------------------

    @staticmethod
    def children(node):
        try:
            count = node.childCount
        except GLib.Error:
            return []
        result = []
        for i in range(count):
            try:
                child = node.getChildAtIndex(i)
            except GLib.Error:
                continue
            if child is not None:
                result.append(child)
        return result

    def walk(self, node, depth=0, max_depth=40, only_showing=False):
        """NODE and its descendants; with ONLY_SHOWING, hidden subtrees are
        left out (hidden tab pages, closed menus and drop-down lists, whose
        items claim to be showing)."""
        yield node
        if depth >= max_depth:
            return
        for child in self.children(node):
            if only_showing and not self.showing(child):
                continue
            yield from self.walk(child, depth + 1, max_depth, only_showing)

    @staticmethod
    def role(node):
        try:
            return node.getRoleName()
        except GLib.Error:
            return ""

    @staticmethod
    def name(node):
        try:
            return clean(node.name)
        except GLib.Error:
            return ""

    @staticmethod
    def has_state(node, state):
        try:
            return node.getState().contains(state)
        except GLib.Error:
            return False

    def showing(self, node):
        return self.has_state(node, pyatspi.STATE_SHOWING)

    @staticmethod
    def text(node):
        """The text of an edit or label: its text, else its accessible name."""
        try:
            return node.queryText().getText(0, -1)
        except (NotImplementedError, GLib.Error):
            return clean(node.name)

    @staticmethod
    def extents(node):
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return box.x, box.y, box.width, box.height

    def find_all(self, root, role=None, name=None, only_showing=True, where=None, max_depth=40):
        found = []
        for node in self.walk(root, max_depth=max_depth, only_showing=only_showing):
            if role is not None and self.role(node) != role:
                continue
            if name is not None and self.name(node) != clean(name):
                continue
            if only_showing and not self.showing(node):
                continue
            if where is not None and not where(node):
                continue
            found.append(node)
        return found

    # -- waiting ---------------------------------------------------------------

    def wait_for(self, what, probe, timeout=15.0):
        """Polls PROBE until it returns a true value; checks for unexpected
        windows and for the program's end on every round."""
        end = time.monotonic() + timeout
        last = None
        while True:
            # Events that arrive while the probe runs wake the next pause.
            seen = self.events_seen
            self.check_alive()
            self.check_windows()
            try:
                result = probe()
            except (GLib.Error, LookupError, NotImplementedError, IndexError) as error:
                result, last = None, error
            else:
                if result:
                    return result
                last = result
            left = end - time.monotonic()
            if left <= 0:
                raise Failure("timed out after %.0f s waiting for %s (last seen: %r)" % (timeout, what, last))
            self.pause(seen, min(LOOK_AGAIN, left))

    def wait_equal(self, what, read, expected, timeout=15.0):
        seen = []

        def probe():
            value = read()
            seen[:] = [value]
            return value == expected

        try:
            self.wait_for("%s to read %r" % (what, expected), probe, timeout)
        except Failure as failure:
            raise Failure("%s: expected %r, found %r (%s)" % (what, expected, seen[0] if seen else None,
                                                             failure)) from None

    def check_alive(self):
        status = self.process.poll()
        if status is not None:
            raise Failure("vellumio ended unexpectedly with status %d" % status)

    # -- application and windows -------------------------------------------------

    def find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in self.children(desktop):
            try:
                if app.get_process_id() == self.process.pid:
                    return app
            except GLib.Error:
                continue
        return None

    def top_windows(self):
        return [w for w in self.children(self.app) if self.showing(w)]

    def window_texts(self, window):
        texts = []
        for node in self.walk(window):
            role = self.role(node)
            if role in ("label", "text", "push button", "static"):
                value = self.text(node) if role != "push button" else "[" + self.name(node) + "]"
                if value:
                    texts.append(value)
        return texts

    def check_windows(self, wanted=None):
        """Fails on a shown dialog that the step does not expect. With WANTED,
        returns the first new window that WANTED accepts (None if none)."""
        # Until the main window is known, nothing can be told apart from it.
        if self.app is None or self.main is None:
            return None
        for window in self.top_windows():
            if window == self.main or any(window == expected for expected in self.expected_windows):
                continue
            if wanted is not None and wanted(window):
                return window
            role = self.role(window)
            if role not in DIALOG_ROLES:
                continue
            raise Failure("unexpected %s %r: %s" % (role, self.name(window), " | ".join(self.window_texts(window))))
        return None

    def wait_new_window(self, what, role_names, predicate=lambda w: True, timeout=15.0):
        """Waits for a shown top-level window of one of ROLE_NAMES that
        PREDICATE accepts; any other new dialog fails the run."""

        def wanted(window):
            return self.role(window) in role_names and predicate(window)

        end = time.monotonic() + timeout
        while True:
            seen = self.events_seen
            self.check_alive()
            try:
                window = self.check_windows(wanted)
            except GLib.Error:
                window = None
            if window is not None:
                return window
            left = end - time.monotonic()
            if left <= 0:
                raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))
            self.pause(seen, min(LOOK_AGAIN, left))

    # -- actions -----------------------------------------------------------------

    def press(self, node, may_open_modal=False, may_end=False):
        """Presses a button, menu item or tab. A press that opens a modal window
        does not answer until the window closes: such presses get a short reply
        time-out, and the caller then waits for the window."""
        action = node.queryAction()
        names = [action.getName(i).lower() for i in range(action.nActions)]
        index = 0
        for wanted in ("press", "click", "activate", "toggle"):
            if wanted in names:
                index = names.index(wanted)
                break
        if not may_open_modal:
            action.doAction(index)
            return
        Atspi.set_timeout(MODAL_CALL_TIMEOUT_MS, 0)
        try:
            action.doAction(index)
        except GLib.Error as error:
            # No reply: a modal window runs, or the program is ending.
            if not may_end and "reply" not in str(error).lower() and "timeout" not in str(error).lower():
                raise
        finally:
            Atspi.set_timeout(CALL_TIMEOUT_MS, 0)

    def menu_item(self, menu_name, item_name):
        """The item ITEM_NAME of the menu-bar menu MENU_NAME ('&' ignored)."""
        bars = self.find_all(self.main, role="menu bar")
        if not bars:
            raise LookupError("no menu bar")
        for menu in self.find_all(bars[0], role="menu item", name=menu_name):
            for item in self.find_all(menu, role="menu item", name=item_name, only_showing=False):
                return item
        raise LookupError("no menu item %s > %s" % (menu_name, item_name))

    def menu_items(self, menu_name):
        bars = self.find_all(self.main, role="menu bar")
        result = []
        for menu in self.find_all(bars[0], role="menu item", name=menu_name):
            result += [n for n in self.walk(menu) if n != menu and self.role(n) == "menu item"]
        return result

    def choose(self, menu_name, item_name, may_open_modal=False, may_end=False):
        item = self.wait_for("menu item %s > %s" % (menu_name, item_name),
                             lambda: self.menu_item(menu_name, item_name))
        if not self.has_state(item, pyatspi.STATE_ENABLED):
            raise Failure("menu item %s > %s is disabled" % (menu_name, item_name))
        self.press(item, may_open_modal or may_end, may_end)

    # -- controls ------------------------------------------------------------------

    def control(self, role, name, root=None):
        """The one showing control of ROLE named NAME (in ROOT, by default the
        main window)."""
        found = self.find_all(root or self.main, role=role, name=name)
        if len(found) != 1:
            raise LookupError("%d showing %ss named %r" % (len(found), role, name))
        return found[0]

    def show_tab(self, name):
        self.press(self.control("page tab", name))
        # The tab band is named after its current tab.
        self.wait_for("the %r tab to be the current one" % name,
                      lambda: self.name(self.control("page tab list", name)) == name, 10)

    def progress(self):
        return self.control("progress bar", "Transfer progress").queryValue().currentValue

    def select_in_list(self, combo, index, text):
        """Makes item INDEX (reading TEXT) the current one of the drop-down
        list COMBO. Its name is its label, so the choice is read from the
        selected state of its item. The keys go to the window under the list
        (the main window or a dialog); a wheel step over the list gives it
        the focus (and moves it one item on); typed keys then find the item."""
        x, y, w, h = self.extents(combo)
        x_command(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2)])
        under = re.search(r"^WINDOW=(\d+)$", x_command(["xdotool", "getmouselocation", "--shell"]), re.M)
        if under is None:
            raise Failure("xdotool getmouselocation names no window under the list %r" % self.name(combo))
        focus_window(under.group(1))
        if not self.has_state(combo, pyatspi.STATE_FOCUSED):
            x_command(["xdotool", "click", "5"])
            self.wait_for("the focus on the list %r" % self.name(combo),
                          lambda: self.has_state(combo, pyatspi.STATE_FOCUSED), 5)
        key(*list(text))
        items = self.children(combo)[0]

        def chosen():
            item = items.getChildAtIndex(index)
            return self.name(item) == text and self.has_state(item, pyatspi.STATE_SELECTED)

        self.wait_for("item %r of the list to be chosen" % text, chosen, 5)
        # Away from the controls: no hover effect or tooltip stays behind.
        x_command(["xdotool", "mousemove", "0", "1000"])


# --------------------------------------------------------------------------
# X helpers (keyboard and screen)


def x_command(args, timeout=10):
    try:
        result = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure("%s did not finish within %d s" % (" ".join(args), timeout)) from None
    if result.returncode != 0:
        raise Failure("%s failed: %s" % (" ".join(args), result.stderr.strip()))
    return result.stdout


def main_window_id(session):
    def probe():
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(session.process.pid),
                                 "--name", "^Vellumio$"], capture_output=True, text=True, timeout=10)
        ids = result.stdout.split()
        return ids[0] if ids else None

    return session.wait_for("the main window on the X display", probe)


def focus_window(window_id):
    x_command(["xdotool", "windowfocus", "--sync", window_id])


def key(*names):
    x_command(["xdotool", "key", "--delay", "20"] + list(names))


def grab_screen(path):
    """The whole screen as raw RGB bytes, with its width and height."""
    out = x_command(["xwininfo", "-root"])
    width = int(re.search(r"Width:\s+(\d+)", out).group(1))
    height = int(re.search(r"Height:\s+(\d+)", out).group(1))
    x_command(["import", "-window", "root", "-depth", "8", "rgb:" + path], timeout=30)
    with open(path, "rb") as raw:
        data = raw.read()
    if len(data) != width * height * 3:
        raise Failure("screen capture has %d bytes, expected %d" % (len(data), width * height * 3))
    return data, width, height


# --------------------------------------------------------------------------
# Pictures


def read_bmp_dots(path):
    """The dots of a 1-bit Windows bitmap: rows top to bottom, 1 = printed
    (dark palette colour)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise Failure("%s is not a Windows bitmap" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    header = struct.unpack_from("<I", data, 14)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 1:
        raise Failure("%s has %d bits per pixel" % (path, bits))
    palette = 14 + header
    dark = []
    for i in range(2):
        b, g, r = data[palette + 4 * i:palette + 4 * i + 3]
        dark.append(r + g + b < 3 * 128)
    stride = ((width + 31) // 32) * 4
    rows = []
    for y in range(abs(height)):
        stored = abs(height) - 1 - y if height > 0 else y
        start = offset + stored * stride
        row = []
        for x in range(width):
            bit = (data[start + x // 8] >> (7 - x % 8)) & 1
            row.append(1 if dark[bit] else 0)
        rows.append(row)
    return rows


def ring_colours(screen, screen_width, x, y, width, height):
    """The colours of the one-pixel ring around the rectangle (x, y, width,
    height), with their counts."""
    colours = {}
    points = [(x + i, y - 1) for i in range(-1, width + 1)] + [(x + i, y + height) for i in range(-1, width + 1)]
    points += [(x - 1, y + j) for j in range(height)] + [(x + width, y + j) for j in range(height)]
    for px, py in points:
        offset = (py * screen_width + px) * 3
        colour = tuple(screen[offset:offset + 3])
        colours[colour] = colours.get(colour, 0) + 1
    return colours


def find_picture(screen, screen_width, screen_height, dots):
    """Places where DOTS appear on the screen one pixel per dot, black on
    white; a list of (x, y)."""
    height = len(dots)
    width = len(dots[0])
    expected = [bytes(0 if d else 255 for d in row) for row in dots]
    # The row with the most black-white changes picks the candidates.
    key_row = max(range(height), key=lambda r: sum(1 for a, b in zip(dots[r], dots[r][1:]) if a != b))
    needle = expected[key_row]
    line = screen_width * 3
    channel_rows = {}

    def channel(y, c):
        if (y, c) not in channel_rows:
            channel_rows[(y, c)] = screen[y * line + c:(y + 1) * line:3]
        return channel_rows[(y, c)]

    places = []
    for y in range(key_row, screen_height - (height - key_row) + 1):
        blue = channel(y, 2)
        x = blue.find(needle)
        while x >= 0:
            top = y - key_row
            if x + width <= screen_width and all(
                    channel(top + r, c)[x:x + width] == expected[r] for r in range(height) for c in range(3)):
                places.append((x, top))
            x = blue.find(needle, x + 1)
    return places


def read_pbm_dots(path):
    """The dots of a binary portable bitmap (P4): rows top to bottom,
    1 = black."""
    with open(path, "rb") as f:
        data = f.read()
    # Header: "P4", width, height, each after white space or comments.
    fields, at = [], 0
    while len(fields) < 3:
        while at < len(data) and data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        start = at
        while at < len(data) and not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    at += 1
    if fields[0] != b"P4":
        raise Failure("%s is not a binary PBM (starts with %r)" % (path, data[:8]))
    width, height = int(fields[1]), int(fields[2])
    stride = (width + 7) // 8
    if len(data) - at != stride * height:
        raise Failure("%s: %d bytes of dots, expected %d for %d x %d" % (path, len(data) - at, stride * height,
                                                                        width, height))
    return [[(data[at + y * stride + x // 8] >> (7 - x % 8)) & 1 for x in range(width)] for y in range(height)]


def first_difference(found, expected):
    """Where two dot matrices first differ, for a failure message."""
    if (len(found), len(found[0]) if found else 0) != (len(expected), len(expected[0]) if expected else 0):
        return "size %d x %d, expected %d x %d" % (len(found[0]) if found else 0, len(found),
                                                   len(expected[0]) if expected else 0, len(expected))
    for y, (a, b) in enumerate(zip(found, expected)):
        if a != b:
            x = next(i for i, (p, q) in enumerate(zip(a, b)) if p != q)
            return "dot (%d, %d) is %d, expected %d" % (x, y, a[x], b[x])
    return None


# --------------------------------------------------------------------------
# Settings store (Qt's INI format: keys and sections %-escaped)


def read_settings(path):
    sections = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith(";") or line.startswith("#"):
                continue
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(urllib.parse.unquote(line[1:-1]), {})
                continue
            if "=" not in line or current is None:
                continue
            name, value = line.split("=", 1)
            value = value.strip()
            if len(value) >= 2 and value[0] == '"' and value[-1] == '"':
                value = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
            current[urllib.parse.unquote(name.strip())] = value
    return sections


def check_private_settings(config):
    """Refuses to start the program unless it is bound to the parallel port
    list of this run (the default port is the machine's console)."""
    path = os.path.join(config, "QUORIX", "Vellumio.conf")
    settings = read_settings(path).get("Settings", {})
    if settings.get("Interface") != "1" or not os.environ.get("VELLUMIO_PARALLEL_PORTS"):
        raise Failure("refusing to start: %s must select Interface=1 and VELLUMIO_PARALLEL_PORTS must be set" % path)
    if os.path.realpath(os.environ.get("XDG_CONFIG_HOME", "/nonexistent")) != os.path.realpath(config):
        raise Failure("refusing to start: XDG_CONFIG_HOME is not the private configuration folder")


# --------------------------------------------------------------------------
# The scenario


class Scenario:
    def __init__(self, args):
        self.args = args
        self.sample = os.path.abspath(args.sample)
        self.sample_size = os.path.getsize(self.sample)
        self.out = os.path.abspath(args.work)
        self.config_file = os.path.join(args.config, "QUORIX", "Vellumio.conf")
        self.paper = os.path.abspath(args.paper)
        self.session = None
        self.process = None

    def step(self, text):
        now = time.monotonic()
        log("[%5.1fs] %s" % (now - self.start, text))

    # -- the Picture Info page -------------------------------------------------

    def group(self, title):
        groups = self.session.find_all(self.session.main, name=title)
        groups = [g for g in groups if self.session.role(g) in ("panel", "grouping", "filler", "section")]
        if len(groups) != 1:
            raise LookupError("%d group boxes named %r" % (len(groups), title))
        return groups[0]

    def in_group(self, title):
        gx, gy, gw, gh = self.session.extents(self.group(title))

        def inside(node):
            x, y, w, h = self.session.extents(node)
            cx, cy = x + w // 2, y + h // 2
            return gx <= cx < gx + gw and gy <= cy < gy + gh

        return inside

    def field(self, group_title, name):
        edits = self.session.find_all(self.session.main, role="text", name=name, where=self.in_group(group_title))
        if len(edits) != 1:
            raise LookupError("%d edits named %r in %r" % (len(edits), name, group_title))
        return edits[0]

    def field_text(self, group_title, name):
        return self.session.text(self.field(group_title, name))

    def output_type_list(self):
        combos = self.session.find_all(self.session.main, role="combo box",
                                       where=self.in_group("Output picture info"))
        if len(combos) != 1:
            raise LookupError("%d drop-down lists in the output group" % len(combos))
        return combos[0]

    # -- the status bar ------------------------------------------------------

    def status_panes(self):
        bars = self.session.find_all(self.session.main, role="status bar")
        if len(bars) != 1:
            raise LookupError("%d status bars" % len(bars))
        labels = self.session.find_all(bars[0], role="label")
        labels.sort(key=lambda n: self.session.extents(n)[0])
        return labels

    def status_message(self):
        """The message pane, the leftmost pane of the status bar. When it has
        an accessible name of its own ("Status"), its text comes from its
        text interface or its description; otherwise its name is its text."""
        panes = self.status_panes()
        if not panes:
            raise LookupError("no status-bar panes")
        pane = panes[0]
        if self.session.name(pane) != "Status":
            return self.session.name(pane)
        try:
            return pane.queryText().getText(0, -1)
        except (NotImplementedError, GLib.Error):
            pass
        description = pane.description or ""
        if description:
            return description
        raise Failure("the status bar's message pane (accessible name 'Status') exposes no text: no text "
                      "interface and an empty description")

    def status_pane(self, pattern):
        """The text of the status-bar pane whose text matches PATTERN."""
        for pane in self.status_panes():
            text = self.session.text(pane)
            if re.fullmatch(pattern, text):
                return text
        return None

    def check_status(self, message, dimensions, size):
        s = self.session
        s.wait_equal("status message pane", self.status_message, message)
        s.wait_equal("status dimensions pane", lambda: self.status_pane(r"Width:\d+ - Height:\d+"), dimensions)
        s.wait_equal("status size pane", lambda: self.status_pane(r"\d+ bytes"), size)

    # -- screen ----------------------------------------------------------------

    def wait_picture_on_screen(self, what, dots):
        """Polls screenshots until DOTS show exactly once, below the page."""
        shot = os.path.join(self.out, "screen.rgb")
        page_bottom = max(sum(self.session.extents(self.group(t))[1::2]) for t in
                          ("Input picture info", "Output picture info"))
        places = []
        ring = {}

        def probe():
            screen, width, height = grab_screen(shot)
            places[:] = find_picture(screen, width, height, dots)
            if len(places) != 1:
                return False
            # Around the picture only the background shows (default colour
            # pure blue): a wider picture or a stale one fails here.
            x, y = places[0]
            ring.clear()
            ring.update(ring_colours(screen, width, x, y, len(dots[0]), len(dots)))
            return set(ring) == {BACKGROUND}

        try:
            self.session.wait_for("%s on screen" % what, probe, timeout=15)
        except Failure:
            if len(places) == 1:
                raise Failure("%s shows at %r, but the pixels around it are not all the background colour %r: %r" %
                              (what, places[0], BACKGROUND, ring)) from None
            raise Failure("%s (%d x %d dots) shows %d times on the screen, expected once: %r" %
                          (what, len(dots[0]), len(dots), len(places), places)) from None
        x, y = places[0]
        if y < page_bottom:
            raise Failure("%s shows at y=%d, overlapping the Picture Info page (its groups end at y=%d)" %
                          (what, y, page_bottom))
        # 20 pixels in from the view's left edge and 20 below the page.
        page = self.group("Input picture info").parent
        page_x, page_y, page_w, page_h = self.session.extents(page)
        view_x = self.session.extents(self.session.main)[0]
        if (x, y) != (view_x + 20, page_y + page_h + 20):
            raise Failure("%s shows at (%d, %d), expected (%d, %d): 20 pixels right of the view's left edge and "
                          "20 below the Picture Info page (%d, %d, %d x %d)" %
                          (what, x, y, view_x + 20, page_y + page_h + 20, page_x, page_y, page_w, page_h))
        self.step("%s shows one pixel per dot at (%d, %d)" % (what, x, y))
        return x, y

    # -- keyboard selection in the output type list ------------------------------

    def focus_output_type(self, window_id):
        s = self.session
        focus_window(window_id)
        combo = self.output_type_list()
        if s.has_state(combo, pyatspi.STATE_FOCUSED):
            return
        try:
            combo.queryComponent().grabFocus()
        except GLib.Error:
            pass
        if s.has_state(combo, pyatspi.STATE_FOCUSED):
            return
        # The list takes no focus over the bus: start at the output file name
        # edit and move on with Tab, as a keyboard user does.
        name_edit = self.field("Output picture info", "Output file name")
        if not name_edit.queryComponent().grabFocus():
            raise Failure("the 'Output file name' edit does not take the focus")
        s.wait_for("focus on 'Output file name'", lambda: s.has_state(name_edit, pyatspi.STATE_FOCUSED), 5)
        visited = [s.name(name_edit)]
        previous = name_edit
        for _ in range(8):
            key("Tab")
            previous = s.wait_for("the focus to move on from %r" % s.name(previous),
                                  lambda: next((n for n in [self.focused()] if n is not None and n != previous),
                                               None), 5)
            visited.append("%s %r" % (s.role(previous), s.name(previous)))
            if previous == self.output_type_list():
                return
        raise Failure("the output type list cannot be reached with Tab from 'Output file name'; the focus went "
                      "through %r" % visited)

    def focused(self):
        """The control of the main window that has the keyboard focus."""
        s = self.session
        for node in s.walk(s.main, only_showing=True):
            if s.role(node) in ("frame", "filler", "panel", "page tab list", "page tab") or not s.showing(node):
                continue
            if s.has_state(node, pyatspi.STATE_FOCUSED):
                return node
        return None

    def select_output_type(self, window_id, wanted, direction):
        s = self.session
        self.focus_output_type(window_id)
        for _ in range(6):
            current = s.name(self.output_type_list())
            if current == wanted:
                return
            key(direction)
            s.wait_for("the output type list to leave %r" % current,
                       lambda: s.name(self.output_type_list()) != current, 5)
        raise Failure("output type %r not reached with %s; the list shows %r" %
                      (wanted, direction, s.name(self.output_type_list())))

    # -- the Download page -------------------------------------------------------

    @staticmethod
    def page_busy_seen(events, download, printing):
        """From the events of a download: was the page busy on the way (Print
        disabled, then enabled again, and the Download button renamed to
        something else and back)?"""
        print_states = [detail for kind, source, detail in events
                        if source == printing and kind == "object:state-changed:enabled"]
        renames = [kind for kind, source, _ in events
                   if source == download and kind == "object:property-change:accessible-name"]
        return 0 in print_states and print_states[-1] == 1 and len(renames) >= 2

    def transfers(self, logo_dots):
        """Download, upload, print and memory setup against the virtual
        printer; LOGO_DOTS are the dots of the output picture."""
        s = self.session
        width, height = len(logo_dots[0]), len(logo_dots)
        s.show_tab("Download")
        total = "Total memory size available"
        logo = "Memory size available for logo storage"
        remaining = "Memory size remained for logo storage"
        # The printer's figures (run-e2e.sh sets them), as the page asked for
        # them at start-up.
        s.wait_equal(total, lambda: s.text(s.control("text", total)), "1280")
        s.wait_equal(logo, lambda: s.text(s.control("text", logo)), "512")
        before = s.wait_for("a remaining memory figure", lambda: s.text(s.control("text", remaining)))
        for name in ("Upload", "Download", "Print", "Setup", "Refresh", "Erase"):
            s.wait_for("the button %r" % name, lambda n=name: s.control("push button", n), 5)
        if s.progress() != 0:
            raise Failure("the transfer progress bar stands at %r before any transfer" % s.progress())

        s.select_in_list(s.control("combo box", "Logo Number"), 5, "5")
        self.step("Download page: memory figures 1280 / 512 / %s, logo number 5 chosen" % before)

        # Download: progress to 100, the page busy on the way, then the
        # checksum check (a message box fails the wait) and the remaining
        # memory asked again, which shows that the check has returned.
        download = s.control("push button", "Download")
        printing = s.control("push button", "Print")
        s.recording = events = []
        s.press(download)
        s.wait_for("the download to end with the checksum checked", lambda: (
            s.progress() == 100 and s.name(download) == "Download"
            and s.has_state(printing, pyatspi.STATE_ENABLED)
            and s.text(s.control("text", remaining)) != before), 30)
        s.recording = None
        if not self.page_busy_seen(events, download, printing):
            raise Failure("the Download page did not look busy during the download (Print disabled and enabled "
                          "again, Download renamed and back); events of the two buttons: %r" %
                          [(kind, detail) for kind, source, detail in events if source in (download, printing)])
        s.check_windows()
        after = s.text(s.control("text", remaining))
        self.step("downloaded the %d x %d output picture into slot 5: progress 100, no checksum message, "
                  "remaining memory %s -> %s" % (width, height, before, after))

        # Upload: the logo comes back as the input picture.
        s.press(s.control("push button", "Upload"))
        s.show_tab("Picture Info")
        inp = "Input picture info"
        s.wait_equal("input Width after the upload", lambda: self.field_text(inp, "Width"), str(width), 20)
        s.wait_equal("input Height after the upload", lambda: self.field_text(inp, "Height"), str(height))
        s.wait_equal("input Type after the upload", lambda: self.field_text(inp, "Type"), "BITMAP")
        self.check_status("Input picture displayed - Ready to communicate", "Width:%d - Height:%d" % (width, height),
                          "%s bytes" % self.field_text(inp, "Size"))
        self.wait_picture_on_screen("the uploaded logo (%d x %d)" % (width, height), logo_dots)

        # Print at double height and width: the paper shows every dot four times.
        s.show_tab("Download")
        double = s.control("radio button", "x2H x2W")
        s.press(double)
        s.wait_for("'x2H x2W' to be checked", lambda: s.has_state(double, pyatspi.STATE_CHECKED), 5)
        for other in ("x1H x1W", "x1H x2W", "x2H x1W"):
            if s.has_state(s.control("radio button", other), pyatspi.STATE_CHECKED):
                raise Failure("%r is still checked beside 'x2H x2W'" % other)
        s.press(s.control("push button", "Print"))
        printed = s.wait_for("a printed logo in %s" % self.paper, lambda: sorted(
            n for n in (os.listdir(self.paper) if os.path.isdir(self.paper) else []) if n.endswith(".pbm")), 10)
        if printed != ["logo-5-1.pbm"]:
            raise Failure("the paper holds %r, expected the one logo of slot 5, logo-5-1.pbm" % printed)
        doubled = [[d for d in row for _ in range(2)] for row in logo_dots for _ in range(2)]
        difference = first_difference(read_pbm_dots(os.path.join(self.paper, printed[0])), doubled)
        if difference is not None:
            raise Failure("the printed logo is not the %d x %d logo at double height and width: %s" %
                          (width, height, difference))
        self.step("printed slot 5 at x2H x2W: %s is the logo at %d x %d, every dot doubled" %
                  (printed[0], 2 * width, 2 * height))

        # Setup: a new logo memory size.
        s.press(s.control("push button", "Setup"), may_open_modal=True)
        sizes_name = "New memory size for logo storage :"
        dialog = s.wait_new_window("the memory size dialog", {"dialog"}, lambda w: s.name(w) == "Vellumio" and bool(
            s.find_all(w, role="combo box", name=sizes_name, max_depth=2)))
        s.expected_windows = [dialog]
        sizes = s.control("combo box", sizes_name, dialog)
        s.select_in_list(sizes, 4, "256")
        s.press(s.control("push button", "OK", dialog), may_open_modal=True)
        s.wait_for("the memory size dialog to close", lambda: dialog not in s.top_windows(), 10)
        s.expected_windows = []
        s.wait_equal(logo, lambda: s.text(s.control("text", logo)), "256")
        s.check_windows()
        self.step("Setup: logo memory set to 256 kbytes, the page shows it")

    # -- Save As -----------------------------------------------------------------

    def network(self, window_id):
        """The Communication page's network choice, as a screen reader user
        makes it: Network, then the host and port filled in; the program
        tries the host only once the field is left. The Download page's
        figures then come from the network printer (2048 / 1024)."""
        s = self.session
        host, port = self.args.network_printer.rsplit(":", 1)
        s.show_tab("Communication")
        radio = s.control("radio button", "Network")
        s.press(radio)
        s.wait_for("'Network' to be checked", lambda: s.has_state(radio, pyatspi.STATE_CHECKED), 5)
        # No host yet: nothing to reach.
        s.wait_equal("status message pane", self.status_message, "Input picture displayed - Communication broken")
        host_field = s.wait_for("the 'Host' field", lambda: s.control("text", "Host"), 5)
        port_field = s.control("spin button", "TCP port")
        port_field.queryValue().currentValue = float(port)
        host_field.queryEditableText().setTextContents(host)
        focus_window(window_id)
        if not host_field.queryComponent().grabFocus():
            raise Failure("the 'Host' field does not take the focus")
        s.wait_for("focus on 'Host'", lambda: s.has_state(host_field, pyatspi.STATE_FOCUSED), 5)
        key("Tab")
        s.wait_equal("status message pane", self.status_message, "Input picture displayed - Ready to communicate")
        s.show_tab("Download")
        s.press(s.control("push button", "Refresh"))
        total = "Total memory size available"
        s.wait_equal(total, lambda: s.text(s.control("text", total)), "2048")
        self.step("Communication page: Network, host %s, TCP port %s; the network printer answers (2048 KB)" %
                  (host, port))

    def save_as(self, typed_path, expected_type_entry, expected_message, expected_file):
        s = self.session
        s.choose("&File", "S&ave as...", may_open_modal=True)
        # The dialog's own controls sit near its top; its file list is left
        # alone (walking it is slow).
        dialog = s.wait_new_window("the Save As dialog", {"dialog", "file chooser"},
                                   lambda w: self.file_name_edit(w) is not None)
        s.expected_windows = [dialog]
        self.step("Save As dialog %r is up" % s.name(dialog))
        types = [s.name(c) for c in s.find_all(dialog, role="combo box", max_depth=2)]
        if expected_type_entry not in types:
            raise Failure("Save As dialog: no file-type entry %r; its lists show %r" % (expected_type_entry, types))
        name_edit = self.file_name_edit(dialog)
        name_edit.queryEditableText().setTextContents(typed_path)
        s.wait_equal("Save As file name", lambda: s.text(name_edit), typed_path, 5)
        buttons = s.find_all(dialog, role="push button", name="Save", max_depth=2)
        if len(buttons) != 1:
            raise Failure("Save As dialog: %d 'Save' buttons" % len(buttons))
        s.press(buttons[0], may_open_modal=True)
        if expected_message is not None:
            box = s.wait_new_window("the message %r" % expected_message, {"alert", "dialog"},
                                    lambda w: self.file_name_edit(w) is None)
            s.expected_windows = [dialog, box]
            texts = [s.text(n) for n in s.find_all(box, role="label", max_depth=2) if s.text(n)]
            if texts != [expected_message]:
                raise Failure("message box after the save shows %r, expected [%r]" % (texts, expected_message))
            ok = s.find_all(box, role="push button", name="OK", max_depth=2)
            if len(ok) != 1:
                raise Failure("message box %r has no single 'OK' button: %r" %
                              (expected_message, s.window_texts(box)))
            s.press(ok[0], may_open_modal=True)
            s.wait_for("the message box to close", lambda: box not in s.top_windows(), 10)
            self.step("message box %r answered with OK" % expected_message)
        s.expected_windows = [dialog]
        s.wait_for("the Save As dialog to close", lambda: dialog not in s.top_windows(), 10)
        s.expected_windows = []
        # The page shows the chosen name once the save has run; a message box
        # of the save would show up before it.
        s.wait_equal("'Output file name' after Save As",
                     lambda: self.field_text("Output picture info", "Output file name"), expected_file)
        s.check_windows()
        if not os.path.isfile(expected_file):
            raise Failure("Save As did not write %s (folder holds %r)" % (expected_file, os.listdir(self.out)))

    def file_name_edit(self, window):
        edits = [n for n in self.session.find_all(window, role="text", max_depth=1)
                 if self.session.name(n).startswith("File name")]
        return edits[0] if len(edits) == 1 else None

    def compare_with_cli(self, saved, type_name, expected_stderr):
        reference = os.path.join(self.out, "cli-" + os.path.basename(saved))
        result = subprocess.run([self.args.cli, "convert", self.sample, reference, "--type", type_name,
                                 "--width", "200"], capture_output=True, text=True, timeout=30)
        if result.returncode != 0:
            raise Failure("vellumio-cli convert failed (%d): %s" % (result.returncode, result.stderr))
        if expected_stderr is not None and expected_stderr not in result.stderr:
            raise Failure("vellumio-cli convert --type %s: expected %r on standard error, got %r" %
                          (type_name, expected_stderr, result.stderr))
        with open(saved, "rb") as a, open(reference, "rb") as b:
            mine, theirs = a.read(), b.read()
        if mine != theirs:
            first = next((i for i, (x, y) in enumerate(zip(mine, theirs)) if x != y), min(len(mine), len(theirs)))
            raise Failure("%s (%d bytes) differs from vellumio-cli's %s (%d bytes) first at byte %d" %
                          (saved, len(mine), type_name, len(theirs), first))
        self.step("%s equals vellumio-cli convert --type %s --width 200 (%d bytes)" % (
            os.path.basename(saved), type_name, len(mine)))

    # -- the run -------------------------------------------------------------------

    def run(self):
        self.start = time.monotonic()
        check_private_settings(self.args.config)
        input_dots = read_bmp_dots(self.sample)
        if (len(input_dots[0]), len(input_dots)) != (300, 80):
            raise Failure("the sample logo is %d x %d, the scenario expects 300 x 80" %
                          (len(input_dots[0]), len(input_dots)))

        stderr = open(os.path.join(self.out, "vellumio.log"), "w")
        process = subprocess.Popen([self.args.vellumio, self.sample], stdout=stderr, stderr=subprocess.STDOUT,
                                   cwd=self.out)
        self.process = process
        self.session = s = Session(process)
        self.step("started vellumio %s (pid %d)" % (self.sample, process.pid))

        s.app = s.wait_for("vellumio on the accessibility bus", s.find_app, timeout=30)
        s.main = s.wait_for("the main window", lambda: next(
            (w for w in s.top_windows() if s.role(w) == "frame" and s.name(w) == "Vellumio"), None), timeout=30)
        self.step("main window %r is up" % s.name(s.main))

        # 1. The opened picture.
        tabs = [s.name(t) for t in s.find_all(s.main, role="page tab")]
        if tabs != ["Picture Info", "Download", "Communication"]:
            raise Failure("tabs are %r, expected ['Picture Info', 'Download', 'Communication']" % tabs)
        inp, outp = "Input picture info", "Output picture info"
        expected_fields = [
            (inp, "Input file name", self.sample),
            (inp, "Type", "BITMAP"),
            (inp, "Size", str(self.sample_size)),
            (inp, "Width", "300"),
            (inp, "Height", "80"),
            (outp, "Output file name", self.sample),
            (outp, "Size", str(self.sample_size)),
            (outp, "Width", "300"),
            (outp, "Height", "80"),
            (outp, "OffsetX", "0"),
            (outp, "OffsetY", "0"),
        ]
        for group, name, value in expected_fields:
            s.wait_equal("%s > %s" % (group, name), lambda g=group, n=name: self.field_text(g, n), value)
        s.wait_equal("output type list", lambda: s.name(self.output_type_list()), "BITMAP")
        self.check_status("Input picture displayed - Ready to communicate", "Width:300 - Height:80",
                          "%d bytes" % self.sample_size)
        for item, checked in (("Input picture", True), ("Output picture", False)):
            node = s.menu_item("Window", item)
            if not s.has_state(node, pyatspi.STATE_ENABLED):
                raise Failure("Window > %s is disabled although a picture is open" % item)
            if s.has_state(node, pyatspi.STATE_CHECKED) != checked:
                raise Failure("Window > %s is %schecked at start" % (item, "not " if checked else ""))
        self.step("Picture Info and status bar show the sample logo")
        window_id = main_window_id(s)
        self.wait_picture_on_screen("the input picture (300 x 80)", input_dots)

        # 2. Output parameters.
        self.select_output_type(window_id, "RASTER GFX", "Down")
        width_edit = self.field(outp, "Width")
        width_edit.queryEditableText().setTextContents("200")
        s.wait_equal("output Width", lambda: self.field_text(outp, "Width"), "200")
        # Only the output picture is out of date; the input stays on display.
        self.check_status("Input picture displayed - Ready to communicate", "Width:300 - Height:80",
                          "%d bytes" % self.sample_size)
        self.step("output type RASTER GFX, output width 200")

        # 3. Show the output picture.
        s.choose("Window", "Output picture")
        # Dots are kept as they are; the buffer holds 25 bytes per row and
        # the height rounded up to 96 rows.
        output_size = ((200 + 7) // 8) * 96
        self.check_status("Output picture displayed - Ready to communicate", "Width:200 - Height:80",
                          "%d bytes" % output_size)
        s.wait_equal("output Size", lambda: self.field_text(outp, "Size"), str(output_size))
        for item, checked in (("Input picture", False), ("Output picture", True)):
            if s.has_state(s.menu_item("Window", item), pyatspi.STATE_CHECKED) != checked:
                raise Failure("after Window > Output picture, Window > %s is %schecked" %
                              (item, "not " if checked else ""))
        self.wait_picture_on_screen("the output picture (200 x 80)", [row[:200] for row in input_dots])

        # 4. Save As: RASTER GFX keeps width 200 (a multiple of 8): no message.
        raster = os.path.join(self.out, "logo-raster.gfx")
        self.save_as(raster, "RASTER GFX (*.gfx)", None, raster)
        self.compare_with_cli(raster, "raster-gfx", None)

        # EPSON GFX rounds the height 80 up to 96: the message is expected.
        # The name is typed without extension; the dialog adds "gfx".
        self.select_output_type(window_id, "EPSON GFX", "Up")
        epson = os.path.join(self.out, "logo-epson")
        self.save_as(epson, "EPSON GFX (*.gfx)", ADJUSTED_HEIGHT, epson + ".gfx")
        self.compare_with_cli(epson + ".gfx", "epson-gfx", ADJUSTED_HEIGHT)
        # Saving leaves the displayed output picture as it was.
        self.check_status("Output picture displayed - Ready to communicate", "Width:200 - Height:80",
                          "%d bytes" % output_size)

        # The recent-file list of the File menu names the sample.
        recent = [s.name(i) for i in s.menu_items("&File") if s.name(i).endswith(self.sample)]
        if len(recent) != 1:
            raise Failure("File menu: expected one recent-file item naming %s, items are %r" %
                          (self.sample, [s.name(i) for i in s.menu_items("&File")]))

        # 5. The printer. The download takes the output picture while the
        # input is shown, so the uploaded logo is told from both on screen.
        s.choose("Window", "Input picture")
        self.check_status("Input picture displayed - Ready to communicate", "Width:300 - Height:80",
                          "%d bytes" % self.sample_size)
        self.wait_picture_on_screen("the input picture (300 x 80) again", input_dots)
        self.transfers([row[:200] for row in input_dots])
        self.network(window_id)

        # 6. Quit.
        s.choose("&File", "&Quit", may_end=True)
        end = time.monotonic() + 20
        while process.poll() is None:
            try:
                s.check_windows()
            except GLib.Error:
                pass
            left = end - time.monotonic()
            if left <= 0:
                raise Failure("vellumio still runs 20 s after File > Quit")
            # Returns as soon as the program ends.
            try:
                process.wait(min(LOOK_AGAIN, left))
            except subprocess.TimeoutExpired:
                pass
        if process.returncode != 0:
            raise Failure("vellumio exited with status %d after File > Quit" % process.returncode)
        self.step("File > Quit: exit status 0")

        stored = read_settings(self.config_file)
        settings = stored.get("Settings", {})
        # "Interface" keeps the parallel port, which a version without the
        # network goes on using.
        host, port = self.args.network_printer.rsplit(":", 1)
        expected = {"Interface": "1", "Port": "0", "Version": "1", "Backgound color": str(0xFF0000),
                    "Network": "true", "Network host": host, "Network port": port}
        for name in ("Baud rate", "Parity", "Stop", "Flow control", "ReadTimeout", "WriteTimeout", "Version"):
            if not re.fullmatch(r"-?\d+", settings.get(name, "")):
                raise Failure("stored settings: [Settings] %r is %r, expected an integer; file: %r" %
                              (name, settings.get(name), stored))
        for name, value in expected.items():
            if settings.get(name) != value:
                raise Failure("stored settings: [Settings] %r is %r, expected %r; file: %r" %
                              (name, settings.get(name), value, stored))
        recent_files = stored.get("Recent File List", {})
        if recent_files.get("File1") != self.sample:
            raise Failure("stored settings: [Recent File List] File1 is %r, expected %r" %
                          (recent_files.get("File1"), self.sample))
        self.step("stored settings hold [Settings] and Recent File List File1")


def start_watchdog(seconds, scenario):
    def fire():
        print("drive_window: WATCHDOG: no result after %d s, ending the run" % seconds, flush=True)
        process = getattr(scenario, "process", None)
        if process is not None and process.poll() is None:
            process.kill()
        os._exit(3)

    timer = threading.Timer(seconds, fire)
    timer.daemon = True
    timer.start()
    return timer


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--vellumio", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sample", required=True)
    parser.add_argument("--work", required=True, help="folder for saved files and logs")
    parser.add_argument("--config", required=True, help="the private XDG_CONFIG_HOME")
    parser.add_argument("--paper", required=True, help="the virtual printer's paper folder")
    parser.add_argument("--network-printer", required=True, help="HOST:PORT of the virtual printer on TCP")
    parser.add_argument("--watchdog", type=int, default=120)
    args = parser.parse_args()

    scenario = Scenario(args)
    start_watchdog(args.watchdog, scenario)
    status = 0
    try:
        scenario.run()
        log("PASS in %.1f s" % (time.monotonic() - scenario.start))
    except Failure as failure:
        where = traceback.extract_tb(failure.__traceback__)
        steps = " <- ".join("%s:%d" % (frame.name, frame.lineno) for frame in reversed(where[1:]))
        log("FAIL: %s\n  (at %s)" % (failure, steps))
        status = 1
    except Exception:
        log("FAIL with an error of the driver:\n" + traceback.format_exc())
        status = 2
    finally:
        process = getattr(scenario, "process", None)
        if process is not None and process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(5)
        if status != 0:
            path = os.path.join(args.work, "vellumio.log")
            if os.path.exists(path):
                with open(path, errors="replace") as f:
                    lines = f.read().splitlines()
                log("last lines of the program's output:\n  " + "\n  ".join(lines[-30:]))
    sys.exit(status)


if __name__ == "__main__":
    main()
