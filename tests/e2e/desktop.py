"""The machinery of the end-to-end walk: a private X display, a Wine prefix of our own, the
program in a Wine desktop window, screenshots, pixels, and xdotool's mouse and keyboard.

Nothing here knows the program; walk.py does."""
import os
import re
import shutil
import struct
import subprocess
import time
import zlib


class Failure(Exception):
    """A check of the walk failed; the message says what was expected and what was seen."""


# The monotonic time by which the whole walk must have ended; no wait goes beyond it.
deadline = float("inf")


def wait_for(what, condition, timeout=15.0, interval=0.1):
    """Polls condition until it gives a true value and returns that value."""
    start = time.monotonic()
    end = min(start + timeout, deadline)
    while True:
        value = condition()
        if value:
            if time.monotonic() - start > 2:
                print(f"  (waited {time.monotonic() - start:.1f} s for {what})", flush=True)
            return value
        if time.monotonic() > end:
            if end == deadline:
                raise Failure(f"the walk ran out of time waiting for {what}")
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# Pictures


class Picture:
    """An RGB screenshot of the whole X screen."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i : i + 3])

    def save_png(self, path):
        raw = b"".join(
            b"\x00" + self.rgb[y * self.width * 3 : (y + 1) * self.width * 3] for y in range(self.height)
        )

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)))
            out.write(chunk(b"IEND", b""))


def parse_ppm(data):
    """A binary PPM (P6) with 8-bit samples, as ImageMagick's import writes it."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos : pos + 1].isspace():
            pos += 1
        if data[pos : pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise Failure(f"unexpected screenshot format {fields}")
    width, height = int(fields[1]), int(fields[2])
    pos += 1  # the one white-space byte after the maximum value
    return Picture(width, height, data[pos : pos + width * height * 3])


def colour_near(actual, expected, tolerance=6):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


def hex_colour(rgb):
    return "#%02X%02X%02X" % tuple(rgb)


# ---------------------------------------------------------------------------------------------
# The X display



class Display:
    """A private Xvfb on the first free display number of a range (VBX_E2E_DISPLAYS, "150-399"
    unless told otherwise), so that the walk can run beside other tests and other displays."""

    def __init__(self, width=1400, height=900):
        self.process = None
        first, last = map(int, os.environ.get("VBX_E2E_DISPLAYS", "150-399").split("-"))
        for number in range(first, last + 1):
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            name = f":{number}"
            end = time.monotonic() + 10
            while process.poll() is None and time.monotonic() < end:
                ok = subprocess.run(["xdpyinfo", "-display", name], capture_output=True).returncode == 0
                if ok:
                    self.process, self.name = process, name
                    return
                time.sleep(0.1)
            process.kill()
            process.wait()
        raise Failure(f"no free X display between :{first} and :{last}")

    def close(self):
        if self.process:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            self.process = None

    def env(self):
        # xdotool types the UTF-8 of its arguments only under a UTF-8 locale.
        return dict(os.environ, DISPLAY=self.name, LC_ALL="C.UTF-8")

    def capture(self):
        data = subprocess.run(
            ["import", "-display", self.name, "-window", "root", "-depth", "8", "ppm:-"],
            capture_output=True,
            check=True,
            timeout=30,
        ).stdout
        return parse_ppm(data)

    def xdotool(self, *args):
        run = subprocess.run(["xdotool", *map(str, args)], capture_output=True, env=self.env(), timeout=30)
        return run.stdout.decode("utf-8", "replace")

    def windows_titled(self, *titles):
        """X windows whose title is one of the given ones (Wine gives every top-level window an
        X window of its title, inside the desktop window). xdotool's own matching does not see
        non-ASCII letters as the title has them, so it only preselects, with any few bytes in
        their place; the exact title decides."""
        found = []
        for title in titles:
            loose = "".join(re.escape(c) if c.isascii() and not c.isspace() else (" " if c == " " else ".{1,4}")
                            for c in title)
            for window in self.xdotool("search", "--onlyvisible", "--name", f"^{loose}$").split():
                if self.window_name(window) == title:
                    found.append(int(window))
        return found

    def window_name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def geometry(self, window):
        """(x, y, width, height) of an X window on the screen."""
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, x, y, button=1):
        self.xdotool("mousemove", "--sync", x, y)
        time.sleep(0.05)
        self.xdotool("click", button)
        time.sleep(0.15)

    def key(self, *keys):
        for key in keys:
            self.xdotool("key", "--delay", 40, key)
            time.sleep(0.08)

    def type(self, text):
        # xdotool types a character without a key of its own by giving a spare key that
        # character for a moment. Wine turns keys into characters later, and then the key
        # may have lost the character again: such characters come out dropped, or an upper-case
        # umlaut in lower case, now and then. The same happens with Wine's German keyboard.
        # So the walk types ASCII, the keys of the plain US keyboard of Xvfb.
        if not text.isascii():
            raise Failure(f"{text!r}: only ASCII types reliably into Wine")
        # Line breaks as Return keys: xdotool's own newline handling differs between versions.
        for n, line in enumerate(text.split("\n")):
            if n:
                self.key("Return")
            if line:
                self.xdotool("type", "--delay", 40, line)
        time.sleep(0.1)


