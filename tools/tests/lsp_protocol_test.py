#!/usr/bin/env python3
"""The language server (rorirer lsp), driven over pipes as an editor would.

Usage: lsp_protocol_test.py RORIRER_EXECUTABLE

Each test starts the real program, speaks the protocol to it, and checks
the answers: the lifecycle and exit statuses, every kind of bad input
(after each the server must answer the next good message), the position
encodings, cancellation, an over-long message, and incremental edits with
emoji and combining marks, checked against a plain Python model of the
document through the ranges of completion answers.
"""
import random
import subprocess
import sys
import time
import unicodedata
import unittest

import lsp_client
from lsp_client import TIMEOUT, WORDS, Client, ServerTest, frame, raw_frame
from lsp_completion_test import *  # noqa: F401,F403 (the completion tests run here too)

DEEP = 1000000  # nesting depth of the deepest message sent

# Dictionary words only, nothing used and no counts: shorter first, then in
# byte order.
HEL = sorted((w for w in WORDS if w.startswith("hel")), key=lambda w: (len(w), w))


class Lifecycle(ServerTest):
    def test_initialize_answers_capabilities(self):
        version = subprocess.run([lsp_client.EXE, "--version"], stdout=subprocess.PIPE,
                                 check=True).stdout.decode().split()[1]
        client = self.start()
        result = client.assert_result(client.initialize())
        self.assertEqual(result["serverInfo"], {"name": "rorirer", "version": version})
        capabilities = result["capabilities"]
        self.assertEqual(capabilities["textDocumentSync"], {"openClose": True, "change": 2})
        self.assertEqual(capabilities["completionProvider"], {"resolveProvider": False})
        self.assertEqual(capabilities["positionEncoding"], "utf-16")
        self.assertEqual(client.finish(), 0)

    def test_exit_statuses(self):
        rows = [
            # (initialize, shutdown, exit, exit status); no exit: the input ends
            (True, True, True, 0),
            (True, False, True, 1),
            (False, False, True, 1),
            (True, False, False, 1),
            (True, True, False, 1),
            (False, False, False, 1),
        ]
        for initialize, shutdown, exit, status in rows:
            with self.subTest(initialize=initialize, shutdown=shutdown, exit=exit):
                client = self.start()
                if initialize:
                    client.initialize()
                if shutdown:
                    client.assert_result(client.call("shutdown"))
                if exit:
                    client.notify("exit")
                client.proc.stdin.close()
                self.assertEqual(client.proc.wait(timeout=TIMEOUT), status)
                self.assertNotIn("Sanitizer", client.stderr())

    def test_requests_out_of_order(self):
        client = self.start()
        # Before initialize: requests refused, notifications dropped.
        self.assert_refused(client, "textDocument/completion", {}, -32002)
        self.assert_refused(client, "shutdown", None, -32002)
        client.open("file:///early", "hello")
        client.assert_result(client.initialize())
        answer = client.assert_result(client.complete("file:///early", 0, 3))
        self.assertEqual(answer["items"], [], "a document opened before initialize is not kept")
        self.assert_refused(client, "initialize", {"processId": None, "capabilities": {}}, -32600)
        client.assert_result(client.call("shutdown"))
        # After shutdown every request is refused.
        self.assert_refused(client, "textDocument/completion", {}, -32600)
        self.assert_refused(client, "shutdown", None, -32600)
        client.notify("exit")
        self.assertEqual(client.wait(), 0)

    def test_dead_client_process_ends_the_server(self):
        sleeper = subprocess.Popen(["sleep", "300"])
        try:
            client = self.start()
            client.initialize(process_id=sleeper.pid)
            self.assert_alive(client)
        finally:
            sleeper.kill()
            sleeper.wait()  # reaped: a zombie would still answer kill(pid, 0)
        started = time.monotonic()
        self.assertEqual(client.proc.wait(timeout=10), 1)
        self.assertLess(time.monotonic() - started, 5)
        self.assertIn("is gone", client.stderr())

    def test_client_process_named_on_the_command_line(self):
        # Watched from the start, and when initialize names none.
        sleeper = subprocess.Popen(["sleep", "300"])
        try:
            client = Client(["--stdio", "--clientProcessId=%d" % sleeper.pid], env=self.env)
            self.clients.append(client)
            client.initialize()
            self.assert_alive(client)
        finally:
            sleeper.kill()
            sleeper.wait()
        self.assertEqual(client.proc.wait(timeout=10), 1)
        self.assertIn("is gone", client.stderr())

    def test_live_client_process_keeps_the_server(self):
        client = self.start()
        client.initialize(process_id=os.getpid())
        time.sleep(2.5)
        self.assert_alive(client)
        self.assertEqual(client.finish(), 0)

    def test_stdio_flag_and_word_sources(self):
        client = Client(["--stdio", "--dict", self.dict], env=self.env)
        self.clients.append(client)
        client.initialize()
        self.assert_alive(client)
        self.assertEqual(client.finish(), 0)
        refused = subprocess.run([lsp_client.EXE, "lsp", "--dict", "-"], stdin=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE, timeout=TIMEOUT)
        self.assertEqual(refused.returncode, 2)
        self.assertIn(b"standard input", refused.stderr)


