"""chat_bench.py [SENDS]: how long the chat takes under Wine with the Chromium stand-in, from the click on
"An KI senden" to the mock page's input field holding the message, median of SENDS (20) sends. Runs the chat
test's setting (tests/e2e/chat.py: the real Verbarix.exe, a mock ChatGPT page over TLS on 127.0.0.1); the click
time is taken just before xdotool clicks, the page's time when insertText hands it the text (both the wall
clock of this machine, so the figure holds the start of xdotool too). Needs the windows preset built."""
import os, statistics, sys, time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import chat  # noqa: E402

build = os.path.join(root, "build", "windows")
sends = int(sys.argv[1]) if len(sys.argv) > 1 else 20
session = chat.Chat(os.path.join(build, "app", "Verbarix.exe"),
                    os.path.join(build, "browser", "chromium_loader", "WebView2Loader.dll"),
                    os.path.join(build, "wineprefix"))
try:
    times = []
    for _ in range(sends):
        clicked = session.send()
        got = chat.wait("the message", lambda: session.take("got"), 30)
        times.append(got[0]["at"] - clicked)
        time.sleep(1)  # the page's Send click comes 800 ms later; the next send after it
        session.take("click")
finally:
    session.close()
times.sort()
print(f"send button -> page input holding the text: median {statistics.median(times):.1f} ms "
      f"(min {times[0]:.1f}, max {times[-1]:.1f}, {sends} sends)")
