"""chat.py EXE LOADER WINE_PREFIX_TEMPLATE SCREENSHOT_FOLDER: the program's main job end to end. The real
Verbarix.exe runs under Wine with the Chromium stand-in of WebView2Loader.dll, which maps the chats' hosts to a
mock ChatGPT page served over TLS on 127.0.0.1 (VBX_CHROMIUM_TEST_PORT). A click on "An KI senden" must bring
the page exactly the stored prompt and input text and click its Send button once; the page must fill the AI
area, and come back when Chromium ends. bench/chat_bench.py times sends through the same Chat."""
import getpass, json, os, shutil, ssl, subprocess, sys, tempfile, threading, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

GREY, PAGE = (0xDC, 0xDC, 0xDC), (0x1E, 0x8C, 0x5A)  # painted areas at first start; the page's background
PROMPT, INPUT = 'Grüße "zitiert" \\ C:\\neu\\n 😀', "Eingabe ä ß € 👍🏽 'x' \\"
# The ChatGPT mock of tests/browser/chat_script.test.mjs, telling the server what it got and what was clicked.
PAGE_HTML = """<!doctype html><meta charset="utf-8">
<style>html,body{margin:0;height:100%;background:#1e8c5a}</style><script>
const note = (what) => fetch('/note', {method: 'POST', body: JSON.stringify({...what, at: Date.now()})});
const exec = document.execCommand.bind(document);
document.execCommand = (cmd, ui, text) => (cmd === 'insertText' && note({got: text}), exec(cmd, ui, text));
addEventListener('click', (e) => note({click: e.composedPath()[0].textContent}), true);
addEventListener('load', () => note({loaded: location.href}));
</script><textarea id="prompt-textarea">ALT</textarea><button data-testid="send-button" disabled>Send</button>"""


def wait(what, condition, timeout=60):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if value := condition():
            return value
        time.sleep(0.05)
    raise AssertionError(f"gave up waiting for {what}")


