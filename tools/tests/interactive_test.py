#!/usr/bin/env python3
"""Interactive mode of rorirer, on a real terminal that tmux provides.

Usage: interactive_test.py RORIRER_EXECUTABLE TMUX

Keys are sent with `tmux send-keys` and the screen is read back with
`tmux capture-pane`. Every check waits for the screen to reach the expected
state and fails after a generous deadline; no check depends on timing.
"""
import itertools
import os
import re
import shlex
import subprocess
import sys
import tempfile
import time
import unittest

EXE = None
TMUX = None
DEADLINE_SECONDS = 20
WORDS = ["hello", "helicopter", "helium", "helmet", "hippopotamus", "zebra", "zebras",
         "zebrasses"]
# Enough words sharing a prefix to overflow a 24-line screen.
MANY = ["many%03d" % i for i in range(400)]
sessions = itertools.count()


class Terminal:
    """One rorirer process on an 80x24 tmux terminal of its own."""

    def __init__(self, args, workdir):
        self.socket = "rorirer-test-%d-%d" % (os.getpid(), next(sessions))
        env = {k: v for k, v in os.environ.items() if not k.startswith("TMUX")}
        # A user's readline settings must not change what the keys do.
        # The shell records the exit status in a file: tmux's own record of it
        # is not always there.
        self.status_file = os.path.join(workdir, "exit-status")
        command = "INPUTRC=/dev/null LC_ALL=C.UTF-8 %s; echo $? > %s" % (" ".join(
            shlex.quote(a) for a in [EXE] + args), shlex.quote(self.status_file))
        self.tmux = [TMUX, "-L", self.socket, "-f", "/dev/null"]
        subprocess.run(self.tmux + ["new-session", "-d", "-x", "80", "-y", "24", "-c", workdir,
                                    command], check=True, env=env)
        # Keys sent before readline has the terminal would be echoed by the
        # terminal and read later: wait for the prompt, not just the banner.
        self.wait_for(lambda screen: "Tab completes" in screen and
                      ">" in [l.rstrip() for l in screen.splitlines()], "the banner and prompt")

    def close(self):
        subprocess.run(self.tmux + ["kill-server"], stderr=subprocess.DEVNULL)

    def type(self, text):
        subprocess.run(self.tmux + ["send-keys", "-l", text], check=True)

    def press(self, *keys):
        subprocess.run(self.tmux + ["send-keys"] + list(keys), check=True)

    def screen(self, escapes=False):
        args = ["capture-pane", "-p"] + (["-e"] if escapes else [])
        proc = subprocess.run(self.tmux + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return proc.stdout.decode("utf-8", "replace")

    def exit_status(self):
        """The program's exit status once it has ended, else None."""
        try:
            with open(self.status_file) as f:
                text = f.read()
        except FileNotFoundError:
            return None
        return int(text) if text.endswith("\n") else None

    def wait_for(self, condition, what, escapes=False):
        end = time.monotonic() + DEADLINE_SECONDS
        while True:
            screen = self.screen(escapes)
            if condition(screen):
                return screen
            if time.monotonic() > end:
                raise AssertionError("screen never showed %s:\n%s" % (what, screen))
            time.sleep(0.02)

    def wait_for_line(self, line, escapes=False):
        """Waits until some screen line is exactly `line` (trailing blanks ignored)."""
        return self.wait_for(lambda s: line in [l.rstrip() for l in s.splitlines()],
                             repr(line), escapes)

    def current_line(self):
        lines = [l.rstrip() for l in self.screen().splitlines() if l.strip()]
        return lines[-1]


class Interactive(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        path = os.path.join(self.tmp.name, "words.txt")
        with open(path, "w") as f:
            f.write("\n".join(WORDS + MANY) + "\n")
        self.term = Terminal(["--dict", "words.txt"], self.tmp.name)

    def tearDown(self):
        self.term.close()
        self.tmp.cleanup()

    def test_tab_completes_a_unique_word(self):
        self.term.type("I saw a hipp")
        self.term.press("Tab")
        # The whole word and a space, ready for the next one.
        self.term.type("x")
        self.term.wait_for_line("> I saw a hippopotamus x")

    def test_tab_inserts_longest_then_second_tab_lists(self):
        self.term.type("he")
        self.term.press("Tab")
        self.term.wait_for_line("> hel")
        self.assertNotIn("helium", self.term.screen())
        self.term.press("Tab")
        screen = self.term.wait_for(lambda s: "helium" in s, "the listing")
        lines = [l.rstrip() for l in screen.splitlines()]
        listing = lines.index("> hel") + 1
        self.assertEqual(lines[listing].split(), ["helicopter", "helium", "hello", "helmet"])
        # The line being edited comes back under the listing, untouched.
        self.assertEqual(lines[listing + 1], "> hel")

    def test_listing_stops_at_a_screenful(self):
        self.term.type("many")
        self.term.press("Tab")
        self.term.press("Tab")
        screen = self.term.wait_for(lambda s: "more" in s, "the 'and N more' line")
        lines = [l.rstrip() for l in screen.splitlines()]
        more = [l for l in lines if l.startswith("... and")]
        self.assertEqual(len(more), 1)
        left_out = int(re.match(r"\.\.\. and (\d+) more$", more[0]).group(1))
        shown = [w for l in lines for w in l.split() if re.fullmatch(r"many\d{3}", w)]
        self.assertEqual(len(shown) + left_out, len(MANY))
        # Shown in order, the first ones first.
        self.assertEqual(shown and sorted(shown), MANY[:len(shown)])
        self.assertLessEqual(len(lines), 24)

    def test_hint_shows_the_rest_of_the_only_word_dimmed(self):
        self.term.type("go hippo")
        screen = self.term.wait_for(lambda s: "potamus" in s, "the hint", escapes=True)
        line = [l for l in screen.splitlines() if "hippo" in l][0]
        # Dim (SGR 2) text after what was typed.
        self.assertRegex(line, r"> go hippo\x1b\[2m(\x1b\[[0-9;]*m)*potamus")
        # Away from the end of the line the hint goes, and comes back with it.
        self.term.press("Left")
        self.term.wait_for_line("> go hippo")
        self.term.press("C-e")
        self.term.wait_for(lambda s: "> go hippopotamus" in s, "the hint again")
        # The hint is not text: typing goes where the cursor is.
        self.term.type("Z")
        self.term.wait_for_line("> go hippoZ")
        # An ambiguous prefix has no hint.
        self.term.press("BSpace", "BSpace", "BSpace", "BSpace", "BSpace", "BSpace")
        self.term.type("he")
        self.term.wait_for_line("> go he")

    def test_entered_line_teaches_words(self):
        self.term.type("the quokka jumped over a numbat")
        self.term.press("Enter")
        self.term.wait_for_line("learned: quokka jumped numbat")
        self.term.type("a quo")
        self.term.press("Tab")
        self.term.type("!")
        self.term.wait_for_line("> a quokka !")
        self.term.press("Enter")
        # Nothing new is learned twice.
        self.term.type(":stats")
        self.term.press("Enter")
        self.term.wait_for(lambda s: re.search(r"words: +%d \(" % (len(WORDS) + len(MANY) + 3), s),
                           "the word count")

    def test_forget_removes_a_word(self):
        self.term.type(":forget hippopotamus")
        self.term.press("Enter")
        self.term.wait_for_line("forgot: hippopotamus")
        self.term.type(":forget hippopotamus")
        self.term.press("Enter")
        self.term.wait_for_line("not stored: hippopotamus")
        self.term.type("hipp")
        self.term.press("Tab", "Tab")
        self.term.type("!")
        self.term.wait_for_line("> hipp!")

    def test_skip_prefix_word_toggles(self):
        self.term.type("zebra")
        self.term.press("Tab")
        self.term.type("|")
        self.term.wait_for_line("> zebra|")
        self.term.press("BSpace")
        self.term.press("M-s")
        self.term.wait_for_line("(skip prefix word: on)")
        self.term.press("Tab")
        self.term.type("|")
        self.term.wait_for_line("> zebras|")
        self.term.press("C-u")
        self.term.type(":skip")
        self.term.press("Enter")
        self.term.wait_for_line("skip prefix word: off")

    def test_help_and_unknown_commands_and_ctrl_d(self):
        self.term.type(":help")
        self.term.press("Enter")
        self.term.wait_for(lambda s: ":forget WORD" in s and ":stats" in s, "the help")
        self.term.type(":frob")
        self.term.press("Enter")
        self.term.wait_for_line("unknown command :frob (try :help)")
        self.term.press("C-d")
        # Ends the program with status 0 (sanitizer builds report leaks and
        # faults at exit through the status).
        end = time.monotonic() + DEADLINE_SECONDS
        while self.term.exit_status() is None:
            self.assertLess(time.monotonic(), end, "Ctrl-D did not end the program:\n%s" %
                            self.term.screen())
            time.sleep(0.02)
        self.assertEqual(self.term.exit_status(), 0)


class BuiltinList(unittest.TestCase):
    def test_starts_on_the_builtin_list(self):
        with tempfile.TemporaryDirectory() as workdir:
            term = Terminal([], workdir)
            try:
                self.assertRegex(term.screen(), r"\d{5,} words\.")
                term.type("xylophonis")
                term.press("Tab")
                term.type("|")
                term.wait_for_line("> xylophonist|")
            finally:
                term.close()


if __name__ == "__main__":
    EXE, TMUX = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
