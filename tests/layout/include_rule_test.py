#!/usr/bin/env python3
"""The include rule of the source tree, checked on every run.

Floors, from the ground up: base/; the portable core of every part (files that reach no window
header), the main window's portable models last; services/, what the parts need of the program;
the parts' window code (library/, settings/, favourites/, browser/); app/, the main window. A file
includes only from its own floor or below, a part's window code includes no other part's window
code, no two folders include each other (directly or round about; a part's core and its window
code count as two, a floor apart), and no two files do.

    include_rule_test.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
FOLDERS = {"base": 0, "services": 2, "library": 3, "settings": 3, "favourites": 3, "browser": 3, "app": 4}
CORE_FLOOR = 1
PARTS_FLOOR = 3
WINDOW_HEADERS = re.compile(r"^(windows|commctrl|commdlg|shlobj|shlwapi|objbase|wrl/.*|WebView2.*|webview2_mingw)\.h$", re.I)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
TWIN_SUFFIXES = ("_win", "_posix", "_ssse3", "_platform")

files = {}
for folder in FOLDERS:
    for path in sorted((ROOT / folder).rglob("*")):
        if path.suffix in (".h", ".cpp"):
            rel = path.relative_to(ROOT).as_posix()
            text = path.read_text(encoding="utf-8", errors="replace")
            files[rel] = [(kind, name) for kind, name in INCLUDE.findall(text)]

project = {rel: [n for k, n in inc if n in files] for rel, inc in files.items()}
# A file is window code when it includes a Windows header or window code of ours.
window = {rel for rel, inc in files.items() if any(WINDOW_HEADERS.match(n) for _, n in inc)}
changed = True
while changed:
    changed = False
    for rel, inc in project.items():
        if rel not in window and any(n in window for n in inc):
            window.add(rel)
            changed = True


def folder(rel):
    return rel.split("/")[0]


def floor(rel):
    if folder(rel) == "base":
        return 0
    if rel in window:
        return FOLDERS[folder(rel)]
    # The main window's own portable models sit above every other part's.
    return CORE_FLOOR + (0.5 if folder(rel) == "app" else 0)


def unit(rel):
    stem = rel.rsplit(".", 1)[0]
    for suffix in TWIN_SUFFIXES:
        if stem.endswith(suffix):
            return stem[: -len(suffix)]
    return stem


faults = []
for rel, inc in sorted(project.items()):
    for name in inc:
        if folder(rel) == "base" and folder(name) != "base":
            faults.append(f"{rel}: base includes {name}")
        elif rel not in window and name in window:
            faults.append(f"{rel}: portable code includes window code {name}")
        elif floor(name) > floor(rel):
            faults.append(f"{rel} (floor {floor(rel)}) includes {name} (floor {floor(name)})")
        elif floor(rel) == floor(name) == PARTS_FLOOR and folder(rel) != folder(name):
            faults.append(f"{rel}: a part's window code includes another part's {name}")


def cycles(edges):
    """Every strongly connected group of more than one node (Tarjan)."""
    index, low, stack, on, out, counter = {}, {}, [], set(), [], [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in edges.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                out.append(sorted(group))

    for v in list(edges):
        if v not in index:
            visit(v)
    return out


def half(rel):
    """A folder, its core and its window code apart."""
    return folder(rel) + ("" if rel in window or folder(rel) == "base" else " (core)")


for kind, key in (("folders", half), ("files", unit)):
    edges = {}
    for rel, inc in project.items():
        for name in inc:
            if key(name) != key(rel):
                edges.setdefault(key(rel), set()).add(key(name))
    for group in cycles(edges):
        faults.append(f"{kind} include each other round about: {', '.join(group)}")

print("\n".join(faults) if faults else f"{len(files)} files keep the include rule")
sys.exit(1 if faults else 0)
