#!/usr/bin/env python3
"""Interactive mode of rorirer, on a real terminal that tmux provides.

Usage: interactive_test.py RORIRER_EXECUTABLE TMUX

Keys are sent with `tmux send-keys` and the screen is read back with
`tmux capture-pane`. Every check waits for the screen to reach the expected
state and fails after a generous deadline; no check depends on timing.
Each session has HOME and XDG_DATA_HOME in its own temporary folder, where
its personal word list goes.
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
         "zebrasses", "doesn't", "caf\u00e9", "caf\u00e8", "\u65e5\u672c\u8a9e\u8f9e\u66f8"]
# Enough words sharing a prefix to overflow a 24-line screen.
MANY = ["many%03d" % i for i in range(400)]
sessions = itertools.count()


class Terminal:
    """One rorirer process on a tmux terminal of its own, 80x24 unless told;
    `output` names a file its standard output is sent to."""

    def __init__(self, args, workdir, width=80, output=None):
        self.socket = "rorirer-test-%d-%d" % (os.getpid(), next(sessions))
        env = {k: v for k, v in os.environ.items() if not k.startswith("TMUX")}
        # A user's readline settings must not change what the keys do.
        # The shell records the exit status in a file: tmux's own record of it
        # is not always there.
        self.status_file = os.path.join(workdir, "exit-status")
        if os.path.exists(self.status_file):
            os.remove(self.status_file)
        # The pane stays after the program ends, so that what it said last
        # can be read.
        command = "INPUTRC=/dev/null LC_ALL=C.UTF-8 %s %s%s; echo $? > %s; exec sleep 600" % (
            " ".join("%s=%s" % (k, shlex.quote(v)) for k, v in data_env(workdir).items()),
            " ".join(shlex.quote(a) for a in [EXE] + args),
            " > " + shlex.quote(output) if output else "", shlex.quote(self.status_file))
        self.tmux = [TMUX, "-L", self.socket, "-f", "/dev/null"]
        subprocess.run(self.tmux + ["new-session", "-d", "-x", str(width), "-y", "24", "-c",
                                    workdir, command], check=True, env=env)
        # Keys sent before readline has the terminal would be echoed by the
        # terminal and read later: wait for the prompt, not just the banner.
        self.wait_for(lambda screen: "Tab completes" in screen and
                      ">" in [l.rstrip() for l in screen.splitlines()], "the banner and prompt")

    def close(self):
        # Ended as a user would, so that it has written its files (the
        # history) before the test's folder goes.
        end = time.monotonic() + DEADLINE_SECONDS
        # Ctrl-D once Ctrl-C has emptied the line, else it may come first.
        for key in ("C-c", "C-d"):
            if self.exit_status() is None:
                subprocess.run(self.tmux + ["send-keys", key], stderr=subprocess.DEVNULL)
            while (self.exit_status() is None and self.current_line() != ">" and
                   time.monotonic() < end):
                time.sleep(0.02)
        while self.exit_status() is None and time.monotonic() < end:
            time.sleep(0.02)
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
        return lines[-1] if lines else ""

    def enter(self):
        """Enters the line and waits for the next prompt: keys sent while the
        program works between two lines would be echoed by the terminal."""
        before = self.screen().count("\n>")
        self.press("Enter")
        self.wait_for(lambda s: s.count("\n>") > before and self.current_line() == ">",
                      "the next prompt")

    def cursor_column(self):
        proc = subprocess.run(self.tmux + ["display-message", "-p", "#{cursor_x}"],
                              stdout=subprocess.PIPE, check=True)
        return int(proc.stdout)

    def wait_for_exit(self, testcase):
        """Waits for the program to end; returns its exit status."""
        end = time.monotonic() + DEADLINE_SECONDS
        while self.exit_status() is None:
            testcase.assertLess(time.monotonic(), end, "the program did not end:\n%s" %
                                self.screen())
            time.sleep(0.02)
        return self.exit_status()


def data_env(workdir):
    return {"HOME": workdir, "XDG_DATA_HOME": os.path.join(workdir, "data"),
            "XDG_CACHE_HOME": os.path.join(workdir, "cache"),
            "XDG_STATE_HOME": os.path.join(workdir, "state")}


def list_path(workdir):
    return os.path.join(workdir, "data", "rorirer", "words.txt")


def list_entries(workdir):
    """The personal list's entries as (kind, word) pairs, from a whole list."""
    with open(list_path(workdir), encoding="utf-8") as f:
        lines = f.read().split("\n")
    assert lines[0] in ("# rorirer personal word list 1", "# rorirer personal word list 2"), lines
    assert lines[-1] == "", lines
    assert lines[-2] == "# end %d" % (len(lines) - 3), lines
    return {tuple(line.split("\t", 1)) for line in lines[1:-2]}


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
        # Best first: shorter words first when nothing else tells them apart.
        self.assertEqual(lines[listing].split(), ["hello", "helicopter", "helmet", "helium"])
        # The line being edited comes back under the listing, untouched.
        self.assertEqual(lines[listing + 1], "> hel")

    def listing_after(self, typed):
        """Types `typed`, presses Tab twice and returns the listing's words."""
        prompt = "> " + typed

        def prompts(screen):
            lines = [l.rstrip() for l in screen.splitlines()]
            return lines, [i for i, line in enumerate(lines) if line == prompt]

        before = len(prompts(self.term.screen())[1])
        self.term.type(typed)
        self.term.press("Tab")
        self.term.press("Tab")
        # The typed line, the listing, and the line again under it.
        screen = self.term.wait_for(lambda s: len(prompts(s)[1]) >= before + 2, "the listing")
        lines, at = prompts(screen)
        return [w for line in lines[at[-2] + 1:at[-1]] for w in line.split()]

    def test_apostrophe_word_completes_and_a_second_tab_lists_nothing(self):
        for typed in ("doesn", "doesn'"):
            self.term.type("it " + typed)
            self.term.press("Tab")
            self.term.wait_for_line("> it doesn't")
            # The space after the word was added: a second Tab has no word
            # before the cursor, so it lists nothing, least of all everything.
            self.term.press("Tab")
            self.term.type("|")
            screen = self.term.wait_for_line("> it doesn't |")
            self.assertNotIn("more", screen)
            self.assertNotIn("hippopotamus", screen)
            self.term.press("C-u")

    def test_case_is_inferred_from_what_was_typed(self):
        self.assertEqual(self.listing_after("Hel"), ["Hello", "Helicopter", "Helmet", "Helium"])
        self.term.press("C-u")
        self.term.type("HIPP")
        self.term.press("Tab")
        self.term.type("|")
        self.term.wait_for_line("> HIPPOPOTAMUS |")

    def test_accented_words_are_never_cut_inside_a_character(self):
        # café and cafè share "caf" and the first byte of the accent: Tab
        # inserts nothing rather than half a character.
        self.assertEqual(self.listing_after("caf"), ["caf\u00e8", "caf\u00e9"])
        self.term.type("|")
        self.term.wait_for_line("> caf|")

    def test_hint_width_counts_columns(self):
        self.term.type("\u65e5\u672c")
        self.term.wait_for(lambda s: "> \u65e5\u672c\u8a9e\u8f9e\u66f8" in s, "the hint")
        # The cursor stands after the two wide characters typed, not inside
        # the hint: back over three wide characters, six columns.
        end = time.monotonic() + DEADLINE_SECONDS
        while self.term.cursor_column() != 6:
            self.assertLess(time.monotonic(), end, "cursor at %d" % self.term.cursor_column())
            time.sleep(0.02)
        # Right at the end of the line takes the hint.
        self.term.press("Right")
        self.term.type("!")
        self.term.wait_for_line("> \u65e5\u672c\u8a9e\u8f9e\u66f8!")

    def test_taken_completions_rank_first(self):
        self.assertEqual(self.listing_after("hel"), ["hello", "helicopter", "helmet", "helium"])
        self.term.press("C-u")
        # A unique completion taken with Tab.
        self.term.type("helm")
        self.term.press("Tab")
        self.term.wait_for_line("> helmet")
        self.term.press("C-u")
        self.assertEqual(self.listing_after("hel"), ["helmet", "hello", "helicopter", "helium"])
        self.term.press("C-u")
        # A hint taken with Right.
        self.term.type("helic")
        self.term.wait_for(lambda s: "> helicopter" in s, "the hint")
        self.term.press("Right")
        self.term.press("C-u")
        self.assertEqual(self.listing_after("hel"), ["helicopter", "helmet", "hello", "helium"])

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
        self.term.enter()
        self.term.wait_for_line("learned for this session: the quokka jumped over numbat")
        self.term.type("a quo")
        self.term.press("Tab")
        self.term.type("!")
        self.term.wait_for_line("> a quokka !")
        self.term.enter()
        # Taken from a suggestion, a word of this session is learned for good.
        self.assertIn(("learned", "quokka"), list_entries(self.tmp.name))
        self.assertIn(("pending", "numbat"), list_entries(self.tmp.name))
        # Nothing new is learned twice.
        self.term.type(":stats")
        self.term.enter()
        self.term.wait_for(lambda s: re.search(r"words: +%d \(" % (len(WORDS) + len(MANY) + 5), s),
                           "the word count")

    def test_forget_removes_a_word(self):
        self.term.type(":forget hippopotamus")
        self.term.enter()
        self.term.wait_for_line("forgot: hippopotamus")
        self.term.type(":forget hippopotamus")
        self.term.enter()
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
        self.term.enter()
        self.term.wait_for_line("skip prefix word: off")

    def test_words_learned_and_forgotten_are_kept_for_later_sessions(self):
        self.term.type("the quokka jumped over hello")
        self.term.enter()
        self.term.wait_for_line("learned for this session: the quokka jumped over")
        self.term.type(":forget hippopotamus")
        self.term.enter()
        self.term.wait_for_line("forgot: hippopotamus")
        # Saved after each line: known words as learned, new ones pending.
        self.assertEqual(list_entries(self.tmp.name),
                         {("pending", "the"), ("pending", "quokka"), ("pending", "jumped"),
                          ("pending", "over"), ("learned", "hello"),
                          ("forgotten", "hippopotamus")})
        # Entered again in the same session, a word is still pending.
        self.term.type("quokka")
        self.term.enter()
        self.term.type(":stats")
        self.term.enter()
        self.term.wait_for(lambda s: re.search(r"pending words: +4 ", s), "the pending words")
        self.term.press("C-d")
        self.assertEqual(self.term.wait_for_exit(self), 0)
        self.term.close()
        self.term = Terminal(["--dict", "words.txt"], self.tmp.name)
        # A word entered in one session only (a typo, as often as not) is
        # not offered in the next; entered again there, it is learned.
        self.term.type("a quo")
        self.term.press("Tab")
        self.term.type("|")
        self.term.wait_for_line("> a quo|")
        self.term.press("C-u")
        self.term.type("a quokka")
        self.term.enter()
        self.term.wait_for_line("learned: quokka")
        # The forgotten word stays forgotten, though the word list holds it.
        self.term.type("hipp")
        self.term.press("Tab", "Tab")
        self.term.type("|")
        self.term.wait_for_line("> hipp|")
        self.term.press("C-u", "C-d")
        self.assertEqual(self.term.wait_for_exit(self), 0)
        self.assertEqual(list_entries(self.tmp.name),
                         {("pending", "the"), ("learned", "quokka"), ("pending", "jumped"),
                          ("pending", "over"), ("learned", "hello"),
                          ("forgotten", "hippopotamus")})

    def test_words_another_copy_saved_come_in(self):
        env = dict(os.environ, **data_env(self.tmp.name))
        subprocess.run([EXE, "learn", "wombat"], env=env, check=True)
        subprocess.run([EXE, "forget", "helmet"], env=env, check=True)
        # A line that teaches a word saves, and the save reads what others
        # wrote.
        self.term.type("nothing new")
        self.term.enter()
        self.term.type("womb")
        self.term.press("Tab")
        self.term.type("|")
        self.term.wait_for_line("> wombat |")
        self.term.press("C-u")
        self.term.type("helm")
        self.term.press("Tab")
        self.term.type("|")
        self.term.wait_for_line("> helm|")

    def test_ctrl_c_drops_the_line_and_history_is_kept(self):
        history = os.path.join(self.tmp.name, "state", "rorirer", "history")
        self.term.type("quokka jumped")
        self.term.press("C-c")
        self.term.wait_for(lambda s: self.term.current_line() == ">", "a new prompt")
        self.term.type("numbat")
        self.term.enter()
        # What was typed before Ctrl-C was dropped, not entered.
        self.term.wait_for_line("learned for this session: numbat")
        self.term.press("Up")
        self.term.wait_for(lambda s: self.term.current_line() == "> numbat", "the last line")
        self.term.press("C-u", "C-d")
        self.assertEqual(self.term.wait_for_exit(self), 0)
        with open(history) as f:
            self.assertEqual(f.read(), "numbat\n")
        self.assertEqual(os.stat(history).st_mode & 0o777, 0o600)
        # A long history comes back, and only its last lines are kept.
        with open(history, "w") as f:
            f.write("".join("old %d\n" % i for i in range(1500)))
        self.term.close()
        self.term = Terminal(["--dict", "words.txt"], self.tmp.name)
        self.term.press("Up")
        self.term.wait_for(lambda s: self.term.current_line() == "> old 1499", "the history")
        self.term.press("C-u")
        self.term.type("wombat")
        self.term.enter()
        self.term.press("C-d")
        self.assertEqual(self.term.wait_for_exit(self), 0)
        with open(history) as f:
            lines = f.read().splitlines()
        self.assertEqual((len(lines), lines[-1]), (1000, "wombat"))

    def test_a_long_line_wraps_and_ctrl_l_clears_the_screen(self):
        self.term.close()
        with open(os.path.join(self.tmp.name, "abc.txt"), "w") as f:
            f.write("abcdefghijklmnopqrstuvwxyz\n")
        self.term = Terminal(["--dict", "abc.txt"], self.tmp.name, width=40)
        self.term.type("x" * 35 + " abcd")
        # The line goes on on the next row, with the hint after the cursor.
        screen = self.term.wait_for_line("cdefghijklmnopqrstuvwxyz")
        lines = [l.rstrip() for l in screen.splitlines()]
        row = lines.index("cdefghijklmnopqrstuvwxyz")
        self.assertEqual(lines[row - 1], "> " + "x" * 35 + " ab")
        self.term.type("Q")
        self.term.wait_for_line("cdQ")
        self.term.press("C-l")
        # The screen is cleared and the line drawn again at its top.
        screen = self.term.wait_for(lambda s: s.startswith("> x"), "the line at the top")
        self.assertNotIn("Tab completes", screen)
        self.assertEqual([l.rstrip() for l in screen.splitlines()][1], "cdQ")

    def test_prompt_stays_on_the_terminal_when_output_goes_to_a_file(self):
        self.term.close()
        self.term = Terminal(["--dict", "words.txt"], self.tmp.name, output="out.txt")
        self.term.type("a numbat")
        self.term.enter()
        self.term.press("C-d")
        self.assertEqual(self.term.wait_for_exit(self), 0)
        with open(os.path.join(self.tmp.name, "out.txt")) as f:
            self.assertEqual(f.read(), "learned for this session: numbat\n")

    def test_help_and_unknown_commands_and_ctrl_d(self):
        self.term.type(":help")
        self.term.enter()
        self.term.wait_for(lambda s: ":forget WORD" in s and ":stats" in s, "the help")
        self.term.type(":frob")
        self.term.enter()
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


