"""The texts the simulated writer types: prose of different kinds from
Debian packages (bench/setup installs them), each made plain text and cut
into passages, every other passage kept for fitting and the rest held out
for the report.

Each reader returns a list of units (a fortune, a verse, a paragraph) in the
source's own order; a unit is plain text in Unicode normal form C, inner
line breaks kept, with no blank line inside.
"""
import glob
import gzip
import os
import re
import struct
import subprocess
import unicodedata
import zlib

FORTUNES = "/usr/share/games/fortunes"
LICENCES = "/usr/share/common-licenses"
REFERENCE = "/usr/share/debian-reference/debian-reference.en.txt.gz"
# r-cran-janeaustenr is unpacked, not installed, by bench/setup: installing
# it would bring in all of R for six character vectors.
AUSTEN = "packages/r-cran-janeaustenr/usr/lib/R/site-library/janeaustenr/data/Rdata.rdb"


def plain(text):
    """NFC, no overstrike (`x<BS>x` for bold in fortunes), tabs and runs of
    spaces made one space, each line stripped."""
    text = unicodedata.normalize("NFC", re.sub(r".\x08", "", text)).replace("\u00a0", " ")
    lines = (re.sub(r"[ \t]+", " ", line).strip() for line in text.split("\n"))
    return "\n".join(line for line in lines)


def paragraphs(text):
    return [p for p in (plain(p) for p in re.split(r"\n[ \t]*\n", text)) if p.strip()]


def read_fortunes(work):
    units = []
    for path in sorted(glob.glob(os.path.join(FORTUNES, "*"))):
        name = os.path.basename(path)
        # ascii-art is pictures, not text.
        if "." in name or name == "ascii-art" or os.path.islink(path) or not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            for fortune in re.split(r"^%\n", f.read(), flags=re.M):
                unit = "\n".join(l for l in plain(fortune).split("\n") if l)
                if unit:
                    units.append(unit)
    return units


def read_bible(work):
    """The King James Version through the `bible` program (bible-kjv), one
    verse a unit, without chapter headings and verse numbers."""
    out = subprocess.run(["bible", "-l1000", "Gen1:1-Rev22:21"], check=True,
                         stdout=subprocess.PIPE).stdout.decode("utf-8", "replace")
    units = []
    for line in out.split("\n"):
        verse = re.match(r"^\s+\d+ (.*)$", line)
        if verse:
            units.append(plain(verse.group(1)))
    return units


def read_r_strings(data):
    """The character vector in an R serialization (XDR, version 2 or 3): the
    only kind of object the package's data are."""
    if not data.startswith(b"X\n"):
        raise ValueError("not an XDR serialization")
    pos = 2
    version, = struct.unpack_from(">i", data, pos)
    pos += 12
    if version == 3:
        length, = struct.unpack_from(">i", data, pos)
        pos += 4 + length
    flags, count = struct.unpack_from(">ii", data, pos)
    pos += 8
    if flags & 0xFF != 16:
        raise ValueError("not a character vector")
    strings = []
    for _ in range(count):
        flags, length = struct.unpack_from(">ii", data, pos)
        pos += 8
        if flags & 0xFF != 9:
            raise ValueError("not a string")
        if length < 0:
            strings.append("")
            continue
        latin1 = (flags >> 12) & 4
        strings.append(data[pos:pos + length].decode("latin-1" if latin1 else "utf-8"))
        pos += length
    return strings


def read_austen(work):
    """Jane Austen's six novels (r-cran-janeaustenr), one paragraph a unit,
    without chapter headings and the underscores that mark italics."""
    path = os.path.join(work, AUSTEN)
    with open(path, "rb") as f:
        db = f.read()
    units = []
    pos = 0
    # A lazy-load database: each object is its length in 4 bytes and a zlib
    # stream, one after the other.
    while pos < len(db):
        z = zlib.decompressobj()
        lines = read_r_strings(z.decompress(db[pos + 4:]))
        pos = len(db) - len(z.unused_data)
        text = "\n".join(lines).replace("_", "")
        units += [p for p in paragraphs(text)
                  if not re.match(r"^(chapter|volume) [0-9ivxlc]+\.?$", p, re.I)]
    return units


def read_reference(work):
    """The Debian Reference in English, its prose paragraphs, list items
    and headings (section numbers dropped): no tables, shell sessions or
    lists of contents."""
    with gzip.open(REFERENCE, "rt", encoding="utf-8", errors="replace") as f:
        text = f.read().replace("\u00a0", " ")
    # The body starts at the second "Preface"; the first is in the contents.
    start = [m.start() for m in re.finditer(r"^Preface$", text, re.M)]
    text = text[start[1] if len(start) > 1 else 0:]
    units = []
    for block in re.split(r"\n[ \t]*\n", text):
        lines = block.split("\n")
        heading = re.match(r"^(?:Chapter )?[0-9A-Z]+(?:\.[0-9]+)*\. (.+)$", lines[0])
        if len(lines) == 1 and heading:
            units.append(plain(heading.group(1)))
        elif all(l.startswith("    ") for l in lines) and \
                not any(re.match(r"^\s*([#$|+]|\.\.\.)", l) for l in lines):
            units.append(plain(re.sub(r"^\s*\* ", "", block)))
    return [u for u in units if u]


def read_licences(work):
    units = []
    for path in sorted(glob.glob(os.path.join(LICENCES, "*"))):
        if os.path.islink(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            units += paragraphs(f.read())
    return units


CORPORA = {
    "fortunes": (read_fortunes, "fortunes: jokes, quotations and verse (fortunes)"),
    "bible": (read_bible, "the King James Bible (bible-kjv, bible-kjv-text)"),
    "austen": (read_austen, "Jane Austen's six novels (r-cran-janeaustenr)"),
    "reference": (read_reference, "the Debian Reference, its prose (debian-reference-en)"),
    "licences": (read_licences, "the licences in /usr/share/common-licenses (base-files)"),
}


def passages(units, size, words):
    """Consecutive units joined until each passage holds `size` words."""
    out, current, count = [], [], 0
    for unit in units:
        current.append(unit)
        count += len(words(unit))
        if count >= size:
            out.append("\n\n".join(current))
            current, count = [], 0
    if current:
        out.append("\n\n".join(current))
    return out


def split(units, part_words, passage_words, words):
    """(fit, report): passages alternate between the two parts, and each
    part takes passages spread evenly over the whole source until it holds
    `part_words` words, so that both parts sample every region of it and
    never share a passage."""
    cut = passages(units, passage_words, words)
    parts = []
    for side in (cut[0::2], cut[1::2]):
        need = min(len(side), -(-part_words // passage_words))
        chosen, count = [], 0
        for i in range(need):
            passage = side[i * len(side) // need]
            chosen.append(passage)
            count += len(words(passage))
            if count >= part_words:
                break
        parts.append("\n\n".join(chosen) + "\n")
    return parts


def prepare(name, work, part_words, passage_words, words):
    """The fit and report texts of corpus `name`, also written to
    work/NAME.fit.txt and work/NAME.report.txt for reading."""
    reader, _ = CORPORA[name]
    try:
        units = reader(work)
    except (OSError, subprocess.CalledProcessError) as e:
        raise SystemExit("corpus %s: %s (bench/setup installs its sources)" % (name, e))
    fit, report = split(units, part_words, passage_words, words)
    os.makedirs(work, exist_ok=True)
    for part, text in (("fit", fit), ("report", report)):
        with open(os.path.join(work, "%s.%s.txt" % (name, part)), "w", encoding="utf-8") as f:
            f.write(text)
    return {"fit": fit, "report": report}
