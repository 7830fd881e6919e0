#!/usr/bin/env python3
"""Checks a built zolmcom.dll as a Windows loader and a script host see it.

Reads the PE image itself (no tool in between can hide a decorated name or a
stray import): the export table must hold exactly the four entry points under
their plain names, every imported DLL must be one of the platform's own, and
the resource tree must carry the registration scripts, the type library, the
string table entry, the version information and the manifest.

Usage: pecheck.py [--machine i386|amd64] [--skip exports,resources] DLL...
Prints one line per finding and exits 1 on any. --skip leaves out the parts
whose sources are not in the tree yet.
"""
import argparse
import struct
import sys

EXPORTS = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}

# The platform's own DLLs. The C++ runtime is linked in, so libstdc++,
# libgcc and winpthread must not appear.
ALLOWED_IMPORTS = {
    "kernel32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll", "gdi32.dll",
    "user32.dll", "msvcrt.dll",
}

MACHINES = {"i386": 0x14C, "amd64": 0x8664}

RT_STRING, RT_VERSION, RT_MANIFEST = 6, 16, 24

CLSID_FONTFILE = b"{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}"
CLSID_PALETTELOADER = b"{74FCDF8C-45F4-4BAC-BDE0-68453741E8D2}"
LIBID = b"{28453262-FCFB-433B-9E37-896CFF19F74E}"


class PeImage:
    """The parts of a PE file this check needs: sections and three directories."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, nsections = struct.unpack_from("<HH", d, pe + 4)
        optsize = struct.unpack_from("<H", d, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", d, opt)[0]
        # The data directories follow the fixed part, which is 16 bytes longer
        # in the 64-bit form (PE32+, magic 0x20B).
        dirs = opt + (112 if magic == 0x20B else 96)
        self.dirs = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        self.sections = []
        sec = opt + optsize
        for i in range(nsections):
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", d, sec + 40 * i + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("RVA 0x%x outside every section" % rva)

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("latin-1")

    def exports(self):
        """Exported names, plus one "#ordinal" per function exported without a name."""
        rva, size = self.dirs[0]
        if not size:
            return []
        o = self.offset(rva)
        functions, count, _, names = struct.unpack_from("<IIII", self.data, o + 20)
        result = [self.cstring(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0])
                  for i in range(count)]
        return result + ["#%d" % i for i in range(functions - count)]

    def imports(self):
        rva, size = self.dirs[1]
        result = []
        if not size:
            return result
        o = self.offset(rva)
        while True:
            entry = struct.unpack_from("<IIIII", self.data, o)
            if entry == (0, 0, 0, 0, 0):
                return result
            result.append(self.cstring(entry[3]))
            o += 20

    def resources(self):
        """{(type, name, language): bytes}; type and name are ints or strings."""
        rva, size = self.dirs[2]
        found = {}
        if not size:
            return found
        base = self.offset(rva)

        def entries(off):
            named, ids = struct.unpack_from("<HH", self.data, base + off + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from("<II", self.data, base + off + 16 + 8 * i)
                if key & 0x80000000:
                    n = base + (key & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, n)[0]
                    key = self.data[n + 2:n + 2 + 2 * length].decode("utf-16-le")
                yield key, target

        for rtype, t in entries(0):
            for name, n in entries(t & 0x7FFFFFFF):
                for lang, leaf in entries(n & 0x7FFFFFFF):
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + leaf)
                    o = self.offset(data_rva)
                    found[(rtype, name, lang)] = self.data[o:o + data_size]
        return found


def find(resources, rtype, name):
    hits = [(k[2], v) for k, v in resources.items() if k[0] == rtype and k[1] == name]
    return hits[0] if hits else (None, None)


def string_entry(block, index):
    """String index within a string-table block of sixteen counted strings."""
    o = 0
    for i in range(16):
        length = struct.unpack_from("<H", block, o)[0]
        if i == index:
            return block[o + 2:o + 2 + 2 * length].decode("utf-16-le")
        o += 2 + 2 * length
    return None


def version_strings(blob):
    """All key/value pairs of the version resource's string tables."""
    pairs = {}
    text = blob.decode("utf-16-le", errors="replace")
    for key in ("FileDescription", "CompanyName", "FileVersion", "ProductVersion",
                "ProductName", "InternalName", "OriginalFilename"):
        i = text.find(key + "\0")
        if i < 0:
            continue
        start = i + len(key) + 1
        # Values start on a 32-bit boundary: skip the padding NULs.
        while start < len(text) and text[start] == "\0":
            start += 1
        pairs[key] = text[start:text.find("\0", start)]
    return pairs, text


