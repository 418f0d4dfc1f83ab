#!/usr/bin/env python3
"""Checks the arrows between the installer's subsystems and the pure/Win32 split by file name.

- src/setup/engine includes nothing of src/setup/host or src/setup/webview;
- src/setup/webview includes nothing of src/setup/host;
- src/common and src/uninstall include nothing of src/setup;
- only files named *_win.* (and *_win_test.cpp) include <windows.h> or any *_win.h header.

Usage: check_layout.py <source root>. Prints each breach and exits 1 when there is one.
check_layout.py --self-test runs it on a small tree with one breach of each kind.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
FORBIDDEN = {
    "src/setup/engine": ("setup/host/", "setup/webview/"),
    "src/setup/webview": ("setup/host/",),
    "src/common": ("setup/", "uninstall/"),
    "src/uninstall": ("setup/",),
}
WIN_HEADERS = ("windows.h", "shlobj.h", "objbase.h", "shellapi.h", "winternl.h")


def is_win_file(path: pathlib.Path) -> bool:
    return re.search(r"_win(_test)?\.(cpp|h)$", path.name) is not None


def breaches(root: pathlib.Path):
    for path in sorted((root / "src").rglob("*")):
        if path.suffix not in (".cpp", ".h"):
            continue
        rel = path.relative_to(root).as_posix()
        text = path.read_text(encoding="utf-8")
        for kind, name in INCLUDE.findall(text):
            for folder, banned in FORBIDDEN.items():
                if rel.startswith(folder + "/") and name.startswith(banned):
                    yield f"{rel}: includes {name}, against the arrows of {folder}"
            if not is_win_file(path):
                if kind == "<" and name.lower() in WIN_HEADERS:
                    yield f"{rel}: pure file includes <{name}>; name it *_win.* or move the Win32 part out"
                if kind == '"' and re.search(r"_win\.h$", name):
                    yield f"{rel}: pure file includes the Win32 header {name}"


def self_test() -> int:
    import tempfile

    planted = {
        "src/setup/engine/a.cpp": '#include "setup/host/page_calls.h"\n',
        "src/setup/engine/b.cpp": "#include <windows.h>\n",
        "src/setup/webview/c.cpp": '#include "setup/host/x.h"\n',
        "src/common/d.h": '#include "common/system_win.h"\n',
        "src/uninstall/e.cpp": '#include "setup/engine/unpack.h"\n',
        # allowed: a Win32 file, a test of one, and the host reaching down
        "src/setup/engine/f_win.cpp": '#include <windows.h>\n#include "common/system_win.h"\n',
        "src/setup/engine/f_win_test.cpp": "#include <windows.h>\n",
        "src/setup/host/g.cpp": '#include "setup/engine/unpack.h"\n#include "setup/webview/h.h"\n',
    }
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        for rel, text in planted.items():
            (root / rel).parent.mkdir(parents=True, exist_ok=True)
            (root / rel).write_text(text)
        found = sorted(line.split(":")[0] for line in breaches(root))
    want = sorted(["src/setup/engine/a.cpp", "src/setup/engine/b.cpp", "src/setup/webview/c.cpp", "src/common/d.h",
                   "src/uninstall/e.cpp"])
    if found != want:
        print(f"self-test: found {found}, expected {want}")
        return 1
    return 0


def main() -> int:
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    if not (root / "src" / "setup" / "engine").is_dir():
        print(f"{root}: no src/setup/engine here", file=sys.stderr)
        return 2
    found = list(breaches(root))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
