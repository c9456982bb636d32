#!/usr/bin/env python3
"""`rorirer learn` and `rorirer forget` killed with SIGKILL at random moments.

Usage: learn_kill_test.py RORIRER_EXECUTABLE [RUNS]

A large personal list (200,000 entries) is changed by one copy of the real
program at a time, each killed at a random moment of its run: half the
kills anywhere between start and exit, half aimed at the write: just after
the temporary file appears, or just after it has replaced the list. After every kill the list must parse whole and
be exactly the list before that run or the list after it.
"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time
import unittest

EXE = None
RUNS = 80
ENTRIES = 200_000
HEADER = b"# rorirer personal word list 1\n"


def render(learned, forgotten):
    entries = sorted([(w, b"learned") for w in learned] + [(w, b"forgotten") for w in forgotten])
    return (HEADER + b"".join(kind + b"\t" + word + b"\n" for word, kind in entries) +
            b"# end %d\n" % len(entries))


def parse(data):
    """(learned, forgotten) of a whole list, or None for anything else."""
    if not data.startswith(HEADER) or not data.endswith(b"\n"):
        return None
    lines = data[:-1].split(b"\n")
    if not lines[-1].startswith(b"# end ") or lines[-1][6:] != b"%d" % (len(lines) - 2):
        return None
    learned, forgotten = set(), set()
    for line in lines[1:-1]:
        kind, tab, word = line.partition(b"\t")
        if not tab or kind not in (b"learned", b"forgotten"):
            return None
        (learned if kind == b"learned" else forgotten).add(word)
    return learned, forgotten


class KilledWhileChangingTheList(unittest.TestCase):
    def test_the_list_is_always_one_whole_state(self):
        with tempfile.TemporaryDirectory() as home:
            env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"),
                       XDG_CACHE_HOME=os.path.join(home, "cache"),
                       XDG_STATE_HOME=os.path.join(home, "state"))
            path = os.path.join(home, "data", "rorirer", "words.txt")
            os.makedirs(os.path.dirname(path))
            learned = {b"word%07d" % i for i in range(ENTRIES)}
            forgotten = set()
            with open(path, "wb") as f:
                f.write(render(learned, forgotten))

            def change(run):
                """The command of a run and the state it leads to."""
                rng = random.Random(run)
                if run % 3 == 2:
                    words = rng.sample(sorted(learned), 40)
                    return ["forget"] + words, (learned - set(words), forgotten | set(words))
                words = [b"new%05d%03d" % (run, i) for i in range(40)] + \
                    rng.sample(sorted(forgotten), min(5, len(forgotten)))
                return ["learn"] + words, (learned | set(words), forgotten - set(words))

            # How long one run takes here, uncut.
            start = time.monotonic()
            command, after = change(0)
            subprocess.run([EXE] + command, env=env, check=True)
            window = time.monotonic() - start
            learned, forgotten = after
            self.assertEqual(parse(open(path, "rb").read()), (learned, forgotten))

            rng = random.Random(20260101)
            changed = 0
            for run in range(1, RUNS + 1):
                command, after = change(run)
                child = subprocess.Popen([EXE] + command, env=env, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.PIPE)
                if run % 2:
                    # Up to a quarter past the uncut run's time.
                    time.sleep(rng.uniform(0, window * 1.25))
                else:
                    # Aimed at the write: just after the temporary file
                    # appears, or (one time in four) just after it has taken
                    # the old list's place. A loaded machine stretches every
                    # run past the measured one, so timed kills alone may
                    # never fall after the rename.
                    give_up = time.monotonic() + window * 4
                    while not os.path.exists(path + ".tmp") and time.monotonic() < give_up \
                            and child.poll() is None:
                        time.sleep(0.0002)
                    if run % 8 == 0:
                        while os.path.exists(path + ".tmp") and time.monotonic() < give_up:
                            time.sleep(0.0002)
                    time.sleep(rng.uniform(0, 0.003))
                child.send_signal(signal.SIGKILL)
                _, err = child.communicate()
                self.assertIn(child.returncode, (0, -signal.SIGKILL), err)
                state = parse(open(path, "rb").read())
                # (The sets are too large to print.)
                self.assertTrue(state in ((learned, forgotten), after),
                                "run %d: the list is %s" % (run, "not whole" if state is None else
                                                             "neither the old nor the new one"))
                changed += state == after
                learned, forgotten = state
            # The kills fell both before and after the new list took the
            # old one's place.
            self.assertGreater(changed, 0)
            self.assertLess(changed, RUNS)


if __name__ == "__main__":
    EXE = os.path.abspath(sys.argv[1])
    if len(sys.argv) > 2:
        RUNS = int(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
