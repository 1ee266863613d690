"""walk.py EXE LOADER_DOUBLE WINE_PREFIX_TEMPLATE SCREENSHOT_FOLDER VBXTOOL: the real Verbarix.exe under Wine,
driven with xdotool on a private Xvfb. It paints; a prompt made in the editor is sent with a typed text
into Gemini (the loader double's journal shows it); after closing, a second start sends the text typed
last into Gemini again and leaves both files as they were; starting the program once more while it runs
makes no second main window and writes nothing, and vbxtool refuses to write into its library then."""
import os, sys, tempfile, time
from chat import Chat, wait

exe, loader, template, shots, tool = sys.argv[1:6]
# Wine, unlike Windows: without a window manager it would never size a maximised window, so the
# program runs in a Wine desktop window (explorer /desktop) of the screen's size, which also gives it
# the focus; keys without a character of their own on Xvfb's US keyboard are now and then dropped on
# a busy machine, so only ASCII is typed; no WebView2 runtime: the loader double journals instead.
journal = f"{tempfile.gettempdir()}/vbx-walk-{os.getpid()}.txt"
open(journal, "w").close()
walk = Chat(exe, loader, template, page=False, library=False, VBX_FAKE_WEBVIEW2_JOURNAL=journal)
local = walk.local


def xdo(*args):
    walk.run("xdotool", *args)
    time.sleep(0.3)


def click(x, y):
    xdo("mousemove", "--sync", x, y, "click", "1")


def at(x, y):  # into the main window's client area
    click(x, walk.top + y)


def keys(*names):
    xdo("key", "--delay", "100", *names)


def type_text(text):  # line breaks as Return keys: xdotool versions differ there
    for n, line in enumerate(text.split("\n")):
        xdo(*(["key", "Return"] if n else []), "type", "--delay", "50", line)


def journaled(what, test):  # waits for a line of the loader double's journal that passes the test
    wait(what, lambda: any(map(test, open(journal, encoding="utf-8").read().splitlines())), 30)


def started():
    journaled("the profile folder", lambda l: l.startswith("CreateCoreWebView2Environment")
              and "\\AppData\\Local\\Scrivane_V4 " in l)


def sent(message):
    literal = message.replace("\\", "\\\\").replace("'", "\\'").replace("\n", "\\n")
    journaled(f"a script with {message!r}", lambda l: l.startswith("ExecuteScript ")
              and f"const text = '{literal}';" in l)


def stored():
    return [open(os.path.join(local, "Quillory", f), "rb").read() for f in ("prompts.xml", "prompt.cf")]


def close():
    keys("alt+F4")
    walk.run("wineserver", "-w")
    return stored()


NAME, TEXT, INPUT, MORE = "Probe", 'Sag "x", it\'s a \\ test\nzweite Zeile', "Eingabe 'a'", " und mehr"
try:
    started()
    journaled("ChatGPT", "Navigate https://chatgpt.com/".__eq__)
    keys("F10", "Right", "Down", "Return")  # Prompts, "Prompt neu erstellen"
    wait("the editor", lambda: walk.run("xdotool", "search", "--onlyvisible", "--name", "^Neu$").stdout)
    # The editor is made at (200,200); Wine's frame and caption add about (4,22). Its fields are
    # 30 px high: a few pixels more or less do not matter.
    for x, y, text in ((494, 287, NAME), (494, 522, TEXT)):
        click(x, y)
        type_text(text)
    click(284, 737)  # "Speichern"
    at(300, 58)  # the chat list
    keys("Down", "Return")
    journaled("Gemini", "Navigate https://gemini.google.com/app".__eq__)
    at(300, 250)  # the input box
    type_text(INPUT)
    at(300, 370)  # "An KI senden"
    sent(TEXT + "\n\n" + INPUT)
    at(300, 250)  # below the text: the caret goes to its end
    type_text(MORE)  # stored only by closing: the second start's script shows it
    files = close()
    assert f"<name>{NAME}</name>".encode() in files[0], files
    open(journal, "w").close()  # a new journal for the second start
    walk.start()
    started()
    journaled("Gemini again", "Navigate https://gemini.google.com/app".__eq__)
    at(300, 370)
    sent(TEXT + "\n\n" + INPUT + MORE)
    kept = stored()
    walk.run("wine", os.path.join(walk.app, "Verbarix.exe"))  # times out if this copy keeps running
    shown = walk.run("xdotool", "search", "--name", "^Verbarix$").stdout.split()
    assert len(shown) == 1 and stored() == kept, f"a second copy ran: {len(shown)} main windows"
    with open(os.path.join(walk.work, "add.json"), "w") as added:
        added.write('[{"name": "x", "text": "y"}]')
    refused = walk.run("wine", tool, "import-json", *("Z:" + p.replace("/", "\\") for p in (
        added.name, os.path.join(local, "Quillory", "prompts.xml"))))
    assert b"Verbarix is running" in refused.stderr and refused.returncode == 1 and stored() == kept, refused
    assert (again := close()) == files, f"the second start changed the files: {again} (was {files})"
except AssertionError as failure:
    os.makedirs(shots, exist_ok=True)
    walk.run("import", "-window", "root", os.path.join(shots, "failed.png"))
    sys.exit(f"FAILED: {failure}")
finally:
    walk.close()
    os.remove(journal)
