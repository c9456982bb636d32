"""bench/ksr's arithmetic on texts whose savings are worked out by hand: the
simulated writer with a scripted target, the baselines on a ten-word text,
and the rorirer program (its server and its batch mode) on a small list.

Usage: ksr_test.py [RORIRER]   (without it the program's cases are skipped)
"""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from keystrokes import programs, writer  # noqa: E402

EXE = None


class Scripted(writer.Target):
    """Offers what a script says for each prefix; records what the writer
    asked and rebuilds the text from what it typed and took."""

    def __init__(self, script):
        self.script = script
        self.asked = []
        self.typed = []

    def type(self, characters):
        self.typed.append(characters)

    def offers(self, prefix):
        self.asked.append(prefix)
        return self.script.get(prefix, [])

    def take(self, prefix, word):
        self.typed.append(word[len(prefix):])


class WriterTest(unittest.TestCase):
    def test_words_are_letters_joined_by_inner_apostrophes(self):
        text = "don't stop\u2014'quoted' rock'n'roll x2y caf\u00e9\u2019s na\u00efve 'tis"
        self.assertEqual([text[s:e] for s, e in writer.words(text)],
                         ["don't", "stop", "quoted", "rock'n'roll", "x", "y",
                          "caf\u00e9\u2019s", "na\u00efve", "tis"])

    def test_keystrokes_by_hand(self):
        script = {"a": ["alps", "alpha"], "b": ["Beta"], "be": ["beta"], "bet": ["beta"],
                  "g": ["gamma"]}
        text = "alpha, beta; gamma!"
        # (top, keystrokes, prefixes looked at, savings missed by kind)
        rows = [(1, 5 + 3 + 2, ["a", "al", "alp", "b", "be", "g"],
                 {"short": 1, "case": 0, "never": 3, "late": 0}),
                (2, 2 + 3 + 2, ["a", "b", "be", "g"],
                 {"short": 1, "case": 0, "never": 0, "late": 0})]
        for top, spent, asked, lost in rows:
            target = Scripted(script)
            tally = writer.simulate(text, target, top)
            self.assertEqual((tally.words, tally.letters, tally.spent), (3, 14, spent), top)
            self.assertAlmostEqual(tally.ksr(), 1 - spent / 14)
            self.assertEqual(target.asked, asked, top)
            self.assertEqual(tally.lost, lost, top)
            self.assertEqual("".join(target.typed), text)

    def test_the_typed_stream_is_the_text(self):
        text = "It's a test\u2014of \u00c9mile's r\u00e9sum\u00e9s.\n\n  A 2nd line, 'quoted'?"
        vocabulary = [text[s:e] for s, e in writer.words(text)]
        script = {}
        for word in vocabulary:
            for k in range(1, len(word)):
                script.setdefault(word[:k], []).append(word)
        for top in (1, 3):
            target = Scripted(script)
            writer.simulate(text, target, top)
            self.assertEqual("".join(target.typed), text)


# Ten words, 36 characters. The recent words at top 3, word by word: Then
# 4, the 3, theme 5 ("the", "then" offered), the 2, cat 3, sat 3, then 2
# (the sentence-start "Then" offered as "then"; 4 under exact case), cats 4,
# sat 2, that 4.
TEN = "Then the theme: the cat sat, then cats sat that."
COUNTS = {"the": 100, "then": 50, "That": 40, "cats": 30, "Satin": 10, "theme": 5, "sat": 3}


class BaselineTest(unittest.TestCase):
    def test_ten_words_by_hand(self):
        frequency = writer.Frequency(COUNTS)
        rows = [
            ("recent", lambda top: writer.Recent(top), 1, 35),
            ("recent", lambda top: writer.Recent(top), 3, 32),
            ("recent, exact case", lambda top: writer.Recent(top, "exact"), 3, 34),
            ("frequency", lambda top: frequency, 1, 32),
            ("frequency", lambda top: frequency, 3, 23),
            ("recent+frequency", lambda top: writer.RecentThenFrequency(frequency, top), 2, 27),
        ]
        for name, make, top, spent in rows:
            tally = writer.simulate(TEN, make(top), top)
            self.assertEqual((tally.words, tally.letters, tally.spent), (10, 36, spent),
                             "%s, top %d" % (name, top))
        ceiling = writer.ceiling(TEN)
        self.assertEqual((ceiling.spent, ceiling.best, sum(ceiling.lost.values())), (20, 16, 0))


class ProgramTest(unittest.TestCase):
    # Each word the writer looks at has one candidate in the list, so the
    # order of candidates cannot matter: zebra, quokka, zebra and éclair are
    # taken after one letter; quokkas is never offered. 29 characters; 2 + 2
    # + 2 + 7 + 2 keystrokes. The emoji before éclair is two UTF-16 units
    # and four UTF-8 bytes.
    TEXT = "zebra (quokka) zebra\nquokkas: \U0001f600\u00e9clair."
    SPENT = 15

    def setUp(self):
        if EXE is None:
            self.skipTest("no rorirer executable given")
        self.tmp = tempfile.TemporaryDirectory()
        self.list = os.path.join(self.tmp.name, "words.txt")
        with open(self.list, "w", encoding="utf-8") as f:
            f.write("zebra\nquokka\n\u00e9clair\n")

    def tearDown(self):
        self.tmp.cleanup()

    def test_server_keeps_the_writers_document(self):
        for encoding in ("utf-32", "utf-16", "utf-8"):
            server = programs.Server(EXE, {"fuzzy": False}, ["--dict", self.list], [encoding])
            tally = writer.simulate(self.TEXT, server, 1)
            server.close()
            self.assertEqual((tally.letters, tally.spent), (29, self.SPENT), encoding)

    def test_batch(self):
        target = programs.Batch(EXE, ["--dict", self.list, "--no-fuzzy"], self.TEXT, 1)
        tally = writer.simulate(self.TEXT, target, 1)
        self.assertEqual((tally.letters, tally.spent), (29, self.SPENT))

    def test_a_refused_setting_fails_the_run(self):
        server = programs.Server(EXE, {"minLength": 0}, ["--dict", self.list])
        with self.assertRaisesRegex(programs.ServerError, "refused"):
            server.offers("z")


if __name__ == "__main__":
    if len(sys.argv) > 1:
        EXE = sys.argv.pop(1)
    unittest.main()
