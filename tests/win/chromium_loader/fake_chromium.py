#!/usr/bin/env python3
"""A stand-in for Chromium behind --remote-debugging-pipe, for the loader's tests. It notes its pid and
every method it reads in fake-chromium.log of its --user-data-dir. VBX_FAKE_CHROMIUM says how it behaves:
"answer" shows a page and answers every script with its pid; "stuck" shows a page, then reads no more;
"silent" reads and never answers; "exit" ends at once."""
import json, os, sys, time

mode = os.environ.get("VBX_FAKE_CHROMIUM", "answer")
profile = next(a.split("=", 1)[1] for a in sys.argv if a.startswith("--user-data-dir="))
log = open(os.path.join(profile, "fake-chromium.log"), "a", buffering=1)
log.write(f"{os.getpid()} start\n")
if mode == "exit":
    sys.exit(1)
pipe_in, pipe_out = os.fdopen(3, "rb", buffering=0), os.fdopen(4, "wb", buffering=0)


def tell(message):
    pipe_out.write(json.dumps(message).encode() + b"\0")


pending = b""
while chunk := pipe_in.read(65536):
    *messages, pending = (pending + chunk).split(b"\0")
    for text in messages:
        message = json.loads(text)
        method, number = message["method"], message["id"]
        log.write(f"{os.getpid()} {method} {json.dumps(message['params'])}\n")
        if mode == "silent":
            continue
        if method == "Target.setDiscoverTargets":
            tell({"method": "Target.targetCreated", "params": {"targetInfo": {"type": "page", "targetId": "T"}}})
        elif method == "Target.attachToTarget":
            tell({"id": number, "result": {"sessionId": "S"}})
        elif method == "Browser.getWindowForTarget":
            tell({"id": number, "result": {"windowId": 1}})
            if mode == "stuck":
                time.sleep(600)
        elif method == "Runtime.evaluate":
            tell({"id": number, "result": {"result": {"type": "number", "value": os.getpid()}}})
        elif method == "Browser.close":
            sys.exit(0)
