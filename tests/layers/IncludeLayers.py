#!/usr/bin/env python3
"""The project's layers, and a check that no source includes a header of a layer above its own.

From the bottom: the host's SDK headers (host/, or the host's own SDK) and the scenario block's
format (tetherblock/), which know nothing of the rest; then the plug-in, a folder a concern, each
building only on those below it: math, the tether, the block's reading and writing (persist), the
registry, the display, and the module's entry. The simulated host (sim/) and the real host's
modules (realhost/) reach the plug-in only through the module's interface, never its headers; the
plug-in never includes the simulated host's.

    IncludeLayers.py ROOT   prints every include that breaks a layer, and exits 1 if there is one
"""
import os
import re
import sys

# The plug-in's folders, lowest first: each may include those before it and itself.
PLUGIN = ["plugin/math", "plugin/tether", "plugin/persist", "plugin/registry", "plugin/display", "plugin/entry"]

# The SDK's headers, which the plug-in includes by their bare names ("Orbitersdk.h").
SDK = "the host's SDK"


def Allowed(folder):
    """What the sources of `folder` may include: folders, and SDK for the SDK's bare names. None
    for a folder whose includes are not checked but for the rule that only the plug-in includes
    the plug-in."""
    if folder == "host":
        return [SDK]
    if folder == "tetherblock":
        return ["tetherblock"]
    if folder in PLUGIN:
        return [SDK, "tetherblock"] + PLUGIN[: PLUGIN.index(folder) + 1]
    return None


INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.M)
SOURCE = re.compile(r"\.(cpp|h)$")


def FolderOf(path):
    """The layer a file belongs to: plugin/X for the plug-in, else its top folder."""
    parts = path.split("/")
    if parts[0] == "plugin" and len(parts) > 2:
        return "plugin/" + parts[1]
    return parts[0]


def Breaks(root):
    """Every include that breaks a layer, as 'file:line: text'."""
    sdkNames = set(os.listdir(os.path.join(root, "host")))
    found = []
    for top in ["host", "tetherblock", "plugin", "sim", "realhost", "tools"]:
        for directory, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not SOURCE.search(name):
                    continue
                path = os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/")
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    text = f.read()
                for match in INCLUDE.finditer(text):
                    line = text.count("\n", 0, match.start()) + 1
                    reason = Break(path, match.group(1), sdkNames)
                    if reason:
                        found.append(f"{path}:{line}: {reason}")
    return found


def Break(path, included, sdkNames):
    """Why `path` may not include `included`, or None."""
    folder = FolderOf(path)
    target = FolderOf(included) if "/" in included else None
    if folder in PLUGIN and included.startswith("../"):
        return f'"{included}": the plug-in includes from the project\'s top'
    if not folder.startswith("plugin") and included.startswith("plugin/"):
        return f'"{included}": {folder}/ reaches the plug-in only through the module\'s interface'
    allowed = Allowed(folder)
    if allowed is None:
        return None
    if target is None:
        # A bare name: one of the SDK's headers, or a header beside the file (host/ only).
        if SDK in allowed and included in sdkNames:
            return None
        return f'"{included}": {folder}/ includes its headers from the project\'s top'
    if target not in allowed:
        return f'"{included}": {folder}/ builds only on {", ".join(a + "/" for a in allowed if a != SDK)}'
    return None


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: IncludeLayers.py ROOT")
    found = Breaks(sys.argv[1])
    for line in found:
        print(line)
    if found:
        sys.exit(1)
    print("every include keeps to its layer")


if __name__ == "__main__":
    main()
