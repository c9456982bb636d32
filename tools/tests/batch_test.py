#!/usr/bin/env python3
"""Batch mode of rorirer, through the real executable.

Usage: batch_test.py RORIRER_EXECUTABLE BUILTIN_WORD_LIST

The program's answers are checked against a plain Python model of the word
store (sorted words, prefix filtering), so that faults in the program or in
the library it drives show up as differences.
"""
import bisect
import json
import os
import random
import subprocess
import sys
import tempfile
import unittest

EXE = None
BUILTIN = None


def run(args, stdin=b""):
    proc = subprocess.run([EXE] + args, input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=60)
    return proc.returncode, proc.stdout, proc.stderr


class Model:
    """What the store should answer, from the list of words it was given."""

    def __init__(self, words, min_length=5):
        self.words = sorted({w for w in words if len(w) >= min_length})
        self.word_set = set(self.words)

    def completions(self, prefix):
        at = bisect.bisect_left(self.words, prefix)
        found = []
        while at < len(self.words) and self.words[at].startswith(prefix):
            found.append(self.words[at])
            at += 1
        return found

    def report(self, prefix, max_listed=None):
        found = self.completions(prefix)
        # Without passing over prefix words, the longest completion is what
        # every completion shares.
        longest = os.path.commonprefix(found) if found else prefix
        listed = found if max_listed is None else found[:max_listed]
        return {
            "prefix": prefix,
            "stored": bool(prefix) and prefix in self.word_set,
            "longest": longest,
            "unique": found[0] if len(found) == 1 else None,
            "count": len(found),
            "completions": listed,
            "truncated": len(listed) < len(found),
        }


def read_lines(path):
    with open(path, "rb") as f:
        return [line.rstrip(b" \t\r") for line in f.read().split(b"\n") if line.rstrip(b" \t\r")]


