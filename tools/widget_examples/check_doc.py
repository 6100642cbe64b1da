#!/usr/bin/env python3
"""Checks that every C++ and resource code block of a page appears word for word in the example
sources, so the page cannot drift from code that compiles: check_doc.py PAGE SOURCE_DIR"""
import pathlib
import re
import sys


def code_blocks(page):
    return re.findall(r"^```(?:cpp|rc)\n(.*?)^```$", page, re.MULTILINE | re.DOTALL)


def main():
    page = pathlib.Path(sys.argv[1]).read_text(encoding="utf-8")
    sources = [p.read_text(encoding="utf-8") for p in sorted(pathlib.Path(sys.argv[2]).iterdir())
               if p.suffix in (".cpp", ".h", ".rc")]
    blocks = code_blocks(page)
    if not blocks:
        print("no code blocks found in", sys.argv[1])
        return 1
    stale = [block for block in blocks if not any(block in source for source in sources)]
    for block in stale:
        print("not in the example sources:\n" + block)
    print(f"{len(blocks) - len(stale)} of {len(blocks)} code blocks match the sources")
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
