#!/usr/bin/env python3
"""Batch mode of rorirer, through the real executable.

Usage: batch_test.py RORIRER_EXECUTABLE BUILTIN_WORD_LIST

The program's answers are checked against plain Python models: of the word
store itself (sorted words, prefix filtering; the program pinned to
`--case exact --sort alpha --no-fuzzy`), and of the completion layer's
defaults (case inferred, candidates ranked, one typo forgiven) on words
whose case folding Python and the layer agree on. Faults in the program or
in the libraries it drives show up as differences.

Every run has HOME and XDG_DATA_HOME in a temporary folder, so no test
reads or writes the user's personal word list.
"""
import bisect
import functools
import json
import math
import os
import random
import subprocess
import sys
import tempfile
import unicodedata
import unittest

EXE = None
BUILTIN = None
HOME = tempfile.TemporaryDirectory()
ENV = dict(os.environ, HOME=HOME.name, XDG_DATA_HOME=os.path.join(HOME.name, "data"),
           XDG_CACHE_HOME=os.path.join(HOME.name, "cache"),
           XDG_STATE_HOME=os.path.join(HOME.name, "state"))


def run(args, stdin=b"", env=None, stdout=subprocess.PIPE, stderr=subprocess.PIPE):
    proc = subprocess.run([EXE] + args, input=stdin, stdout=stdout, stderr=stderr, timeout=60,
                          env=env or ENV)
    return proc.returncode, proc.stdout, proc.stderr


# The word store's own answers: byte for byte, in byte order, no typos.
STORE = ["--case", "exact", "--sort", "alpha", "--no-fuzzy"]


def cut_to_character(longest, found):
    """The store's longest completion as the layer gives it: never ending
    inside a UTF-8 sequence or before a combining mark of any candidate.
    Strings hold one character per byte (Latin-1)."""
    def boundary(word, at):
        if at >= len(word):
            return True
        if 0x80 <= ord(word[at]) <= 0xBF:
            return False
        rest = word[at:].encode("latin-1")
        char = rest[:4].decode("utf-8", "ignore")[:1]
        return not char or unicodedata.combining(char) == 0
    at = len(longest)
    while at > 0 and not all(boundary(w, at) for w in found):
        at -= 1
    return longest[:at]


class Model:
    """What the store should answer, from the list of words it was given."""

    def __init__(self, words, min_length=3):
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
        if not prefix:
            # A blank line is no question: an empty answer.
            return empty_answer("", "exact")
        found = self.completions(prefix)
        # Without passing over prefix words, the longest completion is what
        # every completion shares.
        longest = prefix
        if found:
            longest = max(prefix, cut_to_character(os.path.commonprefix(found), found), key=len)
        return answer(prefix, prefix in self.word_set, longest, found, max_listed, False, "exact")


def answer(prefix, stored, longest, found, max_listed, fuzzy, case):
    """The program's JSON answer for `found`, every completion in order."""
    listed = found[:max_listed]
    return {
        "prefix": prefix,
        "stored": stored,
        "longest": longest,
        "unique": found[0] if len(found) == 1 else None,
        "count": len(found),
        "completions": listed,
        "truncated": len(listed) < len(found),
        "fuzzy": fuzzy,
        "case": case,
    }


def empty_answer(prefix, case):
    return answer(prefix, False, prefix, [], None, False, case)


def osa_distance(a, b):
    """Optimal string alignment distance: edits and swaps of neighbours."""
    d = [[0] * (len(b) + 1) for _ in range(len(a) + 1)]
    for i in range(len(a) + 1):
        d[i][0] = i
    for j in range(len(b) + 1):
        d[0][j] = j
    for i in range(1, len(a) + 1):
        for j in range(1, len(b) + 1):
            d[i][j] = min(d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + (a[i - 1] != b[j - 1]))
            if i > 1 and j > 1 and a[i - 1] == b[j - 2] and a[i - 2] == b[j - 1]:
                d[i][j] = min(d[i][j], d[i - 2][j - 2] + 1)
    return d[len(a)][len(b)]


@functools.lru_cache(maxsize=None)
def ranking_parameters():
    """The ranking model's parameters as the program reports them."""
    code, out, err = run(["--json", "--no-learn", "stats"])
    assert code == 0, err
    return {k: float(v) for k, v in
            (item.split("=") for item in json.loads(out)["ranking"].split(","))}