class TempFiles:
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, name, data):
        path = os.path.join(self.tmp.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path


SMALL_WORDS = [b"hello", b"helicopter", b"helium", b"helmet", b"hippopotamus", b"zebra",
               b"zebras", b"zebrass", b"cat", b"caf\xc3\xa9s", b"caf\xe9ine"]


class CompleteMatchesModel(TempFiles, unittest.TestCase):
    def test_builtin_list_answers_like_the_model(self):
        words = read_lines(BUILTIN)
        model = Model([w.decode("latin-1") for w in words])
        rng = random.Random(4)
        prefixes = {""}
        for w in rng.sample(model.words, 300):
            for n in (1, 2, 3, len(w) - 1, len(w)):
                prefixes.add(w[:n])
            prefixes.add(w[:3] + "q")  # mostly leaves the tree
        prefixes = sorted(prefixes)
        stdin = "".join(p + "\n" for p in prefixes).encode("latin-1")
        code, out, err = run(["--json", "--max", "40", "complete"], stdin)
        self.assertEqual(err, b"")
        lines = out.decode("utf-8").splitlines()
        self.assertEqual(len(lines), len(prefixes))
        any_missing = False
        for prefix, line in zip(prefixes, lines):
            got = json.loads(line)
            # Compare as Latin-1 strings: one character per byte on both sides.
            for key in ("prefix", "longest", "unique"):
                if got[key] is not None:
                    got[key] = got[key].encode("utf-8").decode("latin-1")
            got["completions"] = [c.encode("utf-8").decode("latin-1") for c in got["completions"]]
            want = model.report(prefix, 40)
            self.assertEqual(got, want, "prefix %r" % prefix)
            any_missing = any_missing or want["count"] == 0
        # Some prefix matched nothing, so the status says so.
        self.assertTrue(any_missing)
        self.assertEqual(code, 1)

    def test_builtin_list_is_the_data_file(self):
        code, out, _ = run(["stats", "--json"])
        self.assertEqual(code, 0)
        builtin = json.loads(out)
        code, out, _ = run(["--dict", BUILTIN, "stats", "--json"])
        self.assertEqual(code, 0)
        from_file = json.loads(out)
        expected = Model([w.decode("latin-1") for w in read_lines(BUILTIN)])
        for stats in (builtin, from_file):
            self.assertEqual(stats["words"], len(expected.words))
            self.assertEqual(stats["offered"], len(read_lines(BUILTIN)))
            self.assertGreater(stats["nodes"], stats["words"])
            self.assertGreaterEqual(stats["build_ms"], 0)
        self.assertEqual(builtin["nodes"], from_file["nodes"])

    def test_text_report_for_each_prefix(self):
        path = self.write("w.txt", b"\n".join(SMALL_WORDS) + b"\n")
        code, out, err = run(["--dict", path, "complete", "hel", "hippo", "zebras", "--max", "2"])
        self.assertEqual((code, err), (0, b""))
        self.assertEqual(out.decode(), "\n".join([
            "prefix: hel", "stored: no", "longest: hel", "unique: -",
            "completions: 4 (2 shown)", "  helicopter", "  helium", "",
            "prefix: hippo", "stored: no", "longest: hippopotamus", "unique: hippopotamus",
            "completions: 1", "  hippopotamus", "",
            "prefix: zebras", "stored: yes", "longest: zebras", "unique: -",
            "completions: 2", "  zebras", "  zebrass", ""]))

    def test_json_is_valid_for_any_bytes(self):
        path = self.write("w.txt", b"\n".join(SMALL_WORDS) + b"\nquote\"back\\slash\ttab\n")
        code, out, _ = run(["--dict", path, "--json", "complete", "caf", "quote"])
        self.assertEqual(code, 0)
        cafe, quote = [json.loads(line) for line in out.decode("utf-8").splitlines()]
        # Valid UTF-8 passes through; the lone 0xE9 byte becomes \u00e9.
        self.assertEqual(cafe["completions"], ["caf\u00e9s", "caf\u00e9ine"])
        self.assertIn("\\u00e9ine", out.decode())
        self.assertEqual(quote["unique"], "quote\"back\\slash\ttab")

    def test_skip_prefix_word(self):
        path = self.write("w.txt", b"ab\nabcd\nabcde\nxyz\nxyzzy\nxyzzz\nsolo\nsolos\n")
        rows = [  # (prefix, skip, longest, unique)
            ("a", False, "ab", None),
            ("ab", False, "ab", None),
            ("ab", True, "abcd", None),
            ("abcde", False, "abcde", "abcde"),
            ("xyz", False, "xyz", None),
            ("xyz", True, "xyzz", None),
            ("solo", False, "solo", None),
            ("solo", True, "solos", "solos"),
            ("sol", True, "solo", None),
        ]
        for prefix, skip, longest, unique in rows:
            args = ["--dict", path, "--min-length", "0", "--json", "complete", prefix]
            if skip:
                args.append("--skip-prefix-word")
            code, out, _ = run(args)
            got = json.loads(out)
            self.assertEqual((code, got["longest"], got["unique"]), (0, longest, unique),
                             (prefix, skip))

    def test_unique_prints_one_line_per_prefix_and_fails_without_one(self):
        path = self.write("w.txt", b"\n".join(SMALL_WORDS) + b"\n")
        code, out, _ = run(["--dict", path, "--unique", "complete", "hip", "helic"])
        self.assertEqual((code, out), (0, b"hippopotamus\nhelicopter\n"))
        code, out, _ = run(["--dict", path, "--unique", "complete", "hip", "hel", "nothing"])
        self.assertEqual((code, out), (1, b"hippopotamus\n\n\n"))

    def test_exit_status_for_no_match(self):
        path = self.write("w.txt", b"\n".join(SMALL_WORDS) + b"\n")
        self.assertEqual(run(["--dict", path, "complete", "hel"])[0], 0)
        self.assertEqual(run(["--dict", path, "complete", "hel", "qqq"])[0], 1)
        # Not a terminal and no command: prefixes come from standard input.
        code, out, _ = run(["--dict", path, "--json"], b"hip\n")
        self.assertEqual((code, json.loads(out)["unique"]), (0, "hippopotamus"))

    def test_min_length(self):
        path = self.write("w.txt", b"\n".join(SMALL_WORDS) + b"\n")
        for min_length, words in ((0, 11), (5, 10), (7, 4), (100, 0)):
            code, out, _ = run(["--dict", path, "--min-length", str(min_length), "--json",
                                "stats"])
            self.assertEqual((code, json.loads(out)["words"]), (0, words), min_length)


class WordSources(TempFiles, unittest.TestCase):
    def words_of(self, args, stdin=b""):
        code, out, err = run(args + ["--min-length", "0", "--json", "complete", ""], stdin)
        self.assertEqual((code, err), (0, b""))
        return json.loads(out)["completions"]

    def test_text_is_split_like_an_editor(self):
        text = "Hello, w\u00f6rld! foo_bar 12345 abc123\nx-y don't 0x1F\r\n".encode()
        path = self.write("t.txt", text)
        self.assertEqual(self.words_of(["--text", path]),
                         ["0x1F", "Hello", "abc123", "don", "foo_bar", "t", "w\u00f6rld", "x",
                          "y"])
        self.assertEqual(self.words_of(["--text", path, "--numbers"]),
                         ["0x1F", "12345", "Hello", "abc123", "don", "foo_bar", "t",
                          "w\u00f6rld", "x", "y"])
        self.assertEqual(self.words_of(["--text", path, "--word-chars", "a-z'-"]),
                         ["abc", "bar", "don't", "ello", "foo", "rld", "w", "x", "x-y"])
        # Digits alone make words only with --numbers.
        self.assertEqual(self.words_of(["--text", path, "--word-chars", "\\x30-\\x39",
                                        "--numbers"]),
                         ["0", "1", "123", "12345"])
        code, out, _ = run(["--text", path, "--word-chars", "0-9", "--json", "stats"])
        self.assertEqual((code, json.loads(out)["offered"]), (0, 0))

    def test_word_split_across_read_chunks(self):
        # 64 KiB reads: a word straddling the boundary must stay whole.
        text = b"a " * 32767 + b"straddling words\n"
        path = self.write("t.txt", text)
        self.assertEqual(self.words_of(["--text", path, "--word-chars", "a-z"]),
                         ["a", "straddling", "words"])

    def test_sources_combine_and_read_standard_input(self):
        dict_path = self.write("d.txt", b"alpha\r\nbeta  \n\n")
        text_path = self.write("t.txt", b"gamma delta")
        self.assertEqual(self.words_of(["--dict", dict_path, "--text", text_path, "--dict", "-"],
                                       b"epsilon\n"),
                         ["alpha", "beta", "delta", "epsilon", "gamma"])
        self.assertEqual(self.words_of(["--text", "-"], b"one two"), ["one", "two"])

    def test_help_and_version(self):
        code, out, _ = run(["--help"])
        self.assertEqual(code, 0)
        self.assertIn(b"usage: rorirer", out)
        code, out, _ = run(["--version"])
        self.assertEqual(code, 0)
        self.assertTrue(out.startswith(b"rorirer "))


class BadInput(TempFiles, unittest.TestCase):
    def test_each_bad_input_gives_one_line_and_status_2(self):
        huge = b"x" * (3 << 20)
        empty = self.write("empty.txt", b"")
        binary = self.write("binary.txt", b"hello\nwor\0ld\n")
        long_line = self.write("long.txt", b"hello\n" + huge + b"\n")
        directory = self.tmp.name
        missing = os.path.join(self.tmp.name, "missing.txt")
        rows = [  # (arguments, standard input, words the message must hold)
            (["--bogus"], b"", ["unknown option '--bogus'"]),
            (["--max"], b"", ["--max: missing value"]),
            (["--max", "-3", "complete", "a"], b"", ["--max", "'-3'"]),
            (["--min-length", "many", "stats"], b"", ["--min-length", "'many'"]),
            (["--json=yes"], b"", ["--json", "takes no value"]),
            (["frobnicate"], b"", ["unknown command 'frobnicate'"]),
            (["stats", "extra"], b"", ["unexpected argument 'extra'"]),
            (["--word-chars", "z-a", "stats"], b"", ["--word-chars", "backwards"]),
            (["--word-chars", "\\x4", "stats"], b"", ["--word-chars", "hex"]),
            (["--dict", missing, "stats"], b"", [missing, "No such file or directory"]),
            (["--text", directory, "stats"], b"", [directory, "is a directory"]),
            (["--dict", empty, "stats"], b"", [empty, "empty"]),
            (["--dict", binary, "stats"], b"", [binary, "binary", "offset 9"]),
            (["--text", binary, "stats"], b"", [binary, "binary"]),
            (["--dict", long_line, "stats"], b"", [long_line + ":2:", "longer than"]),
            (["--text", long_line, "stats"], b"", [long_line + ":2:", "word longer than"]),
            (["--dict", "-", "stats"], huge, ["standard input:1:", "longer than"]),
            (["complete"], b"hel\n" + huge, ["standard input:2:", "longer than"]),
            (["complete"], b"", ["standard input", "empty"]),
            (["complete"], b"ab\0c\n", ["standard input", "binary"]),
            (["--dict", "-", "--text", "-", "stats"], b"x", ["standard input", "more than once"]),
            (["--dict", "-", "complete"], b"x", ["standard input", "more than once"]),
        ]
        for args, stdin, needles in rows:
            code, _, err = run(args, stdin)
            self.assertEqual(code, 2, args)
            text = err.decode("utf-8", "replace")
            self.assertTrue(text.startswith("rorirer: "), (args, text))
            self.assertTrue(text.endswith("\n") and text.count("\n") == 1, (args, text))
            for needle in needles:
                self.assertIn(needle, text, args)


if __name__ == "__main__":
    EXE, BUILTIN = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
