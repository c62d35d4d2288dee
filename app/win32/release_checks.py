#!/usr/bin/env python3
"""Release checks of the i686 KtrSetup.exe that need more than CMake's
string handling (ctest runs them; see cmake/launcher.cmake):

  release_checks.py imports OBJDUMP EXE LIST
      Every function the program imports is in LIST, the checked-in table of
      imports and the oldest Windows that has each, and none is newer than
      Windows XP SP3; nor is the subsystem version in the header. The table
      must list nothing that is not imported.
  release_checks.py stack OBJDUMP COMPILE_COMMANDS OBJECT_FOLDER...
      Every compile command assumes a 4-byte aligned stack on entry
      (32-bit Windows calls callbacks with no more), and no function of the
      launcher's objects makes an aligned SSE access to its stack frame
      without first realigning the stack.
  release_checks.py hardening OBJDUMP EXE MAP COMPILE_COMMANDS
      What the toolchain can give against memory-corruption exploits, read
      back from the built program: ASLR (DYNAMIC_BASE with its base
      relocations), DEP (NX_COMPAT), on x86_64 the high-entropy address
      space, on i686 no SEH handler that an overwritten frame could name
      (NO_SEH: the DWARF-2 unwinder registers none), and the stack
      protector in every compile command with its runtime linked in.
  release_checks.py version EXE KEY=VALUE...
      The program's version resource carries each text KEY with VALUE, and
      its fixed part the numbers of FileVersion and ProductVersion. Read
      from the file itself, so it holds for a signed program too.
"""
import json
import struct
import re
import subprocess
import sys
from pathlib import Path

# Oldest first; the launcher promises Windows XP SP3.
WINDOWS = ["95", "nt4", "2000", "xp", "xpsp1", "xpsp2", "xpsp3", "vista", "7", "8", "8.1", "10"]
FLOOR = "xpsp3"
STACK_FLAG = "-mincoming-stack-boundary=2"


def objdump(tool, *args):
    done = subprocess.run([tool, *args], capture_output=True, text=True, timeout=300)
    if done.returncode != 0:
        raise SystemExit("%s %s failed: %s" % (tool, " ".join(args), done.stderr.strip()))
    return done.stdout


def imported(tool, exe):
    """{(dll, function)} of the program's import table, DLL names in lower
    case; an import by ordinal only is named #ordinal."""
    found = set()
    dll = None
    dump = objdump(tool, "-p", exe)
    for line in dump.splitlines():
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            dll = match.group(1).lower()
            continue
        match = re.match(r"\t([0-9a-f]+)\t +(\d+)(?: +(\S+))?$", line)
        if dll and match:
            found.add((dll, match.group(3) or "#" + match.group(2)))
    if not found:
        raise SystemExit("no import found in %s" % exe)
    return found, dump


def subsystem_version(dump):
    """The header's subsystem version: Windows refuses a program that asks
    for a newer one than itself (XP is 5.1)."""
    numbers = [re.search(r"%sSubsystemVersion\s+(\d+)" % part, dump) for part in ("Major", "Minor")]
    if not all(numbers):
        raise SystemExit("no subsystem version in the program's header")
    return tuple(int(number.group(1)) for number in numbers)


def read_list(path):
    table = {}
    problems = []
    for number, line in enumerate(Path(path).read_text().splitlines(), 1):
        line = line.split("#", 1)[0].strip() if not line.lstrip().startswith("#") else ""
        if not line:
            continue
        fields = line.split()
        if len(fields) < 3 or fields[2] not in WINDOWS:
            problems.append("%s:%d: expected 'DLL FUNCTION OLDEST' with OLDEST one of %s"
                            % (path, number, " ".join(WINDOWS)))
            continue
        table[(fields[0].lower(), fields[1])] = fields[2]
    return table, problems


