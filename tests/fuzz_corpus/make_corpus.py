#!/usr/bin/env python3
# Writes the fuzz seed corpus (tests/fuzz_corpus/<target>/) from the host tests' own inputs.
# Run by hand after changing a test's inputs; its output is checked in. The payload seeds
# (golden media, PE stub) were written from tests/host/payload's fixtures and are kept as they are.
import gzip
import hashlib
import io
import os
import re
import struct
import sys
import tarfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "tests", "fuzz_corpus")
LITERAL = re.compile(r'(u?)"((?:[^"\\\n]|\\.)*)"')


def unescape(body):
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = body[i + 1]
        if n == "x":
            m = re.match(r"[0-9a-fA-F]+", body[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
        elif n in "01234567":
            m = re.match(r"[0-7]{1,3}", body[i + 1:])
            out.append(chr(int(m.group(0), 8)))
            i += 1 + len(m.group(0))
        else:
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(n, n))
            i += 2
    return "".join(out)


def literals(path, wide=None):
    """String literals of a test file (adjacent literals not joined): narrow as latin-1 bytes,
    u"" ones as UTF-16LE when wide is True."""
    text = open(os.path.join(ROOT, path), encoding="utf-8").read()
    found = []
    for prefix, body in LITERAL.findall(text):
        if wide is not None and bool(prefix) != wide:
            continue
        s = unescape(body)
        found.append(s.encode("utf-16-le") if prefix else s.encode("utf-8", "surrogateescape"))
    return found


def write(target, seeds, limit=40):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    unique = []
    for s in seeds:
        if s not in unique:
            unique.append(s)
    for s in unique[:limit]:
        name = hashlib.sha1(s).hexdigest()[:16]
        with open(os.path.join(folder, name), "wb") as f:
            f.write(s)
    print(f"{target}: {min(len(unique), limit)} seeds")


def tar_of(entries):
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.USTAR_FORMAT) as archive:
        for name, kind, data in entries:
            info = tarfile.TarInfo(name)
            info.mtime = 1700000000
            if kind == "dir":
                info.type = tarfile.DIRTYPE
            elif kind == "link":
                info.type = tarfile.SYMTYPE
                info.linkname = data.decode()
                data = b""
            info.size = len(data) if kind == "file" else 0
            archive.addfile(info, io.BytesIO(data) if kind == "file" else None)
    return buffer.getvalue()


def gz(data, level=6):
    return gzip.compress(data, compresslevel=level, mtime=0)


def le32(v):
    return struct.pack("<i", v)


def utf16(text):
    return text.encode("utf-16-le")


