#!/usr/bin/env python3
"""The real Verbarix.exe under Wine, driven only through the screen as a person would drive it:
mouse clicks and keystrokes with xdotool on a private Xvfb, inside a Wine desktop window.

    walk.py --exe Verbarix.exe --loader WebView2Loader.dll --template PREFIX --screenshots DIR

The exe and the test double of WebView2Loader.dll are copied into a folder of their own; the
Wine prefix is a fresh copy of PREFIX (or a new one), so the storage folder starts empty.
The double writes a journal of every call that reaches it, ExecuteScript included.

What the walk looks at: the files prompts.xml and prompt.cf, the export file, window titles
(xdotool getwindowname: Wine gives every top-level window an X window of its title), the
double's journal, and a few pixels of the painted areas and the layout, never text widths.

The walk: (1) the first start, with the ten default lines of prompt.cf; (2) two prompts made in
the editor, one a favourite, and the favourite button; (3) an input text that follows the chosen
prompt; (4) "An KI senden", another chat and the favourite button, seen in the double's journal;
(5) settings: 18 px and a typed background colour, followed at once by the main window;
(6) a deletion answered "Nein" and then "Ja", an export through the save dialog and its import
through the open dialog; (7) the close box, and a second start that brings everything back.
A screenshot is taken at each step; "failed" shows the screen when a check failed.

Where Wine differs from Windows, and how the walk copes:
- Without a window manager Wine would never resize a maximised window's X window; the program
  runs in a Wine desktop window (explorer /desktop=...) of the screen's size, which also gives
  stable coordinates and focus.
- xdotool finds a window as soon as Wine has made its X window, which may be before Wine shows
  and paints it; so a window counts only when visible, and its caption is measured on the
  screen (the first dark band at its top) once two captures in a row show it unchanged. The
  client origin follows from the caption and the creation rectangle the program asks for.
- Keys become characters in Wine only when the program takes them from its queue. xdotool types
  a character that has no key of its own (an umlaut on the US keyboard of Xvfb) by giving a
  spare key that character for a moment; on a busy machine Wine may then see the key without
  it, and characters come out dropped or in lower case (with a German keyboard as well). The
  walk types ASCII only; quotes, "&", "<" and a backslash still go through the XML file and the
  script's string literal. Umlauts are covered by the program's own texts (window titles).
- Choosing an entry in the dropped-down font size list gives the list the new font while it is
  open; Wine then keeps it open and the next click falls on one of its entries. The walk gives
  the list the focus, closes it with Escape and chooses with End on the closed list. Settings
  input is made again if it shows no effect after 10 s (a click lost on a busy machine).
- Wine draws message boxes and file dialogs in the language of LANG/LC_ALL even when the system
  has no such locale; the walk runs Wine with de_DE.UTF-8, so the question shows "Ja" and
  "Nein" and the dialogs are titled "Speichern als" and "Öffnen" (English titles are accepted
  too). It answers with the keyboard (Return takes the default button "Ja", Tab then Return
  takes "Nein") and types full paths into the file dialogs' name fields.
- The caption buttons show letters (Wine's Marlett font is missing); the close box is found by
  its place at the right end of the caption, not by its look.
- No WebView2 runtime exists under Wine: the double of WebView2Loader.dll stands in for it and
  journals what reaches it; the page itself (the chat) is tested in Chromium elsewhere.
"""
import argparse
import html
import os
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
from desktop import Display, Failure, Wine, colour_near, hex_colour, read_text, script_texts, wait_for  # noqa: E402

DESKTOP_W, DESKTOP_H = 1400, 900
WHITE = (255, 255, 255)
AREA_GREY = (0xDC, 0xDC, 0xDC)
NEW_PROMPT_BACKGROUND = "#3366CC"

# Creation rectangles of the program's own windows (screen coordinates).
EDITOR_RECT = (200, 200, 600, 600)
SETTINGS_RECT = (320, 320, 320, 540)

