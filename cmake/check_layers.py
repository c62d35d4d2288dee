#!/usr/bin/env python3
"""Reads every #include of the product's layers and fails on one that crosses
a direction the layer table does not allow.

Usage: check_layers.py LAYER-TABLE SOURCE-ROOT

The table is the one cmake/layers.cmake declares, written to the build folder
by CMake (folder, target, the layers it may include, WINDOWS or -, its files,
tab-separated). A layer is the files directly in its folder; a header named
from the root ("ui/toolkit.h") belongs to the layer of its folder, one named
bare to the including file's own folder. A row may also be one file (a
program beside its library), which includes only what its row names; its
folder's row leaves it out. Besides the directions it reports a file of a
layer's folder that the layer's list leaves out (it would be built nowhere)
and a Windows API header outside the WINDOWS rows.
"""
import os
import re
import sys

SOURCE_SUFFIXES = (".c", ".cpp", ".h")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# The Windows API's own headers, which only the adapters and the entry point
# may include; the core talks to the system through its ports.
WINDOWS_HEADERS = {
    "aclapi.h", "commctrl.h", "commdlg.h", "dbghelp.h", "dwmapi.h", "objbase.h", "ole2.h",
    "oleacc.h", "psapi.h", "sddl.h", "shellapi.h", "shellscalingapi.h", "shlobj.h",
    "shlwapi.h", "softpub.h", "tlhelp32.h", "uxtheme.h", "winbase.h", "wincrypt.h",
    "windef.h", "windows.h", "winerror.h", "wingdi.h", "winnt.h", "winreg.h", "winresrc.h",
    "winternl.h", "wintrust.h", "winuser.h",
}


def read_table(path):
    layers = {}
    with open(path, encoding="utf-8") as table:
        for line in table:
            if not line.strip():
                continue
            folder, target, uses, windows, files = line.rstrip("\n").split("\t")
            layers[folder] = {
                "target": target,
                "uses": [] if uses == "-" else uses.split(),
                "windows": windows == "WINDOWS",
                "files": None if files == "-" else set(files.split()),
            }
    return layers


def folder_of(included, including_folder):
    if included.startswith("."):
        return os.path.dirname(os.path.normpath(os.path.join(including_folder, included)))
    if "/" not in included:
        return including_folder
    return os.path.dirname(included)


def check(layers, root):
    problems = []
    includes = 0
    files_read = 0
    for folder, layer in layers.items():
        if folder.endswith(SOURCE_SUFFIXES):
            own = None
            directory, names = os.path.join(root, os.path.dirname(folder)), [os.path.basename(folder)]
        else:
            own = folder
            directory = os.path.join(root, folder)
            names = sorted(name for name in os.listdir(directory)
                           if name.endswith(SOURCE_SUFFIXES)
                           and os.path.isfile(os.path.join(directory, name))
                           and "%s/%s" % (folder, name) not in layers)
        if layer["files"] is not None:
            for name in names:
                if name not in layer["files"]:
                    problems.append("%s/%s: in no list of layer %s (cmake/layers.cmake)"
                                    % (folder, name, folder))
        allowed = ", ".join(layer["uses"]) or "nothing but its own folder"
        for name in names:
            files_read += 1
            here = os.path.relpath(directory, root).replace(os.sep, "/")
            with open(os.path.join(directory, name), encoding="utf-8", errors="replace") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    includes += 1
                    kind, included = match.groups()
                    where = "%s/%s:%d" % (here, name, number)
                    if kind == "<":
                        if included.lower() in WINDOWS_HEADERS and not layer["windows"]:
                            problems.append("%s: includes <%s>: only the WINDOWS layers may"
                                            % (where, included))
                        continue
                    target = folder_of(included, here)
                    if target == own or target in layer["uses"]:
                        continue
                    what = "layer %s" % target if target in layers else "no layer"
                    problems.append('%s: includes "%s" (%s): %s may include %s'
                                    % (where, included, what, folder, allowed))
    return problems, includes, files_read


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    layers = read_table(argv[1])
    problems, includes, files_read = check(layers, argv[2])
    for problem in problems:
        print(problem)
    print("%d includes in %d files of %d layers checked, %d problems"
          % (includes, files_read, len(layers), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