def main():
    # Command lines and path texts: the literals of their tests.
    write("fuzz_tokenise", [s for s in literals("tests/host/launcher_core/tokenise_test.cpp") if s])
    write("fuzz_path_text", [s for s in literals("tests/host/launcher_core/path_text_test.cpp") if s])

    # Options files: whole file texts of the tests, alone and as two files (\x01 between) that include each other.
    files = [s for s in literals("tests/host/launcher_jvm/vm_options_test.cpp") if b"\n" in s or s.startswith(b"-")]
    pairs = [b"-Da\n-include-options b\n-Da2\n\x01-Db\n-include-options a\n-include-options b\n-Db2\n",
             b"-Dx=${X}\n-include-options ${Path}\n\x01-classpath/a C:\\x.jar\n-classpath/p C:\\y.jar\n",
             b"  # c\n\n -Xmx256m \r\n-J-include-options b\n\x01-Dq=\"a b\"\n"]
    write("fuzz_options_file", files[:28] + pairs)

    # Version lines: "-version" outputs with the bounds of the range tests.
    versions = [s for s in literals("tests/host/launcher_jvm/java_version_test.cpp") if re.match(rb"^[0-9]", s)]
    seeds = []
    for i, v in enumerate(versions):
        form = b"java version" if i % 2 == 0 else b"openjdk version"
        seeds.append(form + b' "' + v + b'"\nJava(TM) SE Runtime Environment\n\x011.5\x011.8')
    seeds += [b'openjdk version "17.0.9" 2023-10-17\n\x01\x01', b'java version "1.7.0-ea"\n\x011.5\x01',
              b'java version "\n', b'java version ""\n', b"Error: could not find java.dll\n\x011.6\x011.6.0_21",
              b'java version "1.6.0_21"\x00junk\n', b"\x00" * 8]
    write("fuzz_java_version", seeds)

    # Tar archives like the runtime tests build, plain and as gzip streams in both input forms.
    archives = [
        tar_of([("bin/", "dir", b""), ("bin/java.exe", "file", b"exe"), ("lib/", "dir", b""),
                ("lib/rt.jar", "file", b"x" * 1300), ("empty.txt", "file", b"")]),
        tar_of([("a/", "dir", b""), ("a/b/", "dir", b"")]),
        tar_of([("f.bin", "file", b"1"), ("link", "link", b"f.bin"), ("g.txt", "file", b"after")]),
        tar_of([("d" * 90 + "/", "dir", b""), ("d" * 90 + "/" + "n" * 60, "file", b"long name")]),
        tar_of([("../up.txt", "file", b"no"), ("kept.txt", "file", b"kept")]),
    ]
    write("fuzz_tar_reader", archives + [archives[0][:700], archives[2][:1536]])
    write("fuzz_tar_gzip", [b"\x00" + gz(a) for a in archives] + [b"\x01" + a for a in archives[:3]] +
          [b"\x00" + gz(archives[0])[:-6], b"\x00" + gz(archives[1]) + gz(archives[2]), b"\x00" + archives[2]])

    # Pipe blocks: a chunking byte, then length-prefixed blocks.
    blocks = [b"\x07" + le32(3) + b"abc" + le32(0) + le32(5) + b"hello",
              b"\x02" + le32(-1), b"\x11" + le32(1 << 20) + b"short", b"\x01" + le32(2) + b"x",
              b"\x00" + b"".join(le32(n) + b"z" * n for n in (1, 2, 300, 0, 4))]
    write("fuzz_pipe_blocks", blocks)

    # Registry data: the multi-string and text cases of the codec tests, and numbers.
    registry = [utf16(t) for t in ("abc\0", "abc", "ab\0cd\0", "\0", "a\0\0b\0\0", "one\0two\0", "\0x\0\0")]
    registry += [b"a\0b\0c", b"a\0\0\0b", le32(0x12345678), b"\x01\x02"]
    write("fuzz_registry_value", registry)

    # Dependency texts: the service configuration tests' wide literals.
    write("fuzz_dependency_list", [s for s in literals("tests/host/drxinst_sys/service_config_text_test.cpp", wide=True) if s]
          + [utf16("A,,B,"), utf16(",Tcpip,Dhcp"), utf16("x" * 300 + ",y")])

    # Token blocks as GetTokenInformation lays them out, at the fixed base the target uses.
    def sid(authority, subs):
        return bytes([1, len(subs), 0, 0, 0, 0, 0, authority]) + b"".join(struct.pack("<I", s) for s in subs)

    def groups(width, entries):
        base = 0x00120000 if width == 4 else 0x7F0000120000
        record = lambda i: width + i * 2 * width
        block = bytearray(struct.pack("<I", len(entries)).ljust(width, b"\0") + b"\0" * (2 * width * len(entries)))
        for i, (s, attributes) in enumerate(entries):
            pointer = base + len(block)
            block[record(i):record(i) + width] = pointer.to_bytes(width, "little")
            block[record(i) + width:record(i) + width + 4] = struct.pack("<I", attributes)
            block += s
        return bytes(block)

    everyone, admins = sid(1, [0]), sid(5, [32, 544])
    write("fuzz_token_data", [groups(w, e) for w in (4, 8) for e in ([(everyone, 7), (admins, 0x10)], [(admins, 4)], [])]
          + [everyone, admins])

    # Media configurations: the builder's configuration test lines and the replay driver's seeds.
    config = [s for s in literals("tests/host/mkmedia/config_test.cpp") if b"=" in s or b":" in s]
    config += [s for s in literals("tests/host/mkmedia/fuzz_config_replay_main.cpp") if b"\n" in s]
    write("fuzz_media_config", [s for s in config if len(s) <= 256])

    # Setup file resources: icotool's and the launcher's icons, ld's resource section of the
    # launcher (its data at RVA 0x6F000) alone and inside a small image, windres's version data.
    def read(path):
        with open(os.path.join(ROOT, path), "rb") as f:
            return f.read()
    icons = [read("tests/win/setup_file/custom.ico"), read("launcher/resources/launcher.ico")]
    write("fuzz_ico_file", [i for i in icons if len(i) <= 4096] + [icons[0][:6 + 16 * 4]])
    rsrc = read("tests/host/mkmedia/data/windres_rsrc.bin")
    version = read("tests/host/mkmedia/data/windres_version.bin")
    write("fuzz_resource_tree", [b"\x00" + rsrc, b"\x00" + rsrc[:0x200], b"\x00" + version,
                                 b"\x01" + resource_image(rsrc, 0x6F000)])


def pe_checksum(image, field):
    total = 0
    for i in range(0, len(image), 2):
        if field <= i < field + 4:
            continue
        total += image[i] | ((image[i + 1] << 8) if i + 1 < len(image) else 0)
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16)) + len(image)


def resource_image(rsrc, rva):
    """A PE32+ image of a resource section at `rva` and a relocation section behind it."""
    align = lambda n, a: (n + a - 1) // a * a
    reloc_rva = align(rva + len(rsrc), 0x1000)
    relocs = struct.pack("<IIHH", 0x1000, 12, 0xA008, 0)
    sections = [(b".rsrc", rva, rsrc, 0x40000040), (b".reloc", reloc_rva, relocs, 0x42000040)]
    dirs = [(0, 0)] * 16
    dirs[2] = (rva, len(rsrc))
    dirs[5] = (reloc_rva, len(relocs))
    raw, table, body = 0x200, b"", b""
    for name, va, data, flags in sections:
        size = align(len(data), 0x200)
        table += struct.pack("<8sIIIIIIHHI", name, len(data), va, size, raw, 0, 0, 0, 0, flags)
        body += data + b"\0" * (size - len(data))
        raw += size
    image_size = align(reloc_rva + len(relocs), 0x1000)
    optional = struct.pack("<HBBIIIIIQIIHHHHHHIIIIHHQQQQII", 0x20B, 2, 40, 0, len(body), 0, 0, 0,
                           0x140000000, 0x1000, 0x200, 6, 0, 0, 0, 6, 0, 0, image_size, 0x200, 0,
                           2, 0x160, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    optional += b"".join(struct.pack("<II", *d) for d in dirs)
    header = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x40)
    header += b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664, len(sections), 0, 0, 0, len(optional), 0x22)
    header += optional + table
    image = bytearray(header + b"\0" * (0x200 - len(header)) + body)
    field = 0x40 + 24 + 64
    struct.pack_into("<I", image, field, pe_checksum(image, field))
    return bytes(image)


if __name__ == "__main__":
    sys.exit(main())