# Typed texts are ASCII (see Display.type); quotes, a backslash and markup characters go through
# the XML file and the script's string literal.
PROMPT_A = dict(name="Zusammenfassung", fav=True, text="Fasse den folgenden Text zusammen:\nin drei Saetzen, bitte.")
PROMPT_B = dict(name="Pruefung & Korrektur", fav=False, text='Pruefe "Rechtschreibung" und \'Stil\' <genau>\\.')
T1 = "Erster Text fuer B"
T2 = "Ein laengerer Text\nmit zwei Zeilen, 'zitiert' und \\ mit Backslash."
T3 = T2 + " Und mehr."
T4 = T3 + " (fuer B)"

FIRST_START_SETTINGS = [
    "ai=ChatGPT", "prompt=0", "sg=13", "mfav=5", "prompt_sf=#000000", "prompt_bf=#DCDCDC",
    "favoriten_sf=#000000", "favoriten_bf=#DCDCDC", "ai_sf=#000000", "ai_bf=#DCDCDC",
]


def crlf(text):
    return text.replace("\n", "\r\n")


def message(prompt, input_text):
    """The text that the chat script carries: the prompt's text, two line feeds, the input."""
    return prompt["text"] + ("\n\n" + input_text if input_text else "")


def check(condition, what):
    if not condition:
        raise Failure(what)