class Chat:
    """Xvfb, a copy of the Wine prefix with the prompt stored (none unless `library`), the mock page's server and
    the program, whose Wine debug output (channels `debug`) goes to the file `log`; waits for the mock page unless
    `page` is false. `env` is added to the program's environment."""

    def __init__(self, exe, loader, template, debug="-all", page=True, library=True, **env):
        self.work = tempfile.mkdtemp(prefix="vbx-chat-")
        self.notes, prefix, app = [], f"{self.work}/prefix", f"{self.work}/app"
        first, last = map(int, os.environ.get("VBX_E2E_DISPLAYS", "150-399").split("-"))
        n = next(n for n in range(first, last + 1) if not any(
            os.path.exists(p) for p in (f"/tmp/.X{n}-lock", f"/tmp/.X11-unix/X{n}")))
        self.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1400x900x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copytree(template, prefix, symlinks=True)  # the prefix vbx_start_wine made
        os.makedirs(app)
        subprocess.run(["cp", exe, loader, app], check=True)
        local = f"{prefix}/drive_c/users/{getpass.getuser()}/AppData/Local"
        for left in ("Scrivane_V4", "Quillory"):  # a fresh browser profile and library
            shutil.rmtree(f"{local}/{left}", ignore_errors=True)
        os.makedirs(f"{local}/Quillory")
        if library:
            open(f"{local}/Quillory/prompt.cf", "w").write("ai=ChatGPT\nprompt=0\n")
            open(f"{local}/Quillory/prompts.xml", "w", encoding="utf-8").write(
                f'\ufeff<?xml version="1.0" encoding="UTF-8"?>\n<prompts>\n  <item>\n    <name>Probe</name>\n'
                f'    <text>{PROMPT}</text>\n    <fav>0</fav>\n    <lasttext>{INPUT}</lasttext>\n  </item>\n</prompts>')
        self.server = self.serve()
        self.env = dict(os.environ, DISPLAY=f":{n}", WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG=debug,
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8",
                        VBX_CHROMIUM_TEST_PORT=str(self.server.server_address[1]), **env)
        wait(f"Xvfb on :{n}", lambda: os.path.exists(f"/tmp/.X11-unix/X{n}"), 20)
        self.log, self.local, self.app = f"{self.work}/wine.log", local, app
        self.start()
        wait("the mock page", lambda: not page or self.take("loaded"), 120)

    def start(self):
        """Starts the program; the maximised main window's client top from the painted prompt header at client
        (10,10), checked on the prompt strip at (20,200)."""
        subprocess.Popen(["wine", "explorer", "/desktop=vbx,1400x900", "Verbarix.exe"], cwd=self.app, env=self.env,
                         stdout=subprocess.DEVNULL, stderr=open(self.log, "ab"))
        column = wait("the painted prompt header", lambda: GREY in (c := self.pixels(300, 0, 1, 200)) and c, 180)
        self.top = column.index(GREY) - 10
        wait("the painted prompt strip", lambda: self.pixels(20, self.top + 200, 1, 1) == [GREY], 10)

    def serve(self):
        """The mock page for every host, over TLS with a certificate of its own; notes come back by POST."""
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                        "/CN=chatgpt.com", "-keyout", f"{self.work}/key.pem", "-out", f"{self.work}/cert.pem"],
                       check=True, capture_output=True)
        chat = self

        class Page(BaseHTTPRequestHandler):  # HTTP/1.0: every answer ends with its connection
            def do_GET(self):
                self.send_response(200)
                self.end_headers()
                self.wfile.write(PAGE_HTML.encode())

            def do_POST(self):
                chat.notes.append(json.loads(self.rfile.read(int(self.headers["Content-Length"]))))
                self.send_response(204)
                self.end_headers()

            log_message = lambda *args: None  # noqa: E731

        server = ThreadingHTTPServer(("127.0.0.1", 0), Page)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(f"{self.work}/cert.pem", f"{self.work}/key.pem")
        server.socket = context.wrap_socket(server.socket, server_side=True)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        return server

    def take(self, kind):
        """The notes of that kind so far, taken out of the list."""
        taken = [note for note in self.notes if kind in note]
        self.notes[:] = [note for note in self.notes if kind not in note]
        return taken

    def run(self, *args):
        return subprocess.run([str(a) for a in args], env=self.env, capture_output=True, timeout=90)

    def pixels(self, x, y, w, h):
        out = self.run("import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "rgb:-").stdout
        return [tuple(out[i:i + 3]) for i in range(0, len(out), 3)]

    def send(self):
        """Clicks "An KI senden"; gives the time of the click in ms since the epoch."""
        self.run("xdotool", "mousemove", "--sync", 300, self.top + 370)
        clicked = time.time() * 1000
        self.run("xdotool", "click", "1")
        return clicked

    def close(self):
        self.run("wineserver", "-k")  # the server's thread ends with the process
        self.xvfb.terminate()  # not kill: Xvfb removes its lock file on the way out
        self.xvfb.wait()
        shutil.rmtree(self.work, ignore_errors=True)


def main(exe, loader, template, shots):
    chat = Chat(exe, loader, template)
    try:
        chat.send()
        got = wait("the message in the page", lambda: chat.take("got"), 30)
        time.sleep(2)  # the script clicks Send 800 ms after the message: room for a second click
        # By now painted, the page covers the AI area, client (620, 48) to (right - 10, bottom - 10) of the window
        # that fills the 1400x900 desktop, to the pixel: its corners show the page (the field and button are at
        # its top left), the pixels beyond them do not.
        screen = chat.pixels(0, 0, 1400, 900)
        left, top, right, bottom = 620, chat.top + 48, 1400 - 10, 900 - 10
        for x, y, inside in ((right - 1, top, True), (left, bottom - 1, True), (right, top, False),
                             (right - 1, top - 1, False), (left - 1, bottom - 1, False), (left, bottom, False)):
            assert (screen[y * 1400 + x] == PAGE) == inside, f"the page {'in' if inside else 'beyond'} ({x},{y})"
        assert [note["got"] for note in got] == [PROMPT + "\n\n" + INPUT], got
        assert (clicks := [note["click"] for note in chat.take("click")]) == ["Send"], f"Send clicked {clicks}"
        # When Chromium ends, the view says so (ProcessFailed) and the program makes it anew: the chat works on.
        browser = chat.run("pgrep", "-f", "remote-debugging-pipe --user-data-dir=" + chat.work).stdout.split()
        chat.run("kill", *(pid.decode() for pid in browser))
        wait("the page anew", lambda: chat.take("loaded"), 60)
        chat.send()
        got = wait("the message in the new page", lambda: chat.take("got"), 30)
        assert [note["got"] for note in got] == [PROMPT + "\n\n" + INPUT], got
    except AssertionError as failure:
        os.makedirs(shots, exist_ok=True)
        chat.run("import", "-window", "root", f"{shots}/chat-failed.png")
        sys.exit(f"FAILED: {failure}")
    finally:
        chat.close()


if __name__ == "__main__":
    main(*sys.argv[1:5])
