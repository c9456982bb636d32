#!/usr/bin/env python3
"""Completion through the language server (rorirer lsp), as an editor sees it.

Usage: lsp_completion_test.py RORIRER_EXECUTABLE
(lsp_protocol_test.py runs these tests too.)

Each test starts the real program over pipes and checks what the completion
layer answers through it: case inferred from the typed word, the apostrophe
rule, the word under the cursor never offering itself, documents' words
joining and leaving the store with their occurrences, the ranking tiers,
the edit ranges, close matches, where each word comes from, the personal
word list, and every setting that changes the answers.
"""
import os
import sys
import time
import unittest

import lsp_client
from lsp_client import ServerTest

HEL = ["hello", "helicopter", "helmet", "helium"]  # dictionary only: by the built-in frequencies


def typed_at_end(client, uri, text, version=1):
    """Opens `uri` with `text` and asks at the end of its last line."""
    client.open(uri, text, version)
    lines = text.split("\n")
    return client.assert_result(client.complete(uri, len(lines) - 1, len(lines[-1])))


def labels_of(answer):
    return [item["label"] for item in answer["items"]]


class Completion(ServerTest):
    def test_case_is_inferred_from_the_typed_word(self):
        client = self.start()
        client.initialize()
        rows = [
            ("hel", HEL),
            # A capital at the start of the text asks for no name.
            ("Hel", ["Hello", "Helicopter", "Helmet", "Helium"]),
            ("HEL", ["HELLO", "HELICOPTER", "HELMET", "HELIUM"]),
            ("a Hippo", ["Hippopotamus"]),
            ("\u00c9mig", ["\u00c9migr\u00e9"]),
            ("QUOKKAS", ["QUOKKAS"]),
        ]
        for number, (text, expected) in enumerate(rows):
            with self.subTest(text=text):
                answer = typed_at_end(client, "file:///case%d" % number, text)
                self.assertEqual(labels_of(answer), expected)
                for item in answer["items"]:
                    self.assertEqual(item["textEdit"]["newText"], item["label"])
                    self.assertNotIn("filterText", item)
                # Its word ("hel", "Hel") would be offered in the next rows.
                client.notify("textDocument/didClose",
                              {"textDocument": {"uri": "file:///case%d" % number}})
        self.assertEqual(client.finish(), 0)

    def test_an_apostrophe_after_letters_belongs_to_the_typed_word(self):
        self.dict = self.write("apostrophes.txt",
                               "doesn't\ndoesnt\nrock'n'roll\nrockets\nquotation\n")
        client = self.start()
        client.initialize()
        # (text, cursor, labels, start of the edit range)
        rows = [
            ("doesn'", 6, ["doesn't"], 0),
            # The contraction takes a share of "doesn"'s count in the corpus.
            ("it doesn", 8, ["doesn't", "doesnt"], 3),
            ("rock'n'r", 8, ["rock'n'roll"], 0),
            ("rock", 4, ["rock'n'roll", "rockets"], 0),
            ("'quot", 5, ["quotation"], 1),
            ("doesn'", 5, ["doesn't", "doesnt"], 0),
        ]
        for number, (text, cursor, expected, start) in enumerate(rows):
            with self.subTest(text=text, cursor=cursor):
                uri = "file:///a%d" % number
                client.open(uri, text)
                items = client.items(uri, 0, cursor)
                self.assertEqual([item["label"] for item in items], expected)
                for item in items:
                    self.assertEqual(item["textEdit"]["range"],
                                     {"start": {"line": 0, "character": start},
                                      "end": {"line": 0, "character": cursor}})
                # Its words ("doesn", "rock'n'r") would be offered elsewhere.
                client.notify("textDocument/didClose", {"textDocument": {"uri": uri}})
        self.assertEqual(client.finish(), 0)

    def test_the_word_under_the_cursor_does_not_offer_itself(self):
        client = self.start()
        client.initialize(options={"minLength": 3})
        rows = [
            # (text, cursor, labels): "hel" and "hellow" are typed, not known
            ("hel", 3, HEL),
            # An occurrence in the document weighs more than hello's count.
            ("hel\nhel", 3, ["hel"] + HEL),
            ("hellow", 6, ["hello"]),  # nothing begins with it: a close match
            ("hellow hellow", 13, ["hellow"]),
            ("hellow", 3, HEL),  # the cursor inside the word: it is still the typed one
            ("hellow hel", 10, ["hellow"] + HEL),
        ]
        for number, (text, cursor, expected) in enumerate(rows):
            with self.subTest(text=text, cursor=cursor):
                uri = "file:///u%d" % number
                client.open(uri, text)
                self.assertEqual(client.labels(uri, text.count("\n"), cursor), expected)
                client.notify("textDocument/didClose", {"textDocument": {"uri": uri}})
        self.assertEqual(client.finish(), 0)

    def test_document_words_come_and_go_with_their_occurrences(self):
        client = self.start()
        client.initialize()
        client.open("file:///a", "zanzibar zebra\nzanzibar")
        client.open("file:///b", "z")
        # Two occurrences of "zanzibar", one of "zebra" beside the dictionary's.
        self.assertEqual(client.labels("file:///b", 0, 1), ["zanzibar", "zebra", "zebras"])
        # One occurrence goes: the other keeps the word.
        client.change("file:///a", 2, [(1, 0, 1, 8, "")])
        self.assertEqual(sorted(client.labels("file:///b", 0, 1)), ["zanzibar", "zebra", "zebras"])
        # The last goes: the word leaves; the dictionary's "zebra" stays.
        client.change("file:///a", 3, [(0, 0, 0, 14, "")])
        self.assertEqual(client.labels("file:///b", 0, 1), ["zebra", "zebras"])
        # Back by a whole-text change, gone again when its document closes.
        client.change("file:///a", 4, ["zanzibar"])
        self.assertIn("zanzibar", client.labels("file:///b", 0, 1))
        client.notify("textDocument/didClose", {"textDocument": {"uri": "file:///a"}})
        self.assertEqual(client.labels("file:///b", 0, 1), ["zebra", "zebras"])
        client.open("file:///c", "qqqqqq")
        client.change("file:///c", 2, [(0, 6, 0, 6, " qq")])
        self.assertEqual(client.labels("file:///c", 0, 9), ["qqqqqq"])
        client.change("file:///c", 3, [(0, 0, 0, 6, "")])
        self.assertEqual(client.items("file:///c", 0, 3), [])
        self.assertEqual(client.finish(), 0)

    def test_a_large_document_s_words_are_there_at_once_and_after_a_pause(self):
        # Thousands of distinct words: the server counts them when the
        # document opens and gives them to the store while the client is
        # quiet, or at once when a completion comes first.
        words = ["qz%04dx" % n for n in range(5000)]
        text = " ".join(words) + "\n"
        client = self.start()
        client.initialize()
        client.open("file:///big", text)
        client.open("file:///ask", "qz0")
        self.assertEqual(client.labels("file:///ask", 0, 3)[:3], ["qz0000x", "qz0001x", "qz0002x"])
        client.notify("textDocument/didClose", {"textDocument": {"uri": "file:///big"}})
        self.assertEqual(client.items("file:///ask", 0, 3), [])
        client.open("file:///big2", text.replace("qz", "qy"))
        time.sleep(0.5)
        client.change("file:///big2", 2, [(0, 0, 0, 7, "")])
        client.open("file:///ask2", "qy4999")
        self.assertEqual(client.labels("file:///ask2", 0, 6), ["qy4999x"])
        client.open("file:///ask3", "qy0000")
        self.assertNotIn("qy0000x", client.labels("file:///ask3", 0, 6))
        self.assertEqual(client.finish(), 0)

    def test_cut_at_max_items_is_incomplete(self):
        rows = [(1, 1, True), (3, 3, True), (4, 4, False), (50, 4, False)]
        for max_items, count, incomplete in rows:
            with self.subTest(max_items=max_items):
                client = self.start()
                client.initialize(options={"maxItems": max_items})
                answer = typed_at_end(client, "file:///m", "hel")
                self.assertEqual(labels_of(answer), HEL[:count])
                self.assertEqual(answer["isIncomplete"], incomplete)
                self.assertEqual(client.finish(), 0)
        client = self.start()
        client.initialize()
        self.assertEqual(typed_at_end(client, "file:///none", "xylophonist"),
                         {"isIncomplete": False, "items": []})
        # Nothing typed yet: a client that filters as the user types must
        # ask again rather than keep the empty list.
        self.assertEqual(typed_at_end(client, "file:///blank", "hello "),
                         {"isIncomplete": True, "items": []})
        self.assertEqual(client.finish(), 0)

    def test_the_ranking_model_and_sort_text(self):
        self.dict = self.write("ranked.txt", "hello\nhelium\nhelmet\nhelicopter\nHelvetica\n"
                                             "Helen\nheliport\t900\nhelix\t50\n")
        client = self.start()
        client.initialize()

        def first(uri, text):
            # Closed again: its words would weigh in the next answers.
            label = labels_of(typed_at_end(client, uri, text))[0]
            client.notify("textDocument/didClose", {"textDocument": {"uri": uri}})
            return label

        # The corpus's counts and the list's (heliport 900), a name typed
        # small a tenth of its own.
        self.assertEqual(labels_of(typed_at_end(client, "file:///f", "hel")),
                         ["hello", "heliport", "helicopter", "helmet", "helen", "helium", "helix",
                          "helvetica"])
        # A capital at a sentence's start asks for no name; within one it does.
        client.notify("textDocument/didClose", {"textDocument": {"uri": "file:///f"}})
        self.assertEqual(first("file:///c", "Hel"), "Hello")
        self.assertEqual(first("file:///c2", "Hi. Hel"), "Hello")
        self.assertEqual(first("file:///c3", "ask Hel"), "Helen")
        # A word seen after the word before, in any open document, comes first.
        client.open("file:///pairs", "a green helmet.\n")
        self.assertEqual(first("file:///p", "the green hel"), "helmet")
        # So does the previous line's last word.
        self.assertEqual(first("file:///p2", "a green\nhel"), "helmet")
        # The document's words nearest the cursor rise above rarer ones.
        text = "helium\n" + "x\n" * 8 + "helix\n"
        labels = labels_of(typed_at_end(client, "file:///n", text + "\nhel"))
        self.assertLess(labels.index("helix"), labels.index("helmet"))
        # A word the user has just typed passes commoner ones, even once the
        # text typed is gone again.
        uri = "file:///n"
        end = text.count("\n") + 1
        client.change(uri, 2, [(end, 0, end, 3, "")])
        for i, c in enumerate("helium "):
            client.change(uri, 10 + i, [(end, i, end, i, c)])
        client.change(uri, 20, [(end, 0, end, 7, "")])
        client.change(uri, 21, [(end, 0, end, 0, "hel")])
        items = client.items(uri, end, 3)
        self.assertEqual(items[0]["label"], "helium")
        sort_texts = [item["sortText"] for item in items]
        self.assertEqual(sort_texts, sorted(sort_texts))
        self.assertEqual(len(set(sort_texts)), len(sort_texts))
        self.assertEqual(client.finish(), 0)

    def test_edits_cover_the_typed_word_and_with_insert_replace_the_rest_of_it(self):
        # The client that takes InsertReplaceEdit also lists the insert text
        # modes it takes: asIs (1) is then said on every item.
        capabilities = {"textDocument": {"completion": {"completionItem": {
            "insertReplaceSupport": True, "insertTextModeSupport": {"valueSet": [1, 2]}}}}}
        # (text, cursor, insert start, replace end)
        rows = [("hel", 3, 0, 3), ("a hello b", 5, 2, 7), ("helxy", 3, 0, 5),
                ("hel'lo", 3, 0, 6), ("hel, there", 3, 0, 3)]
        for supported in (False, True):
            client = self.start()
            client.initialize(capabilities if supported else {})
            for number, (text, cursor, start, end) in enumerate(rows):
                with self.subTest(text=text, supported=supported):
                    uri = "file:///r%d" % number
                    client.open(uri, text)
                    items = client.items(uri, 0, cursor)
                    self.assertTrue(items)
                    insert = {"start": {"line": 0, "character": start},
                              "end": {"line": 0, "character": cursor}}
                    for item in items:
                        edit = item["textEdit"]
                        self.assertEqual(item.get("insertTextMode"), 1 if supported else None)
                        if supported:
                            self.assertEqual(edit["insert"], insert)
                            self.assertEqual(edit["replace"], {
                                "start": insert["start"], "end": {"line": 0, "character": end}})
                            self.assertNotIn("range", edit)
                        else:
                            self.assertEqual(edit["range"], insert)
                            self.assertNotIn("replace", edit)
            self.assertEqual(client.finish(), 0)

    def test_close_matches_replace_the_typed_word(self):
        client = self.start()
        client.initialize()
        answer = typed_at_end(client, "file:///z", "the hipopotamus")
        # Its own word, "hipopotamus", is the typed one.
        self.assertEqual(answer["items"], [{
            "label": "hippopotamus", "kind": 1, "sortText": "0", "filterText": "hipopotamus",
            "detail": "close match, dictionary",
            "textEdit": {"newText": "hippopotamus",
                         "range": {"start": {"line": 0, "character": 4},
                                   "end": {"line": 0, "character": 15}}}}])
        client.configure({"fuzzy": False})
        self.assertEqual(client.items("file:///z", 0, 15), [])
        client.configure({"fuzzy": True})
        client.notify("textDocument/didClose", {"textDocument": {"uri": "file:///z"}})
        self.assertEqual(labels_of(typed_at_end(client, "file:///c", "HIPOPOT")),
                         ["HIPPOPOTAMUS"])
        self.assertEqual(client.finish(), 0)

    def test_details_name_where_each_word_comes_from(self):
        self.write_personal_list(learned=["helvetica"], forgotten=["helmet"])
        client = self.start()
        client.initialize()
        client.open("file:///other", "zebrafish")
        answer = typed_at_end(client, "file:///this", "zebroid\nze")
        details = {item["label"]: item["detail"] for item in answer["items"]}
        self.assertEqual(details, {"zebra": "dictionary", "zebras": "dictionary",
                                   "zebroid": "this document",
                                   "zebrafish": "another open document"})
        answer = typed_at_end(client, "file:///learned", "hel")
        # The learned word is not ranked as used just now; the forgotten one
        # is gone though the dictionary holds it.
        self.assertEqual(labels_of(answer), ["hello", "helicopter", "helvetica", "helium"])
        self.assertEqual(answer["items"][2]["detail"], "learned")
        # With one document open: the word being typed is in it elsewhere too.
        for uri in ("file:///other", "file:///this", "file:///learned"):
            client.notify("textDocument/didClose", {"textDocument": {"uri": uri}})
        client.open("file:///alone", "zebrafish zebroid\nzebroid")
        answer = client.assert_result(client.complete("file:///alone", 1, 3))
        details = {item["label"]: item["detail"] for item in answer["items"]}
        self.assertEqual(details["zebroid"], "this document")
        self.assertEqual(details["zebrafish"], "this document")
        self.assertEqual(client.finish(), 0)

    def test_the_personal_word_list_is_read_and_never_written(self):
        path = self.write_personal_list(learned=["zorbulon"], forgotten=["zebra"])
        with open(path, "rb") as f:
            before = f.read()
        stamp = os.stat(path).st_mtime_ns
        client = self.start()
        client.initialize()
        client.open("file:///p", "zo")
        self.assertEqual(client.labels("file:///p", 0, 2), ["zorbulon"])
        # Typing a word and accepting one change nothing on disk.
        client.change("file:///p", 2, [(0, 0, 0, 2, "zorbulon zebras ")])
        self.assertEqual(client.finish(), 0)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertEqual(os.stat(path).st_mtime_ns, stamp)
        self.assertEqual(sorted(os.listdir(os.path.dirname(path))), ["words.txt"])
        # A list that cannot be read is left out with a warning.
        with open(path, "w") as f:
            f.write("# rorirer personal word list 1\nlearned\tzorbulon\n")
        client = self.start()
        client.initialize()
        self.assertEqual(typed_at_end(client, "file:///q", "zo")["items"], [])
        self.assertEqual(client.finish(), 0)
        self.assertIn("going on without the personal word list", client.stderr())


