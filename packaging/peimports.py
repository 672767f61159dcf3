#!/usr/bin/env python3
"""Lists the functions a PE program or library imports, one "DLL!Function" a line.

Reads the import directory (and the delay-load directory, whose functions fail at the
first call instead of at load time, so they count the same) straight from the file:
no binutils needed, and the same reader serves both architectures.
Imports by ordinal are written "DLL!#ordinal".
"""
import struct
import sys


class PeError(Exception):
    pass


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if len(d) < 0x40 or d[:2] != b"MZ":
            raise PeError("not an MZ file")
        pe = self.u32(0x3C)
        if d[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        self.machine, nsections, _, _, _, optsize, _ = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        magic = self.u16(opt)
        if magic == 0x10B:
            self.pe64 = False
            dirs = opt + 96
        elif magic == 0x20B:
            self.pe64 = True
            dirs = opt + 112
        else:
            raise PeError("unknown optional header magic %#x" % magic)
        ndirs = self.u32(dirs - 4)
        self.dirs = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        sec = opt + optsize
        for i in range(nsections):
            _, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", d, sec + 40 * i)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr, rawsize))

    def u16(self, off):
        return struct.unpack_from("<H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.data, off)[0]

    def offset(self, rva):
        for vaddr, size, rawptr, rawsize in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= rawsize:
                    raise PeError("RVA %#x lies past its section's data" % rva)
                return rawptr + rva - vaddr
        raise PeError("RVA %#x lies in no section" % rva)

    def cstr(self, rva):
        off = self.offset(rva)
        end = self.data.find(b"\0", off)
        if end < 0:
            raise PeError("unterminated name at %#x" % rva)
        return self.data[off:end].decode("ascii", "replace")

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def thunks(self, rva):
        size = 8 if self.pe64 else 4
        flag = 1 << (size * 8 - 1)
        off = self.offset(rva)
        while True:
            value = struct.unpack_from("<Q" if self.pe64 else "<I", self.data, off)[0]
            if value == 0:
                return
            if value & flag:
                yield "#%d" % (value & 0xFFFF)
            else:
                yield self.cstr((value & 0x7FFFFFFF) + 2)  # past the hint
            off += size

    def imports(self):
        """(dll, function) pairs of the load-time and delay-load imports."""
        result = []
        rva, size = self.directory(1)
        if rva and size:
            off = self.offset(rva)
            while True:
                names, _, _, name, first = struct.unpack_from("<IIIII", self.data, off)
                if name == 0 and first == 0:
                    break
                dll = self.cstr(name)
                for fn in self.thunks(names or first):
                    result.append((dll, fn))
                off += 20
        rva, size = self.directory(13)
        if rva and size:
            off = self.offset(rva)
            while True:
                attrs, name, _, iat, names = struct.unpack_from("<IIIII", self.data, off)
                if name == 0:
                    break
                # Old-style descriptors hold addresses, not RVAs; MinGW and MSVC write RVAs.
                if not attrs & 1:
                    raise PeError("old-style delay-load descriptor")
                dll = self.cstr(name)
                for fn in self.thunks(names or iat):
                    result.append((dll, fn))
                off += 32
        return result

    def file_version(self):
        """(major, minor, patch, build) of the version resource, or None without one."""
        rva, size = self.directory(2)
        if not rva or not size:
            return None
        base = self.offset(rva)

        def entries(table):
            named, ids = struct.unpack_from("<HH", self.data, table + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", self.data, table + 16 + 8 * i)

        for ident, target in entries(base):
            if ident != 16 or not target & 0x80000000:  # RT_VERSION, a subdirectory
                continue
            table = base + (target & 0x7FFFFFFF)
            while True:  # name, then language: take the first of each
                first = next(entries(table), None)
                if first is None:
                    return None
                if not first[1] & 0x80000000:
                    break
                table = base + (first[1] & 0x7FFFFFFF)
            data_rva, data_size = struct.unpack_from("<II", self.data, base + first[1])
            block = self.data[self.offset(data_rva):self.offset(data_rva) + data_size]
            key = "VS_VERSION_INFO".encode("utf-16-le")
            at = block.find(key)
            if at < 0:
                return None
            fixed = (at + len(key) + 2 + 3) & ~3
            signature, _, ms, ls = struct.unpack_from("<IIII", block, fixed)
            if signature != 0xFEEF04BD:
                return None
            return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        return None


def main(argv):
    if len(argv) < 2:
        print("usage: peimports.py FILE...", file=sys.stderr)
        return 2
    status = 0
    for path in argv[1:]:
        try:
            pe = PeFile(path)
            for dll, fn in sorted(set(pe.imports()), key=lambda p: (p[0].lower(), p[1])):
                print("%s!%s" % (dll.upper(), fn) if len(argv) == 2 else "%s: %s!%s" % (path, dll.upper(), fn))
        except (PeError, struct.error, OSError) as e:
            print("%s: %s" % (path, e), file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
