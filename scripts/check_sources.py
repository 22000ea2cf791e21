#!/usr/bin/env python3
"""Checks the shape of the source tree: every include points to the same folder or a lower
one, nothing below the desktop program includes Qt, and no source file passes 600 lines.
Prints one line per finding and exits 1 when there is any."""
import os
import re
import sys

# Lower folders first. A folder may include itself and any folder before it; folders on one
# step (probe and component, ui and cli) do not include each other unless listed as allowed.
FLOORS = [
    ["myutil"],
    ["binding"],
    ["engine/options"],
    ["engine/files"],
    ["engine/pipeline"],
    ["engine"],
    ["probe"],
    ["component"],
    ["form"],
    ["ui", "cli"],
]
QT_ALLOWED = {"ui"}
MAX_LINES = 600
INCLUDE = re.compile(r'^\s*#\s*include\s+[<"]([^">]+)[">]')


def folder_of(relative):
    parts = relative.split("/")
    if parts[0] == "engine" and len(parts) > 2:
        return "engine/" + parts[1]
    return parts[0]


def floor_of(folder):
    for level, folders in enumerate(FLOORS):
        if folder in folders:
            return level
    return None


def main(source_root):
    findings = []
    for directory, _, names in os.walk(source_root):
        for name in sorted(names):
            if not name.endswith((".h", ".c", ".cpp")):
                continue
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, source_root)
            folder = folder_of(relative)
            level = floor_of(folder)
            with open(path, encoding="utf-8", errors="replace") as source:
                lines = source.readlines()
            if len(lines) > MAX_LINES:
                findings.append(f"{relative}: {len(lines)} lines (at most {MAX_LINES})")
            for number, line in enumerate(lines, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = match.group(1)
                if target.startswith("Q") and folder not in QT_ALLOWED:
                    findings.append(f"{relative}:{number}: includes {target} below the desktop program")
                if "/" not in target or level is None:
                    continue
                target_folder = folder_of(target)
                target_level = floor_of(target_folder)
                if target_level is None or target_folder == folder:
                    continue
                if target_level >= level:
                    findings.append(f"{relative}:{number}: {folder} includes {target} from {target_folder}")
    for finding in findings:
        print(finding)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "src"))