# ---------------------------------------------------------------------------------------------
# Wine


class Wine:
    """A Wine prefix of the walk's own, copied from a prepared one or created anew, with its own
    wineserver, so nothing another test does in its prefix reaches the walk."""

    def __init__(self, prefix, template, display, extra_env):
        self.prefix = prefix
        self.env = dict(
            display.env(),
            WINEPREFIX=prefix,
            WINEARCH="win64",
            WINEDLLOVERRIDES="mscoree,mshtml=",
            WINEDEBUG="-all",
            LC_ALL="C.UTF-8",
        )
        self.env.update(extra_env)
        if template and os.path.isfile(os.path.join(template, "system.reg")):
            subprocess.run(["cp", "-a", template, prefix], check=True)
        else:
            os.makedirs(prefix, exist_ok=True)
            subprocess.run(["wineboot", "-i"], env=self.env, capture_output=True, timeout=240)
            self.wait_server()
        self.program = None

    def local_app_data(self):
        """The prefix's %LOCALAPPDATA%: drive_c/users/<user>/AppData/Local."""
        users = os.path.join(self.prefix, "drive_c", "users")
        for user in sorted(os.listdir(users)):
            path = os.path.join(users, user, "AppData", "Local")
            if user != "Public" and os.path.isdir(path):
                return path
        raise Failure(f"no user profile with AppData/Local under {users}")

    def windows_path(self, unix_path):
        """The C: path of a file inside the prefix's drive_c."""
        relative = os.path.relpath(unix_path, os.path.join(self.prefix, "drive_c"))
        if relative.startswith(".."):
            raise Failure(f"{unix_path} is not on drive C:")
        return "C:\\" + relative.replace("/", "\\")

    def start_in_desktop(self, exe, desktop="vbx", size="1400x900", log=None):
        folder = os.path.dirname(exe)
        self.program = subprocess.Popen(
            ["wine", "explorer", f"/desktop={desktop},{size}", os.path.basename(exe)],
            cwd=folder,
            env=self.env,
            stdout=log or subprocess.DEVNULL,
            stderr=subprocess.STDOUT,
        )

    def wait_program_end(self, timeout=30):
        """Waits until every process of the prefix has ended; the desktop's explorer ends soon
        after the program's last window is gone."""
        if self.program:
            try:
                self.program.wait(timeout)
            except subprocess.TimeoutExpired:
                raise Failure(f"the program's Wine processes were still running {timeout} s after closing")
            self.program = None
        self.wait_server(timeout)

    def wait_server(self, timeout=60):
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=timeout)

    def kill(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        if self.program:
            try:
                self.program.wait(10)
            except subprocess.TimeoutExpired:
                self.program.kill()
            self.program = None


def read_text(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8")


def script_texts(journal_path):
    """The message texts of every script that reached ExecuteScript, in order, unescaped from
    the script's string literal."""
    if not os.path.exists(journal_path):
        return []
    texts = []
    for line in read_text(journal_path).splitlines():
        if not line.startswith("ExecuteScript "):
            continue
        found = re.search(r"const text = '((?:[^'\\]|\\.)*)';", line)
        if not found:
            texts.append(None)
            continue
        escaped = {"n": "\n", "r": "\r", "'": "'", "\\": "\\"}
        texts.append(re.sub(r"\\(.)", lambda m: escaped.get(m.group(1), m.group(0)), found.group(1)))
    return texts
