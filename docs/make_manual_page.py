#!/usr/bin/python3
"""make_manual_page.py SOURCE.md OUTPUT.html: one page of the user manual.

The manual's pages that also stand in the repository as Markdown (the skin
format) are made from it, so that the two never tell different stories. The
page is written in ASCII, every other character as an entity, which the
manual's compiler and its windows-1252 pages take as they are; images named
under images/ are the manual's own, beside its pages.
"""
import html
import os
import re
import sys

import markdown


def main():
    source, output = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    first = re.search(r"^# (.+)$", text, re.M)
    title = re.sub(r"\s*\(`[^`]*`\)$", "", first.group(1)) if first else "Velumo Installer"
    text = re.sub(r"^# .+$", "# " + title, text, count=1, flags=re.M)
    body = markdown.markdown(text, extensions=["tables", "fenced_code"], output_format="html")
    body = body.replace('src="images/', 'src="')
    page = ('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">\n'
            '<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1252">\n'
            '<link rel="stylesheet" href="manual.css"><title>%s</title></head><body>\n'
            '%s\n</body></html>\n') % (html.escape(title), body)
    partial = output + ".part"
    with open(partial, "w", encoding="ascii", errors="xmlcharrefreplace", newline="\n") as f:
        f.write(page)
    os.replace(partial, output)


if __name__ == "__main__":
    main()