class BadInput(ServerTest):
    def test_each_bad_message_is_answered_or_passed_over(self):
        client = self.start()
        client.initialize()
        # (bytes sent, expected error code or None for no answer, expected id)
        rows = [
            (raw_frame(b'{"jsonrpc": "2.0", "id": 1, "method"'), -32700, None),
            (raw_frame(b'{"jsonrpc":"2.0","id":1,"method":"\xff\xfe"}'), -32700, None),
            (raw_frame(b'{"jsonrpc":"2.0","id":1,"method":"x","params":{"a":"\xed\xa0\x80"}}'),
             -32700, None),
            # A number no double holds, anywhere in a message.
            (raw_frame(b'{"jsonrpc":"2.0","method":"$/anything","params":[1e400]}'), -32700, None),
            (raw_frame(b'{"jsonrpc":"2.0","id":-1e999,"method":"shutdown"}'), -32700, None),
            (raw_frame(b"[1, 2]"), -32600, None),
            (raw_frame(b"17"), -32600, None),
            (frame({"jsonrpc": "2.0", "id": {"no": 1}, "method": "shutdown"}), -32600, None),
            (frame({"jsonrpc": "2.0", "id": 40, "method": 12}), -32600, 40),
            (frame({"jsonrpc": "2.0", "id": 41, "method": "no/such/method"}), -32601, 41),
            (frame({"jsonrpc": "2.0", "id": "s", "method": "no/such/method"}), -32601, "s"),
            (frame({"jsonrpc": "2.0", "id": 42, "method": "textDocument/completion"}), -32602, 42),
            (frame({"jsonrpc": "2.0", "id": 43, "method": "textDocument/completion",
                    "params": {"textDocument": {"uri": 5},
                               "position": {"line": 0, "character": 0}}}), -32602, 43),
            (frame({"jsonrpc": "2.0", "id": 44, "method": "textDocument/completion",
                    "params": {"textDocument": {"uri": "file:///a"},
                               "position": {"line": "0", "character": 0}}}), -32602, 44),
            (frame({"jsonrpc": "2.0", "id": 45, "method": "textDocument/completion",
                    "params": {"textDocument": {"uri": "file:///a"},
                               "position": {"line": 0, "character": -1}}}), -32602, 45),
            (frame({"jsonrpc": "2.0", "id": 46, "method": "textDocument/completion",
                    "params": {"textDocument": {"uri": "file:///a"},
                               "position": {"line": 0, "character": 1.5}}}), -32602, 46),
            # Nested a million deep: nothing may recurse that deep.
            (raw_frame(b'{"jsonrpc":"2.0","id":47,"method":"textDocument/completion","params":'
                       + b"[" * DEEP + b"]" * DEEP + b"}"), -32602, 47),
            (raw_frame(b'{"jsonrpc":"2.0","id":' + b"[" * DEEP + b"]" * DEEP
                       + b',"method":"shutdown"}'), -32600, None),
            (raw_frame(b'{"jsonrpc":"2.0","method":"workspace/didChangeConfiguration",'
                       b'"params":{"settings":{"maxItems":' + b"{\"a\":" * DEEP + b"1"
                       + b"}" * DEEP + b"}}}"), None, None),
            # Notifications are never answered, good or bad.
            (frame({"jsonrpc": "2.0", "method": "no/such/notification"}), None, None),
            (frame({"jsonrpc": "2.0", "method": "$/no/such"}), None, None),
            (frame({"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {}}), None, None),
            (frame({"jsonrpc": "2.0", "method": "textDocument/didChange",
                    "params": {"textDocument": {"uri": "file:///none", "version": 2},
                               "contentChanges": [{"text": "x"}]}}), None, None),
            # Damaged frames: reported, skipped, in sync with the next one.
            (b"Content-Type: application/json\r\n\r\n{}", None, None),
            (b"Content-Length: many\r\n\r\n{}", None, None),
            (b"Content-Length: 99999999999999999999999\r\n\r\n", None, None),
        ]
        for data, code, request_id in rows:
            with self.subTest(data=data[:80]):
                if data.startswith(b"Content-Length: 9999"):
                    # The rest of the input is skipped: the last row.
                    client.write(data)
                    client.proc.stdin.close()
                    self.assertEqual(client.proc.wait(timeout=TIMEOUT), 1)
                    continue
                client.write(data)
                if code is not None:
                    self.assert_error(client.answer(), code, request_id)
                self.assert_alive(client)
        err = client.stderr()
        self.assertNotIn("$/no/such", err)
        self.assertIn("no/such/notification", err)
        self.assertIn("without Content-Length", err)
        self.assertIn("not a number", err)
        self.assertNotIn("Sanitizer", err)
        # Framing problems after `initialized` reach the client too.
        logged = [n["params"] for n in client.notifications if n["method"] == "window/logMessage"]
        self.assertTrue(any(p["type"] == 1 and "Content-Length" in p["message"] for p in logged),
                        logged)

    def test_a_bad_message_is_quoted_short(self):
        # The parser quotes the string it stopped in: here a megabyte of
        # emoji, cut at each place in a character in turn.
        client = self.start()
        client.initialize()
        for pad in range(4):
            client.write(raw_frame(b'{"jsonrpc":"2.0","id":1,"method":"' + b"x" * pad
                                   + "\U0001F600".encode() * (1 << 18) + b'\n"}'))
            message = client.answer()["error"]["message"]
            self.assertLess(len(message.encode()), 1024)
            self.assertIn("\U0001F600", message)
            self.assertNotIn("\ufffd", message)
        self.assertEqual(client.finish(), 0)
        self.assertLess(len(client.stderr()), 8192)
        self.assertLess(sum(len(str(n)) for n in client.notifications), 8192)

    def test_unknown_document_gets_an_empty_list(self):
        client = self.start()
        client.initialize()
        client.open("file:///a", "hel")
        for uri in ("file:///b", "file:///A", "untitled:1"):
            self.assertEqual(client.assert_result(client.complete(uri, 0, 3)),
                             {"isIncomplete": False, "items": []})
        client.notify("textDocument/didClose", {"textDocument": {"uri": "file:///a"}})
        self.assertEqual(client.assert_result(client.complete("file:///a", 0, 3))["items"], [])
        self.assertEqual(client.finish(), 0)

    def test_message_over_the_limit_is_refused_unread(self):
        client = self.start()
        client.initialize()
        # The peak is counted from here: loading may have peaked higher, and
        # given memory back since (a sanitizer's allocator keeps freed
        # memory a while), which would count against the message.
        with open("/proc/%d/clear_refs" % client.proc.pid, "w") as refs:
            refs.write("5")
        with open("/proc/%d/status" % client.proc.pid) as status:
            loaded_kib = int([line for line in status if line.startswith("VmHWM:")][0].split()[1])
        size = 64 * 1024 * 1024 + 1
        client.write(b"Content-Length: %d\r\n\r\n" % size)
        chunk = b'{"x":"' + b"y" * (1024 * 1024 - 8) + b'"}'
        left = size
        while left > 0:
            client.write(chunk[:left])
            left -= min(left, len(chunk))
        self.assert_alive(client)
        with open("/proc/%d/status" % client.proc.pid) as status:
            peak_kib = int([line for line in status if line.startswith("VmHWM:")][0].split()[1])
        self.assertEqual(client.finish(), 0)
        self.assertIn("over the limit", client.stderr())
        # Held whole, the body alone would take 64 MiB.
        self.assertLess(peak_kib - loaded_kib, 48 * 1024)


class Encodings(ServerTest):
    def test_negotiation(self):
        rows = [
            (None, "utf-16"),
            ({}, "utf-16"),
            ({"general": {}}, "utf-16"),
            ({"general": {"positionEncodings": []}}, "utf-16"),
            ({"general": {"positionEncodings": ["utf-16"]}}, "utf-16"),
            ({"general": {"positionEncodings": ["utf-32", "utf-16"]}}, "utf-32"),
            ({"general": {"positionEncodings": ["utf-16", "utf-8"]}}, "utf-8"),
            ({"general": {"positionEncodings": ["utf-32", "utf-8", "utf-16"]}}, "utf-8"),
            ({"general": {"positionEncodings": ["latin-1", 7]}}, "utf-16"),
        ]
        for capabilities, expected in rows:
            with self.subTest(capabilities=capabilities):
                client = self.start()
                result = client.assert_result(client.initialize(capabilities=capabilities))
                self.assertEqual(result["capabilities"]["positionEncoding"], expected)
                self.assertEqual(client.finish(), 0)
        client = self.start()
        self.assert_error(client.initialize({"general": {"positionEncodings": "utf-8"}}),
                          -32602, 1)


def units(text, encoding):
    if encoding == "utf-8":
        return len(text.encode("utf-8"))
    if encoding == "utf-16":
        return len(text.encode("utf-16-le")) // 2
    return len(text)


def is_word_char(c):
    """The server's default word characters, for text without apostrophes:
    letters, combining marks, decimal digits and '_'."""
    category = unicodedata.category(c)
    return category[0] in "LM" or category == "Nd" or c == "_"


def nfc(text):
    return unicodedata.normalize("NFC", text)


class DocumentModel:
    """The document as a Python string, edited with positions counted in
    the code units of one encoding."""

    def __init__(self, text):
        self.text = text

    def lines(self):
        out, start, i = [], 0, 0
        while i < len(self.text):
            if self.text[i] in "\r\n":
                end = i + 2 if self.text[i:i + 2] == "\r\n" else i + 1
                out.append((start, i))
                start = i = end
            else:
                i += 1
        out.append((start, len(self.text)))
        return out

    def index(self, line, character, encoding):
        """String index of a position; past the end of a line, its end."""
        start, end = self.lines()[line]
        for i in range(start, end + 1):
            if units(self.text[start:i], encoding) >= character:
                return i
        return end

    def position(self, index, encoding):
        for number, (start, end) in enumerate(self.lines()):
            if start <= index <= end:
                return number, units(self.text[start:index], encoding)
        raise ValueError(index)

    def replace(self, start, end, text):
        self.text = self.text[:start] + text + self.text[end:]

    def word_end(self, index):
        while index < len(self.text) and is_word_char(self.text[index]):
            index += 1
        return index

    def word_counts(self):
        """Occurrences of each word (in NFC), line by line."""
        counts = {}
        for start, end in self.lines():
            i = start
            while i < end:
                j = self.word_end(i)
                if j > i:
                    word = nfc(self.text[i:j])
                    counts[word] = counts.get(word, 0) + 1
                i = max(j, i + 1)
        return counts


class Edits(ServerTest):
    PIECES = ["\U0001F600", "e\u0301", " ", "x", "\u4e2d", "\n", "\r\n", "\r", "\u00e9",
              "\U0001D11E", "ab"]

    def run_edits(self, encoding, insert_replace, seed):
        capabilities = {"general": {"positionEncodings": [encoding]}}
        if insert_replace:
            capabilities["textDocument"] = {
                "completion": {"completionItem": {"insertReplaceSupport": True}}}
        client = self.start()
        result = client.assert_result(client.initialize(capabilities, options={"maxItems": 500}))
        self.assertEqual(result["capabilities"]["positionEncoding"], encoding)
        rng = random.Random(seed)
        model = DocumentModel("\U0001F600 x\ne\u0301 y\r\nend")
        uri = "file:///doc.txt"
        client.open(uri, model.text)
        version = 1
        for step in range(60):
            changes = []
            for _ in range(rng.randint(1, 3)):
                lines = model.lines()
                a = rng.randrange(len(model.text) + 1)
                b = min(len(model.text), a + rng.choice([0, 0, 1, 2, 5]))
                # Keep to code point boundaries that are not inside a CRLF.
                if model.text[a - 1:a + 1] == "\r\n":
                    a -= 1
                if model.text[b - 1:b + 1] == "\r\n":
                    b += 1
                b = max(a, b)
                text = "".join(rng.choice(self.PIECES) for _ in range(rng.randint(0, 3)))
                (sl, sc), (el, ec) = model.position(a, encoding), model.position(b, encoding)
                if rng.random() < 0.2:  # a character past the end of its line
                    ec += 1000 if (el, ec) == model.position(lines[el][1], encoding) else 0
                changes.append({"range": {"start": {"line": sl, "character": sc},
                                          "end": {"line": el, "character": ec}},
                                "rangeLength": 999, "text": text})
                model.replace(a, b, text)
            version += 1
            client.notify("textDocument/didChange", {
                "textDocument": {"uri": uri, "version": version}, "contentChanges": changes})

            # Put " hel" somewhere and ask at the cursor right after it.
            at = rng.randrange(len(model.text) + 1)
            if model.text[at - 1:at + 1] == "\r\n":
                at -= 1
            line, character = model.position(at, encoding)
            version += 1
            client.notify("textDocument/didChange", {
                "textDocument": {"uri": uri, "version": version},
                "contentChanges": [{"range": {"start": {"line": line, "character": character},
                                              "end": {"line": line, "character": character}},
                                    "text": " hel"}]})
            model.replace(at, at, " hel")
            cursor = at + 4
            word_end = model.word_end(cursor)
            cl, cc = model.position(cursor, encoding)
            answer = client.assert_result(client.complete(uri, cl, cc))
            self.assertFalse(answer["isIncomplete"])
            # The dictionary's words and the document's, the word typed at
            # the cursor counted once less.
            counts = model.word_counts()
            counts[nfc(model.text[at + 1:word_end])] -= 1
            expected = set(HEL) | {w for w, n in counts.items()
                                   if n > 0 and w.startswith("hel") and len(w.encode()) >= 5}
            self.assertEqual({item["label"] for item in answer["items"]}, expected,
                             "step %d, text %r" % (step, model.text))
            expected_insert = {"start": {"line": cl, "character": cc - units("hel", encoding)},
                               "end": {"line": cl, "character": cc}}
            expected_replace = {"start": expected_insert["start"],
                                "end": {"line": cl, "character": model.position(word_end,
                                                                                encoding)[1]}}
            sort_texts = [item["sortText"] for item in answer["items"]]
            self.assertEqual(sort_texts, sorted(sort_texts))
            for item in answer["items"]:
                self.assertEqual(item["kind"], 1)
                edit = item["textEdit"]
                self.assertEqual(edit["newText"], item["label"])
                if insert_replace:
                    self.assertEqual(edit["insert"], expected_insert, "step %d" % step)
                    self.assertEqual(edit["replace"], expected_replace, "step %d" % step)
                else:
                    self.assertEqual(edit["range"], expected_insert, "step %d" % step)
        # A whole-text change, then one more check.
        version += 1
        client.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": version},
                                                 "contentChanges": [{"text": "\U0001F600 hip"}]})
        answer = client.assert_result(client.complete(uri, 0, units("\U0001F600 hip", encoding)))
        self.assertEqual([item["label"] for item in answer["items"]], ["hippopotamus"])
        self.assertEqual(client.finish(), 0)
        self.assertNotIn("Sanitizer", client.stderr())

    def test_incremental_edits_in_every_encoding(self):
        for seed, encoding in enumerate(["utf-16", "utf-8", "utf-32"]):
            for insert_replace in (False, True):
                with self.subTest(encoding=encoding, insert_replace=insert_replace):
                    self.run_edits(encoding, insert_replace, seed * 2 + insert_replace)

    def test_escaped_text_is_the_same_text(self):
        # \uXXXX escapes, surrogate pairs included, decode to the same text.
        client = self.start()
        client.initialize()
        client.write(frame({"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {
            "textDocument": {"uri": "file:///e", "languageId": "x", "version": 1,
                             "text": "\U0001F600 e\u0301 hel"}}}, ensure_ascii=True))
        answer = client.assert_result(client.complete("file:///e", 0, 9))
        self.assertEqual([item["label"] for item in answer["items"]], HEL)
        self.assertEqual(answer["items"][0]["textEdit"]["range"]["start"]["character"], 6)
        self.assertEqual(client.finish(), 0)


