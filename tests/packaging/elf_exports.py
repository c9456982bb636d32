#!/usr/bin/env python3
"""Holds a built libRorIrer.so to its promised dynamic interface.

  elf_exports.py LIBRARY EXPECTED_NAMES_FILE SONAME FILE_NAME [NM [READELF]]

The dynamic symbol table defines exactly the expected names (nm -D
--defined-only); the library carries SONAME and is named FILE_NAME.
"""
import os
import subprocess
import sys


def main(argv):
    if len(argv) < 5:
        sys.stderr.write(__doc__)
        return 2
    library, expected_file, soname, file_name = argv[1:5]
    nm = argv[5] if len(argv) > 5 and argv[5] else "nm"
    readelf = argv[6] if len(argv) > 6 and argv[6] else "readelf"
    with open(expected_file) as f:
        expected = {line.strip() for line in f if line.strip()}

    listing = subprocess.run([nm, "-D", "--defined-only", library], check=True,
                             capture_output=True, text=True).stdout
    # Lines are "value type name", the name possibly followed by @VERSION.
    actual = {line.split()[-1].split("@")[0] for line in listing.splitlines() if line.strip()}

    problems = ["unexpected export %s" % name for name in sorted(actual - expected)]
    problems += ["missing export %s" % name for name in sorted(expected - actual)]

    dynamic = subprocess.run([readelf, "-d", library], check=True, capture_output=True,
                             text=True).stdout
    sonames = [line.split("[")[-1].rstrip("]") for line in dynamic.splitlines()
               if "(SONAME)" in line]
    if sonames != [soname]:
        problems.append("SONAME %s, expected %s" % (sonames, soname))
    if os.path.basename(os.path.realpath(library)) != file_name:
        problems.append("file %s, expected %s" % (os.path.realpath(library), file_name))

    for problem in problems:
        print(problem)
    if problems:
        return 1
    print("%s: %d exports, SONAME %s, as expected" % (library, len(actual), soname))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
