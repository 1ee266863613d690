"""real_loader.py EXE LOADER WINE_PREFIX_TEMPLATE SCREENSHOT_FOLDER: Verbarix.exe beside Microsoft's
WebView2Loader.dll, as the Windows package has them, under Wine, where no WebView2 Runtime is installed. The
program loads that DLL from beside itself, shows the hint that the runtime is needed, works on without a view
(a chat chosen, a text typed and sent are stored as ever) and closes cleanly. Wine's debug channels say which
DLL was loaded (loaddll) and with which text each window was made (win)."""
import re, subprocess, sys
from chat import Chat, wait

HINT = 'L"F\\00fcr die KI-Ansicht wird die Microsoft Edge WebView2 Runtime ben\\00f6tigt." L"STATIC"'

chat = Chat(*sys.argv[1:4], debug="fixme-all,+loaddll,+win", page=False)
log = lambda: open(chat.log, encoding="utf-8", errors="replace").read()  # noqa: E731
stored = lambda name: open(f"{chat.local}/Quillory/{name}", encoding="utf-8").read()  # noqa: E731
try:
    wait("the hint about the runtime", lambda: HINT in log(), 30)
    assert re.search(r'Loaded L"[^"]*\\+app\\+WebView2Loader\.dll" at \w+: native', log()), "not the DLL beside it"
    chat.run("xdotool", "mousemove", "--sync", 300, chat.top + 58, "click", "1", "key", "Down", "Return")
    wait("Gemini stored as the chat", lambda: "ai=Gemini" in stored("prompt.cf"), 10)
    chat.run("xdotool", "mousemove", "--sync", 300, chat.top + 250, "click", "1", "type", " und mehr")
    chat.send()
    wait("the typed text stored", lambda: " und mehr</lasttext>" in stored("prompts.xml"), 10)
    chat.run("xdotool", "key", "alt+F4")
    ended = subprocess.Popen(["wineserver", "-w"], env=chat.env)  # Wine would hold a crashed one in its debugger
    wait("the program's end", lambda: ended.poll() is not None or "wine: Unhandled" in log(), 60)
    assert "wine: Unhandled" not in log(), "the program crashed"
except AssertionError as failure:
    chat.run("mkdir", "-p", sys.argv[4])
    chat.run("import", "-window", "root", f"{sys.argv[4]}/real-loader-failed.png")
    sys.exit(f"FAILED: {failure}")
finally:
    chat.close()
