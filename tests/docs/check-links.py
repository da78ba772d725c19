#!/usr/bin/python3
"""Checks that every relative link and image in Sylvara's Markdown resolves.

    check-links.py ROOT        checks README.md, CHANGELOG.md, CONTRIBUTING.md and docs/*.md under ROOT
    check-links.py --self-test checks the checker on pages with known faults

A link resolves when the file or folder it names exists, and, for a Markdown page, when its
#anchor matches one of that page's headings as GitHub makes them into anchors. Links with a
scheme (https:, mailto:) are left alone: the test runs offline.
"""
import os
import re
import sys
import tempfile
import unicodedata
from urllib.parse import unquote

PAGES = ["README.md", "CHANGELOG.md", "CONTRIBUTING.md"]

FENCE = re.compile(r"^\s{0,3}(`{3,}|~{3,})")
HEADING = re.compile(r"^\s{0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
# [text](target "title") and ![alt](target); text may hold one level of brackets (an image in a link).
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*(<[^>]*>|[^()\s]*(?:\([^()\s]*\)[^()\s]*)*)"
                    r"(?:\s+(?:\"[^\"]*\"|'[^']*'))?\s*\)")
REFERENCE = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*(<[^>]*>|\S+)")
HTML_ANCHOR = re.compile(r"<a\s+(?:name|id)=\"([^\"]+)\"")
CODE_SPAN = re.compile(r"(`+)(?:(?!\1).)+?\1")


def slug(text):
    """The anchor GitHub gives a heading: its visible text, lower case, punctuation dropped,
    spaces made hyphens."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)  # a link shows its text
    text = re.sub(r"<[^>]+>", "", text)
    text = text.replace("`", "").replace("*", "")
    text = text.lower()
    kept = []
    for c in text:
        cat = unicodedata.category(c)
        if c in " -_" or cat[0] in "LMN":
            kept.append(c)
    return "".join(kept).replace(" ", "-")


def prose_lines(path):
    """(line number, text) of the lines outside fenced code blocks."""
    fence = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = FENCE.match(line)
            if m:
                if fence is None:
                    fence = m.group(1)[0]
                elif m.group(1)[0] == fence:
                    fence = None
                continue
            if fence is None:
                yield number, line.rstrip("\n")


anchor_cache = {}


def anchors(path):
    """The anchors of a Markdown page: one per heading, repeats numbered -1, -2, ... as GitHub does."""
    if path not in anchor_cache:
        found, seen = set(), {}
        for _, line in prose_lines(path):
            for name in HTML_ANCHOR.findall(line):
                found.add(name)
            m = HEADING.match(line)
            if not m:
                continue
            base = slug(m.group(2))
            n = seen.get(base, 0)
            seen[base] = n + 1
            found.add(base if n == 0 else f"{base}-{n}")
        anchor_cache[path] = found
    return anchor_cache[path]


def targets(path):
    for number, line in prose_lines(path):
        line = CODE_SPAN.sub("", line)
        for m in INLINE.finditer(line):
            yield number, m.group(1)
        m = REFERENCE.match(line)
        if m:
            yield number, m.group(1)


def check_page(root, page):
    """One line per link of PAGE that does not resolve."""
    path = os.path.join(root, page)
    problems = []
    for number, target in targets(path):
        target = target.strip("<>")
        if not target or re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target) or target.startswith("//"):
            continue
        file_part, _, anchor = target.partition("#")
        resolved = os.path.normpath(os.path.join(os.path.dirname(path), unquote(file_part))) if file_part else path
        where = f"{page}:{number}: {target}"
        if not os.path.exists(resolved):
            problems.append(f"{where}: no such file {os.path.relpath(resolved, root)}")
        elif anchor and resolved.endswith(".md") and os.path.isfile(resolved):
            if unquote(anchor) not in anchors(resolved):
                problems.append(f"{where}: {os.path.relpath(resolved, root)} has no heading with anchor #{anchor}")
    return problems


def pages_of(root):
    docs = os.path.join(root, "docs")
    listed = PAGES + sorted("docs/" + f for f in os.listdir(docs) if f.endswith(".md")) if os.path.isdir(docs) else PAGES
    return listed


def check(root):
    problems, count = [], 0
    for page in pages_of(root):
        if not os.path.isfile(os.path.join(root, page)):
            problems.append(f"{page}: missing")
            continue
        count += 1
        try:
            with open(os.path.join(root, page), encoding="utf-8") as f:
                f.read()
        except UnicodeDecodeError as e:
            problems.append(f"{page}: not UTF-8 (byte {e.start})")
        problems += check_page(root, page)
    return count, problems


def self_test():
    """Pages with one good link of each sort and one broken link of each sort: exactly the broken
    ones must be reported, each on its own line."""
    pages = {
        "README.md": """# Sylvara