class Walk:
    def __init__(self, args):
        self.args = args
        self.work = tempfile.mkdtemp(prefix="vbx-e2e-")
        self.shots = args.screenshots
        os.makedirs(self.shots, exist_ok=True)
        for name in os.listdir(self.shots):
            if name.endswith(".png"):
                os.remove(os.path.join(self.shots, name))
        self.shot_number = 0
        self.display = None
        self.wine = None
        self.origin = None  # the main window's client origin on the screen

    # --- set-up -------------------------------------------------------------------------

    def set_up(self):
        app = os.path.join(self.work, "app")
        os.makedirs(app)
        self.exe = os.path.join(app, "Verbarix.exe")
        shutil.copy2(self.args.exe, self.exe)
        shutil.copy2(self.args.loader, os.path.join(app, "WebView2Loader.dll"))
        self.journal = os.path.join(self.work, "journal.txt")
        self.display = Display(DESKTOP_W, DESKTOP_H)
        self.wine = Wine(
            os.path.join(self.work, "prefix"),
            self.args.template,
            self.display,
            # German message boxes and file dialogs; the journal of the loader double.
            dict(LC_ALL="de_DE.UTF-8", LANG="de_DE.UTF-8", VBX_FAKE_WEBVIEW2_JOURNAL=self.journal),
        )
        local = self.wine.local_app_data()
        # The template may hold what other tests left: the walk starts from an empty profile.
        for leftover in ("Quillory", "Scrivane_V4"):
            shutil.rmtree(os.path.join(local, leftover), ignore_errors=True)
        self.storage = os.path.join(local, "Quillory")
        self.prompts_xml = os.path.join(self.storage, "prompts.xml")
        self.prompt_cf = os.path.join(self.storage, "prompt.cf")
        self.exports = os.path.join(self.wine.prefix, "drive_c", "e2e")
        os.makedirs(self.exports)
        self.export_file = os.path.join(self.exports, "export.xml")
        self.log = open(os.path.join(self.work, "wine.log"), "ab")

    def tear_down(self):
        try:
            if self.wine:
                self.wine.kill()
        finally:
            if self.display:
                self.display.close()
            # Keep what tells the story of a run beside the screenshots.
            for source, name in ((getattr(self, "journal", ""), "journal.txt"),
                                 (getattr(self, "prompts_xml", ""), "prompts.xml"),
                                 (getattr(self, "prompt_cf", ""), "prompt.cf")):
                if source and os.path.exists(source):
                    shutil.copy2(source, os.path.join(self.shots, name))
            if hasattr(self, "log"):
                self.log.close()
            shutil.rmtree(self.work, ignore_errors=True)

    # --- looking ----------------------------------------------------------------------------

    def screenshot(self, name):
        self.shot_number += 1
        picture = self.display.capture()
        picture.save_png(os.path.join(self.shots, f"{self.shot_number:02d}-{name}.png"))
        return picture

    def pixel(self, cx, cy, picture=None):
        """A pixel of the main window, in its client coordinates."""
        picture = picture or self.display.capture()
        return picture.pixel(self.origin[0] + cx, self.origin[1] + cy)

    def wait_pixel(self, what, cx, cy, colour, timeout=10):
        wait_for(f"{what}: pixel ({cx},{cy}) of the main window to be {hex_colour(colour)}",
                 lambda: colour_near(self.pixel(cx, cy), colour), timeout)

    def wait_ink(self, what, cx, cy, timeout=15):
        """Waits until a pixel of the main window is painted in anything but white."""
        wait_for(what, lambda: self.pixel(cx, cy) != WHITE, timeout)

    def window(self, title, timeout=15):
        return wait_for(f'a window titled "{title}"', lambda: self.display.windows_titled(title), timeout)[0]

    def window_gone(self, title, timeout=15):
        wait_for(f'the window "{title}" to close', lambda: not self.display.windows_titled(title), timeout)

    @staticmethod
    def caption_now(rect, picture):
        """Top and bottom row of a window's caption: the first dark band, at least 12 rows
        high, below its top edge; None while there is none."""
        x0, y0, w, _ = rect
        x = max(0, x0 + w // 2)
        top = None
        for y in range(max(0, y0), min(DESKTOP_H, y0 + 60)):
            p = picture.pixel(x, y)
            if top is None:
                if max(p) < 200 or min(p) < 120:
                    top, colour = y, p
            elif p != colour:
                if y - top >= 12:
                    return top, y - 1
                top = None
        return None

    def caption(self, rect):
        """The caption of a window that has been painted and has stopped changing: the same
        caption and the same picture of the window's top rows in two captures in a row.
        (xdotool may find a window before Wine has shown and painted it, and a slow machine
        paints late. Only the top rows: a blinking caret lower down never settles.)"""
        seen = {}

        def settled():
            picture = self.display.capture()
            x0, y0, w, _ = rect
            rows = [picture.rgb[(y * picture.width + max(0, x0)) * 3 : (y * picture.width + x0 + w) * 3]
                    for y in range(max(0, y0), min(DESKTOP_H, y0 + 60))]
            now = (self.caption_now(rect, picture), b"".join(rows))
            previous, seen["last"] = seen.get("last"), now
            return now[0] if now[0] and now == previous else None

        return wait_for(f"the window at {rect} to be painted", settled, 20, 0.2)

    def client_origin(self, rect):
        top, bottom = self.caption(rect)
        frame = top - rect[1]
        return rect[0] + frame, bottom + 2

    def close_box(self, rect):
        """Clicks the close box at the right end of the caption."""
        top, bottom = self.caption(rect)
        frame = top - rect[1]
        self.display.click(rect[0] + rect[2] - frame - 10, (top + bottom) // 2)

    def find_main_window(self, header_colour):
        """The client origin of the maximised main window, from its painted "Prompt" header
        at client (10, 10): the first header-coloured pixel down column 300 and along its row."""

        def found():
            picture = self.display.capture()
            for y in range(0, 120):
                if colour_near(picture.pixel(300, y), header_colour):
                    for x in range(0, 60):
                        if colour_near(picture.pixel(x, y + 15), header_colour):
                            return x - 10, y - 10
            return None

        self.origin = wait_for(f"the prompt header in {hex_colour(header_colour)}", found, 20)
        menu_top, menu_bottom = self.caption((0, 0, DESKTOP_W, DESKTOP_H))[1] + 2, self.origin[1] - 1
        self.menu_band = (menu_top, menu_bottom)

    def menu_entries(self):
        """Centres of the menu bar's entries, once the bar shows at least three."""
        found = []

        def three():
            found[:] = self.menu_entries_now()
            return len(found) >= 3

        try:
            wait_for("the menu bar", three, 15)
        except Failure:
            raise Failure(f"menu bar shows {len(found)} entries, expected Datei, Prompts, Hilfe")
        return found

    def menu_entries_now(self):
        """Centres of the menu bar's entries: runs of inked columns in the bar."""
        picture = self.display.capture()
        top, bottom = self.menu_band
        inked = []
        for x in range(0, 400):
            inked.append(any(max(picture.pixel(x, y)) < 128 for y in range(top + 2, bottom - 1)))
        entries, start, gap = [], None, 0
        for x, ink in enumerate(inked + [False] * 8):
            if ink:
                start = x if start is None else start
                gap, end = 0, x
            elif start is not None:
                gap += 1
                if gap >= 6:
                    entries.append(((start + end) // 2, (top + bottom) // 2))
                    start = None
        return entries

    def edit_box_top_now(self, picture):
        """Client y of the input box's top border, or None while it is not painted. The clear
        button's black glyph (client x 535, below the prompt list) is found first; the box is
        the first ink under it at x 300."""
        glyph = next((cy for cy in range(80, 300) if self.pixel(535, cy, picture) == (0, 0, 0)), None)
        if glyph is None:
            return None
        return next((cy for cy in range(glyph, glyph + 60) if self.pixel(300, cy, picture) != WHITE), None)

    def edit_box_top(self, expected=None):
        """Waits for the input box (at the expected client y, if given) and gives its top."""
        seen = []

        def found():
            seen[:] = [self.edit_box_top_now(self.display.capture())]
            return seen[0] is not None and (expected is None or seen[0] == expected)

        try:
            wait_for("the input box under the clear button", found, 15)
        except Failure:
            raise Failure(f"input box top at client y {seen[0]}, expected {expected or 'one'}")
        return seen[0]

    # --- doing --------------------------------------------------------------------------------

    def click(self, cx, cy):
        self.display.click(self.origin[0] + cx, self.origin[1] + cy)

    def menu(self, entry, item, expect):
        """Opens menu bar entry 0, 1 or 2 with the mouse and takes its item-th entry with the
        arrow keys and Return; waits for `expect` and tries once more if the menu did not open."""
        for attempt in range(2):
            x, y = self.menu_entries()[entry]
            self.display.click(x, y)
            time.sleep(0.3)
            self.display.key(*(["Down"] * item), "Return")
            try:
                return wait_for(f"menu {entry}, item {item}", expect, 8)
            except Failure:
                if attempt:
                    raise
                self.display.key("Escape", "Escape")

    def attempt(self, what, action, done, tries=3, timeout=10):
        """Does an action until it shows its effect: a click that Wine lost on a busy machine
        is made again. Only for actions that may safely be repeated."""
        for n in range(tries):
            action()
            try:
                return wait_for(what, done, timeout)
            except Failure:
                print(f"  ({what}: no effect after {timeout} s, attempt {n + 1} of {tries})", flush=True)
        raise Failure(f"{what} had no effect; prompt.cf holds {self.settings()}")

    def choose_in_list(self, cx, cy, key):
        """Opens a drop-down list and moves its selection with one key, then Return."""
        self.click(cx, cy)
        time.sleep(0.3)
        self.display.key(key, "Return")

    def type_into(self, cx, cy, text, to_end=False):
        self.click(cx, cy)
        if to_end:
            self.display.key("ctrl+End")
        self.display.type(text)

    # --- the files ------------------------------------------------------------------------------

    def library(self):
        """The prompts of prompts.xml as dicts, or None while the file is missing."""
        if not os.path.exists(self.prompts_xml):
            return None
        body = read_text(self.prompts_xml)
        items = []
        for item in re.findall(r"<item>(.*?)</item>", body, re.S):
            fields = {}
            for key in ("name", "text", "fav", "lasttext"):
                found = re.search(rf"<{key}>(.*?)</{key}>", item, re.S)
                fields[key] = html.unescape(found.group(1)) if found else None
            items.append(fields)
        return items

    def settings(self):
        if not os.path.exists(self.prompt_cf):
            return None
        return read_text(self.prompt_cf).split("\r\n")

    def setting(self, key):
        for line in self.settings() or []:
            if line.startswith(key + "="):
                return line[len(key) + 1 :]
        return None

    def wait_library(self, what, condition, timeout=10):
        def test():
            lib = self.library()
            return lib is not None and condition(lib)

        try:
            wait_for(what, test, timeout)
        except Failure:
            raise Failure(f"{what}; prompts.xml holds {self.library()}")

    def wait_setting(self, key, value, timeout=10):
        try:
            wait_for(f"prompt.cf {key}={value}", lambda: self.setting(key) == value, timeout)
        except Failure:
            raise Failure(f"expected {key}={value} in prompt.cf, found {self.settings()}")

    def scripts(self):
        return script_texts(self.journal)

    def wait_script(self, count, expected, what):
        try:
            wait_for(what, lambda: len(self.scripts()) >= count, 10)
        except Failure:
            raise Failure(f"{what}: {len(self.scripts())} scripts reached ExecuteScript, expected {count}")
        got = self.scripts()[count - 1]
        check(got == expected, f"{what}: the script carries {got!r}, expected {expected!r}")

    def journal_lines(self):
        return read_text(self.journal).splitlines() if os.path.exists(self.journal) else []

    # --- the steps --------------------------------------------------------------------------------

    def start_program(self):
        self.wine.start_in_desktop(self.exe, size=f"{DESKTOP_W}x{DESKTOP_H}", log=self.log)
        self.window("Verbarix", 60)

    def step1_first_start(self):
        self.start_program()
        self.find_main_window(AREA_GREY)
        wait_for("prompt.cf", lambda: self.settings() is not None, 10)
        lines = read_text(self.prompt_cf)
        check(lines == "\r\n".join(FIRST_START_SETTINGS) + "\r\n",
              f"prompt.cf after the first start holds {lines!r}, expected the ten default lines")
        check(self.library() is None, "prompts.xml exists before anything was saved")
        wait_for("the browser view to navigate", lambda: any(l.startswith("Navigate ") for l in self.journal_lines()))
        navigations = [l for l in self.journal_lines() if l.startswith("Navigate ")]
        check("chatgpt" in navigations[0], f"first navigation {navigations[0]}, expected the ChatGPT chat")
        check(any("Scrivane_V4" in l for l in self.journal_lines() if l.startswith("CreateCoreWebView2Environment")),
              "the browser profile folder is not ...\\Scrivane_V4")
        picture = self.screenshot("first-start")
        check(colour_near(self.pixel(300, 25, picture), AREA_GREY), "the prompt header is not grey")
        check(self.pixel(300, 425, picture) == WHITE, "the favourites header shows without favourites")
        self.menu_entries()  # the three menu bar entries are there
        self.edit_top_13 = self.edit_box_top()

    def create_prompt(self, prompt, count, shot):
        self.menu(1, 1, lambda: self.display.windows_titled("Neu"))
        origin = self.client_origin(EDITOR_RECT)

        def at(cx, cy):
            return origin[0] + cx, origin[1] + cy

        self.display.click(*at(290, 65))
        self.display.type(prompt["name"])
        if prompt["fav"]:
            self.display.click(*at(27, 102))  # the box of "Favorit"
        self.display.click(*at(290, 315))
        self.display.type(prompt["text"])
        self.screenshot(shot)
        self.display.click(*at(80, 515))  # "Speichern"
        self.window_gone("Neu")
        self.wait_library(f"{count} prompts saved", lambda lib: len(lib) == count)
        saved = self.library()[count - 1]
        expected = dict(name=prompt["name"], text=crlf(prompt["text"]), fav="1" if prompt["fav"] else "0", lasttext="")
        check(saved == expected, f"the editor saved {saved}, expected {expected}")

    def step2_two_prompts(self):
        self.create_prompt(PROMPT_A, 1, "editor-favourite")
        # The favourites header and one button below "An KI senden".
        self.wait_pixel("favourites header", 300, 425, AREA_GREY)
        self.wait_ink("a favourite button after saving a favourite", 530, 463)
        self.create_prompt(PROMPT_B, 2, "editor-second")
        self.wait_ink("the favourite button to stay", 530, 463)
        picture = self.screenshot("two-prompts")
        check(self.pixel(530, 499, picture) == WHITE, "a second favourite button for a prompt that is none")

    def lasttexts(self):
        return [p["lasttext"] for p in self.library()]

    def step3_input_text(self):
        # The new prompt B is selected. Typing stores nothing yet.
        self.type_into(300, self.edit_top_13 + 60, T1)
        time.sleep(0.3)
        check(self.lasttexts() == ["", ""], f"typing alone stored {self.lasttexts()}")
        # Choosing A: the box keeps its text, and A (the newly chosen prompt) takes it.
        self.choose_in_list(300, 88, "Up")
        self.wait_library("A to take the box's text", lambda lib: [p["lasttext"] for p in lib] == [T1, ""])
        self.wait_setting("prompt", "0")
        # The clear button empties the box and stores that at once.
        self.click(535, self.edit_top_13 - 11)
        self.wait_library("the clear button to empty A's text", lambda lib: lib[0]["lasttext"] == "")
        self.type_into(300, self.edit_top_13 + 60, T2)
        self.choose_in_list(300, 88, "Down")
        self.wait_library("B to take the box's text", lambda lib: [p["lasttext"] for p in lib] == ["", crlf(T2)])
        self.wait_setting("prompt", "1")
        self.choose_in_list(300, 88, "Up")
        self.wait_library("A to take it back", lambda lib: [p["lasttext"] for p in lib] == [crlf(T2), crlf(T2)])
        self.wait_setting("prompt", "0")
        self.screenshot("input-text")

    def step4_send(self):
        # Another chat: the view navigates there and prompt.cf keeps it.
        self.choose_in_list(300, 59, "Down")
        self.wait_setting("ai", "Gemini")
        wait_for("navigation to Gemini",
                 lambda: any(l.startswith("Navigate ") and "gemini" in l for l in self.journal_lines()))
        # "An KI senden" stores the box's text for A and sends A with it.
        self.type_into(300, self.edit_top_13 + 60, T3[len(T2):], to_end=True)
        self.click(300, 370)
        self.wait_script(1, message(PROMPT_A, T3), "An KI senden")
        self.wait_library("the sent text stored for A", lambda lib: lib[0]["lasttext"] == crlf(T3))
        # B chosen, text changed, then A's favourite button: A goes out with the box's text,
        # and the favourite stores nothing.
        self.choose_in_list(300, 88, "Down")
        self.wait_library("B to take the box's text", lambda lib: lib[1]["lasttext"] == crlf(T3))
        self.type_into(300, self.edit_top_13 + 60, T4[len(T3):], to_end=True)
        before = read_text(self.prompts_xml)
        self.click(300, 463)
        self.wait_script(2, message(PROMPT_A, T4), "favourite button")
        time.sleep(0.5)
        check(read_text(self.prompts_xml) == before, "the favourite button changed prompts.xml")
        self.screenshot("sent")

    def step5_settings(self):
        self.menu(2, 2, lambda: self.display.windows_titled("Einstellungen"))
        origin = self.client_origin(SETTINGS_RECT)
        # The font size list: a click gives it the focus and drops it down, Escape closes it
        # unchanged, and End then chooses the last entry, "18 px", on the closed list. (Chosen
        # in the dropped list, the new font reaches the list while it is open, and Wine then
        # keeps it open and lets the next click fall on one of its entries.)
        def choose_font_size():
            self.display.click(origin[0] + 135, origin[1] + 61)
            time.sleep(0.3)
            self.display.key("Escape")
            time.sleep(0.3)
            self.display.key("End")

        self.attempt("choosing 18 px", choose_font_size, lambda: self.setting("sg") == "18")

        # The prompt area's background field: emptied with the keyboard, the new colour typed.
        def type_colour():
            self.display.click(origin[0] + 205, origin[1] + 231)
            self.display.key("End", *(["BackSpace"] * 10))
            self.display.type(NEW_PROMPT_BACKGROUND)

        self.attempt("typing the colour", type_colour, lambda: self.setting("prompt_bf") == NEW_PROMPT_BACKGROUND)
        colour = tuple(int(NEW_PROMPT_BACKGROUND[i : i + 2], 16) for i in (1, 3, 5))
        self.wait_pixel("prompt header in the typed colour", 300, 25, colour)
        self.wait_pixel("prompt strip in the typed colour", 20, 200, colour)
        self.screenshot("settings")
        # The bigger font makes the prompt list taller: the input box moves down at once.
        self.edit_top_18 = self.edit_box_top()
        check(self.edit_top_18 > self.edit_top_13,
              f"the input box stayed at y {self.edit_top_18} with 18 px (13 px: {self.edit_top_13})")
        other = [l for l in self.settings() if not l.startswith(("sg=", "prompt_bf="))]
        check(other == ["ai=Gemini", "prompt=1", "mfav=5", "prompt_sf=#000000", "favoriten_sf=#000000",
                        "favoriten_bf=#DCDCDC", "ai_sf=#000000", "ai_bf=#DCDCDC", ""],
              f"the other settings changed: {self.settings()}")
        self.close_box(SETTINGS_RECT)
        self.window_gone("Einstellungen")
        self.header_colour = colour

    def step6_delete_export_import(self):
        # B is selected. "Nein" first: nothing changes.
        self.menu(1, 3, lambda: self.display.windows_titled("Prompt löschen"))
        self.screenshot("delete-question")
        self.display.key("Tab", "Return")  # "Nein"
        self.window_gone("Prompt löschen")
        time.sleep(0.5)
        check(len(self.library()) == 2, "answering Nein deleted a prompt")
        self.menu(1, 3, lambda: self.display.windows_titled("Prompt löschen"))
        self.display.key("Return")  # the default button, "Ja"
        self.window_gone("Prompt löschen")
        self.wait_library("B deleted", lambda lib: [p["name"] for p in lib] == [PROMPT_A["name"]])
        self.wait_setting("prompt", "0")
        self.wait_ink("the favourite button to stay after deleting the other prompt", 530, 463)

        # Export through the system's save dialog.
        # The name field has the focus with "export.xml" selected: typing replaces it.
        dialog = self.menu(0, 1, lambda: self.display.windows_titled("Speichern unter", "Speichern als", "Save As"))
        title = self.display.window_name(dialog[0])
        self.screenshot("save-dialog")
        self.display.type(self.wine.windows_path(self.export_file))
        self.display.key("Return")
        self.window_gone(title)
        self.window("Export")  # "Exportiert!"
        self.display.key("Return")
        self.window_gone("Export")
        check(os.path.exists(self.export_file), "no export file written")
        check(read_text(self.export_file) == read_text(self.prompts_xml), "the export differs from prompts.xml")

        # Emptied by the clear button, then the export imported back through the open dialog.
        self.click(535, self.edit_top_18 - 11)
        self.wait_library("A's text emptied", lambda lib: lib[0]["lasttext"] == "")
        dialog = self.menu(0, 2, lambda: self.display.windows_titled("Öffnen", "Open"))
        title = self.display.window_name(dialog[0])
        self.screenshot("open-dialog")
        self.display.type(self.wine.windows_path(self.export_file))
        self.display.key("Return")
        self.window_gone(title)
        self.wait_library("the import to bring A's text back", lambda lib: lib[0]["lasttext"] == crlf(T3))
        check([p["name"] for p in self.library()] == [PROMPT_A["name"]], "the import merged or lost prompts")
        self.wait_setting("prompt", "0")
        self.screenshot("imported")

    def close_main_window(self):
        self.display.click(DESKTOP_W - 10, sum(self.caption((0, 0, DESKTOP_W, DESKTOP_H))) // 2)
        self.window_gone("Verbarix")
        self.wine.wait_program_end(30)

    def step7_restart(self):
        self.close_main_window()
        saved = self.library()
        check(saved == [dict(name=PROMPT_A["name"], text=crlf(PROMPT_A["text"]), fav="1", lasttext=crlf(T3))],
              f"prompts.xml after closing: {saved}")
        expected = ["ai=Gemini", "prompt=0", "sg=18", "mfav=5", "prompt_sf=#000000",
                    f"prompt_bf={NEW_PROMPT_BACKGROUND}", "favoriten_sf=#000000", "favoriten_bf=#DCDCDC",
                    "ai_sf=#000000", "ai_bf=#DCDCDC", ""]
        check(self.settings() == expected, f"prompt.cf after closing: {self.settings()}")

        seen = len(self.journal_lines())
        scripts_before = len(self.scripts())
        self.start_program()
        self.find_main_window(self.header_colour)  # the colour is back
        wait_for("the browser view to navigate after the restart",
                 lambda: any(l.startswith("Navigate ") for l in self.journal_lines()[seen:]))
        navigation = [l for l in self.journal_lines()[seen:] if l.startswith("Navigate ")][0]
        check("gemini" in navigation, f"after the restart the view opened {navigation}, expected Gemini")
        try:
            self.edit_box_top(self.edit_top_18)
        except Failure as failure:
            raise Failure(f"the font size is not back: {failure}")
        self.wait_pixel("the favourites header after the restart", 300, 425, AREA_GREY)
        self.wait_ink("a favourite button after the restart", 530, 463)
        self.screenshot("restarted")
        # "An KI senden" shows what is selected and what the box holds.
        self.click(300, 370)
        self.wait_script(scripts_before + 1, message(PROMPT_A, T3), "An KI senden after the restart")
        self.close_main_window()

    def run(self):
        steps = [self.step1_first_start, self.step2_two_prompts, self.step3_input_text, self.step4_send,
                 self.step5_settings, self.step6_delete_export_import, self.step7_restart]
        try:
            self.set_up()
            # The time limit counts from here: making a Wine prefix without a template takes long.
            self.deadline = desktop.deadline = time.monotonic() + self.args.time_limit
            for step in steps:
                if time.monotonic() > self.deadline:
                    raise Failure(f"out of time before {step.__name__}")
                started = time.monotonic()
                try:
                    step()
                except Failure as failure:
                    try:
                        self.screenshot("failed")
                    except Exception:
                        pass
                    raise Failure(f"{step.__name__}: {failure}")
                print(f"{step.__name__}: ok ({time.monotonic() - started:.1f} s)", flush=True)
        finally:
            self.tear_down()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--loader", required=True, help="the test double of WebView2Loader.dll")
    parser.add_argument("--template", default="", help="a Wine prefix to copy (else a new one is made)")
    parser.add_argument("--screenshots", required=True)
    parser.add_argument("--time-limit", type=float, default=300)
    args = parser.parse_args()
    started = time.monotonic()
    try:
        Walk(args).run()
    except Failure as failure:
        print(f"FAILED: {failure}", flush=True)
        print(f"screenshots: {args.screenshots}")
        sys.exit(1)
    print(f"walk passed in {time.monotonic() - started:.0f} s; screenshots: {args.screenshots}")


if __name__ == "__main__":
    main()