class PersonalListTrouble(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        with open(os.path.join(self.tmp.name, "words.txt"), "w") as f:
            f.write("\n".join(WORDS) + "\n")
        os.makedirs(os.path.dirname(list_path(self.tmp.name)))
        self.term = None

    def tearDown(self):
        if self.term:
            self.term.close()
        self.tmp.cleanup()

    def test_an_unreadable_list_is_told_once_and_never_written(self):
        broken = b"# rorirer personal word list 1\nlearned\tquokka\n"
        with open(list_path(self.tmp.name), "wb") as f:
            f.write(broken)
        self.term = Terminal(["--dict", "words.txt"], self.tmp.name)
        screen = self.term.screen()
        self.assertIn("no end line", screen)
        self.assertIn("going on without the personal word list", screen)
        # The session goes on: words are learned for this session only.
        self.term.type("a numbat")
        self.term.enter()
        self.term.wait_for_line("learned for this session: numbat")
        self.term.type("a wombat")
        self.term.enter()
        self.term.wait_for_line("learned for this session: wombat")
        self.term.type("numb")
        self.term.press("Tab")
        self.term.type("|")
        screen = self.term.wait_for_line("> numbat |")
        self.assertEqual(screen.count("not saved in this session"), 1, screen)
        self.term.press("C-u", "C-d")
        # Words the session said it learned are lost: status 2, and said so.
        self.assertEqual(self.term.wait_for_exit(self), 2)
        self.term.wait_for(lambda s: "2changesofthissessionlost" in re.sub(r"\s+", "", s),
                           "the loss")
        with open(list_path(self.tmp.name), "rb") as f:
            self.assertEqual(f.read(), broken)

    def test_a_failing_save_is_told_once(self):
        # The lock beside the list cannot be opened where a folder stands.
        os.makedirs(list_path(self.tmp.name) + ".lock")
        self.term = Terminal(["--dict", "words.txt"], self.tmp.name)
        for word in ("numbat", "wombat", "quokka"):
            self.term.type("a " + word)
            self.term.enter()
            self.term.wait_for_line("learned for this session: " + word)
        screen = self.term.screen()
        self.assertEqual(screen.count("not saved"), 1, screen)
        # At exit the changes are lost for good: that is told too.
        self.term.press("C-d")
        self.assertEqual(self.term.wait_for_exit(self), 2)
        screen = self.term.wait_for(lambda s: "lost" in s, "the last word")
        self.assertRegex(screen, r"\(3\s+changes of this session lost\)")
        self.assertFalse(os.path.exists(list_path(self.tmp.name)))

    def test_no_learn_learns_nothing(self):
        self.term = Terminal(["--dict", "words.txt", "--no-learn"], self.tmp.name)
        self.term.type("the quokka jumped")
        self.term.enter()
        self.term.type("quok")
        self.term.press("Tab")
        self.term.type("|")
        screen = self.term.wait_for_line("> quok|")
        self.assertNotIn("learned", screen)
        self.term.press("C-u", "C-d")
        self.assertEqual(self.term.wait_for_exit(self), 0)
        self.assertFalse(os.path.exists(list_path(self.tmp.name)))


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
