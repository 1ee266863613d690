"""walk.py EXE LOADER_DOUBLE WINE_PREFIX_TEMPLATE SCREENSHOT_FOLDER VBXTOOL: the real Verbarix.exe under Wine,
driven with xdotool on a private Xvfb. It paints; a prompt made in the editor is sent with a typed text
into Gemini (the loader double's journal shows it); after closing, a second start sends the text typed
last into Gemini again and leaves both files as they were; starting the program once more while it runs
makes no second main window and writes nothing, and vbxtool refuses to write into its library then."""
import getpass, os, shutil, subprocess, sys, tempfile, time

exe, loader, template, shots, tool = sys.argv[1:6]
END = time.monotonic() + 420  # no wait goes beyond this
GREY = (0xDC, 0xDC, 0xDC)  # the painted areas at first start
work = tempfile.mkdtemp(prefix="vbx-walk-")
journal, prefix, app = (os.path.join(work, name) for name in ("journal.txt", "prefix", "app"))


def wait(what, condition, timeout=30):
    end = min(time.monotonic() + timeout, END)
    while time.monotonic() < end:
        if value := condition():
            return value
        time.sleep(0.25)
    raise AssertionError(f"gave up waiting for {what}")


# Wine, unlike Windows: without a window manager it would never size a maximised window, so the
# program runs in a Wine desktop window (explorer /desktop) of the screen's size, which also gives it
# the focus; keys without a character of their own on Xvfb's US keyboard are now and then dropped on
# a busy machine, so only ASCII is typed; no WebView2 runtime: the loader double journals instead.
first, last = map(int, os.environ.get("VBX_E2E_DISPLAYS", "150-399").split("-"))
n = next(n for n in range(first, last + 1) if not any(
    os.path.exists(p) for p in (f"/tmp/.X{n}-lock", f"/tmp/.X11-unix/X{n}")))
env = dict(os.environ, DISPLAY=f":{n}", WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG="-all",
           WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8", VBX_FAKE_WEBVIEW2_JOURNAL=journal)
if os.path.isfile(os.path.join(template, "system.reg")):  # else Wine makes a prefix at the first start
    shutil.copytree(template, prefix, symlinks=True)
os.makedirs(app)
subprocess.run(["cp", exe, loader, app], check=True)  # Verbarix.exe and the double's WebView2Loader.dll
local = os.path.join(prefix, "drive_c", "users", getpass.getuser(), "AppData", "Local")
for left in ("Quillory", "Scrivane_V4"):  # what other tests left in the template
    shutil.rmtree(os.path.join(local, left), ignore_errors=True)


def run(*args):
    return subprocess.run([str(a) for a in args], env=env, capture_output=True, timeout=90)


def xdo(*args):
    run("xdotool", *args)
    time.sleep(0.3)


def click(x, y):
    xdo("mousemove", "--sync", x, y, "click", "1")


def keys(*names):
    xdo("key", "--delay", "100", *names)


def type_text(text):  # line breaks as Return keys: xdotool versions differ there
    for n, line in enumerate(text.split("\n")):
        xdo(*(["key", "Return"] if n else []), "type", "--delay", "50", line)


def journaled(what, test):  # waits for a line of the loader double's journal that passes the test
    wait(what, lambda: any(map(test, open(journal, encoding="utf-8").read().splitlines())))


def start():
    # A new journal; the maximised main window's client top from the painted prompt header at client
    # (10,10), checked on the prompt strip at (20,200); gives a click into the window.
    open(journal, "w").close()
    subprocess.Popen(["wine", "explorer", "/desktop=vbx,1400x900", "Verbarix.exe"], cwd=app, env=env,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    column = wait("the painted prompt header", lambda: GREY in (c := pixels(300, 0, 1, 200)) and c, 180)
    top = column.index(GREY) - 10
    wait("the painted prompt strip", lambda: pixels(20, top + 200, 1, 1) == [GREY], 10)
    journaled("the profile folder", lambda l: l.startswith("CreateCoreWebView2Environment")
              and "\\AppData\\Local\\Scrivane_V4 " in l)
    return lambda x, y: click(x, top + y)


def pixels(x, y, w, h):
    out = run("import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "rgb:-").stdout
    return [tuple(out[i:i + 3]) for i in range(0, len(out), 3)]


def sent(message):
    literal = message.replace("\\", "\\\\").replace("'", "\\'").replace("\n", "\\n")
    journaled(f"a script with {message!r}", lambda l: l.startswith("ExecuteScript ")
              and f"const text = '{literal}';" in l)


def stored():
    return [open(os.path.join(local, "Quillory", f), "rb").read() for f in ("prompts.xml", "prompt.cf")]


def close():
    keys("alt+F4")
    run("wineserver", "-w")
    return stored()


NAME, TEXT, INPUT, MORE = "Probe", 'Sag "x", it\'s a \\ test\nzweite Zeile', "Eingabe 'a'", " und mehr"
xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1400x900x24", "-nolisten", "tcp"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    wait(f"Xvfb on :{n}", lambda: os.path.exists(f"/tmp/.X11-unix/X{n}"), 20)
    at = start()
    journaled("ChatGPT", "Navigate https://chatgpt.com/".__eq__)
    keys("F10", "Right", "Down", "Return")  # Prompts, "Prompt neu erstellen"
    wait("the editor", lambda: run("xdotool", "search", "--onlyvisible", "--name", "^Neu$").stdout)
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
    at = start()
    journaled("Gemini again", "Navigate https://gemini.google.com/app".__eq__)
    at(300, 370)
    sent(TEXT + "\n\n" + INPUT + MORE)
    kept = stored()
    run("wine", os.path.join(app, "Verbarix.exe"))  # times out if this copy keeps running
    shown = run("xdotool", "search", "--name", "^Verbarix$").stdout.split()
    assert len(shown) == 1 and stored() == kept, f"a second copy ran: {len(shown)} main windows"
    with open(os.path.join(work, "add.json"), "w") as added:
        added.write('[{"name": "x", "text": "y"}]')
    refused = run("wine", tool, "import-json", *("Z:" + p.replace("/", "\\") for p in (
        added.name, os.path.join(local, "Quillory", "prompts.xml"))))
    assert b"Verbarix is running" in refused.stderr and refused.returncode == 1 and stored() == kept, refused
    assert (again := close()) == files, f"the second start changed the files: {again} (was {files})"
except AssertionError as failure:
    os.makedirs(shots, exist_ok=True)
    run("import", "-window", "root", os.path.join(shots, "failed.png"))
    sys.exit(f"FAILED: {failure}")
finally:
    run("wineserver", "-k")
    xvfb.terminate()  # not kill: Xvfb removes its lock file on the way out
    xvfb.wait()
    shutil.rmtree(work, ignore_errors=True)
