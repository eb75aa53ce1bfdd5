#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the Debian changelog of the package from CHANGELOG.md.

    debian-changelog.py CHANGELOG.md OUTPUT PACKAGE VERSION "Name <address>"

Every released entry ("## [x.y.z] - YYYY-MM-DD") becomes one Debian entry,
its groups ("### Added") become items and their items sub-items, wrapped to
fit Debian's line length. "Unreleased" is left out: it is in no package yet.
The newest release must be VERSION, so a package never claims a version
its changelog does not describe. The date comes from the heading alone, so
the same CHANGELOG.md always gives the same bytes.
"""
import datetime
import re
import sys
import textwrap

RELEASE = re.compile(r"^## \[([^\]]+)\](?: - (\d{4}-\d{2}-\d{2}))?\s*$")
GROUP = re.compile(r"^### (.+?)\s*$")
ITEM = re.compile(r"^[-*] (.*)$")
WIDTH = 78


class Error(Exception):
    pass


def plain(text):
    """Markdown inline markup as plain text."""
    text = re.sub(r"\[([^\]]+)\]\([^)]*\)", r"\1", text)  # links
    text = re.sub(r"(\*\*|__)(.+?)\1", r"\2", text)  # strong
    return text.replace("`", "")


def parse(lines):
    """[(version, date, [(group, [item, ...]), ...]), ...], newest first."""
    releases = []
    current = None
    for number, raw in enumerate(lines, 1):
        line = raw.rstrip("\n")
        m = RELEASE.match(line)
        if m:
            version, date = m.groups()
            if version.lower() == "unreleased":
                current = None
                continue
            if not date:
                raise Error(f"line {number}: release {version} has no date")
            try:
                day = datetime.date.fromisoformat(date)
            except ValueError as e:
                raise Error(f"line {number}: {e}") from None
            current = (version, day, [])
            releases.append(current)
            continue
        if line.startswith("## "):
            raise Error(f"line {number}: a release heading is \"## [x.y.z] - YYYY-MM-DD\": {line!r}")
        if current is None:
            continue
        m = GROUP.match(line)
        if m:
            current[2].append((m.group(1), []))
            continue
        m = ITEM.match(line)
        if m:
            if not current[2]:
                raise Error(f"line {number}: item outside a group")
            current[2][-1][1].append(m.group(1).strip())
            continue
        if line.startswith("  ") and line.strip() and current[2] and current[2][-1][1]:
            items = current[2][-1][1]
            items[-1] += " " + line.strip()
            continue
        if line.strip():
            raise Error(f"line {number}: neither a group, an item nor its continuation: {line!r}")
    return releases


def render(releases, package, maintainer):
    out = []
    for version, date, groups in releases:
        if not any(items for _, items in groups):
            raise Error(f"release {version} lists no change")
        out.append(f"{package} ({version}) unstable; urgency=medium\n\n")
        for group, items in groups:
            if not items:
                continue
            out.append(f"  * {plain(group)}:\n")
            for item in items:
                out.append(textwrap.fill(plain(item), WIDTH, initial_indent="    - ",
                                         subsequent_indent="      ", break_on_hyphens=False) + "\n")
        stamp = datetime.datetime.combine(date, datetime.time(12, 0), datetime.timezone.utc)
        out.append(f"\n -- {maintainer}  {stamp.strftime('%a, %d %b %Y %H:%M:%S +0000')}\n\n")
    return "".join(out).rstrip("\n") + "\n"


def main(argv):
    if len(argv) != 6:
        print(__doc__, file=sys.stderr)
        return 2
    source, target, package, version, maintainer = argv[1:]
    try:
        with open(source, encoding="utf-8") as f:
            releases = parse(f)
        if not releases:
            raise Error("no release")
        if releases[0][0] != version:
            raise Error(f"the newest release is {releases[0][0]}, the program's version is {version}")
        text = render(releases, package, maintainer)
    except Error as e:
        print(f"{source}: {e}", file=sys.stderr)
        return 1
    with open(target, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