def check_imports(tool, exe, listing):
    found, dump = imported(tool, exe)
    table, problems = read_list(listing)
    if subsystem_version(dump) > (5, 1):
        problems.append("the header asks for subsystem version %d.%d, newer than XP's 5.1"
                        % subsystem_version(dump))
    for entry in sorted(found - table.keys()):
        problems.append("%s %s is imported but not in %s: look up the oldest Windows that has "
                        "it and add it" % (entry + (Path(listing).name,)))
    for entry in sorted(table.keys() - found):
        problems.append("%s %s is listed but no longer imported: remove it" % entry)
    for entry in sorted(found & table.keys()):
        if WINDOWS.index(table[entry]) > WINDOWS.index(FLOOR):
            problems.append("%s %s needs Windows %s, newer than XP SP3: look it up at run "
                            "time instead" % (entry + (table[entry],)))
    dlls = sorted({dll for dll, _ in found})
    print("%s imports %d functions from %d DLLs (%s)" % (Path(exe).name, len(found), len(dlls),
                                                       ", ".join(dlls)))
    return problems


# Moves and packed-integer operations whose memory operand must be 16-byte
# aligned; the unaligned forms (movups, movdqu) are fine anywhere.
ALIGNED = re.compile(r"^(movaps|movapd|movdqa|movntdq|movntps|p[a-z0-9]+|andp[sd]|orp[sd]|"
                     r"xorp[sd]|addp[sd]|subp[sd]|mulp[sd]|shufp[sd]|unpck[lh]p[sd])$")


def check_stack(tool, commands, folders):
    problems = []
    entries = json.loads(Path(commands).read_text())
    if not entries:
        problems.append("%s lists no compile command" % commands)
    for entry in entries:
        command = entry.get("command") or " ".join(entry.get("arguments", []))
        if STACK_FLAG not in command.split():
            problems.append("%s is compiled without %s" % (entry["file"], STACK_FLAG))
    objects = sorted(path for folder in folders for path in Path(folder).rglob("*.obj"))
    if not objects:
        problems.append("no object file under %s" % " ".join(folders))
    functions = 0
    for path in objects:
        function, realigned = None, False
        for line in objdump(tool, "-d", "--no-show-raw-insn", str(path)).splitlines():
            header = re.match(r"^[0-9a-f]+ <(.+)>:$", line)
            if header:
                function, realigned = header.group(1), False
                functions += 1
                continue
            parts = line.split("\t")
            if len(parts) < 2 or function is None:
                continue
            mnemonic, _, operands = parts[1].strip().partition(" ")
            if mnemonic == "and" and re.match(r"\$0xffffff[fe]0,%esp", operands.strip()):
                realigned = True
            elif ALIGNED.match(mnemonic) and "%xmm" in operands and \
                    re.search(r"\(%e[sb]p", operands) and not realigned:
                problems.append("%s: %s makes an aligned SSE access to its stack frame without "
                                "realigning the stack: %s %s" % (path.name, function, mnemonic,
                                                                 operands.strip()))
    print("%d compile commands, %d functions in %d objects checked" % (len(entries), functions,
                                                                      len(objects)))
    return problems


PROTECTOR_FLAG = "-fstack-protector-strong"


def check_hardening(tool, exe, link_map, commands):
    problems = []
    dump = objdump(tool, "-p", exe)
    machine = "x86_64" if re.search(r"file format pei-x86-64", dump) else "i386"
    match = re.search(r"DllCharacteristics\s+([0-9a-f]+)((?:\n\t+[A-Z_]+)*)", dump)
    flags = set(match.group(2).split()) if match else set()
    wanted = {"DYNAMIC_BASE", "NX_COMPAT"}
    wanted |= {"HIGH_ENTROPY_VA"} if machine == "x86_64" else {"NO_SEH"}
    for flag in sorted(wanted - flags):
        problems.append("%s lacks %s in its DllCharacteristics" % (exe, flag))
    relocations = re.search(r"Entry 5 ([0-9a-f]+) ([0-9a-f]+) Base Relocation", dump)
    if not relocations or int(relocations.group(2), 16) == 0:
        problems.append("%s has no base relocations: the system cannot move it" % exe)
    entries = json.loads(Path(commands).read_text())
    for entry in entries:
        command = entry.get("command") or " ".join(entry.get("arguments", []))
        if PROTECTOR_FLAG not in command.split():
            problems.append("%s is compiled without %s" % (entry["file"], PROTECTOR_FLAG))
    if "__stack_chk_fail" not in Path(link_map).read_text(errors="replace"):
        problems.append("%s links no stack protector runtime (__stack_chk_fail)" % link_map)
    print("%s (%s): %s; %d compile commands with %s" % (
        Path(exe).name, machine, " ".join(sorted(flags & (wanted | {"HIGH_ENTROPY_VA"}))),
        len(entries), PROTECTOR_FLAG))
    return problems


