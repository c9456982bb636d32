#!/usr/bin/env python3
"""Keeps the command samples in README.md and docs/*.md true.

A sample is a fenced block that follows a marker comment naming the command
that produced it:

    <!-- sample: build/run/tools/rorirer stats
         varies: ^(memory|bytes per word|build time):
    -->
    ```text
    $ build/run/tools/rorirer stats
    words:          99175 (of 104334 offered)
    ...
    ```

The marker's first line holds the command (one line of sh; it may use pipes,
but not the text "-->"). Further lines of the comment, all optional:

    varies: REGEX   a line of output matching REGEX (Python `re.search`) is
                    expected in that place but its text is not compared:
                    timings, memory. Repeat the line for more patterns.
    status: N       the exit status the command must end with (default 0).

A marker on one line (`<!-- sample: COMMAND -->`) is fine when it needs
neither. The fenced block must start on the line after the comment; its
first line is `$ COMMAND`, the rest is what the command wrote, standard
output and standard error together.

    python3 docs/samples.py --check [FILE...]   exit 1, with a diff, when a
                                                block differs from a fresh run
    python3 docs/samples.py --write [FILE...]   rewrite the blocks from a run

Without FILE arguments: README.md and docs/*.md. Commands run from the
repository root through /bin/sh, with standard input empty and an
environment of their own: PATH, LC_ALL=C.UTF-8, TZ=UTC, TERM=dumb, and
HOME, TMPDIR and the XDG_*_HOME folders in a fresh temporary folder for each
sample, so that no sample reads or writes the user's own files or sees what
an earlier sample left. A sample that writes in HOME or an XDG folder (but
the cache, where the program keeps compiled word lists) fails all the same:
a reader who copies it would change their own files (a sample
that needs a file of its own makes it in TMPDIR, with mktemp). When build/run/tools/rorirer is missing it is built
first (`cmake --preset run`, `cmake --build --preset run`), as ./run does;
an existing build is used as it stands, so build first when the sources
have changed (.ci/docs.sh does).

Exit status: 0 when every block matches (or was rewritten), 1 when a block
differs or a command ends with another status, 2 for a malformed marker.

Interactive sessions of rorirer need a terminal and are not samples:
README.md and docs/rorirer.md show one typed by hand, without a marker,
and nothing here checks it.
"""

import argparse
import difflib
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PROGRAM = ROOT / "build" / "run" / "tools" / "rorirer"
MARKER = re.compile(r"^<!-- sample: (.*?)\s*(-->)?\s*$")
FENCE = re.compile(r"^```")
# A command slower than this is stuck, not slow.
TIMEOUT_SECONDS = 300


class MarkerError(Exception):
    pass


class SampleError(Exception):
    pass


def shown(path):
    return os.path.relpath(path, ROOT)


class Sample:
    def __init__(self, path, line, command, varies, status, body_start, body_end):
        self.path = path
        self.line = line  # 1-based line of the marker
        self.command = command
        self.varies = varies
        self.status = status
        self.body_start = body_start  # index of the first line inside the fence
        self.body_end = body_end  # index of the closing fence


def find_samples(path, lines):
    samples = []
    i = 0
    while i < len(lines):
        match = MARKER.match(lines[i])
        if not match:
            i += 1
            continue
        where = f"{shown(path)}:{i + 1}"
        command = match.group(1).strip()
        if not command:
            raise MarkerError(f"{where}: a sample marker without a command")
        varies, status = [], 0
        j = i
        if not match.group(2):
            j += 1
            while j < len(lines) and "-->" not in lines[j]:
                key, _, value = lines[j].strip().partition(":")
                value = value.strip()
                if key == "varies" and value:
                    try:
                        varies.append(re.compile(value))
                    except re.error as error:
                        raise MarkerError(f"{where}: bad varies pattern {value!r}: {error}")
                elif key == "status" and value.isdigit():
                    status = int(value)
                else:
                    raise MarkerError(f"{where}: unknown marker line {lines[j].strip()!r}")
                j += 1
            if j == len(lines) or lines[j].strip() != "-->":
                raise MarkerError(f"{where}: the marker comment must end with a line '-->'")
        fence = j + 1
        if fence >= len(lines) or not FENCE.match(lines[fence]):
            raise MarkerError(f"{where}: no fenced block right after the marker")
        end = fence + 1
        while end < len(lines) and not FENCE.match(lines[end]):
            end += 1
        if end == len(lines):
            raise MarkerError(f"{where}: the fenced block is never closed")
        samples.append(Sample(path, i + 1, command, varies, status, fence + 1, end))
        i = end + 1
    return samples


