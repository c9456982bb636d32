"""The simulated writer and the baselines it is measured against.

The writer types a text letter by letter. After each letter of a word it
looks at the first N suggestions and, when the word it is typing is there
exactly as written (case included), takes it with one more keystroke.
Keystroke savings rate (KSR) = 1 - keystrokes spent / characters of the
text's words. A word is a run of letters (str.isalpha) with an apostrophe
(' or U+2019) between two letters inside it; the apostrophe is typed, so
it counts as one of the word's characters. Spaces, digits and punctuation
are typed but counted on neither side.

The writer looks only while taking the word would save a keystroke: after
k letters of an L-letter word taking costs k + 1, so it looks for k = 1 to
L - 2. Looking at k = L - 1 could not change the count.
"""
import bisect
import collections

APOSTROPHES = "'\u2019"


def words(text):
    """(start, end) of each word of `text`."""
    spans = []
    i, n = 0, len(text)
    while i < n:
        if not text[i].isalpha():
            i += 1
            continue
        start = i
        while i < n and (text[i].isalpha() or (text[i] in APOSTROPHES and i > start
                                               and i + 1 < n and text[i + 1].isalpha())):
            i += 1
        spans.append((start, i))
    return spans


def fold_first(word):
    """The word with its first character in lower case, when that keeps its
    length (it does not for a few characters, such as U+0130)."""
    first = word[:1].lower()
    return first + word[1:] if len(first) == 1 else word


class Tally:
    """Keystrokes of one run, and where the savings the ceiling has went
    missing: on words of 3 or 4 characters; on longer words offered, but
    only in another case; on longer words never taken; on longer words
    taken later than after their first letter."""

    LOSSES = ("short", "case", "never", "late")

    def __init__(self):
        self.words = 0
        self.letters = 0
        self.spent = 0
        self.best = 0  # keystrokes the ceiling saves
        self.lost = dict.fromkeys(self.LOSSES, 0)

    def add(self, word, spent, offered_in_other_case):
        length = len(word)
        self.words += 1
        self.letters += length
        self.spent += spent
        best = max(0, length - 2)
        self.best += best
        lost = best - (length - spent)
        if lost:
            if length <= 4:
                self.lost["short"] += lost
            elif offered_in_other_case:
                self.lost["case"] += lost
            else:
                self.lost["never" if spent == length else "late"] += lost

    def ksr(self):
        return 1 - self.spent / self.letters if self.letters else 0.0

    def as_dict(self):
        return {"ksr": self.ksr(), "words": self.words, "letters": self.letters,
                "spent": self.spent, "best": self.best,
                **{"lost_" + k: v for k, v in self.lost.items()}}


class Target:
    """What the writer types into and reads suggestions from."""

    def type(self, characters):
        """Characters typed one at a time."""

    def offers(self, prefix):
        """The suggestions after `prefix`, the letters of the word typed so
        far, best first: each the word as it would stand once taken."""
        return []

    def take(self, prefix, word):
        """`word`, one of the last offers, is taken after `prefix`."""

    def finish(self, word):
        """`word` is complete, typed or taken."""


def simulate(text, target, top):
    tally = Tally()
    typed_to = 0
    for start, end in words(text):
        target.type(text[typed_to:start])
        word = text[start:end]
        folded = word.casefold()
        spent, typed, other_case = len(word), 0, False
        for k in range(1, len(word) - 1):
            target.type(word[k - 1])
            typed = k
            shown = target.offers(word[:k])[:top]
            if word in shown:
                target.take(word[:k], word)
                spent = k + 1
                break
            other_case = other_case or any(s.casefold() == folded for s in shown)
        else:
            target.type(word[typed:])
        target.finish(word)
        tally.add(word, spent, other_case)
        typed_to = end
    target.type(text[typed_to:])
    return tally


def ceiling(text):
    """Each word of three characters or more offered after its first."""
    tally = Tally()
    for start, end in words(text):
        length = end - start
        tally.add(text[start:end], 2 if length >= 3 else length, False)
    return tally


# --- Baselines --------------------------------------------------------------
#
# A baseline offers words longer than the prefix that begin with it. Under
# case "first" (the default) the first letter matches in either case and
# the word is offered with the first letter as typed, the rest as the
# source has it: a list's "What" is offered as "what" after "wh", and its
# "the" as "The" after "Th", as a sentence start needs. Under case "exact"
# the prefix matches byte for byte and the word is offered as stored.


def matcher(case):
    if case == "exact":
        return (lambda w: w), (lambda prefix, w: w)
    return fold_first, (lambda prefix, w: prefix[0] + w[1:])


class Recent(Target):
    """The text's earlier words, most recent first."""

    def __init__(self, top, case="first"):
        self.top = top
        self.key, self.form = matcher(case)
        # By the first character of the key: key -> word, least recent first.
        self.order = collections.defaultdict(collections.OrderedDict)

    def offers(self, prefix):
        key = self.key(prefix)
        shown = []
        for candidate, word in reversed(self.order[key[0]].items()):
            if len(candidate) > len(key) and candidate.startswith(key):
                form = self.form(prefix, word)
                if form not in shown:
                    shown.append(form)
                    if len(shown) == self.top:
                        break
        return shown

    def finish(self, word):
        key = self.key(word)
        bucket = self.order[key[0]]
        bucket.pop(key, None)
        bucket[key] = word


def read_frequencies(path):
    counts = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            word, _, count = line.rstrip("\n").partition("\t")
            if word:
                counts[word] = counts.get(word, 0) + (int(count) if count else 1)
    return counts


class Frequency(Target):
    """A word-frequency list alone, most frequent first."""

    DEPTH = 12  # candidates kept per prefix: enough for N <= 6 after duplicates

    def __init__(self, counts, case="first"):
        self.key, self.form = matcher(case)
        self.entries = sorted((self.key(w), -c, w) for w, c in counts.items())
        self.keys = [e[0] for e in self.entries]
        self.best = {}  # key of a prefix -> its candidates, best first

    def offers(self, prefix):
        key = self.key(prefix)
        if key not in self.best:
            lo = bisect.bisect_right(self.keys, key)
            hi = bisect.bisect_left(self.keys, key + "\U0010ffff", lo)
            ranked = sorted(self.entries[lo:hi], key=lambda e: (e[1], e[2]))
            self.best[key] = [e[2] for e in ranked[:self.DEPTH]]
        shown = []
        for word in self.best[key]:
            form = self.form(prefix, word)
            if form not in shown:
                shown.append(form)
        return shown


class RecentThenFrequency(Target):
    """The text's earlier words, then the frequency list's."""

    def __init__(self, frequency, top, case="first"):
        self.recent = Recent(top, case)
        self.frequency = frequency

    def offers(self, prefix):
        shown = self.recent.offers(prefix)
        return shown + [w for w in self.frequency.offers(prefix) if w not in shown]

    def finish(self, word):
        self.recent.finish(word)
