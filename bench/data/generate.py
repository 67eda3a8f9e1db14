#!/usr/bin/env python3
"""Writes the benchmark data set, deterministically (fixed seeds), into OUT:

  mixed/           about 100 MB of installer-like files: a few large random ones (archives),
                   text (scripts, licences), sparse binaries (mostly zeros) and many small ones
  jre/             a runtime-like tree: 2 000 files in nested folders, about 120 MB
  jre.tar.gz       that tree as ustar + gzip -6, the way a bundled runtime is shipped
  payload-10.bin   10 MB and 500 MB of random bytes for the memory benchmark
  payload-500.bin

A stamp file records the generator's version; a second run with the same version does nothing.
"""
import gzip
import os
import random
import shutil
import sys
import tarfile

VERSION = "2"
MB = 1024 * 1024


def write_random(path, size, rng):
    with open(path, "wb") as out:
        left = size
        while left:
            piece = min(left, 4 * MB)
            out.write(rng.randbytes(piece))
            left -= piece


TEXT = (b"Licensed under the terms in LICENSE.txt. Permission is granted to use this software\n"
        b"set INSTALL_DIR=%ProgramFiles%\\morvenic\\app & call setup.cmd --quiet\n") * 64


def mixed_set(folder, total):
    rng = random.Random(2026)
    os.makedirs(folder)
    written, index = 0, 0
    # Large archives first, then a long tail of small files, until the total is reached.
    sizes = [24 * MB, 16 * MB, 12 * MB, 8 * MB]
    while written < total:
        size = sizes.pop(0) if sizes else int(rng.lognormvariate(10.5, 1.6))
        size = max(1, min(size, total - written))
        kind = ("archive", "text", "sparse", "small")[index % 4] if index >= 4 else "archive"
        path = os.path.join(folder, "file%04d.%s" % (index, {"archive": "zip", "text": "txt",
                                                             "sparse": "dat", "small": "cfg"}[kind]))
        if kind == "archive":
            write_random(path, size, rng)
        elif kind == "text":
            with open(path, "wb") as out:
                out.write((TEXT * (size // len(TEXT) + 1))[:size])
        elif kind == "sparse":
            data = bytearray(size)
            for _ in range(max(1, size // 4096)):
                data[rng.randrange(size)] = rng.randrange(256)
            with open(path, "wb") as out:
                out.write(data)
        else:
            size = min(size, 4096)
            with open(path, "wb") as out:
                out.write(rng.randbytes(size // 2) + TEXT[: size - size // 2])
        written += size
        index += 1
    return index


def runtime_tree(root, files, total):
    # Half of each file random (like compressed jar entries), half text.
    rng = random.Random(7)
    average = total // files
    text = b"public final class Example extends java.lang.Object implements Runnable {}\n" * 4096
    for index in range(files):
        folder = os.path.join(root, "lib", "pkg%02d" % (index % 40), "sub%d" % (index % 3))
        os.makedirs(folder, exist_ok=True)
        size = max(1, int(average * (0.2 + 1.6 * rng.random())))
        random_part = size // 2
        with open(os.path.join(folder, "file%04d.class" % index), "wb") as out:
            out.write(rng.randbytes(random_part) + text[: size - random_part])


def pack(tree, archive):
    # Fixed modes, owners and times, so the archive's bytes do not depend on the machine or the day.
    def normalise(info):
        info.uid = info.gid = 0
        info.uname = info.gname = ""
        info.mtime = 1700000000
        info.mode = 0o755 if info.isdir() else 0o644
        return info

    with open(archive, "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", compresslevel=6, mtime=0) as packed:
        with tarfile.open(fileobj=packed, mode="w", format=tarfile.USTAR_FORMAT) as tar:
            # Directory entries come before their files, as tar writes them: the launcher creates
            # directories only from their own entries.
            for folder, subfolders, names in os.walk(tree):
                subfolders.sort()
                if folder != tree:
                    tar.add(folder, arcname=os.path.relpath(folder, tree), recursive=False, filter=normalise)
                for name in sorted(names):
                    path = os.path.join(folder, name)
                    tar.add(path, arcname=os.path.relpath(path, tree), filter=normalise)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "build/bench-data"
    stamp = os.path.join(out, "stamp")
    if os.path.exists(stamp) and open(stamp).read() == VERSION:
        print("bench data: up to date in %s" % out)
        return
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    count = mixed_set(os.path.join(out, "mixed"), 100 * MB)
    runtime_tree(os.path.join(out, "jre"), 2000, 120 * MB)
    pack(os.path.join(out, "jre"), os.path.join(out, "jre.tar.gz"))
    write_random(os.path.join(out, "payload-10.bin"), 10 * MB, random.Random(10))
    write_random(os.path.join(out, "payload-500.bin"), 500 * MB, random.Random(500))
    with open(stamp, "w") as marker:
        marker.write(VERSION)
    print("bench data: %d mixed files, 2000-file runtime tree, jre.tar.gz %.1f MB, in %s"
          % (count, os.path.getsize(os.path.join(out, "jre.tar.gz")) / MB, out))


if __name__ == "__main__":
    main()
