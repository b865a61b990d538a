#!/usr/bin/python3
"""man_sections.py PAGE -- gives a help2man page the SYNOPSIS and OPTIONS
sections a man page is read by: argparse's lower-case "usage:" becomes the
SYNOPSIS, and the first option list starts OPTIONS."""
import re
import sys

path = sys.argv[1]
with open(path, encoding="utf-8") as f:
    page = f.read()
if "\n.SH SYNOPSIS\n" not in page:
    m = re.search(r"\n\.PP\nusage: (.*?)\n(?:\.IP\n(.*?)\n)?(?=\.PP\n|\.SS |\.TP\n)", page, re.S)
    if m:
        synopsis = m.group(1) + ("\n" + m.group(2) if m.group(2) else "")
        page = page[:m.start()] + "\n" + page[m.end():]
        page = page.replace("\n.SH DESCRIPTION\n", "\n.SH SYNOPSIS\n" + synopsis + "\n.SH DESCRIPTION\n", 1)
if "\n.SH OPTIONS\n" not in page:
    page = re.sub(r'\n(?:\.SS "options:"\n)?\.TP\n', "\n.SH OPTIONS\n.TP\n", page, count=1)
with open(path, "w", encoding="utf-8") as f:
    f.write(page)