class Cancellation(ServerTest):
    def test_cancelled_before_reached_and_after_answered(self):
        client = self.start()
        client.initialize()
        client.open("file:///c", "hel")
        request = {"jsonrpc": "2.0", "id": 70, "method": "textDocument/completion",
                   "params": {"textDocument": {"uri": "file:///c"},
                              "position": {"line": 0, "character": 3}}}
        cancel = {"jsonrpc": "2.0", "method": "$/cancelRequest", "params": {"id": 70}}
        client.write(frame(request) + frame(cancel))
        self.assert_error(client.answer(), -32800, 70)
        # Cancelled after its answer: nothing more comes.
        request["id"] = 71
        client.send(request)
        self.assertEqual(len(client.answer()["result"]["items"]), len(HEL))
        client.send({"jsonrpc": "2.0", "method": "$/cancelRequest", "params": {"id": 71}})
        self.assertEqual(client.silent_for(0.5), [])
        # A cancellation for another id stops nothing.
        request["id"] = "72"
        client.write(frame(request) + frame({"jsonrpc": "2.0", "method": "$/cancelRequest",
                                              "params": {"id": 72}}))
        answer = client.answer()
        self.assertEqual(answer["id"], "72")
        self.assertEqual(len(answer["result"]["items"]), len(HEL))
        self.assertEqual(client.silent_for(0.5), [])
        self.assertEqual(client.finish(), 0)


