#!/usr/bin/env python3
"""Checks that the folders keep to their layers: every project header is
included by its folder from the top of the tree, each folder includes only
from the layers it builds on, and the engine's internals (its buffers
included) stay inside it.

Usage: layout_check.py REPOSITORY_ROOT; prints each breach, exits 1 on any."""
import pathlib
import re
import sys

# What each folder may include from, besides itself.
LAYERS = {
    "engine": set(),
    "containers": {"engine"},
    "form": {"engine"},
    "settings": {"engine"},
    "preview": {"engine", "form"},
    "probe": {"engine"},
    "sample": {"engine"},
    "gui": {"engine", "containers", "form", "settings", "preview", "probe"},
    "cli": {"engine", "containers", "form", "settings", "preview", "probe"},
    "tools": {"engine", "containers", "form", "settings", "preview", "probe", "gui", "sample"},
    "python": {"engine", "containers", "form", "settings"},
}
# Who may reach into the engine's internals.
INTERNAL_USERS = ("engine/", "tests/engine/", "tests/fuzz/", "bench/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# The buffers an image passes through are the engine's own: no other layer
# reads or writes them.
BUFFER_NAMES = re.compile(r"\b(intReadArea|floatReadArea|outImage|intBuffer|floatBuffer|outBuffer)\b")


def breaches(root):
    sources = [p for p in root.rglob("*") if p.suffix in (".h", ".cpp")
               and not any(part.startswith("build") for part in p.relative_to(root).parts)]
    for path in sources:
        name = path.relative_to(root).as_posix()
        folder = name.split("/")[0]
        text = path.read_text(encoding="utf-8")
        if folder in LAYERS and folder != "engine":
            for used in sorted(set(BUFFER_NAMES.findall(text))):
                yield f"{name}: uses the engine's buffer {used}"
        for included in INCLUDE.findall(text):
            if included.startswith("ui_"):
                continue  # made by the build from a .ui file
            if "/" not in included:
                yield f"{name}: \"{included}\" does not name its folder"
                continue
            top = included.split("/")[0]
            if not (root / included).exists():
                yield f"{name}: \"{included}\" is not a file of the tree"
            if "/internal/" in included and not name.startswith(INTERNAL_USERS):
                yield f"{name}: includes the engine's internal \"{included}\""
            if "/internal/" in included and re.fullmatch(r"engine/[^/]+\.h", name):
                yield f"{name}: an installed header includes the internal \"{included}\""
            if folder in LAYERS and top != folder and top not in LAYERS[folder]:
                yield f"{name}: the {folder} layer may not include \"{included}\""


def main():
    found = list(breaches(pathlib.Path(sys.argv[1]).resolve()))
    for line in found:
        print(line)
    print(f"layout: {len(found)} breaches")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