RT_VERSION = 16


def resource_data(exe, kind):
    """The bytes of the first resource of type KIND in the PE file EXE, or
    None."""
    data = Path(exe).read_bytes()
    if data[:2] != b"MZ":
        raise SystemExit("%s is not a Windows program" % exe)
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0":
        raise SystemExit("%s has no PE header" % exe)
    sections, optional_size = struct.unpack_from("<H12xH", data, header + 6)
    optional = header + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    root_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw in spans:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise SystemExit("%s: address 0x%x lies in no section" % (exe, rva))

    if not root_rva:
        return None
    root = offset(root_rva)

    def first_entry(directory, wanted=None):
        named, numbered = struct.unpack_from("<12xHH", data, directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return target
        return None

    target = first_entry(root, kind)
    for _ in range(2):  # name, then language
        if target is None or not target & 0x80000000:
            return None
        target = first_entry(root + (target & 0x7FFFFFFF))
    if target is None or target & 0x80000000:
        return None
    rva, size = struct.unpack_from("<II", data, root + target)
    return data[offset(rva):offset(rva) + size]


def version_info(block):
    """(fixed numbers FileVersion and ProductVersion, {text key: value}) of a
    VS_VERSIONINFO block."""
    texts = {}
    fixed = {}

    def node(start):
        length, value_length, kind = struct.unpack_from("<HHH", block, start)
        end = block.index(b"\0\0", start + 6)
        while (end - start - 6) % 2:
            end = block.index(b"\0\0", end + 1)
        key = block[start + 6:end].decode("utf-16-le")
        value = (end + 2 + 3) & ~3
        return key, length, value_length, kind, value

    def walk(start, stop, depth):
        while start + 6 <= stop:
            key, length, value_length, kind, value = node(start)
            if length == 0:
                break
            children = value
            if key == "VS_VERSION_INFO" and value_length >= 52:
                numbers = struct.unpack_from("<IIIIII", block, value)
                if numbers[0] != 0xFEEF04BD:
                    raise SystemExit("the fixed version part has no signature")
                fixed["FileVersion"] = "%d.%d.%d.%d" % (numbers[2] >> 16, numbers[2] & 0xFFFF,
                                                      numbers[3] >> 16, numbers[3] & 0xFFFF)
                fixed["ProductVersion"] = "%d.%d.%d.%d" % (numbers[4] >> 16, numbers[4] & 0xFFFF,
                                                         numbers[5] >> 16, numbers[5] & 0xFFFF)
            if depth == 3 and kind == 1:
                text = block[value:value + 2 * value_length].decode("utf-16-le")
                texts[key] = text.split("\0", 1)[0]
            elif kind == 0 and value_length:
                children = (value + value_length + 3) & ~3
            elif kind == 1 and value_length:
                children = (value + 2 * value_length + 3) & ~3
            walk(children, start + length, depth + 1)
            start = (start + length + 3) & ~3

    walk(0, len(block), 0)
    return fixed, texts


def check_version(exe, wanted):
    block = resource_data(exe, RT_VERSION)
    if block is None:
        return ["%s has no version resource" % Path(exe).name]
    fixed, texts = version_info(block)
    problems = []
    for pair in wanted:
        key, _, value = pair.partition("=")
        if texts.get(key) != value:
            problems.append("%s is %r, expected %r" % (key, texts.get(key), value))
        if key in fixed and fixed[key] != value:
            problems.append("the fixed %s is %s, expected %s" % (key, fixed[key], value))
    for key, value in sorted(texts.items()):
        print("%s: %s" % (key, value))
    return problems


def main(argv):
    if len(argv) == 5 and argv[1] == "imports":
        problems = check_imports(*argv[2:])
    elif len(argv) >= 4 and argv[1] == "version":
        problems = check_version(argv[2], argv[3:])
    elif len(argv) == 6 and argv[1] == "hardening":
        problems = check_hardening(*argv[2:])
    elif len(argv) >= 5 and argv[1] == "stack":
        problems = check_stack(argv[2], argv[3], argv[4:])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
