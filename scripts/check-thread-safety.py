#!/usr/bin/env python3
"""Checks the lock annotations of every source that takes a lock with clang's -Wthread-safety.

    scripts/check-thread-safety.py [BUILD [SOURCE...]]

BUILD (default: build) is a configured build of any compiler; its compile_commands.json gives each file's
flags. The Qt-Core-only libraries are also checked by their clang build; this covers the rest (platform,
programs). A source takes part when it or its own header includes common/Mutex.h; SOURCE names narrow the
run to those files. Exits 1 on any warning.
"""
import json
import os
import pathlib
import shlex
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

root = pathlib.Path(__file__).resolve().parent.parent
build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else root / "build").resolve()


def uses_mutex(path: pathlib.Path) -> bool:
    for candidate in (path, path.with_suffix(".h")):
        if candidate.exists() and '#include "common/Mutex.h"' in candidate.read_text(errors="replace"):
            return True
    return False


def clang_command(entry) -> list:
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    out = ["clang++"]
    skip = False
    for arg in args[1:]:
        if skip:
            skip = False
        elif arg in ("-o", "-c"):
            skip = True
        elif arg.startswith("-Werror") or arg.startswith("-g") or arg.startswith("-O"):
            pass
        else:
            out.append(arg)
    return out + ["-fsyntax-only", "-Wno-everything", "-Wthread-safety", "-Werror=thread-safety",
                  entry["file"]]


def check(entry):
    result = subprocess.run(clang_command(entry), cwd=entry["directory"], capture_output=True, text=True)
    return entry["file"], result.returncode, result.stderr


def main() -> int:
    commands = json.loads((build / "compile_commands.json").read_text())
    entries = [e for e in commands
               if pathlib.Path(e["file"]).resolve().is_relative_to(root / "src")
               and uses_mutex(pathlib.Path(e["file"]))
               and (len(sys.argv) < 3 or any(e["file"].endswith(name) for name in sys.argv[2:]))]
    if not entries:
        print(f"check-thread-safety: no source in {build} takes a lock", file=sys.stderr)
        return 1
    failed = 0
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for path, status, errors in pool.map(check, entries):
            if status != 0:
                failed += 1
                sys.stderr.write(errors)
    print(f"thread-safety: {len(entries) - failed} of {len(entries)} sources clean")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