@functools.lru_cache(maxsize=None)
def corpus_counts():
    """The built-in frequencies by folded word (ASCII words fold alike)."""
    counts = {}
    with open(os.path.join(os.path.dirname(BUILTIN), "word-frequencies"), "rb") as f:
        for line in f.read().decode("utf-8").splitlines():
            word, _, count = line.partition("\t")
            counts[word.lower()] = counts.get(word.lower(), 0) + int(count or 1)
    return counts


class RankModel:
    """The layer's defaults on ASCII words without apostrophes: case folded
    and the typed part kept as typed (capitals for an all-capitals prefix),
    ranked by the model without context: log2 of the mass (the floor, the
    corpus's count and the list's counts, in 256ths) in 2^-16 steps, plus
    the case factor's key, then length and byte order; within one edit when
    no word begins with the prefix. docs/completion.md gives the model."""

    def __init__(self, lines, min_length=3):
        self.counts = {}
        for line in lines:
            word, _, count = line.partition("\t")
            if len(word) >= min_length:
                self.counts[word] = self.counts.get(word, 0) + int(count or 0)
        self.model = ranking_parameters()
        self.corpus = corpus_counts()

    def key(self, factor):
        return round(math.log2(factor) * 65536)

    def score(self, word, prefix, capitals, fuzzy):
        m = self.model
        mass = (round(m["floor"] * 256) + self.corpus.get(word.lower(), 0) * 256 +
                self.counts[word] * round(m["listCount"] * 256))
        key = math.floor(math.log2(mass) * 65536)
        stored = word[:len(prefix)]
        case = 0
        if not fuzzy and not capitals and stored != prefix:
            if stored[1:] != prefix[1:]:
                case = self.key(m["otherCase"])
            elif prefix[0].isupper():  # the batch program's prefix begins a sentence
                case = self.key(m["capitalAtSentenceStart"])
            else:
                case = self.key(m["capitalStored"])
        return (key + case) * 4096 + 4095 - len(word)

    def report(self, prefix, max_listed):
        folded = prefix.lower()
        letters = [c for c in prefix if c.isalpha()]
        capitals = len(letters) >= 2 and all(c.isupper() for c in letters)
        found = [w for w in self.counts if w.lower().startswith(folded)]
        fuzzy = False
        if not found and 4 <= len(prefix) <= 64:
            n = len(prefix)
            found = [w for w in self.counts
                     if any(osa_distance(w[:k].lower(), folded) <= 1
                            for k in (n - 1, n, n + 1) if k <= len(w))]
            fuzzy = bool(found)

        def text(w):
            if fuzzy:
                return w.upper() if capitals else w
            rest = w[len(prefix):]
            return prefix + (rest.upper() if capitals else rest)

        def rank(w):
            return (-self.score(w, prefix, capitals, fuzzy), w.encode())

        texts = []
        for w in sorted(found, key=rank):
            if text(w) not in texts:
                texts.append(text(w))
        longest = os.path.commonprefix(texts) if texts else prefix
        if len(longest) < len(prefix):
            longest = prefix
        return answer(prefix, prefix in self.counts, longest, texts, max_listed, fuzzy, "infer")


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
        code, out, err = run(STORE + ["--json", "--max", "40", "complete"], stdin)
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
            any_missing = any_missing or (prefix and want["count"] == 0)
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
            self.assertGreater(stats["layer_bytes"], 0)
            # A sanitizer's allocator tells the C library's heap nothing.
            if stats["heap_bytes"]:
                self.assertGreater(stats["heap_bytes"], stats["layer_bytes"])
            self.assertGreaterEqual(stats["build_ms"], 0)
            self.assertEqual(stats["pending_words"], 0)
        self.assertEqual(builtin["nodes"], from_file["nodes"])
        self.assertEqual(builtin["layer_bytes"], from_file["layer_bytes"])

    def test_text_report_for_each_prefix(self):
        path = self.write("w.txt", b"\n".join(SMALL_WORDS) + b"\n")
        code, out, err = run(["--dict", path, "complete", "hel", "hippo", "zebras", "--max", "2"])
        self.assertEqual((code, err), (0, b""))
        self.assertEqual(out.decode(), "\n".join([
            "prefix: hel", "stored: no", "longest: hel", "unique: -", "fuzzy: no",
            "completions: 4 (2 shown)", "  hello", "  helicopter", "",
            "prefix: hippo", "stored: no", "longest: hippopotamus", "unique: hippopotamus",
            "fuzzy: no", "completions: 1", "  hippopotamus", "",
            "prefix: zebras", "stored: yes", "longest: zebras", "unique: -", "fuzzy: no",
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
            code, out, err = run(["--dict", path, "--min-length", str(min_length), "--json",
                                  "stats"])
            self.assertEqual((code, json.loads(out)["words"]), (0, words), min_length)
            # A store left empty is told.
            self.assertEqual(b"no word stored" in err, words == 0, err)


class RankedCompletionMatchesModel(TempFiles, unittest.TestCase):
    """The defaults (--case infer, --sort rank, typos forgiven) against
    RankModel, on random words of a few letters in both cases with and
    without a count column."""

    def test_random_words_and_prefixes(self):
        rng = random.Random(11)
        for round_ in range(4):
            letters = "abcdeABE"
            words = ["".join(rng.choice(letters) for _ in range(rng.randint(3, 9)))
                     for _ in range(300)]
            lines = [w + ("\t%d" % rng.randint(0, 50) if rng.random() < 0.4 else "")
                     for w in words]
            model = RankModel(lines, 4)
            path = self.write("w%d.txt" % round_, "\n".join(lines).encode() + b"\n")
            prefixes = set()
            for w in rng.sample(words, 60):
                cut = w[:rng.randint(1, len(w))]
                choice = rng.randrange(5)
                if choice == 0:
                    cut = cut.upper()
                elif choice == 1:
                    cut = cut.lower()
                elif choice == 2 and len(cut) > 3:  # a typo
                    at = rng.randrange(len(cut))
                    cut = cut[:at] + rng.choice("abcxyz") + cut[at + 1:]
                prefixes.add(cut)
            prefixes = sorted(prefixes)
            stdin = "".join(p + "\n" for p in prefixes).encode()
            code, out, err = run(["--dict", path, "--min-length", "4", "--json", "--max", "7"],
                                 stdin)
            self.assertEqual(err, b"")
            answers = [json.loads(line) for line in out.decode().splitlines()]
            self.assertEqual(len(answers), len(prefixes))
            for prefix, got in zip(prefixes, answers):
                self.assertEqual(got, model.report(prefix, 7), "prefix %r" % prefix)
            self.assertTrue(any(a["fuzzy"] for a in answers))
            self.assertTrue(any(a["truncated"] for a in answers))
            self.assertEqual(code, 0 if all(a["count"] for a in answers) else 1)


class CaseAndOrder(TempFiles, unittest.TestCase):
    def test_options_choose_the_query(self):
        path = self.write("w.txt", "help\t9\nHello\nhello\nHelsinki\nhelmet\t30\nstraße\n"
                                   "hippopotamus\n".encode())
        rows = [  # (options, prefix, completions, fuzzy)
            # The built-in frequencies rank first, the list's counts after:
            # help and hello are commoner than helmet, counted 30 here.
            ([], "hel", ["help", "hello", "helmet", "helsinki"], False),
            # A prefix alone begins a sentence: its capital asks for no name.
            ([], "Hel", ["Help", "Hello", "Helmet", "Helsinki"], False),
            ([], "HEL", ["HELP", "HELLO", "HELMET", "HELSINKI"], False),
            ([], "STRA", ["STRAẞE"], False),
            (["--case", "ignore"], "Hel", ["help", "Hello", "hello", "helmet", "Helsinki"],
             False),
            (["--case", "smart"], "hel", ["help", "hello", "Hello", "helmet", "Helsinki"],
             False),
            (["--case", "smart"], "Hel", ["Hello", "Helsinki"], False),
            (["--case", "exact"], "hel", ["help", "hello", "helmet"], False),
            # The stored words' byte order, each shown as typed.
            (["--sort", "alpha"], "hel", ["hello", "helsinki", "helmet", "help"], False),
            (["--case", "exact", "--sort", "alpha"], "Hel", ["Hello", "Helsinki"], False),
            ([], "hipop", ["hippopotamus"], True),
            (["--no-fuzzy"], "hipop", [], False),
            ([], "hip", ["hippopotamus"], False),
        ]
        for options, prefix, completions, fuzzy in rows:
            code, out, err = run(["--dict", path, "--min-length", "4", "--json"] + options +
                                 ["complete", prefix])
            got = json.loads(out)
            case = options[options.index("--case") + 1] if "--case" in options else "infer"
            self.assertEqual((code, err, got["completions"], got["fuzzy"], got["case"]),
                             (0 if completions else 1, b"", completions, fuzzy, case),
                             (options, prefix))

    def test_counts_and_text_occurrences_rank_words(self):
        # Words the built-in frequencies lack, so that the lists' own counts
        # rank them.
        dict_path = self.write("d.txt", b"qalpine\t5\nqalpaca\t900\nqalpha\n")
        text_path = self.write("t.txt", b"qalpha qalpha qalpine\nqalpine qalpine\n")
        rows = [  # (sources, expected order)
            (["--dict", dict_path], ["qalpaca", "qalpine", "qalpha"]),
            (["--text", text_path], ["qalpine", "qalpha"]),
            # Count columns and occurrences add up: qalpine 5 + 3, qalpha 0 + 2.
            (["--dict", dict_path, "--text", text_path], ["qalpaca", "qalpine", "qalpha"]),
        ]
        for sources, expected in rows:
            code, out, _ = run(sources + ["--json", "complete", "qalp"])
            self.assertEqual((code, json.loads(out)["completions"]), (0, expected), sources)
        # A count column is not part of the word; a tab elsewhere is.
        path = self.write("tabs.txt", b"tabbed\t12\ntab\tbed\n")
        code, out, _ = run(["--dict", path, "--sort", "alpha", "--json", "complete", "tab"])
        self.assertEqual(json.loads(out)["completions"], ["tab\tbed", "tabbed"])


class PrefixStream(TempFiles, unittest.TestCase):
    """Prefixes from standard input: one answer per line, whatever the line."""

    def setUp(self):
        super().setUp()
        self.path = self.write("w.txt", b"\n".join(SMALL_WORDS) + b"\n")

    def test_blank_lines_get_empty_answers_in_step(self):
        stdin = b"hip\n\nhel\n  \nzebras\n"
        code, out, _ = run(["--dict", self.path, "--json"], stdin)
        answers = [json.loads(line) for line in out.decode().splitlines()]
        self.assertEqual([a["prefix"] for a in answers], ["hip", "", "hel", "", "zebras"])
        self.assertEqual(answers[1], empty_answer("", "infer"))
        self.assertEqual(answers[3], empty_answer("", "infer"))
        # A blank line asks nothing, so it fails nothing.
        self.assertEqual(code, 0)
        code, out, _ = run(["--dict", self.path, "--unique", "complete"], stdin)
        self.assertEqual((code, out), (1, b"hippopotamus\n\n\n\n\n"))
        code, out, _ = run(["--dict", self.path, "complete"], b"\n")
        self.assertEqual((code, out.decode().splitlines()[-1]), (0, "completions: 0"))

    def test_empty_argument_lists_everything(self):
        code, out, _ = run(["--dict", self.path, "--min-length", "0", "--json", "complete", ""])
        got = json.loads(out)
        self.assertEqual((code, got["count"], len(got["completions"])),
                         (0, len(SMALL_WORDS), len(SMALL_WORDS)))

    def test_answers_before_a_bad_line_all_come_before_its_error(self):
        for good in (100, 10000):
            stdin = b"hip\n" * good + b"x\0y\n"
            code, out, _ = run(["--dict", self.path, "--unique"], stdin, stderr=subprocess.STDOUT)
            lines = out.decode().splitlines()
            self.assertEqual(code, 2)
            self.assertEqual(lines[:-1], ["hippopotamus"] * good, good)
            self.assertEqual(lines[-1], "rorirer: standard input: binary data (NUL byte at "
                             "offset %d)" % (4 * good + 1))

    def test_a_failed_write_is_an_error(self):
        for args, stdin in ((["--help"], b""), (["--version"], b""), (["stats"], b""),
                            (["--json", "complete", "hel"], b""), (["--json"], b"hel\n")):
            with open("/dev/full", "wb") as full:
                code, _, err = run(["--dict", self.path] + args, stdin, stdout=full)
            self.assertEqual((code, err), (2, b"rorirer: standard output: No space left on "
                                               b"device\n"), args)

    def test_empty_stream_is_nothing_to_do(self):
        for options in ([], ["--json"], ["--unique"]):
            self.assertEqual(run(["--dict", self.path, "complete"] + options, b""),
                             (0, b"", b""), options)
        self.assertEqual(run(["--dict", self.path], b""), (0, b"", b""))


class WordSources(TempFiles, unittest.TestCase):
    def words_of(self, args, stdin=b""):
        code, out, err = run(args + STORE + ["--min-length", "0", "--json", "complete", ""],
                             stdin)
        self.assertEqual((code, err), (0, b""))
        return json.loads(out)["completions"]

    def test_text_is_split_like_an_editor(self):
        text = "Hello, w\u00f6rld! foo_bar 12345 abc123\nx-y don't 'quoted' dogs' 0x1F\r\n".encode()
        path = self.write("t.txt", text)
        self.assertEqual(self.words_of(["--text", path]),
                         ["0x1F", "Hello", "abc123", "dogs", "don't", "foo_bar", "quoted",
                          "w\u00f6rld", "x", "y"])
        self.assertEqual(self.words_of(["--text", path, "--numbers"]),
                         ["0x1F", "12345", "Hello", "abc123", "dogs", "don't", "foo_bar",
                          "quoted", "w\u00f6rld", "x", "y"])
        self.assertEqual(self.words_of(["--text", path, "--word-chars", "a-z'-"]),
                         ["abc", "bar", "dogs", "don't", "ello", "foo", "quoted", "rld", "w", "x",
                          "x-y"])
        # Digits alone make words only with --numbers.
        self.assertEqual(self.words_of(["--text", path, "--word-chars", "\\x30-\\x39",
                                        "--numbers"]),
                         ["0", "1", "123", "12345"])
        code, out, _ = run(["--text", path, "--word-chars", "0-9", "--json", "stats"])
        self.assertEqual((code, json.loads(out)["offered"]), (0, 0))
        # Letters of any script, and an apostrophe between them.
        path = self.write("u.txt", "Ελληνικά, кириллица; l’été 日本語\n".encode())
        self.assertEqual(self.words_of(["--text", path]),
                         ["l’été", "Ελληνικά", "кириллица", "日本語"])

    def test_numbers_stay_out_of_every_source_unless_asked(self):
        path = self.write("d.txt", b"1984\n2001\t7\nroom101\n")
        self.assertEqual(self.words_of(["--dict", path]), ["room101"])
        self.assertEqual(self.words_of(["--dict", path, "--numbers"]),
                         ["1984", "2001", "room101"])

    def test_word_split_across_read_chunks(self):
        # 64 KiB reads: a word straddling the boundary must stay whole, and
        # so must a character.
        text = b"a " * 32767 + b"straddling words\n"
        path = self.write("t.txt", text)
        self.assertEqual(self.words_of(["--text", path, "--word-chars", "a-z"]),
                         ["a", "straddling", "words"])
        text = b"a " * 32767 + " \u00e9t\u00e9\n".encode()
        path = self.write("u.txt", text)
        self.assertEqual(self.words_of(["--text", path]), ["a", "\u00e9t\u00e9"])

    def test_one_word_limit_for_every_source(self):
        longest = b"w" * 4096
        too_long = b"v" * 4097
        for option in ("--dict", "--text"):
            path = self.write("ok.txt", b"short\n" + longest + b"\n")
            code, out, err = run([option, path, "--json", "stats"])
            self.assertEqual((code, err, json.loads(out)["words"]), (0, b"", 2), option)
            path = self.write("long.txt", b"short\n" + too_long + b"\n")
            code, out, err = run([option, path, "stats"])
            self.assertEqual(code, 2, option)
            self.assertIn((path + ":2:").encode(), err)
            self.assertIn(b"longer than 4096 bytes", err)
        # In a text, the limit is on the word, not on the line.
        path = self.write("line.txt", b" ".join([b"w" * 4000] * 3) + b"\n" + too_long)
        code, _, err = run(["--text", path, "stats"])
        self.assertEqual(code, 2)
        self.assertIn((path + ":2: word longer than 4096 bytes").encode(), err)

    def test_sources_combine_and_read_standard_input(self):
        dict_path = self.write("d.txt", b"\xef\xbb\xbfalpha\r\nbeta  \n\n")
        text_path = self.write("t.txt", b"gamma delta")
        self.assertEqual(self.words_of(["--dict", dict_path, "--text", text_path, "--dict", "-"],
                                       b"epsilon\n"),
                         ["alpha", "beta", "delta", "epsilon", "gamma"])
        self.assertEqual(self.words_of(["--text", "-"], b"one two"), ["one", "two"])
        self.assertEqual(self.words_of(["--dict", "-"], b"\xef\xbb\xbfone\n"), ["one"])

    def test_help_and_version(self):
        code, out, _ = run(["--help"])
        self.assertEqual(code, 0)
        self.assertIn(b"usage: rorirer", out)
        # Every option the program takes is explained, with its default.
        for option in ("--dict", "--text", "--word-chars", "--numbers", "--min-length", "--case",
                       "--sort", "--no-fuzzy", "--skip-prefix-word", "--words-file",
                       "--no-learn", "--max", "--json", "--unique", "--help", "--version",
                       "--stdio", "learn WORD", "forget WORD", "complete", "stats", "lsp"):
            self.assertIn(option.encode(), out, option)
        for default in ("default infer", "rank (default)", "default 3", "default: all",
                        "words.txt"):
            self.assertIn(default.encode(), out, default)
        code, out, _ = run(["--version"])
        self.assertEqual(code, 0)
        self.assertTrue(out.startswith(b"rorirer "))


class ListLimits(TempFiles, unittest.TestCase):
    """What one word list may make the program hold (docs/rorirer.md)."""

    def test_a_list_is_read_as_it_comes_and_refused_past_its_size(self):
        # Sparse files, all NULs: memory is taken as bytes come, never for
        # the size announced.
        path = os.path.join(self.tmp.name, "sparse")
        for size, message in [(200 << 20, b"binary data (NUL byte at offset 0)"),
                              (100 << 30, b"too large: more than 268435456 bytes")]:
            with open(path, "wb") as f:
                f.truncate(size)
            proc = subprocess.Popen([EXE, "--dict", path, "stats"], stderr=subprocess.PIPE, env=ENV)
            err = proc.stderr.read()
            _, status, usage = os.wait4(proc.pid, 0)
            proc.returncode = os.waitstatus_to_exitcode(status)
            self.assertEqual((proc.returncode, message in err), (2, True), err)
            self.assertLess(usage.ru_maxrss, 100 << 10)  # KiB

    def test_words_that_share_nothing_are_refused_before_they_are_stored(self):
        # Random letters cost a node of the word tree for each byte.
        letters = os.urandom(34 << 20).translate(bytes(97 + i % 26 for i in range(256)))
        path = self.write("random.txt",
                          b"\n".join(letters[i:i + 27] for i in range(0, len(letters), 27)))
        code, _, err = run(["--dict", path, "stats"])
        self.assertEqual(code, 2, err)
        self.assertIn(b"too many different words: they would take more than 33554432 nodes", err)


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
            (["--case", "upper", "stats"], b"", ["--case", "'upper'", "infer"]),
            (["--sort=size", "stats"], b"", ["--sort", "'size'", "alpha"]),
            (["--no-fuzzy=1", "stats"], b"", ["--no-fuzzy", "takes no value"]),
            (["--words-file=", "stats"], b"", ["--words-file", "empty file name"]),
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
            (["complete"], b"ab\0c\n", ["standard input", "binary"]),
            (["--dict", "-", "--text", "-", "stats"], b"x", ["standard input", "more than once"]),
            (["--dict", "-", "complete"], b"x", ["standard input", "more than once"]),
            (["learn"], b"", ["learn", "at least one word"]),
            (["forget", "--no-learn", "word"], b"", ["forget", "--no-learn"]),
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
