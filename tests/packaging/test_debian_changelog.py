#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The package's changelog as Debian's own tools read it, made from
changelogs in the repository's style, and the mistakes that must stop the
build instead of shipping a wrong changelog."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging", "debian-changelog.py")
MAINTAINER = "Vokamia-Entwickler <vokamia@example.org>"

GOOD = """# Changelog

Some words about this file, with a `- ` that is no item.

## [Unreleased]

### Added
- Something not yet released.

## [0.2.0] - 2027-03-01

### Added
- Word lists in and out: `vokamia --import FILE` reads a list saved by a
  spreadsheet, and the [manual page](https://example.org/man) says how; this item is long enough to wrap twice over the line.

### Fixed
- A **bold** fix.

## [0.1.0] - 2026-12-06

### Added
- The card box.
"""


def run(text, version):
    with tempfile.TemporaryDirectory() as d:
        source = os.path.join(d, "CHANGELOG.md")
        target = os.path.join(d, "changelog")
        with open(source, "w", encoding="utf-8") as f:
            f.write(text)
        p = subprocess.run([sys.executable, SCRIPT, source, target, "vokamia", version, MAINTAINER],
                           capture_output=True, text=True)
        if not os.path.exists(target):
            return p.returncode, None, p.stderr
        with open(target, encoding="utf-8") as f:
            return p.returncode, f.read(), p.stderr


def parsed(changelog, *args):
    with tempfile.NamedTemporaryFile("w", suffix=".changelog", encoding="utf-8") as f:
        f.write(changelog)
        f.flush()
        return subprocess.run(["dpkg-parsechangelog", "-l", f.name, *args],
                              capture_output=True, text=True, check=True).stdout


class DebianChangelog(unittest.TestCase):
    def test_released_entries_become_a_valid_debian_changelog(self):
        rc, out, err = run(GOOD, "0.2.0")
        self.assertEqual(rc, 0, err)
        entries = parsed(out, "--all", "--format", "rfc822").splitlines()
        self.assertEqual([l for l in entries if l.startswith(("Version: ", "Date: ", "Maintainer: "))],
                         ["Version: 0.2.0", "Maintainer: " + MAINTAINER, "Date: Mon, 01 Mar 2027 12:00:00 +0000",
                          "Version: 0.1.0", "Maintainer: " + MAINTAINER, "Date: Sun, 06 Dec 2026 12:00:00 +0000"])
        self.assertNotIn("not yet released", out)
        self.assertIn("    - Word lists in and out: vokamia --import FILE reads", out)
        self.assertIn("manual page says how", out)
        self.assertIn("  * Fixed:\n    - A bold fix.\n", out)
        # Debian's checker flags lines of 80 characters or more.
        self.assertTrue(all(len(line) < 80 for line in out.splitlines()), out)

    def test_mistakes_stop_the_build(self):
        cases = {
            "version not released": (GOOD, "0.3.0", "the newest release is 0.2.0"),
            "no release at all": ("# Changelog\n\n## [Unreleased]\n\n### Added\n- x\n", "0.1.0", "no release"),
            "release without date": ("## [0.1.0]\n\n### Added\n- x\n", "0.1.0", "has no date"),
            "heading without brackets": ("## 0.1.0 - 2026-12-06\n\n### Added\n- x\n", "0.1.0", "release heading"),
            "impossible date": ("## [0.1.0] - 2026-13-06\n\n### Added\n- x\n", "0.1.0", "month"),
            "item outside a group": ("## [0.1.0] - 2026-12-06\n\n- x\n", "0.1.0", "outside a group"),
            "empty release": ("## [0.1.0] - 2026-12-06\n\n### Added\n", "0.1.0", "lists no change"),
            "stray text": ("## [0.1.0] - 2026-12-06\n\n### Added\n- x\nloose words\n", "0.1.0", "neither"),
        }
        for name, (text, version, message) in cases.items():
            with self.subTest(name):
                rc, out, err = run(text, version)
                self.assertEqual(rc, 1, err)
                self.assertIn(message, err)
                self.assertIsNone(out)


if __name__ == "__main__":
    unittest.main()
