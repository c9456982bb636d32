#!/usr/bin/env python3
"""The personal word list through the rorirer program, in batch.

Usage: personal_list_test.py RORIRER_EXECUTABLE

`rorirer learn` and `rorirer forget` write the list; `complete` and `stats`
read it over the word sources. Each test has HOME and XDG_DATA_HOME in a
temporary folder of its own, and the list's file is read back and parsed
here, independently of the program.
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

EXE = None
HEADER = b"# rorirer personal word list 1\n"


def parse_list(data):
    """(learned, forgotten) of a whole list; fails on anything else."""
    lines = data.split(b"\n")
    assert data.startswith(HEADER), data[:40]
    assert lines[-1] == b"", "the list does not end in a line end"
    end = lines[-2]
    assert end.startswith(b"# end "), end
    entries = lines[1:-2]
    assert int(end[len(b"# end "):]) == len(entries), (end, len(entries))
    learned, forgotten = set(), set()
    for entry in entries:
        kind, _, word = entry.partition(b"\t")
        {b"learned": learned, b"forgotten": forgotten}[kind].add(word.decode("utf-8"))
    return learned, forgotten


def list_bytes(learned=(), forgotten=()):
    entries = sorted([(w.encode(), b"learned") for w in learned] +
                     [(w.encode(), b"forgotten") for w in forgotten])
    return (HEADER + b"".join(kind + b"\t" + word + b"\n" for word, kind in entries) +
            b"# end %d\n" % len(entries))


class PersonalListTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.env = dict(os.environ, HOME=self.tmp.name,
                        XDG_DATA_HOME=os.path.join(self.tmp.name, "data"),
                        XDG_CACHE_HOME=os.path.join(self.tmp.name, "cache"),
                        XDG_STATE_HOME=os.path.join(self.tmp.name, "state"))
        self.list_path = os.path.join(self.tmp.name, "data", "rorirer", "words.txt")
        self.dict_path = os.path.join(self.tmp.name, "dict.txt")
        with open(self.dict_path, "wb") as f:
            f.write(b"helium\nhelios\nhelmet\nhippopotamus\nhippopotami\ncolour\n")

    def tearDown(self):
        self.tmp.cleanup()

    def run_program(self, args, stdin=b""):
        proc = subprocess.run([EXE] + args, input=stdin, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60, env=self.env)
        return proc.returncode, proc.stdout, proc.stderr

    def completions(self, prefix, *options):
        code, out, err = self.run_program(["--dict", self.dict_path, "--json"] + list(options) +
                                          ["complete", prefix])
        self.assertEqual(err, b"")
        return json.loads(out)["completions"]

    def read_list(self):
        with open(self.list_path, "rb") as f:
            return f.read()

    def write_list(self, data):
        os.makedirs(os.path.dirname(self.list_path), exist_ok=True)
        with open(self.list_path, "wb") as f:
            f.write(data)

    def test_learn_and_forget_write_the_list_that_complete_reads(self):
        self.assertEqual(self.run_program(["learn", "Zorbulon", "xylophonist"]), (0, b"", b""))
        self.assertEqual(self.run_program(["forget", "colour", "hippopotamus"]), (0, b"", b""))
        self.assertEqual(self.read_list(),
                         list_bytes(["Zorbulon", "xylophonist"], ["colour", "hippopotamus"]))
        # Learned words join the sources' words; forgotten ones leave them.
        self.assertEqual(self.completions("zorb"), ["zorbulon"])
        self.assertEqual(self.completions("hippopotam"), ["hippopotami"])
        self.assertEqual(self.completions("colo"), [])
        # Learning a forgotten word takes it back, and the other way round.
        self.assertEqual(self.run_program(["learn", "hippopotamus"])[0], 0)
        self.assertEqual(self.run_program(["forget", "Zorbulon"])[0], 0)
        self.assertEqual(parse_list(self.read_list()),
                         ({"xylophonist", "hippopotamus"}, {"colour", "Zorbulon"}))
        self.assertEqual(sorted(self.completions("hippopotam")), ["hippopotami", "hippopotamus"])
        self.assertEqual(self.completions("zorb"), [])
        code, out, _ = self.run_program(["--dict", self.dict_path, "--json", "stats"])
        # Six words, one forgotten, one learned.
        self.assertEqual((code, json.loads(out)["words"]), (0, 6))

    def test_learned_words_are_not_used_in_a_later_run(self):
        # Both weigh as words of the list, and the shorter ranks first: the
        # word learned last, were it marked as used, would come first.
        self.assertEqual(self.run_program(["learn", "helios"])[0], 0)
        self.assertEqual(self.run_program(["learn", "heliport"])[0], 0)
        self.assertEqual(self.completions("heli"), ["helios", "heliport", "helium"])

    def test_words_are_kept_in_their_normal_form(self):
        decomposed = "cafe\u0301s"
        self.assertEqual(self.run_program(["learn", decomposed])[0], 0)
        self.assertEqual(parse_list(self.read_list()), ({"caf\u00e9s"}, set()))
        self.assertEqual(self.run_program(["forget", "caf\u00e9s"])[0], 0)
        self.assertEqual(parse_list(self.read_list()), (set(), {"caf\u00e9s"}))

    def test_words_file_and_no_learn(self):
        other = os.path.join(self.tmp.name, "mine", "list.txt")
        self.assertEqual(self.run_program(["--words-file", other, "learn", "quokka"])[0], 0)
        self.assertFalse(os.path.exists(self.list_path))
        self.assertEqual(self.completions("quok", "--words-file", other), ["quokka"])
        self.assertEqual(self.completions("quok"), [])
        # --no-learn: the list is not even read.
        self.assertEqual(self.run_program(["forget", "helmet"])[0], 0)
        self.assertEqual(self.completions("helme"), [])
        self.assertEqual(self.completions("helme", "--no-learn"), ["helmet"])

    def test_words_to_learn_are_checked_before_anything_changes(self):
        self.assertEqual(self.run_program(["learn", "kept1"])[0], 0)
        before = self.read_list()
        rows = [  # (arguments, words the message must hold)
            (["learn", "finely", "two words"], ["learn", "'two words'", "not one word"]),
            (["learn", "okays", "dogs'"], ["'dogs''", "not one word"]),
            (["learn", "123456"], ["'123456'", "--numbers"]),
            (["learn", "ab"], ["'ab'", "--min-length 3"]),
            (["--min-length", "8", "learn", "quokka"], ["'quokka'", "--min-length 8"]),
            (["learn", "line\nbreak"], ["line break"]),
            (["forget", "x" * 4097], ["forget", "longer than 4096 bytes"]),
            (["learn", ""], ["an empty word"]),
        ]
        for args, needles in rows:
            code, out, err = self.run_program(args)
            text = err.decode()
            self.assertEqual((code, out, text.count("\n")), (2, b"", 1), args)
            self.assertTrue(text.startswith("rorirer: "), text)
            for needle in needles:
                self.assertIn(needle, text, args)
            self.assertEqual(self.read_list(), before, args)
        # What the rules allow is learned: numbers with --numbers, words of
        # any script, an apostrophe between letters, any length to 4096.
        words = ["123456", "\u65e5\u672c\u8a9e", "doesn't", "w" * 4096]
        self.assertEqual(self.run_program(["--numbers", "learn"] + words)[0], 0)
        self.assertEqual(parse_list(self.read_list())[0], {"kept1"} | set(words))
        # Forgetting takes any word a list can hold.
        self.assertEqual(self.run_program(["forget", "ab", "two words"])[0], 0)
        self.assertEqual(parse_list(self.read_list())[1], {"ab", "two words"})

    def test_a_list_that_cannot_be_read_is_left_alone(self):
        broken = [
            (HEADER + b"learned\tquokka\n", "no end line"),
            (b"# rorirer personal word list 9\n# end 0\n", "version"),
            (HEADER + b"learned\tquokka\nforgotten\tquokka\n# end 2\n", "both learned and forgotten"),
            (b"\x00\x01 not a list\n", ""),
        ]
        for data, reason in broken:
            self.write_list(data)
            # complete warns once and answers from the sources alone.
            code, out, err = self.run_program(["--dict", self.dict_path, "--json", "complete",
                                               "helm", "quok"])
            self.assertEqual(code, 1, data)
            self.assertEqual([json.loads(l)["completions"] for l in out.splitlines()],
                             [["helmet"], []])
            text = err.decode("utf-8", "replace")
            self.assertEqual(text.count("\n"), 1, text)
            self.assertIn(self.list_path, text)
            self.assertIn(reason, text)
            self.assertIn("going on without the personal word list", text)
            # learn and forget refuse, with one line, and write nothing.
            for command in ("learn", "forget"):
                code, out, err = self.run_program([command, "wombat"])
                self.assertEqual((code, out, err.count(b"\n")), (2, b"", 1), (command, data))
                self.assertIn(self.list_path.encode(), err)
                self.assertEqual(self.read_list(), data)
                self.assertFalse(os.path.exists(self.list_path + ".tmp"))

    def test_a_list_that_cannot_be_saved_gives_one_line(self):
        # The lock beside the list cannot be opened where a folder stands.
        os.makedirs(self.list_path + ".lock")
        code, out, err = self.run_program(["learn", "wombat"])
        self.assertEqual((code, out, err.count(b"\n")), (2, b"", 1))
        self.assertIn(b"not saved", err)
        self.assertFalse(os.path.exists(self.list_path))


if __name__ == "__main__":
    EXE = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
