#!/usr/bin/env python3
"""Checks the Windows release: the exe needs nothing but Windows' own DLLs, carries its version
resource and manifest, and the release package holds exactly the exe, the README and the license.

    release_check.py exe OBJDUMP EXE VERSION
    release_check.py package OBJDUMP CPACK CPACK_CONFIG VERSION
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

# DLLs that every Windows 10/11 has in System32. The MinGW runtime (libstdc++, libgcc,
# libwinpthread) must be linked in, and WebView2Loader.dll is loaded at run time, not imported.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll",
    "ole32.dll", "oleaut32.dll", "advapi32.dll", "msvcrt.dll", "ucrtbase.dll", "comctl32.dll",
    "uxtheme.dll", "version.dll", "ntdll.dll", "bcrypt.dll", "ws2_32.dll",
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def utf16(text):
    return text.encode("utf-16-le")


def check_exe(objdump, exe, version):
    dump = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    imports = [name.strip().lower() for name in re.findall(r"DLL Name: (\S+)", dump)]
    check(imports, f"{exe}: objdump shows no imports at all")
    for name in imports:
        ok = name in SYSTEM_DLLS or name.startswith("api-ms-win-")
        check(ok, f"{exe}: imports {name}, which is not a Windows system DLL")
    check("webview2loader.dll" not in imports, f"{exe}: WebView2Loader.dll is a static import")

    headers = subprocess.run([objdump, "-h", exe], capture_output=True, text=True, check=True).stdout
    check(re.search(r"^\s*\d+\s+\.rsrc\s", headers, re.M), f"{exe}: no .rsrc section")

    data = open(exe, "rb").read()
    # VERSIONINFO strings are UTF-16: each key, NUL padding to 32 bits, then the value.
    for key, value in (("ProductName", "Verbarix"), ("FileVersion", version), ("ProductVersion", version)):
        pattern = re.escape(utf16(key)) + rb"(?:\x00\x00)+" + re.escape(utf16(value)) + rb"\x00\x00"
        check(re.search(pattern, data), f"{exe}: version resource lacks {key} {value}")
    check(utf16("VS_VERSION_INFO") in data, f"{exe}: no VS_VERSION_INFO block")

    # The manifest is stored as the plain UTF-8 text of the file.
    check(b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" in data, f"{exe}: manifest lacks Windows 10/11")
    check(b"<assembly" in data, f"{exe}: no application manifest")
    check(b"Microsoft.Windows.Common-Controls" not in data, f"{exe}: manifest asks for visual styles")


def check_package(objdump, cpack, config, version):
    with tempfile.TemporaryDirectory(prefix="vbx-package-") as out:
        run = subprocess.run([cpack, "--config", config, "-B", out], capture_output=True, text=True)
        check(run.returncode == 0, "cpack failed:\n" + run.stdout + run.stderr)
        name = f"Verbarix-{version}-win64"
        archive = os.path.join(out, name + ".zip")
        check(os.path.isfile(archive), f"no {name}.zip written: {os.listdir(out)}")
        if failures:
            return
        with zipfile.ZipFile(archive) as package:
            names = sorted(n for n in package.namelist() if not n.endswith("/"))
            expected = sorted(f"{name}/{f}" for f in ("Verbarix.exe", "README.md", "LICENSE"))
            check(names == expected, f"package holds {names}, expected {expected}")
            check("MIT License" in package.read(f"{name}/LICENSE").decode(), "LICENSE is not the MIT license")
            check("WebView2Loader.dll" in package.read(f"{name}/README.md").decode(),
                  "README does not say where WebView2Loader.dll comes from")
            package.extract(f"{name}/Verbarix.exe", out)
        # The packed exe is stripped: the resources must survive that.
        check_exe(objdump, os.path.join(out, name, "Verbarix.exe"), version)


def main():
    mode = sys.argv[1]
    if mode == "exe":
        check_exe(*sys.argv[2:5])
    elif mode == "package":
        check_package(*sys.argv[2:6])
    else:
        sys.exit(f"unknown mode {mode}")
    for failure in failures:
        print("FAILED:", failure)
    if failures:
        sys.exit(1)
    print("ok")


if __name__ == "__main__":
    main()
