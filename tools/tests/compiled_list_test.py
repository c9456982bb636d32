#!/usr/bin/env python3
"""Compiled lists through the program: the cache's image and `rorirer
compile`. Every answer from an image must be the answer built from the
sources; every image that is cut, damaged, stale or made for other options
must be told on standard error and built again (or refused, when given as a
word source), never answered from.

Usage: compiled_list_test.py RORIRER
Each test has HOME and the XDG folders in its own temporary folder.
"""
import glob
import os
import random
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

EXE = None
PREFIXES = ["ab", "zy", "al", "mar", "q", "zzz"]


def words(seed, count):
    rng = random.Random(seed)
    letters = "abcdefghijklmnopqrstuvwxyz"
    found = set()
    while len(found) < count:
        found.add("".join(rng.choice(letters[:rng.randint(3, 26)])
                          for _ in range(rng.randint(2, 12))))
    return sorted(found)


class CompiledList(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        home = self.tmp.name
        self.cache = os.path.join(home, "cache")
        self.env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"),
                        XDG_CACHE_HOME=self.cache, XDG_STATE_HOME=os.path.join(home, "state"))
        self.dict = os.path.join(home, "list.txt")
        self.write_list(words(1, 3000))

    def tearDown(self):
        for path in glob.glob(os.path.join(self.cache, "**"), recursive=True):
            if os.path.isdir(path):
                os.chmod(path, 0o700)
        self.tmp.cleanup()

    def write_list(self, entries):
        with open(self.dict, "w") as f:
            f.write("\n".join(entries) + "\n")

    def run_program(self, args, check=True):
        proc = subprocess.run([EXE] + args + ["complete"] + PREFIXES, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, env=self.env, timeout=120)
        if check:
            self.assertIn(proc.returncode, (0, 1), proc.stderr)
        return proc

    def answers(self, args):
        """The answers built from the sources, with the cache left alone."""
        return self.run_program(args + ["--no-cache"]).stdout

    def images(self):
        return glob.glob(os.path.join(self.cache, "rorirer", "*.image"))

    def test_cache_answers_as_the_sources_and_follows_them(self):
        args = ["--dict", self.dict, "--min-length", "3"]
        expected = self.answers(args)
        self.assertEqual(self.images(), [])
        first = self.run_program(args)
        self.assertEqual((first.stdout, first.stderr), (expected, b""))
        [image] = self.images()
        second = self.run_program(args)
        self.assertEqual((second.stdout, second.stderr), (expected, b""))
        # Other options are another image, never this one's answers.
        self.assertEqual(self.run_program(["--dict", self.dict, "--min-length", "6"]).stdout,
                         self.answers(["--dict", self.dict, "--min-length", "6"]))
        self.assertEqual(len(self.images()), 2)
        # The list changes after compiling (same size, so only the checksum
        # or the times tell): the next run builds again.
        entries = words(1, 3000)
        entries[0] = entries[0][:-1] + ("x" if entries[0][-1] != "x" else "y")
        self.write_list(entries)
        changed = self.answers(args)
        third = self.run_program(args)
        self.assertEqual(third.stdout, changed)
        self.assertIn(b"changed since it was compiled", third.stderr)
        self.assertEqual(self.run_program(args).stderr, b"")

    def test_every_bad_image_is_told_and_built_again(self):
        args = ["--dict", self.dict, "--min-length", "3"]
        expected = self.answers(args)
        self.run_program(args)
        [image] = self.images()
        with open(image, "rb") as f:
            whole = f.read()
        rng = random.Random(7)
        damaged = [whole[:n] for n in (0, 1, 7, len(whole) // 2, len(whole) - 1)]
        for at in rng.sample(range(len(whole)), 12):
            flipped = bytearray(whole)
            flipped[at] ^= 1 << rng.randrange(8)
            damaged.append(bytes(flipped))
        damaged.append(whole + b"\0")
        for bad in damaged:
            with open(image, "wb") as f:
                f.write(bad)
            proc = self.run_program(args)
            self.assertEqual(proc.stdout, expected)
            self.assertIn(b"compiling it again", proc.stderr)
            with open(image, "rb") as f:
                self.assertEqual(f.read(), whole)

    def test_a_cache_that_cannot_be_written_is_told_and_the_run_goes_on(self):
        args = ["--dict", self.dict, "--min-length", "3"]
        expected = self.answers(args)
        os.makedirs(os.path.join(self.cache, "rorirer"))
        os.chmod(os.path.join(self.cache, "rorirer"), stat.S_IRUSR | stat.S_IXUSR)
        if os.access(os.path.join(self.cache, "rorirer"), os.W_OK):
            # Root writes any folder, but makes none in /proc.
            self.env["XDG_CACHE_HOME"] = "/proc/self"
        proc = self.run_program(args)
        self.assertEqual(proc.stdout, expected)
        self.assertIn(b"cannot keep the compiled list", proc.stderr)

    def test_a_cache_folder_that_cannot_be_made_is_told_and_the_run_goes_on(self):
        # In the cache's folder's place, a file.
        os.makedirs(self.cache)
        with open(os.path.join(self.cache, "rorirer"), "w") as f:
            f.write("not a folder")
        args = ["--dict", self.dict, "--min-length", "3"]
        proc = self.run_program(args)
        self.assertEqual(proc.stdout, self.answers(args))
        self.assertIn(b"cannot keep the compiled list", proc.stderr)

    def test_two_runs_compiling_at_once_leave_one_whole_image(self):
        self.write_list(words(2, 60000))
        args = ["--dict", self.dict, "--min-length", "3"]
        expected = self.answers(args)
        runs = [subprocess.Popen([EXE] + args + ["stats"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE, env=self.env) for _ in range(3)]
        for run in runs:
            _, err = run.communicate(timeout=120)
            self.assertEqual((run.returncode, err), (0, b""))
        self.assertEqual(len(self.images()), 1)
        self.assertEqual(os.listdir(os.path.join(self.cache, "rorirer")),
                         [os.path.basename(self.images()[0])])
        proc = self.run_program(args)
        self.assertEqual((proc.stdout, proc.stderr), (expected, b""))

    def test_compile_writes_a_list_for_dict_with_its_options(self):
        out = os.path.join(self.tmp.name, "list.image")
        text = os.path.join(self.tmp.name, "more.txt")
        with open(text, "w") as f:
            f.write("zyzzyva zyzzyva marmalade\n")
        proc = subprocess.run([EXE, "--min-length", "4", "compile", self.dict, "-o", out],
                              stderr=subprocess.PIPE, env=self.env, timeout=120)
        self.assertEqual((proc.returncode, proc.stderr), (0, b""))
        # Its --min-length holds without being given again; a --text after
        # it adds to it.
        self.assertEqual(self.run_program(["--dict", out, "--text", text]).stdout,
                         self.answers(["--dict", self.dict, "--min-length", "4", "--text", text]))
        for args, told in ((["--dict", out, "--min-length", "5"], b"--min-length 4"),
                           (["--dict", self.dict, "--dict", out], b"first word source"),
                           (["--dict", out, "--word-chars", "a-z"], b"without --word-chars")):
            proc = self.run_program(args, check=False)
            self.assertEqual((proc.returncode, proc.stdout), (2, b""))
            self.assertIn(told, proc.stderr)
        with open(out, "r+b") as f:
            f.seek(os.path.getsize(out) // 2)
            byte = f.read(1)
            f.seek(-1, 1)
            f.write(bytes([byte[0] ^ 0x10]))
        proc = self.run_program(["--dict", out], check=False)
        self.assertEqual((proc.returncode, proc.stdout), (2, b""))
        self.assertIn(out.encode(), proc.stderr)


if __name__ == "__main__":
    EXE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
