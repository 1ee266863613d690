#!/usr/bin/env python3
"""Chromium behind --remote-debugging-pipe for the loader's tests; notes its pid and what it reads. VBX_FAKE_CHROMIUM:
"answer" answers scripts with its pid, "stuck" reads no more once shown, "silent" never answers, "exit" ends."""
import json, os, sys, time

mode, pid = os.environ["VBX_FAKE_CHROMIUM"], os.getpid()
profile = next(a.split("=", 1)[1] for a in sys.argv if a.startswith("--user-data-dir="))
log = open(os.path.join(profile, "fake-chromium.log"), "a", buffering=1)
log.write(f"{pid} start\n")
pipe_in, pipe_out, pending = os.fdopen(3, "rb", buffering=0), os.fdopen(4, "wb", buffering=0), b""
answers = {"Target.attachToTarget": {"sessionId": "S"}, "Browser.getWindowForTarget": {"windowId": 1},
           "Runtime.evaluate": {"result": {"type": "number", "value": pid}}}


def reply(message):
    if message["method"] == "Target.setDiscoverTargets":
        return {"method": "Target.targetCreated", "params": {"targetInfo": {"type": "page", "targetId": "T"}}}
    if message["method"] in answers:
        return {"id": message["id"], "result": answers[message["method"]]}


while mode != "exit" and (chunk := pipe_in.read(65536)):
    *messages, pending = (pending + chunk).split(b"\0")
    for message in map(json.loads, messages):
        log.write(f"{pid} {message['method']} {json.dumps(message['params'])}\n")
        if mode != "silent" and (answer := reply(message)):
            pipe_out.write(json.dumps(answer).encode() + b"\0")
        if mode == "stuck" and message["method"] == "Browser.getWindowForTarget":
            time.sleep(600)
