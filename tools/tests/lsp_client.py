"""A scripted client for the language server (rorirer lsp): the real
program over pipes, its messages read by a thread as they come, and a test
base that starts it on a small word list with a personal word list of its
own, so that no test reads the user's.
"""
import json
import os
import queue
import subprocess
import tempfile
import threading
import time
import unittest

EXE = None  # the rorirer executable, set by the test's main
TIMEOUT = 30  # seconds for any one answer; sanitizer builds are slow

WORDS = ["hello", "helium", "helicopter", "helmet", "hippopotamus", "zebra", "zebras",
         "\u00e9migr\u00e9", "caf\u00e9s", "quokka", "quokkas"]


def frame(message, ensure_ascii=False):
    body = json.dumps(message, ensure_ascii=ensure_ascii).encode("utf-8")
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def raw_frame(body):
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


class Client:
    """One server process, its messages read by a thread as they come."""

    def __init__(self, args, env=None):
        self.proc = subprocess.Popen([EXE] + args, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        self.incoming = queue.Queue()
        self.notifications = []
        self.err = []
        self.next_id = 1
        threading.Thread(target=self._read_messages, daemon=True).start()
        threading.Thread(target=self._read_errors, daemon=True).start()

    def _read_messages(self):
        out = self.proc.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.incoming.put(None)
                    return
                line = line.rstrip(b"\r\n")
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.strip().lower() == b"content-length":
                    length = int(value)
            body = out.read(length)
            self.incoming.put(json.loads(body.decode("utf-8")))

    def _read_errors(self):
        for line in self.proc.stderr:
            self.err.append(line.decode("utf-8", "replace"))

    def write(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def send(self, message):
        self.write(frame(message))

    def request(self, method, params=None):
        request_id = self.next_id
        self.next_id += 1
        message = {"jsonrpc": "2.0", "id": request_id, "method": method}
        if params is not None:
            message["params"] = params
        self.send(message)
        return request_id

    def notify(self, method, params=None):
        message = {"jsonrpc": "2.0", "method": method}
        if params is not None:
            message["params"] = params
        self.send(message)

    def receive(self, timeout=TIMEOUT):
        message = self.incoming.get(timeout=timeout)
        if message is None:
            raise AssertionError("the server closed its output")
        return message

    def answer(self):
        """The next message that is not a notification; those are kept."""
        while True:
            message = self.receive()
            if "method" not in message:
                return message
            self.notifications.append(message)

    def response(self, request_id):
        """The next response, which must be the one to `request_id`;
        notifications on the way are kept."""
        while True:
            message = self.receive()
            if "method" in message:
                self.notifications.append(message)
                continue
            if message.get("id") != request_id:
                raise AssertionError("expected the answer to %r, got %r" % (request_id, message))
            return message

    def call(self, method, params=None):
        return self.response(self.request(method, params))

    def silent_for(self, seconds):
        """Messages that arrive within `seconds` (none expected, usually)."""
        got = []
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return got
            try:
                got.append(self.incoming.get(timeout=left))
            except queue.Empty:
                return got

    def initialize(self, capabilities=None, options=None, process_id=None):
        params = {"processId": process_id, "rootUri": None,
                  "capabilities": capabilities if capabilities is not None else {}}
        if options is not None:
            params["initializationOptions"] = options
        answer = self.call("initialize", params)
        self.notify("initialized", {})
        return answer

    def open(self, uri, text, version=1):
        self.notify("textDocument/didOpen", {"textDocument": {
            "uri": uri, "languageId": "plaintext", "version": version, "text": text}})

    def change(self, uri, version, changes):
        """`changes`: (start line, start character, end line, end
        character, text) for a range, or a string for the whole text."""
        content = []
        for c in changes:
            if isinstance(c, str):
                content.append({"text": c})
            else:
                content.append({"range": {"start": {"line": c[0], "character": c[1]},
                                          "end": {"line": c[2], "character": c[3]}},
                                "text": c[4]})
        self.notify("textDocument/didChange", {
            "textDocument": {"uri": uri, "version": version}, "contentChanges": content})

    def configure(self, settings):
        self.notify("workspace/didChangeConfiguration", {"settings": settings})

    def complete(self, uri, line, character):
        return self.call("textDocument/completion", {
            "textDocument": {"uri": uri}, "position": {"line": line, "character": character}})

    def items(self, uri, line, character):
        return self.assert_result(self.complete(uri, line, character))["items"]

    def labels(self, uri, line, character):
        return [item["label"] for item in self.items(uri, line, character)]

    def finish(self, shutdown=True):
        if shutdown:
            self.assert_result(self.call("shutdown"))
        self.notify("exit")
        return self.wait()

    def wait(self, timeout=TIMEOUT):
        try:
            return self.proc.wait(timeout=timeout)
        finally:
            self.proc.stdin.close()

    def stderr(self):
        self.proc.wait(timeout=TIMEOUT)
        time.sleep(0.1)  # the reader thread takes the last lines
        return "".join(self.err)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                stream.close()
            except (OSError, ValueError):
                pass

    @staticmethod
    def assert_result(message):
        if "error" in message:
            raise AssertionError("unexpected error %r" % message["error"])
        return message["result"]


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dict = self.write("words.txt", "\n".join(WORDS) + "\n")
        self.clients = []
        # The personal word list lives here: $XDG_DATA_HOME/rorirer/words.txt.
        self.data_home = os.path.join(self.tmp.name, "data")
        # Compiled lists are kept under XDG_CACHE_HOME.
        self.env = dict(os.environ, XDG_DATA_HOME=self.data_home,
                        XDG_CACHE_HOME=os.path.join(self.tmp.name, "cache"),
                        XDG_STATE_HOME=os.path.join(self.tmp.name, "state"))

    def tearDown(self):
        for client in self.clients:
            client.kill()
        self.tmp.cleanup()

    def write(self, name, text):
        path = os.path.join(self.tmp.name, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def start(self, *extra, dictionary=True):
        args = ["lsp"] + (["--dict", self.dict] if dictionary else []) + list(extra)
        client = Client(args, env=self.env)
        self.clients.append(client)
        return client

    def write_personal_list(self, learned=(), forgotten=()):
        entries = sorted([(w, "learned") for w in learned] + [(w, "forgotten") for w in forgotten])
        text = "# rorirer personal word list 1\n"
        text += "".join("%s\t%s\n" % (kind, word) for word, kind in entries)
        text += "# end %d\n" % len(entries)
        os.makedirs(os.path.join(self.data_home, "rorirer"), exist_ok=True)
        path = os.path.join(self.data_home, "rorirer", "words.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def assert_error(self, message, code, request_id):
        self.assertIn("error", message, message)
        self.assertEqual(message["error"]["code"], code, message)
        self.assertEqual(message.get("id", "missing"), request_id, message)

    def assert_refused(self, client, method, params, code):
        request_id = client.request(method, params)
        self.assert_error(client.response(request_id), code, request_id)

    def assert_alive(self, client):
        """The server answers a good request correctly."""
        answer = client.assert_result(client.complete("file:///never-opened", 0, 0))
        self.assertEqual(answer, {"isIncomplete": False, "items": []})
