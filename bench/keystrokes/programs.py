"""The rorirer program as the simulated writer's target: its language
server, typed into as an editor would, and its batch mode, asked the
prefixes alone.

Both run with XDG_DATA_HOME, XDG_CACHE_HOME, XDG_STATE_HOME and
XDG_CONFIG_HOME in a temporary folder: no personal word list is read, none
is written.
"""
import json
import os
import shlex
import subprocess
import tempfile

from .writer import Target, words


def private_env(folder):
    env = dict(os.environ)
    for name in ("XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME"):
        env[name] = os.path.join(folder, name.lower())
    return env


def parse_variant(variant):
    """`key=value` words are server settings (the value read as JSON when it
    parses, else as a string); the other words are command-line arguments."""
    settings, args = {}, []
    for token in shlex.split(variant):
        key, eq, value = token.partition("=")
        if eq and not token.startswith("-"):
            try:
                settings[key] = json.loads(value)
            except ValueError:
                settings[key] = value
        else:
            args.append(token)
    return settings, args


class ServerError(RuntimeError):
    pass


class Server(Target):
    """`rorirer lsp` with one open document that holds what the writer has
    typed: one didChange per character, a completion request at each
    letter the writer looks, and a suggestion taken by applying its
    textEdit, so that the document stays what the writer wrote."""

    URI = "file:///ksr/document.txt"

    def __init__(self, exe, settings, args, encodings=("utf-32", "utf-16")):
        self.folder = tempfile.TemporaryDirectory(prefix="ksr-")
        self.log = open(os.path.join(self.folder.name, "stderr"), "w+b")
        self.proc = subprocess.Popen([exe, "lsp"] + args, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=self.log,
                                     env=private_env(self.folder.name))
        self.next_id = 1
        self.version = 1
        self.line = 0
        self.text = ""  # the current line
        self.last = []  # (offered word, start, end, new text) of the last answer
        answer = self.call("initialize", {
            "processId": None, "rootUri": None, "initializationOptions": settings,
            "capabilities": {"general": {"positionEncodings": list(encodings)}}})
        self.encoding = answer["capabilities"].get("positionEncoding", "utf-16")
        self.notify("initialized", {})
        self.notify("textDocument/didOpen", {"textDocument": {
            "uri": self.URI, "languageId": "plaintext", "version": 1, "text": ""}})

    # --- the protocol -------------------------------------------------------

    def send(self, message):
        body = json.dumps(dict(message, jsonrpc="2.0"), ensure_ascii=False).encode("utf-8")
        try:
            self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
            self.proc.stdin.flush()
        except BrokenPipeError:
            self.fail("the server closed its input")

    def notify(self, method, params):
        self.send({"method": method, "params": params})

    def receive(self):
        length = None
        while True:
            line = self.proc.stdout.readline()
            if not line:
                self.fail("the server closed its output")
            line = line.strip()
            if not line:
                break
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value)
        return json.loads(self.proc.stdout.read(length))

    def call(self, method, params):
        request_id = self.next_id
        self.next_id += 1
        self.send({"id": request_id, "method": method, "params": params})
        while True:
            message = self.receive()
            if "method" in message:
                # A warning shown to the user means a setting was refused:
                # the figures would not be for the settings asked.
                if message["method"] == "window/showMessage" and \
                        message["params"].get("type") in (1, 2):
                    self.fail("the server refused: " + message["params"]["message"])
                if "id" in message:
                    self.send({"id": message["id"], "result": None})
                continue
            if message.get("id") != request_id:
                self.fail("unexpected answer %r" % message)
            if "error" in message:
                self.fail("%s: %r" % (method, message["error"]))
            return message["result"]

    def fail(self, why):
        self.proc.kill()
        self.release()
        self.log.seek(0)
        tail = self.log.read().decode("utf-8", "replace")[-2000:]
        self.log.close()
        self.folder.cleanup()
        raise ServerError(why + ("\nits standard error ends:\n" + tail if tail else ""))

    def release(self):
        for stream in (self.proc.stdin, self.proc.stdout):
            try:
                stream.close()
            except OSError:
                pass
        return self.proc.wait(timeout=60)

    def close(self):
        self.call("shutdown", None)
        self.notify("exit", None)
        status = self.release()
        self.log.close()
        self.folder.cleanup()
        if status != 0:
            raise ServerError("the server exited with status %d" % status)

    # --- positions ------------------------------------------------------------

    def units(self, text):
        if self.encoding == "utf-32":
            return len(text)
        if self.encoding == "utf-8":
            return len(text.encode("utf-8"))
        return len(text.encode("utf-16-le")) // 2

    def index(self, column):
        """The index in the current line of a column in the server's units."""
        if self.encoding == "utf-32":
            return min(column, len(self.text))
        for i in range(len(self.text) + 1):
            if self.units(self.text[:i]) >= column:
                return i
        return len(self.text)

    def edit(self, start, end, new_text):
        self.version += 1
        self.notify("textDocument/didChange", {
            "textDocument": {"uri": self.URI, "version": self.version},
            "contentChanges": [{"range": {
                "start": {"line": self.line, "character": self.units(self.text[:start])},
                "end": {"line": self.line, "character": self.units(self.text[:end])}},
                "text": new_text}]})
        self.text = self.text[:start] + new_text + self.text[end:]

    # --- the writer's target --------------------------------------------------

    def type(self, characters):
        for c in characters:
            self.edit(len(self.text), len(self.text), c)
            if c == "\n":
                self.line += 1
                self.text = ""

    def offers(self, prefix):
        answer = self.call("textDocument/completion", {
            "textDocument": {"uri": self.URI},
            "position": {"line": self.line, "character": self.units(self.text)}})
        items = answer["items"] if isinstance(answer, dict) else answer or []
        # An editor shows the items in sortText order, label for those without.
        items = sorted(items, key=lambda item: item.get("sortText", item["label"]))
        word_start = len(self.text) - len(prefix)
        self.last = []
        for item in items:
            edit = item.get("textEdit")
            if edit:
                where = edit.get("range") or edit["insert"]
                start = self.index(where["start"]["character"])
                end = self.index(where["end"]["character"])
                new_text = edit["newText"]
                # The server edits the word at its cursor: an edit that ends
                # elsewhere means its document is not the writer's.
                if (where["start"]["line"], where["end"]["line"], end) != \
                        (self.line, self.line, len(self.text)):
                    self.fail("an edit of %r ends elsewhere than the cursor, line %d after %r"
                              % (where, self.line, self.text))
            else:
                start, end = word_start, len(self.text)
                new_text = item.get("insertText", item["label"])
            line = self.text[:start] + new_text + self.text[end:]
            self.last.append((line[word_start:], start, end, new_text))
        return [entry[0] for entry in self.last]

    def take(self, prefix, word):
        for offered, start, end, new_text in self.last:
            if offered == word:
                self.edit(start, end, new_text)
                return
        raise AssertionError("%r was not offered" % word)