def build_program_if_missing():
    if PROGRAM.exists():
        return
    print("samples: building build/run/tools/rorirer", file=sys.stderr)
    for command in (["cmake", "--preset", "run"], ["cmake", "--build", "--preset", "run"]):
        subprocess.run(command, cwd=ROOT, check=True, stdout=sys.stderr)


def run(sample):
    """The block's lines from a fresh run, and the exit status."""
    with tempfile.TemporaryDirectory(prefix="rorirer-sample.") as scratch:
        scratch = Path(scratch)
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "LC_ALL": "C.UTF-8",
            "TZ": "UTC",
            "TERM": "dumb",
            "HOME": str(scratch / "home"),
            "TMPDIR": str(scratch / "tmp"),
        }
        for name in ("DATA", "CONFIG", "CACHE", "STATE"):
            env[f"XDG_{name}_HOME"] = str(scratch / name.lower())
        for folder in ("home", "tmp", "data", "config", "cache", "state"):
            (scratch / folder).mkdir()
        done = subprocess.run(
            ["/bin/sh", "-c", sample.command],
            cwd=ROOT,
            env=env,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            timeout=TIMEOUT_SECONDS,
        )
        # The cache is the program's own to fill (compiled word lists): a
        # reader's run writes it too, and losing it loses nothing.
        written = sorted(str(path.relative_to(scratch))
                         for folder in ("home", "data", "config", "state")
                         for path in (scratch / folder).rglob("*"))
    if written:
        raise SampleError("writes the reader's own files (%s); give it a file or folder "
                          "made with mktemp" % ", ".join(written))
    text = done.stdout.decode("utf-8", errors="backslashreplace")
    lines = [f"$ {sample.command}"] + text.splitlines()
    if any(FENCE.match(line) for line in lines[1:]):
        raise MarkerError(f"{shown(sample.path)}:{sample.line}: output holds a fence")
    return lines, done.returncode


class Line(str):
    """A line that compares equal to another when both match the same
    `varies` pattern, so that difflib lines them up without comparing them."""

    def __new__(cls, text, varies):
        line = super().__new__(cls, text)
        pattern = next((p.pattern for p in varies if p.search(text)), None)
        line.key = ("text", str(text)) if pattern is None else ("varies", pattern)
        return line

    def __eq__(self, other):
        return isinstance(other, Line) and self.key == other.key

    def __ne__(self, other):
        return not self.__eq__(other)

    def __hash__(self):
        return hash(self.key)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--check", action="store_true", help="fail with a diff when a block differs")
    mode.add_argument("--write", action="store_true", help="rewrite the blocks from fresh runs")
    parser.add_argument("files", nargs="*", type=Path, help="default: README.md and docs/*.md")
    args = parser.parse_args()

    files = [f.resolve() for f in args.files] or [ROOT / "README.md"] + sorted(
        (ROOT / "docs").glob("*.md"))
    try:
        documents = []
        for path in files:
            lines = path.read_text(encoding="utf-8").split("\n")
            documents.append((path, lines, find_samples(path, lines)))
    except MarkerError as error:
        print(f"samples: {error}", file=sys.stderr)
        return 2

    build_program_if_missing()
    failures = checked = 0
    for path, lines, samples in documents:
        fresh_blocks = []  # (sample, fresh lines) for the blocks to rewrite
        for sample in samples:
            where = f"{shown(path)}:{sample.line}"
            try:
                fresh, status = run(sample)
            except (MarkerError, SampleError, subprocess.TimeoutExpired) as error:
                print(f"samples: {where}: {error}", file=sys.stderr)
                failures += 1
                continue
            checked += 1
            if status != sample.status:
                print(f"samples: {where}: `{sample.command}` exited with {status}, "
                      f"expected {sample.status}:", file=sys.stderr)
                print("\n".join(fresh[1:]), file=sys.stderr)
                failures += 1
                continue
            old = lines[sample.body_start:sample.body_end]
            if args.write:
                if old != fresh:
                    fresh_blocks.append((sample, fresh))
                continue
            before = [Line(text, sample.varies) for text in old]
            after = [Line(text, sample.varies) for text in fresh]
            if before != after:
                failures += 1
                print(f"samples: {where}: `{sample.command}` now prints otherwise:")
                for row in difflib.unified_diff(before, after, fromfile=where,
                                                tofile="fresh run", lineterm=""):
                    print(row)
        if fresh_blocks:
            # From the last block up, so that each block's place stays right.
            for sample, fresh in reversed(fresh_blocks):
                lines[sample.body_start:sample.body_end] = fresh
            path.write_text("\n".join(lines), encoding="utf-8")
            print(f"samples: rewrote {len(fresh_blocks)} block(s) of {shown(path)}",
                  file=sys.stderr)
    print(f"samples: {checked} run, {failures} failed", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
