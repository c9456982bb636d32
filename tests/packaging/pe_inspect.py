#!/usr/bin/env python3
"""Checks a built RORIRER.dll from its bytes, with no Windows tool.

  pe_inspect.py exports DLL EXPECTED_NAMES_FILE
      The export directory names the module RORIRER.dll and holds exactly
      the expected names, every entry by name, numbered from 1 in ascending
      byte order of the names; the link left no time stamp in it.
  pe_inspect.py version DLL VERSION
      The version resource holds exactly the promised values.
  pe_inspect.py dump DLL
      Prints the export table, for the README.

Exits non-zero and says what differs when a check fails.
"""
import struct
import sys


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, nsections, self.timestamp, _, _, optsize,
         self.characteristics) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", d, opt)[0]
        if magic != 0x10B:
            raise ValueError("not a 32-bit image (optional header magic %#x)" % magic)
        ndirs = struct.unpack_from("<I", d, opt + 92)[0]
        self.dirs = [struct.unpack_from("<II", d, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        sec = opt + optsize
        for i in range(nsections):
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", d, sec + 40 * i + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for va, size, rawptr in self.sections:
            if va <= rva < va + size:
                return rawptr + rva - va
        raise ValueError("RVA %#x lies in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)]

    def exports(self):
        """(module name, time stamp, ordinal base, [(ordinal, name)], entries without a name)"""
        rva, size = self.dirs[0]
        if size == 0:
            raise ValueError("no export directory")
        (_, stamp, _, _, name_rva, base, nfuncs, nnames, funcs_rva, names_rva,
         ords_rva) = struct.unpack_from("<IIHHIIIIIII", self.data, self.offset(rva))
        names = []
        for i in range(nnames):
            name = self.cstring(struct.unpack_from("<I", self.data, self.offset(names_rva) + 4 * i)[0])
            index = struct.unpack_from("<H", self.data, self.offset(ords_rva) + 2 * i)[0]
            names.append((base + index, name))
        named = {ordinal for ordinal, _ in names}
        funcs = self.offset(funcs_rva)
        unnamed = [base + i for i in range(nfuncs)
                   if struct.unpack_from("<I", self.data, funcs + 4 * i)[0] != 0
                   and base + i not in named]
        return self.cstring(name_rva), stamp, base, names, unnamed

    def version_resource(self):
        rva, size = self.dirs[2]
        if size == 0:
            raise ValueError("no resource directory")
        root = self.offset(rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                yield ident, target

        found = []
        for ident, target in entries(root):
            if ident != 16:  # RT_VERSION
                continue
            for _, by_name in entries(root + (target & 0x7FFFFFFF)):
                for _, by_lang in entries(root + (by_name & 0x7FFFFFFF)):
                    data_rva, data_size = struct.unpack_from("<II", self.data, root + by_lang)
                    start = self.offset(data_rva)
                    found.append(self.data[start:start + data_size])
        if len(found) != 1:
            raise ValueError("%d version resources, expected one" % len(found))
        return found[0]


def parse_block(blob, pos):
    """One VS_VERSIONINFO-style node: (key, type, value bytes, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", blob, pos)
    end = pos + length
    key_start = pos + 6
    key_end = key_start
    while blob[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = blob[key_start:key_end].decode("utf-16-le")
    value_start = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = blob[value_start:value_start + value_bytes]
    children = []
    child = (value_start + value_bytes + 3) & ~3
    while child < end:
        node = parse_block(blob, child)
        children.append(node)
        child = (node[4] + 3) & ~3
    return key, kind, value, children, end


def text_value(value):
    text = value.decode("utf-16-le")
    # The count includes the one terminating NUL; anything past it is junk.
    if not text.endswith("\0") or text[:-1].count("\0"):
        raise ValueError("string value %r is not one NUL-terminated string" % text)
    return text[:-1]


def check_exports(pe, expected_file):
    with open(expected_file) as f:
        expected = sorted((line.strip().encode() for line in f if line.strip()))
    module, stamp, base, names, unnamed = pe.exports()
    problems = []
    if module != b"RORIRER.dll":
        problems.append("module name %r, expected 'RORIRER.dll'" % module)
    if stamp != 0:
        problems.append("export directory time stamp %#x, expected 0" % stamp)
    if pe.timestamp != 0:
        problems.append("file header time stamp %#x, expected 0" % pe.timestamp)
    if base != 1:
        problems.append("ordinal base %d, expected 1" % base)
    if unnamed:
        problems.append("entries by ordinal only: %s" % unnamed)
    actual = [name for _, name in sorted(names)]
    if actual != expected:
        for name in sorted(set(actual) - set(expected)):
            problems.append("unexpected export %s" % name.decode())
        for name in sorted(set(expected) - set(actual)):
            problems.append("missing export %s" % name.decode())
        if set(actual) == set(expected):
            problems.append("ordinals do not follow byte order of the names")
    for ordinal, name in names:
        if b"LinkedTrieNode" in name and not name.startswith(b"_ZN10LinkedTrie"):
            problems.append("LinkedTrieNode exported as %s" % name.decode())
    if sorted(o for o, _ in names) != list(range(1, len(names) + 1)):
        problems.append("ordinals are not 1..%d" % len(names))
    return problems


def check_version(pe, version):
    numbers = [int(part) for part in version.split(".")]
    ms = (numbers[0] << 16) | numbers[1]
    ls = (numbers[2] << 16) | numbers[3]
    key, _, fixed, children, _ = parse_block(pe.version_resource(), 0)
    problems = []
    if key != "VS_VERSION_INFO":
        problems.append("root key %r" % key)
    (signature, _, file_ms, file_ls, product_ms, product_ls, flags_mask, flags, os_, type_,
     subtype, date_ms, date_ls) = struct.unpack_from("<13I", fixed)
    wanted = {
        "signature": (signature, 0xFEEF04BD),
        "file version": ((file_ms, file_ls), (ms, ls)),
        "product version": ((product_ms, product_ls), (ms, ls)),
        "flags mask": (flags_mask, 0x3F),
        "flags": (flags, 0),
        "OS": (os_, 0x4),
        "type": (type_, 2),
        "subtype": (subtype, 0),
        "date": ((date_ms, date_ls), (0, 0)),
    }
    for what, (got, want) in wanted.items():
        if got != want:
            problems.append("%s %r, expected %r" % (what, got, want))

    blocks = {child[0]: child for child in children}
    if sorted(blocks) != ["StringFileInfo", "VarFileInfo"] or len(children) != 2:
        problems.append("top-level blocks %s" % [c[0] for c in children])
        return problems
    tables = blocks["StringFileInfo"][3]
    if [t[0] for t in tables] != ["040904b0"]:
        problems.append("string tables %s, expected ['040904b0']" % [t[0] for t in tables])
    else:
        strings = {}
        for name, kind, value, _, _ in tables[0][3]:
            if kind != 1:
                problems.append("string %s is not text" % name)
            if name in strings:
                problems.append("string %s twice" % name)
            strings[name] = text_value(value)
        required = {
            "FileVersion": version,
            "ProductVersion": version,
            "FileDescription": "RorIrer.DLL",
            "InternalName": "RorIrer",
            "OriginalFilename": "RorIrer.DLL",
        }
        for name, want in required.items():
            if strings.get(name) != want:
                problems.append("%s %r, expected %r" % (name, strings.get(name), want))
        for name in ("CompanyName", "ProductName", "LegalCopyright"):
            if not strings.get(name):
                problems.append("%s missing or empty" % name)
        extra = set(strings) - set(required) - {"CompanyName", "ProductName", "LegalCopyright"}
        if extra:
            problems.append("unexpected strings %s" % sorted(extra))
    variables = blocks["VarFileInfo"][3]
    if [v[0] for v in variables] != ["Translation"]:
        problems.append("VarFileInfo holds %s" % [v[0] for v in variables])
    else:
        value = variables[0][2]
        pairs = [struct.unpack_from("<HH", value, i) for i in range(0, len(value), 4)]
        if pairs != [(0x409, 1200)]:
            problems.append("translations %s, expected [(0x409, 1200)]" % pairs)
    return problems


def main(argv):
    if len(argv) < 3 or argv[1] not in ("exports", "version", "dump"):
        sys.stderr.write(__doc__)
        return 2
    pe = PeFile(argv[2])
    if pe.machine != 0x14C:
        print("machine %#x, expected i386 (0x14c)" % pe.machine)
        return 1
    if argv[1] == "dump":
        module, _, _, names, _ = pe.exports()
        print("module %s" % module.decode())
        for ordinal, name in sorted(names):
            print("%3d  %s" % (ordinal, name.decode()))
        return 0
    if argv[1] == "exports":
        problems = check_exports(pe, argv[3])
    else:
        problems = check_version(pe, argv[3])
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print("%s: %s as expected" % (argv[2], argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