![shot](docs/shot.png)
[a page](docs/a.md) and [a heading](docs/a.md#the-run-tree) and [here](#keys-and-mouse)
[repeated](docs/a.md#notes-1) [code](docs/a.md#--set-namevalue) [punctuation](docs/a.md#whats-new-in-062)
[folder](docs/) [external](https://example.org/x.md#nothing) [mail](mailto:a@b.c) [titled](docs/a.md "A")
`[not a link](nowhere.md)` and [ref]: docs/a.md
```
[inside a fence](nowhere.md)
```
## Keys and mouse
[BROKEN-FILE](docs/nothing.md)
![BROKEN-IMAGE](shot.png)
[BROKEN-ANCHOR](docs/a.md#no-such-heading)
[BROKEN-LOCAL](#keys)
[BROKEN-REPEAT](docs/a.md#notes-2)
[BROKEN-REF]: docs/gone.md
""",
        "CHANGELOG.md": "# Changelog\n[top](README.md#sylvara)\n",
        "CONTRIBUTING.md": "# Contributing\n[BROKEN-CASE](README.md#Keys-and-mouse)\n",
        "docs/a.md": """# A
## The run tree
## Notes
## Notes
## `--set NAME=VALUE`
## What's new in 0.6.2?
![up](../docs/shot.png) [back](../README.md#keys-and-mouse)
""",
        "docs/shot.png": "",
        "docs/latin1.md": "# Caf\xe9\n",
    }
    with tempfile.TemporaryDirectory() as root:
        for name, text in pages.items():
            os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
            with open(os.path.join(root, name), "w", encoding="latin-1" if "latin1" in name else "utf-8") as f:
                f.write(text)
        count, problems = check(root)
        expected = {"BROKEN-FILE": 11, "BROKEN-IMAGE": 12, "BROKEN-ANCHOR": 13, "BROKEN-LOCAL": 14,
                    "BROKEN-REPEAT": 15, "BROKEN-REF": 16, "BROKEN-CASE": 2}
        failures = []
        if count != 5:
            failures.append(f"checked {count} pages, not 5")
        if "docs/latin1.md: not UTF-8 (byte 5)" not in problems:
            failures.append("a page that is not UTF-8 went unnoticed")
        for name, line in expected.items():
            page = "CONTRIBUTING.md" if name == "BROKEN-CASE" else "README.md"
            if not any(p.startswith(f"{page}:{line}: ") for p in problems):
                failures.append(f"missed {name} on {page}:{line}")
        if len(problems) != len(expected) + 1:
            failures.append("reported " + str(len(problems)) + " problems, expected " + str(len(expected) + 1) + ":\n  "
                            + "\n  ".join(problems))
        # A page the checker must read but cannot find is a fault too.
        os.remove(os.path.join(root, "CHANGELOG.md"))
        if "CHANGELOG.md: missing" not in check(root)[1]:
            failures.append("a missing CHANGELOG.md went unnoticed")
    for f in failures:
        print("self-test: " + f)
    print("self-test: " + ("failed" if failures else "passed"))
    return 1 if failures else 0


def main(argv):
    if len(argv) != 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(argv) == 2 else 2
    if argv[1] == "--self-test":
        return self_test()
    root = argv[1]
    if not os.path.isdir(root):
        print(f"check-links: {root}: not a folder")
        return 2
    count, problems = check(root)
    for p in problems:
        print(p)
    print(f"check-links: {count} pages, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
