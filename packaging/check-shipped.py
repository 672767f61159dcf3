#!/usr/bin/env python3
"""Checks shipped Windows programs and libraries against the oldest Windows they support.

  check-shipped.py [--version X.Y.Z] ALLOWED FILE...

ALLOWED is packaging/imports-allowed.txt: "DLL!Function version" lines, and one
"floor ARCH version name" line per architecture. For each file (its architecture read
from its header) this fails on
  - an imported function without a line, or one whose version is above the floor,
  - a subsystem or operating-system version in the header above the floor (Windows
    refuses to start such a program),
  - with --version, a version resource missing or with another file version.
Prints one line per fault and a summary; exit 1 on any fault, 2 on bad usage.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peimports  # noqa: E402

MACHINES = {0x14C: "i686", 0x8664: "x86_64"}


def parse_version(text):
    parts = text.split(".")
    if not 1 <= len(parts) <= 4 or not all(p.isdigit() for p in parts):
        raise ValueError("bad version %r" % text)
    return tuple(int(p) for p in parts)


def load_allowed(path):
    allowed, floors = {}, {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].split()
            if not line:
                continue
            where = "%s:%d" % (path, number)
            if line[0] == "floor":
                if len(line) < 4:
                    raise ValueError("%s: floor ARCH VERSION NAME" % where)
                floors[line[1]] = (parse_version(line[2]), " ".join(line[3:]))
                continue
            if len(line) != 2 or "!" not in line[0]:
                raise ValueError("%s: DLL!Function VERSION" % where)
            key = line[0].upper()
            if key in allowed:
                raise ValueError("%s: %s listed twice" % (where, line[0]))
            allowed[key] = (line[0], parse_version(line[1]))
    return allowed, floors


def show(version):
    return ".".join(str(v) for v in version)


def header_versions(pe):
    """(operating-system version, subsystem version) from the optional header."""
    opt = pe.u32(0x3C) + 24
    os_version = (pe.u16(opt + 40), pe.u16(opt + 42))
    subsystem = (pe.u16(opt + 48), pe.u16(opt + 50))
    return os_version, subsystem


def check(path, allowed, floors, want_version):
    faults = []
    pe = peimports.PeFile(path)
    arch = MACHINES.get(pe.machine)
    if arch is None:
        return ["%s: unknown machine %#x" % (path, pe.machine)], 0
    if arch not in floors:
        return ["%s: no floor for %s in the list" % (path, arch)], 0
    floor, floor_name = floors[arch]
    for what, version in zip(("operating-system", "subsystem"), header_versions(pe)):
        if version > floor:
            faults.append("%s: %s version %s in the header is above %s (%s)"
                          % (path, what, show(version), show(floor), floor_name))
    imports = sorted(set(pe.imports()))
    for dll, fn in imports:
        key = ("%s!%s" % (dll, fn)).upper()
        if key not in allowed:
            faults.append("%s: imports %s!%s, which is not in the list" % (path, dll.upper(), fn))
        elif allowed[key][1] > floor:
            faults.append("%s: imports %s, which needs Windows %s; the %s build supports %s (%s)"
                          % (path, allowed[key][0], show(allowed[key][1]), arch, show(floor), floor_name))
    if want_version is not None:
        have = pe.file_version()
        if have is None:
            faults.append("%s: no version resource" % path)
        elif have[:len(want_version)] != want_version:
            faults.append("%s: file version %s, not %s" % (path, show(have), show(want_version)))
    return faults, len(imports)


def main(argv):
    args = argv[1:]
    want_version = None
    if len(args) >= 2 and args[0] == "--version":
        want_version = parse_version(args[1])
        args = args[2:]
    if len(args) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    allowed, floors = load_allowed(args[0])
    faults, files, imports = [], 0, 0
    for path in args[1:]:
        try:
            found, count = check(path, allowed, floors, want_version)
        except (peimports.PeError, OSError, ValueError) as e:
            found, count = ["%s: %s" % (path, e)], 0
        faults += found
        files += 1
        imports += count
    for fault in faults:
        print(fault)
    print("check-shipped: %d files, %d imports, %d faults" % (files, imports, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
