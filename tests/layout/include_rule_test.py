#!/usr/bin/env python3
"""The include rule: a file includes only from its own floor or below (base/; the parts' portable
cores, app/'s models last; services/; the parts' window code; app/), a part's window code includes no
other part's, and no files or folders (a part's core and its window code apart) include each other
round about. Usage: include_rule_test.py [SOURCE_ROOT]"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
FLOORS = {"base": 0, "services": 2, "library": 3, "settings": 3, "favourites": 3, "browser": 3, "app": 4}
WINDOW_HEADERS = re.compile(r"(windows|commctrl|commdlg|shlobj|shlwapi|objbase|wrl/.*|WebView2.*)\.h", re.I)
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)

files = {p.relative_to(ROOT).as_posix(): INCLUDE.findall(p.read_text(encoding="utf-8", errors="replace"))
         for folder in FLOORS for p in sorted((ROOT / folder).rglob("*")) if p.suffix in (".h", ".cpp")}
project = {rel: [n for n in names if n in files] for rel, names in files.items()}
# Window code: a file that includes a Windows header, or window code of ours.
window = {rel for rel, names in files.items() if any(WINDOW_HEADERS.fullmatch(n) for n in names)}
while grown := {rel for rel, names in project.items() if rel not in window and window.intersection(names)}:
    window |= grown


def folder(rel):
    return rel.split("/")[0]


def floor(rel):
    if folder(rel) == "base" or rel in window:
        return FLOORS[folder(rel)]
    return 1.5 if folder(rel) == "app" else 1  # the main window's own models above the parts' cores


def half(rel):  # a part's core and its window code apart
    return folder(rel) + ("" if rel in window or folder(rel) == "base" else " (core)")


def unit(rel):  # a file and its platform twins (file_io_win.cpp beside file_io.cpp) are one
    return re.sub(r"_(win|posix|ssse3|platform)$", "", rel.rsplit(".", 1)[0])


faults = []
for rel, names in sorted(project.items()):
    for name in names:
        # Window code is what reaches a Windows header: a core file that includes any becomes it
        # and so lands on its part's window floor, above whatever core file includes it.
        if floor(name) > floor(rel):
            faults.append(f"{rel} (floor {floor(rel)}) includes {name} (floor {floor(name)})")
        elif floor(rel) == floor(name) == 3 and folder(rel) != folder(name):
            faults.append(f"{rel}: a part's window code includes another part's {name}")

for kind, key in (("folders", half), ("files", unit)):
    edges = {}
    for rel, names in project.items():
        edges.setdefault(key(rel), set()).update(key(n) for n in names if key(n) != key(rel))
    reach, before = {a: set(b) for a, b in edges.items()}, None
    while reach != before:  # until it holds everything reachable from each node
        before = {a: set(r) for a, r in reach.items()}
        for a in reach:
            reach[a] |= set().union(*(before.get(n, ()) for n in before[a]))
    circles = {tuple(sorted({a} | {b for b in reach[a] if a in reach.get(b, ())})) for a in edges if a in reach[a]}
    faults += [f"{kind} include each other round about: {', '.join(c)}" for c in sorted(circles)]

print("\n".join(faults) if faults else f"{len(files)} files keep the include rule")
sys.exit(1 if faults else 0)
