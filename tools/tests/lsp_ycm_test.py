#!/usr/bin/env python3
"""The language server under Vim 9 with YouCompleteMe (Debian's
vim-youcompleteme and its ycmd), set up by the exact block of
docs/editors.md, in Vim on a terminal that tmux provides.

Usage: lsp_ycm_test.py VIM TMUX, with RORIRER_EXE and RORIRER_EDITORS_DOC
set. Exits 77 (skipped) when VIM has no Python or YouCompleteMe is missing.

In a text file and then a Markdown file, "He" is typed, and once ycmd has
had the server's answer for it, "ll": the menu must show the server's
words as they are typed, with no completion asked for, and Tab must put
the first one in. ycmd asks at the start of the word and keeps a complete
answer for the rest of it, so a server that calls its empty answer at the
start complete never shows a word here. Every wait polls, with a bound.
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile
import time

DEADLINE_SECONDS = 30
MARKER = "<!-- tested by tools/tests/lsp_ycm_test.py -->\n```vim\n"
WORDS = ["hello", "hells", "heller", "helmet", "helium", "zebra"]


class Failure(Exception):
    pass


def read(path):
    """The text of `path`, or None while it does not exist."""
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return None


def wait_for(what, ready, describe):
    deadline = time.monotonic() + DEADLINE_SECONDS
    while not ready():
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for %s\n%s" % (what, describe()))
        time.sleep(0.05)


class Vim:
    def __init__(self, vim, tmux, work):
        self.work = work
        self.log = os.path.join(work, "server.log")
        self.tmux = [tmux, "-L", "rorirer-ycm-%d" % os.getpid(), "-f", "/dev/null"]
        env = {"HOME": work, "TMPDIR": work, "PATH": work + os.pathsep + os.environ["PATH"]}
        command = "env %s %s -N -u vimrc -i NONE -n" % (
            " ".join("%s=%s" % (k, shlex.quote(v)) for k, v in env.items()), shlex.quote(vim))
        clean = {k: v for k, v in os.environ.items() if not k.startswith("TMUX")}
        subprocess.run(self.tmux + ["new-session", "-d", "-x", "80", "-y", "24", "-c", work,
                                    command], check=True, env=clean)

    def keys(self, *keys, literal=False):
        subprocess.run(self.tmux + ["send-keys"] + (["-l"] if literal else []) + list(keys),
                       check=True)

    def screen(self):
        return subprocess.run(self.tmux + ["capture-pane", "-p"], stdout=subprocess.PIPE,
                              check=True).stdout.decode("utf-8", "replace")

    def served(self, method):
        """How many messages of `method` the server has handled, by the
        line its RORIRER_LSP_TIMING writes for each."""
        return len(re.findall(r"timing: %s " % re.escape(method), read(self.log) or ""))

    def describe(self):
        log = read(self.log)
        return "screen:\n%s\nserver's standard error:\n%s" % (
            self.screen(), "(the server never started)" if log is None else log[-2000:])

    def close(self):
        subprocess.run(self.tmux + ["kill-server"], stderr=subprocess.DEVNULL)


def menu_words(screen):
    """The words of the completion menu, each shown with its source."""
    return [line.split()[0] for line in screen.splitlines() if " dictionary" in line]


def type_and_complete(vim, name, opened):
    vim.keys(":update | edit %s" % name, literal=True)
    vim.keys("Enter")
    wait_for("the server to have %s open" % name,
             lambda: vim.served("textDocument/didOpen") > opened, vim.describe)
    asked = vim.served("textDocument/completion")
    vim.keys("i")
    vim.keys("He", literal=True)
    wait_for("a completion asked after He", lambda: vim.served("textDocument/completion") > asked,
             vim.describe)
    vim.keys("ll", literal=True)
    wait_for("the menu to show Hello after Hell in %s" % name,
             lambda: "Hello" in menu_words(vim.screen()), vim.describe)
    first = menu_words(vim.screen())[0]
    vim.keys("Tab")
    vim.keys("Escape")
    vim.keys(":update", literal=True)
    vim.keys("Enter")
    path = os.path.join(vim.work, name)
    wait_for("%s to hold %s, put in by Tab" % (name, first), lambda: read(path) == first + "\n",
             lambda: "%s holds %r\n%s" % (name, read(path), vim.describe()))


def main():
    vim_exe, tmux = sys.argv[1], sys.argv[2]
    probe = subprocess.run([vim_exe, "-N", "-u", "NONE", "-i", "NONE", "-es", "-c",
                            "packadd youcompleteme", "-c",
                            "if exists('g:loaded_youcompleteme') && has('python3') | qa! | "
                            "else | cq | endif"], stdin=subprocess.DEVNULL)
    if probe.returncode != 0:
        print("lsp_ycm_test: skipped: %s has no python3 or YouCompleteMe is missing "
              "(Debian: apt-get install vim-nox vim-youcompleteme)" % vim_exe)
        return 77
    with open(os.environ["RORIRER_EDITORS_DOC"], encoding="utf-8") as f:
        doc = f.read()
    if MARKER not in doc:
        print("lsp_ycm_test: no YouCompleteMe block in %s" % os.environ["RORIRER_EDITORS_DOC"])
        return 1
    block = doc.split(MARKER, 1)[1].split("\n```", 1)[0]
    with tempfile.TemporaryDirectory(prefix="rorirer-ycm") as work:
        with open(os.path.join(work, "words.txt"), "w") as f:
            f.write("\n".join(WORDS) + "\n")
        wrapper = os.path.join(work, "rorirer")
        with open(wrapper, "w") as f:
            f.write("#!/bin/sh\nRORIRER_LSP_TIMING=1 exec %s \"$@\" --dict %s 2>>%s\n" % (
                shlex.quote(os.environ["RORIRER_EXE"]), shlex.quote(work + "/words.txt"),
                shlex.quote(work + "/server.log")))
        os.chmod(wrapper, 0o755)
        with open(os.path.join(work, "vimrc"), "w") as f:
            # Debian's ycmd runs under Debian's python3; left to itself, YCM
            # takes the first python3 on PATH (a virtualenv's, pyenv's).
            f.write("filetype on\nset shortmess+=I\n"
                    "let g:ycm_server_python_interpreter = '/usr/bin/python3'\n" + block + "\n")
        vim = Vim(vim_exe, tmux, work)
        try:
            type_and_complete(vim, "notes.txt", 0)
            type_and_complete(vim, "notes.md", 1)
        except Failure as failure:
            print("lsp_ycm_test: %s" % failure)
            return 1
        finally:
            vim.close()
    print("lsp_ycm_test: Hello shown as Hell was typed, and put in, in text and Markdown")
    return 0


if __name__ == "__main__":
    sys.exit(main())
