#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Mutates an Access file byte by byte and runs the Access reader on each
variant; counts the outcomes and lists every variant that read fewer rows than
the original without an error (there must be none). The reader may crash or
refuse a file: the program treats both as an error of the file.

    fuzz/mdbread_mutate.py build/libexec/vokamia-mdbread tests/data/legacy/vok1.mdb [rounds] [seed]
"""
import collections, os, random, subprocess, sys, tempfile

reader, source = sys.argv[1], sys.argv[2]
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 1)
original = open(source, 'rb').read()
page = 4096 if original[0x14] else 2048  # Jet 4 and later, or Jet 3


def tables(path, out):
    p = subprocess.run([reader, path, out], capture_output=True, timeout=30)
    rows = {}
    for line in p.stdout.decode('utf-8', 'replace').splitlines():
        name, _, count = line.rpartition('\t')
        if count.strip().isdigit():  # a damaged catalogue may give names with line breaks
            rows[name] = int(count)
    return p.returncode, rows


work = tempfile.mkdtemp(prefix='mdbread-fuzz-')
mdb, out = os.path.join(work, 'f.mdb'), os.path.join(work, 'f.db')
_, expected = tables(source, out)
definitions = [i for i in range(len(original) // page) if original[i * page] == 2]
outcomes, silent = collections.Counter(), []
for k in range(rounds):
    data = bytearray(original)
    # Half the changes hit table definitions, where the library is weakest.
    p = rng.choice(definitions) if k % 2 else rng.randrange(len(data) // page)
    offset = p * page + rng.randrange(600 if k % 3 else page)
    data[offset] = rng.randrange(256)
    open(mdb, 'wb').write(data)
    if os.path.exists(out):
        os.remove(out)
    try:
        rc, rows = tables(mdb, out)
    except subprocess.TimeoutExpired:
        rc, rows = 'hang', {}
    outcomes[rc] += 1
    if rc == 0:
        silent += [(offset, n, rows[n], c) for n, c in expected.items() if n in rows and rows[n] < c]
print('exit codes:', dict(outcomes))
print('fewer rows without an error:', silent or 'none')
sys.exit(1 if silent else 0)