def check(path, machine, skip):
    faults = []
    pe = PeImage(path)

    if machine and pe.machine != MACHINES[machine]:
        faults.append("machine 0x%x, expected %s" % (pe.machine, machine))

    exports = pe.exports()
    if "exports" not in skip and sorted(exports) != sorted(EXPORTS):
        faults.append("exports %s, expected exactly %s" % (sorted(exports), sorted(EXPORTS)))

    for dll in pe.imports():
        if dll.lower() not in ALLOWED_IMPORTS:
            faults.append("imports %s, which is not one of the platform's DLLs" % dll)

    if "resources" in skip:
        return faults
    res = pe.resources()
    for number, size, clsid in ((101, 627, CLSID_FONTFILE), (102, 667, CLSID_PALETTELOADER)):
        _, script = find(res, "REGISTRY", number)
        if script is None:
            faults.append('no "REGISTRY" %d resource' % number)
            continue
        if len(script) != size:
            faults.append('"REGISTRY" %d is %d bytes, expected %d' % (number, len(script), size))
        if not script.startswith(b"HKCR\r\n{\r\n\t") or clsid not in script or LIBID not in script:
            faults.append('"REGISTRY" %d is not the class\'s registration script' % number)

    lang, tlb = find(res, "TYPELIB", 1)
    if tlb is None:
        faults.append('no "TYPELIB" 1 resource')
    else:
        if not tlb.startswith(b"MSFT"):
            faults.append('"TYPELIB" 1 is not a binary type library')
        if lang != 0x0807:
            faults.append('"TYPELIB" 1 has language 0x%04x, expected 0x0807' % (lang or 0))

    # String 100 lives in block 100 / 16 + 1 = 7, at place 100 % 16 = 4.
    _, block = find(res, RT_STRING, 7)
    text = string_entry(block, 4) if block is not None else None
    if text != "zolmcom":
        faults.append("string 100 is %r, expected 'zolmcom'" % text)

    _, version = find(res, RT_VERSION, 1)
    if version is None:
        faults.append("no version resource")
    else:
        fixed = version.find(struct.pack("<I", 0xFEEF04BD))
        if fixed < 0:
            faults.append("version resource without fixed file information")
        else:
            fv_ms, fv_ls, pv_ms, pv_ls = struct.unpack_from("<IIII", version, fixed + 8)
            fv = (fv_ms >> 16, fv_ms & 0xFFFF, fv_ls >> 16, fv_ls & 0xFFFF)
            pv = (pv_ms >> 16, pv_ms & 0xFFFF, pv_ls >> 16, pv_ls & 0xFFFF)
            if fv != (1, 1, 3, 0):
                faults.append("file version %s, expected 1.1.3.0" % ".".join(map(str, fv)))
            if pv != (3, 50, 0, 0):
                faults.append("product version %s, expected 3.50.0.0" % ".".join(map(str, pv)))
        pairs, text = version_strings(version)
        if pairs.get("FileDescription") != "zolmcom Module":
            faults.append("file description %r, expected 'zolmcom Module'"
                          % pairs.get("FileDescription"))
        if "040704b0" not in text.lower():
            faults.append("version strings not under language 0x0407, code page 1200")

    manifests = [k for k in res if k[0] == RT_MANIFEST]
    if not manifests:
        faults.append("no assembly manifest")
    elif b"assembly" not in res[manifests[0]]:
        faults.append("manifest resource is not an assembly manifest")

    return faults


def main():
    parser = argparse.ArgumentParser(description="Check a built zolmcom.dll")
    parser.add_argument("--machine", choices=sorted(MACHINES))
    parser.add_argument("--skip", default="", help="comma-separated: exports, resources")
    parser.add_argument("dlls", nargs="+")
    args = parser.parse_args()
    skip = set(filter(None, args.skip.split(",")))
    failed = False
    for path in args.dlls:
        try:
            faults = check(path, args.machine, skip)
        except (OSError, ValueError, struct.error) as e:
            faults = ["cannot read: %s" % e]
        for fault in faults:
            print("%s: %s" % (path, fault))
        if not faults:
            checked = [p for p in ("exports", "imports", "resources") if p not in skip]
            print("%s: %s as expected" % (path, ", ".join(checked)))
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