class Settings(ServerTest):
    @staticmethod
    def open_files(client):
        fds = "/proc/%d/fd/" % client.proc.pid
        # A descriptor may close between the listing and the reading.
        return {os.path.realpath(fds + fd) for fd in os.listdir(fds)}

    def labels(self, client, uri="file:///s", character=3):
        return [item["label"] for item in
                client.assert_result(client.complete(uri, 0, character))["items"]]

    def test_settings_are_checked_and_applied(self):
        client = self.start()
        client.initialize(options={"rorirer": {"maxItems": 2, "minLength": "five"}})
        warnings = [n["params"] for n in client.notifications
                    if n["method"] == "window/showMessage"]
        client.open("file:///s", "hel")
        answer = client.assert_result(client.complete("file:///s", 0, 3))
        self.assertEqual([item["label"] for item in answer["items"]], HEL[:2])
        self.assertTrue(answer["isIncomplete"])
        # The warning may come after the answer to initialize.
        warnings += [n["params"] for n in client.notifications
                     if n["method"] == "window/showMessage"]
        self.assertTrue(any(w["type"] == 2 and "minLength" in w["message"] for w in warnings),
                        warnings)

        client.notify("workspace/didChangeConfiguration", {"settings": {"maxItems": 1}})
        self.assertEqual(self.labels(client), HEL[:1])
        client.notify("workspace/didChangeConfiguration", {"settings": {"maxItems": -4}})
        self.assertEqual(self.labels(client), HEL[:1])
        self.assertTrue(any(n["method"] == "window/showMessage" and "maxItems" in
                            n["params"]["message"] for n in client.notifications))

        other = self.write("other.txt", "helter\nhelterskelter\nquince\n")
        client.notify("workspace/didChangeConfiguration",
                      {"settings": {"rorirer": {"dictionaries": [other], "maxItems": 50}}})
        self.assertEqual(self.labels(client), ["helter", "helterskelter"])
        # A dictionary that cannot be read: a warning, the words stay.
        client.notify("workspace/didChangeConfiguration",
                      {"settings": {"dictionaries": [os.path.join(self.tmp.name, "missing")]}})
        self.assertEqual(self.labels(client), ["helter", "helterskelter"])
        self.assertTrue(any(n["method"] == "window/showMessage" and "missing" in
                            n["params"]["message"] for n in client.notifications))
        # Sent again once the file is there, the same settings load it.
        with open(os.path.join(self.tmp.name, "missing"), "w") as f:
            f.write("helix\n")
        client.notify("workspace/didChangeConfiguration",
                      {"settings": {"dictionaries": [os.path.join(self.tmp.name, "missing")]}})
        self.assertEqual(self.labels(client), ["helix"])
        self.assertEqual(client.finish(), 0)

    def test_dictionaries_that_would_stop_the_server_are_refused(self):
        # Standard input carries the messages; a pipe may never end.
        fifo = os.path.join(self.tmp.name, "fifo")
        os.mkfifo(fifo)
        client = self.start()
        client.initialize()
        client.open("file:///s", "hel zanzibar")
        for path in ["-", "/dev/stdin", fifo]:
            with self.subTest(path=path):
                client.notify("workspace/didChangeConfiguration",
                              {"settings": {"dictionaries": [path]}})
                self.assertEqual(self.labels(client), HEL)
                self.assertTrue(any(n["method"] == "window/showMessage" and
                                    "not a regular file" in n["params"]["message"]
                                    for n in client.notifications))
        # A store that could not be built still takes the other settings.
        client.notify("workspace/didChangeConfiguration",
                      {"settings": {"dictionaries": ["-"], "learnFromDocuments": False}})
        client.open("file:///z", "zanzi")
        self.assertEqual(client.items("file:///z", 0, 5), [])
        self.assertEqual(client.finish(), 0)

    def test_a_dictionary_made_a_fifo_after_the_settings_came_is_refused(self):
        # A regular file when the settings arrive, a FIFO by the time the
        # server opens it: what was opened is what must be checked.
        first = self.write("first.txt", "".join("w%07d\n" % i for i in range(300000)))
        swapped = self.write("swapped.txt", "zanzibar\n")
        client = self.start()
        client.initialize()
        client.open("file:///s", "hel")
        client.configure({"dictionaries": [first, swapped]})
        deadline = time.monotonic() + TIMEOUT
        while os.path.realpath(first) not in self.open_files(client):
            self.assertLess(time.monotonic(), deadline, "the server never read " + first)
        os.unlink(swapped)
        os.mkfifo(swapped)
        self.assertEqual(self.labels(client), HEL)
        self.assertTrue(any(n["method"] == "window/showMessage" and swapped in n["params"]["message"]
                            and "not a regular file" in n["params"]["message"]
                            for n in client.notifications), client.notifications)
        self.assertEqual(client.finish(), 0)


if __name__ == "__main__":
    lsp_client.EXE = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
