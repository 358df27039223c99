#!/usr/bin/env python3
"""Lists the functions of a C++ tree that run to N lines or more.

    scripts/long_functions.py [--min 150] [DIR ...]     (default: Src Platform)

Brace counting is enough for this code base: comments, strings and character
literals are blanked first, then every brace that opens outside a function
and follows a header holding "(" starts a function; lambdas and blocks inside
it belong to it. The count runs from the header's first line to the closing
brace. Braces of a constructor's initialiser list ("a{b}, c{d} {") are joined
to the body that follows them.
"""

import argparse
import os
import re
import sys

SOURCE = (".cpp", ".h", ".hpp", ".cc")
NOT_FUNCTIONS = re.compile(r"^\s*(?:template\s*<.*>\s*)?(?:namespace|class|struct|union|enum)\b|^\s*extern\s+\"")


def blank(text):
    """The text with comments, strings and character literals replaced by
    spaces, newlines kept, so positions and line numbers stay."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2:open_paren]
            j = text.find(")" + delimiter + '"', open_paren)
            j = n if j < 0 else j + len(delimiter) + 2
        elif c in "\"'":
            # A digit separator (1'000) is no character literal.
            if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum():
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j = min(n, j + 1)
        else:
            i += 1
            continue
        for k in range(i, j):
            if out[k] != "\n":
                out[k] = " "
        i = j
    return "".join(out)


def function_name(header):
    depth, end = 0, -1
    for k, ch in enumerate(header):
        if ch == "(":
            if depth == 0 and end < 0:
                end = k
            depth += 1
        elif ch == ")":
            depth -= 1
    match = re.search(r"([~\w:<>,\s]*?)\s*$", header[:end] if end >= 0 else header)
    name = match.group(1).split()[-1] if match and match.group(1).split() else header.strip()
    return name or "?"


def functions(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = blank(f.read())
    line_of = []
    line = 1
    for ch in text:
        line_of.append(line)
        if ch == "\n":
            line += 1
    stack = []  # (kind, start line, name)
    header_start = 0
    results = []
    i = 0
    while i < len(text):
        ch = text[i]
        inside_function = any(kind == "function" for kind, _, _ in stack)
        if ch == "{":
            header = text[header_start:i]
            if inside_function:
                stack.append(("block", 0, ""))
            elif "(" in header and not NOT_FUNCTIONS.search(header) and not re.search(r"=\s*$", header):
                first = header_start + (len(header) - len(header.lstrip()))
                stack.append(("function", line_of[min(first, i)], function_name(header)))
            else:
                stack.append(("scope", 0, ""))
            header_start = i + 1
        elif ch == "}":
            kind, start, name = stack.pop() if stack else ("scope", 0, "")
            rest = text[i + 1:].lstrip()
            if kind == "function" and rest[:1] in (",", "{"):
                # An initialiser-list brace: the body is still to come.
                i += 1
                continue
            if kind == "function":
                results.append((line_of[i] - start + 1, start, name))
            if not inside_function or kind == "function":
                header_start = i + 1
        elif ch == ";" and not inside_function:
            header_start = i + 1
        elif ch == ":" and not inside_function and re.search(r"\b(?:public|private|protected|signals|slots)\s*$", text[header_start:i]):
            header_start = i + 1
        elif ch == "#" and not inside_function and text[header_start:i].strip() == "":
            # A preprocessor line is no part of the header that follows.
            j = text.find("\n", i)
            while j > 0 and text[j - 1] == "\\":
                j = text.find("\n", j + 1)
            i = len(text) if j < 0 else j
            header_start = i
            continue
        i += 1
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--min", type=int, default=150, help="the least number of lines listed")
    parser.add_argument("dirs", nargs="*", default=["Src", "Platform"])
    args = parser.parse_args()
    found = []
    for top in args.dirs:
        for root, _, files in os.walk(top):
            for name in files:
                if name.endswith(SOURCE):
                    path = os.path.join(root, name)
                    found += [(lines, path, start, fn) for lines, start, fn in functions(path) if lines >= args.min]
    for lines, path, start, fn in sorted(found, reverse=True):
        print(f"{lines:5d}  {path}:{start}  {fn}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
