#!/usr/bin/env python3
"""Writes a runtime-like tree for the untar benchmark: FILES files in nested folders, TOTAL bytes,
half of each file random (like compressed jar entries) and half text."""
import os
import random
import sys

root, files, total = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(7)
average = total // files
text = b"public final class Example extends java.lang.Object implements Runnable {}\n" * 4096
for index in range(files):
    folder = os.path.join(root, "lib", "pkg%02d" % (index % 40), "sub%d" % (index % 3))
    os.makedirs(folder, exist_ok=True)
    size = max(1, int(average * (0.2 + 1.6 * rng.random())))
    random_part = size // 2
    data = rng.randbytes(random_part) + text[: size - random_part]
    with open(os.path.join(folder, "file%04d.class" % index), "wb") as out:
        out.write(data)
