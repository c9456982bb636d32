#!/usr/bin/env python3
"""Makes rorirer's manual page from what the program says in --help.

    manpage.py RORIRER TEMPLATE OUTPUT

The synopsis, the commands, the options and the exit status come from
`RORIRER --help`, the one text that describes them (docs/rorirer.md shows it
too, checked by docs/samples.py); the sections that are the page's own
(description, the keys on a terminal, files, environment) are written in
roff in TEMPLATE, docs/rorirer.1.in. The template's lines @VERSION@,
@SYNOPSIS@, @COMMANDS@, @OPTIONS@ and @EXIT_STATUS@ are replaced.

The help is read by its layout: usage lines with their description at
column 47, blank lines between groups, a group's heading flush left with an
optional note in parentheses, options indented by two with their
description at column 22, and continuation lines indented to those columns.
A line that fits none of these is an error, so that a change to the help's
layout cannot silently drop text from the page.
"""
import re
import subprocess
import sys

USAGE_COLUMN = 47
OPTION_COLUMN = 22


class LayoutError(Exception):
    pass


def escaped(text):
    """Text for roff: backslashes and hyphen-minus kept as typed."""
    return text.replace("\\", "\\e").replace("-", "\\-")


def styled(option, words_bold):
    """An option or a command line: options (and, in a synopsis, command
    words) in bold, placeholders in italics, the rest as it is."""
    def style(match):
        text = escaped(match.group(0))
        if match.group(1) or (match.group(3) and words_bold):
            return "\\fB%s\\fR" % text
        if match.group(2):
            return "\\fI%s\\fR" % text
        return text
    return re.sub(r"(-{1,2}[A-Za-z][\w-]*)|(\b[A-Z]+\b)|(\b[a-z][\w-]*)|([^\w-]+|.)", style,
                  option)


def line_of_text(text):
    """A text line that roff cannot take for a request."""
    return "\\&" + text if text[:1] in (".", "'") else text


def parse(help_text):
    usage, groups, exit_status = [], [], None
    lines = help_text.rstrip("\n").split("\n")
    at = 0
    while at < len(lines) and lines[at]:
        line = lines[at]
        if line.startswith("usage: ") or (line.strip().startswith("rorirer") and
                                          line.startswith(" ")):
            synopsis = line[len("usage: "):USAGE_COLUMN].strip()
            usage.append([synopsis, line[USAGE_COLUMN:].strip()])
        elif line[:USAGE_COLUMN].strip() == "" and usage:
            usage[-1][1] += " " + line.strip()
        else:
            raise LayoutError("usage line %d: %r" % (at + 1, line))
        at += 1
    for line in lines[at:]:
        if not line:
            groups.append([None, None, []])
        elif line.startswith("exit status: "):
            exit_status = line[len("exit status: "):]
        elif not line.startswith(" ") and groups and groups[-1][0] is None:
            heading, _, note = line.partition(" (")
            groups[-1][0], groups[-1][1] = heading, note[:-1] if note else None
        elif line.startswith("  ") and line[2] != " " and groups:
            groups[-1][2].append([line[2:OPTION_COLUMN].strip(),
                                  line[OPTION_COLUMN:].strip()])
        elif line[:OPTION_COLUMN].strip() == "" and groups and groups[-1][2]:
            groups[-1][2][-1][1] += " " + line.strip()
        else:
            raise LayoutError("line %r" % line)
    if not usage or exit_status is None:
        raise LayoutError("no usage lines or no exit status")
    return usage, [g for g in groups if g[2]], exit_status


def tagged(option, text, words_bold=False):
    return [".TP", styled(option, words_bold), line_of_text(escaped(text))]


def page(template, version, help_text):
    usage, groups, exit_status = parse(help_text)
    parts = {
        "@VERSION@": [escaped(version)],
        "@SYNOPSIS@": [line for synopsis, _ in usage
                       for line in (styled(synopsis, True), ".br")][:-1],
        "@COMMANDS@": [line for synopsis, text in usage
                       for line in tagged(synopsis, text, True)],
        "@EXIT_STATUS@": [line_of_text(escaped(exit_status))],
        "@OPTIONS@": [],
    }
    # The group without a heading (help, version) opens the list.
    for heading, note, options in sorted(groups, key=lambda g: g[0] is not None):
        if heading:
            parts["@OPTIONS@"] += ['.SS "%s"' % escaped(heading)]
            if note:
                parts["@OPTIONS@"] += [line_of_text(escaped(note[0].upper() + note[1:] + "."))]
        for option, text in options:
            parts["@OPTIONS@"] += tagged(option, text)
    out = []
    for line in template.split("\n"):
        out += parts.get(line, [line.replace("@VERSION@", escaped(version))])
    return "\n".join(out)


def main():
    program, template_path, output_path = sys.argv[1:]
    def ask(option):
        return subprocess.run([program, option], stdout=subprocess.PIPE, check=True,
                              env={"LC_ALL": "C"}).stdout.decode("utf-8")
    version = ask("--version").split()[-1]
    with open(template_path, encoding="utf-8") as f:
        template = f.read()
    text = page(template, version, ask("--help"))
    with open(output_path, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    try:
        main()
    except LayoutError as error:
        sys.exit("manpage.py: --help is not laid out as expected: %s" % error)
