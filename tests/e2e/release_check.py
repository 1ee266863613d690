"""release_check.py OBJDUMP CPACK CPACK_CONFIG VERSION SOURCE_DIR: CPack's zip holds the README, the LICENSE,
the stripped Verbarix.exe with its version resource and manifest, docs/usage.md, and vbxtool.exe with docs/vbxtool.md;
both exes import only DLLs of every Windows 10/11 (the MinGW runtime is linked in, WebView2Loader.dll loaded at run
time). Beside them Microsoft's WebView2Loader.dll of the SDK, byte for byte (never our stand-in for running under
Wine with Chromium), and the SDK's licence as WebView2Loader-LICENSE.txt."""
import hashlib, re, subprocess, sys, tempfile, zipfile

objdump, cpack, config, version, source = sys.argv[1:6]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll", "ole32.dll",
               "oleaut32.dll", "advapi32.dll", "msvcrt.dll", "ucrtbase.dll", "comctl32.dll", "uxtheme.dll"}
name = f"Verbarix-{version}-win64"
with tempfile.TemporaryDirectory() as out:
    subprocess.run([cpack, "--config", config, "-B", out], check=True, capture_output=True)
    with zipfile.ZipFile(f"{out}/{name}.zip") as package:
        files = {n.removeprefix(name + "/"): package.read(n) for n in package.namelist() if not n.endswith("/")}
        package.extractall(out)
    dumps = [subprocess.run([objdump, "-p", f"{out}/{name}/{exe}"], check=True, capture_output=True, text=True).stdout
             for exe in ("Verbarix.exe", "vbxtool.exe")]
assert sorted(files) == ["LICENSE", "README.md", "Verbarix.exe", "WebView2Loader-LICENSE.txt", "WebView2Loader.dll",
                        "docs/usage.md", "docs/vbxtool.md", "vbxtool.exe"], sorted(files)
sums = dict(line.split()[::-1] for line in open(f"{source}/third_party/webview2/SHA256SUMS"))
loader = hashlib.sha256(files["WebView2Loader.dll"]).hexdigest()
assert loader == sums["x64/WebView2Loader.dll"], f"WebView2Loader.dll is not the SDK's x64 loader: {loader}"
for doc, origin in (("README.md", "README.md"), ("LICENSE", "LICENSE"), ("docs/usage.md", "docs/usage.md"),
                    ("docs/vbxtool.md", "docs/vbxtool.md"),
                    ("WebView2Loader-LICENSE.txt", "third_party/webview2/LICENSE.txt")):
    assert files[doc] == open(f"{source}/{origin}", "rb").read(), f"the package's {doc} differs from {origin}"
for dump in dumps:
    assert "symbols stripped" in dump, "a packaged exe is not stripped"
    imports = {dll.lower() for dll in re.findall(r"DLL Name: (\S+)", dump)}
    assert "kernel32.dll" in imports and imports <= SYSTEM_DLLS, f"imports off the list: {imports - SYSTEM_DLLS}"
exe = files["Verbarix.exe"]
for key, value in (("ProductName", "Verbarix"), ("FileVersion", version), ("ProductVersion", version)):
    utf16 = [re.escape(text.encode("utf-16-le")) for text in (key, value)]  # NUL-padded to 32 bits between
    assert re.search(utf16[0] + rb"(\0\0)+" + utf16[1] + rb"\0\0", exe), f"no {key} {value} in the exe"
assert b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" in exe and b"Common-Controls" not in exe, "manifest"