class SettingsChanges(ServerTest):
    def test_case_sort_and_fuzzy_settings(self):
        client = self.start()
        # The document's own "Hel" and "hel" stay out of the answers.
        client.initialize(options={"minLength": 5})
        client.open("file:///s", "Hel hel hipo")
        rows = [
            ({}, 3, ["Hello", "Helicopter", "Helmet", "Helium"]),
            ({"case": "exact"}, 3, []),
            ({"case": "ignore"}, 3, HEL),
            ({"case": "smart"}, 3, []),
            ({"case": "smart"}, 7, HEL),
            ({"case": "infer", "sort": "alpha"}, 7, sorted(HEL)),
            ({"sort": "rank", "fuzzy": False}, 12, []),
            ({"fuzzy": True}, 12, ["hippopotamus"]),
        ]
        for settings, cursor, expected in rows:
            with self.subTest(settings=settings, cursor=cursor):
                client.configure(settings)
                self.assertEqual(client.labels("file:///s", 0, cursor), expected)
        self.assertEqual(client.finish(), 0)

    def test_the_command_line_sets_the_defaults(self):
        client = self.start("--case", "exact", "--sort", "alpha", "--no-fuzzy")
        client.initialize(options={"minLength": 5})
        client.open("file:///o", "hel Hel hipop")
        self.assertEqual(client.labels("file:///o", 0, 3), sorted(HEL))
        self.assertEqual(client.labels("file:///o", 0, 7), [])
        self.assertEqual(client.labels("file:///o", 0, 13), [])
        # The client's settings still go over them.
        client.configure({"case": "infer", "fuzzy": True})
        self.assertEqual(client.labels("file:///o", 0, 7), sorted(w.title() for w in HEL))
        self.assertEqual(client.labels("file:///o", 0, 13), ["hippopotamus"])
        self.assertEqual(client.finish(), 0)

    def test_a_new_min_length_builds_a_new_store_with_the_documents_words(self):
        client = self.start()
        client.initialize(options={"minLength": 5})
        client.open("file:///d", "abcd abcdef\nab")
        self.assertEqual(client.labels("file:///d", 1, 2), ["abcdef"])
        client.configure({"minLength": 3})
        # Both from the line above: the nearer one in the text first.
        self.assertEqual(client.labels("file:///d", 1, 2), ["abcdef", "abcd"])
        # Edits after the new store reach it.
        client.change("file:///d", 2, [(0, 0, 0, 5, "")])
        self.assertEqual(client.labels("file:///d", 1, 2), ["abcdef"])
        client.configure({"minLength": 7})
        self.assertEqual(client.labels("file:///d", 1, 2), [])
        self.assertEqual(client.labels("file:///d", 1, 0), [])
        client.configure({"minLength": 5})
        self.assertEqual(client.labels("file:///d", 1, 2), ["abcdef"])
        self.assertEqual(client.finish(), 0)

    def test_learning_from_documents_off_and_on(self):
        client = self.start()
        client.initialize(options={"learnFromDocuments": False})
        client.open("file:///l", "zanzibar\nz")
        self.assertEqual(client.labels("file:///l", 1, 1), ["zebra", "zebras"])
        client.configure({"learnFromDocuments": True})
        self.assertEqual(client.labels("file:///l", 1, 1), ["zanzibar", "zebra", "zebras"])
        client.configure({"learnFromDocuments": False})
        self.assertEqual(client.labels("file:///l", 1, 1), ["zebra", "zebras"])
        # Edits while off are counted all the same, and added when it is on.
        client.change("file:///l", 2, [(0, 8, 0, 8, " zambezi")])
        self.assertEqual(client.labels("file:///l", 1, 1), ["zebra", "zebras"])
        client.configure({"learnFromDocuments": True})
        self.assertEqual(sorted(client.labels("file:///l", 1, 1)),
                         ["zambezi", "zanzibar", "zebra", "zebras"])
        self.assertEqual(client.finish(), 0)

    def test_lines_over_the_limit_are_edited_but_not_learned(self):
        client = self.start()
        client.initialize(options={"lineLimit": 20})
        client.open("file:///t", "zanzibar zanzibar zanzibar\nz")
        self.assertEqual(client.labels("file:///t", 1, 1), ["zebra", "zebras"])
        # Still edited: shortened under the limit, it is learned.
        client.change("file:///t", 2, [(0, 8, 0, 26, "")])
        self.assertEqual(client.labels("file:///t", 1, 1), ["zanzibar", "zebra", "zebras"])
        client.change("file:///t", 3, [(0, 8, 0, 8, " zanzibar zanzibar")])
        self.assertEqual(client.labels("file:///t", 1, 1), ["zebra", "zebras"])
        client.configure({"lineLimit": 1000})
        self.assertEqual(client.labels("file:///t", 1, 1), ["zanzibar", "zebra", "zebras"])
        self.assertEqual(client.finish(), 0)


if __name__ == "__main__":
    lsp_client.EXE = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