def prefixes_of(text):
    """Every prefix the writer may look at in `text`, in order of first use."""
    seen = {}
    for start, end in words(text):
        for k in range(1, end - start - 1):
            seen.setdefault(text[start:start + k], None)
    return list(seen)


class Batch(Target):
    """`rorirer complete`, one process for all the prefixes of a text, each
    asked alone (no context, no learning): the answer depends on the prefix
    only, so one run with the largest N serves every N."""

    def __init__(self, exe, args, text, top):
        asked = prefixes_of(text)
        with tempfile.TemporaryDirectory(prefix="ksr-") as folder:
            done = subprocess.run([exe] + args + ["--json", "--max", str(top), "complete"],
                                  input="\n".join(asked).encode("utf-8") + b"\n",
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  env=private_env(folder))
        if done.returncode not in (0, 1):
            raise ServerError("rorirer complete exited with status %d: %s" % (
                done.returncode, done.stderr.decode("utf-8", "replace")[-2000:]))
        answers = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines()]
        if len(answers) != len(asked):
            raise ServerError("%d answers to %d prefixes" % (len(answers), len(asked)))
        self.answers = {}
        for prefix, answer in zip(asked, answers):
            if answer["prefix"] != prefix:
                raise ServerError("asked %r, answered %r" % (prefix, answer["prefix"]))
            self.answers[prefix] = answer["completions"]

    def offers(self, prefix):
        return self.answers[prefix]
