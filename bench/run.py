#!/usr/bin/env python3
"""Runs every benchmark against its baseline in the same run and prints one table of ratios
(medians of RUNS runs). Called by bench/run.sh, which builds what is needed, writes the data set
and prepares wine; the environment carries DRX_WINE64 and WINEPREFIX.

Usage: run.py ROOT DATA RUNS [markdown-output]
"""
import filecmp
import functools
import http.server
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT, DATA, RUNS = sys.argv[1], sys.argv[2], int(sys.argv[3])
MARKDOWN = sys.argv[4] if len(sys.argv) > 4 else None
WINE = os.environ["DRX_WINE64"]
W64 = os.path.join(ROOT, "build", "win64")
W32 = os.path.join(ROOT, "build", "win32")
MKMEDIA = os.path.join(ROOT, "build", "host", "tools", "mkmedia", "mkmedia")
WORK = tempfile.mkdtemp(prefix="drx-bench-")
rows = []


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_both(command, check=True, **options):
    """Runs a command and returns its standard output. Output goes through files, not pipes: wine's
    helper processes inherit the handles and would hold a pipe open long after the program ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(command, stdout=out, stderr=err, **options).returncode
        out.seek(0)
        err.seek(0)
        stdout = out.read().decode(errors="replace")
        stderr = err.read().decode(errors="replace")
    if check and code != 0:
        raise RuntimeError("%s failed (%d): %s%s" % (command[0], code, stdout[-2000:], stderr[-2000:]))
    return stdout, stderr


def run(command, check=True, **options):
    return run_both(command, check, **options)[0]


def wall_ms(command, **options):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **options)
    return (time.perf_counter() - start) * 1000


def number(pattern, text):
    found = re.search(pattern, text)
    if not found:
        raise RuntimeError("no %r in:\n%s" % (pattern, text))
    return float(found.group(1))


def add(what, figure, baseline, ratio, goal="", met=None):
    rows.append((what, figure, baseline, ratio, goal, {True: "met", False: "NOT met", None: ""}[met]))
    print("  %-48s %s | %s | %s %s" % (what, figure, baseline, ratio, goal), flush=True)


def median(values):
    return statistics.median(values)


def reader():
    out = run([WINE, os.path.join(W64, "bench", "launcher", "bench_launcher_reader.exe"), winpath(WORK),
               winpath(os.path.join(DATA, "mixed")), str(RUNS)])
    size = number(r"metric region_mb ([\d.]+)", out)
    verify = number(r"metric verify_throughput_ratio ([\d.]+)", out)
    extract = number(r"metric extract_time_ratio ([\d.]+)", out)
    add("integrity check, %.0f MB (throughput vs crc32)" % size, number(r"verify integrity: +([\d.]+) s", out) * 1000,
        "crc32 %.0f ms" % (number(r"crc32 in memory: +([\d.]+) s", out) * 1000), "%.2f" % verify, ">= 0.80",
        verify >= 0.8)
    add("extraction of the mixed set (time vs CopyFileW)", number(r"extract: +([\d.]+) s", out) * 1000,
        "CopyFileW %.0f ms" % (number(r"CopyFileW: +([\d.]+) s", out) * 1000), "%.2f" % extract, "<= 1.50",
        extract <= 1.5)


def untar():
    bench = os.path.join(W64, "bench", "launcher_runtime", "bench_launcher_runtime.exe")
    archive = os.path.join(DATA, "jre.tar.gz")
    launcher, minimal, native, log = [], [], [], []
    for index in range(RUNS):
        for mode, times in (("launcher", launcher), ("minimal", minimal)):
            target = os.path.join(WORK, "untar-" + mode)
            shutil.rmtree(target, ignore_errors=True)
            out = run([WINE, bench, "untar", winpath(archive), winpath(target), mode])
            times.append(number(r"(?m)^ms ([\d.]+)", out))
            if mode == "launcher":
                log.append(number(r"(?m)^log2000 ([\d.]+)", out))
        target = os.path.join(WORK, "untar-native")
        shutil.rmtree(target, ignore_errors=True)
        os.makedirs(target)
        native.append(wall_ms(["bash", "-c", 'gzip -dc "$0" | tar -x -C "$1"', archive, target]))
    same = not filecmp.dircmp(os.path.join(DATA, "jre"), os.path.join(WORK, "untar-launcher")).diff_files
    l, m, n = median(launcher), median(minimal), median(native)
    add("untar of jre.tar.gz (vs native gzip -dc | tar -x)", "%.0f ms" % l, "native %.0f ms" % n, "%.2f" % (l / n),
        "", None)
    add("untar of jre.tar.gz (vs gzread loop under wine)", "%.0f ms" % l, "gzread loop %.0f ms" % m,
        "%.2f" % (l / m), "<= 1.20", l / m <= 1.2)
    g = median(log)
    add("  the same without its 2 000 log lines", "%.0f ms" % (l - g), "log lines %.0f ms" % g, "%.2f" % ((l - g) / m),
        "", None)
    if not same:
        add("untar result differs from the tree", "", "", "", "identical", False)
    return l


def nsis_untar():
    if not shutil.which("makensis"):
        add("untar vs NSIS zlib installer", "skipped: makensis missing", "", "", "< 1", None)
        return
    script = os.path.join(WORK, "tree.nsi")
    installer = os.path.join(WORK, "tree-install.exe")
    with open(script, "w") as out:
        out.write('Target amd64-unicode\nName "tree"\nOutFile "%s"\nSetCompressor zlib\nRequestExecutionLevel user\n'
                  'InstallDir "$TEMP\\nsis-tree"\nSection\n  SetOutPath "$INSTDIR"\n  File /r "%s"\nSectionEnd\n'
                  % (installer, os.path.join(DATA, "jre", "lib")))
    run(["makensis", "-V1", script])
    bench = os.path.join(W64, "bench", "launcher_runtime", "bench_launcher_runtime.exe")
    ours, theirs = [], []
    for index in range(RUNS):
        for target in ("whole-nsis", "whole-launcher"):
            shutil.rmtree(os.path.join(WORK, target), ignore_errors=True)
        theirs.append(wall_ms([WINE, installer, "/S", "/D=" + winpath(os.path.join(WORK, "whole-nsis"))]))
        ours.append(wall_ms([WINE, bench, "untar", winpath(os.path.join(DATA, "jre.tar.gz")),
                             winpath(os.path.join(WORK, "whole-launcher")), "launcher"]))
    o, t = median(ours), median(theirs)
    add("untar, whole process (vs NSIS zlib installer)", "%.0f ms" % o, "NSIS %.0f ms" % t, "%.2f" % (o / t), "< 1",
        o < t)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *arguments):
        pass


def download():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=DATA))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/jre.tar.gz" % server.server_address[1]
    bench = os.path.join(W64, "bench", "launcher_runtime", "bench_launcher_runtime.exe")
    ours, curl, floor = [], [], []
    try:
        for index in range(RUNS):
            curl.append(number(r"([\d.]+)", run(["curl", "-s", "-o", os.path.join(WORK, "curl.bin"), "-w",
                                                 "%{time_total}", url])) * 1000)
            for mode, times in (("download", ours), ("wininet", floor)):
                target = os.path.join(WORK, "%s%d" % (mode, index))
                os.makedirs(target)
                times.append(number(r"(?m)^ms ([\d.]+)", run([WINE, bench, mode, url, winpath(target)])))
                shutil.rmtree(target)
    finally:
        server.shutdown()
    size = os.path.getsize(os.path.join(DATA, "jre.tar.gz")) / 2**20
    o, c, f = median(ours), median(curl), median(floor)
    add("download of %.0f MB from loopback (rate vs curl)" % size, "%.0f ms" % o, "curl %.0f ms" % c,
        "%.2f" % (c / o), ">= 0.50", c / o >= 0.5)
    add("  the same (rate vs a bare WinINet loop under wine)", "%.0f ms" % o, "WinINet loop %.0f ms" % f,
        "%.2f" % (f / o), "", None)


def start_to_main():
    out = run(["bash", os.path.join(ROOT, "bench", "launcher_start", "run.sh"), str(RUNS)])
    l = number(r"launcher (\d+) ms", out)
    d = number(r"minimal jvm.dll program (\d+) ms", out)
    add("start to main (vs minimal jvm.dll program)", "%.0f ms" % l, "minimal %.0f ms" % d, "%.2f" % (l / d),
        "<= 1.30", l / d <= 1.3)
    runs = int(number(r"warm-start java.exe runs: (\d+)", out))
    add("java.exe runs during %d warm starts" % RUNS, "%d" % runs, "", "", "0", runs == 0)


def runtime_search():
    java = winpath(os.path.join(W64, "standin", "java.exe"))
    ratios = [number(r"ratio 20/1: ([\d.]+)",
                     run([WINE, os.path.join(W64, "bench", "launcher_jvm", "bench_runtime_search.exe"), java]))
              for _ in range(RUNS)]
    add("warm search over 20 candidates (vs 1)", "", "", "%.1f" % median(ratios), "small multiple", None)


def drxinst():
    bench = os.path.join(W64, "bench", "drxinst", "bench_drxinst.exe")
    lines = {"getValue0": [], "writeDataBlock0": [], "readDataBlock0": []}
    net = {"writeDataBlock0": [], "readDataBlock0": []}
    per_call = []
    for _ in range(RUNS):
        out = run([WINE, bench])
        for name, ratios in lines.items():
            ratios.append(number(name + r"[^\n]*ratio +([\d.]+)", out))
        for name, ratios in net.items():
            ratios.append(number(name + r"[^\n]*\n[^\n]*array work[^\n]*ratio +([\d.]+)", out))
        per_call.append(number(r"getValue0[^\n]*\(([\d.]+) us per drxinst call\)", out))
    add("getValue0, 100 000 calls (vs RegQueryValueExW)", "%.2f us/call" % median(per_call), "", "%.2f"
        % median(lines["getValue0"]), "microseconds", median(per_call) < 1000)
    for name, label in (("writeDataBlock0", "pipe writes"), ("readDataBlock0", "pipe reads")):
        add("%s, 20 x 1 MB (time vs raw WriteFile/ReadFile)" % label, "", "", "%.2f" % median(lines[name]), "", None)
        add("  the same less the stand-in JNI's array copies", "", "", "%.2f" % median(net[name]), "", None)


def temp_entries():
    temp = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", os.environ.get("USER", "root"), "Temp")
    return temp, set(os.listdir(temp)) if os.path.isdir(temp) else set()


def peak_working_set():
    runtime = os.path.join(WORK, "runtime")
    os.makedirs(os.path.join(runtime, "bin", "client"))
    for name in ("java.exe", "javaw.exe"):
        shutil.copy(os.path.join(W64, "standin", name), os.path.join(runtime, "bin"))
    shutil.copy(os.path.join(W64, "standin", "jvm.dll"), os.path.join(runtime, "bin", "client"))
    with open(os.path.join(runtime, "standin.cfg"), "w") as out:
        out.write("jvm.main.action=exit 0\n")
    config = os.path.join(WORK, "ws.properties")
    with open(config, "w") as out:
        out.write("mainClass = com.example.Main\nminJavaVersion = 1.5\njreSearchSequence = B%s;\n"
                  % winpath(runtime).replace("\\", "\\\\"))
    peaks = {}
    for size in (10, 500):
        media = os.path.join(WORK, "ws%d.exe" % size)
        run([MKMEDIA, "build", "--stub", os.path.join(W64, "launcher", "mediastub64.exe"), "--config", config, "-o",
             media, "--file", "payload.bin=" + os.path.join(DATA, "payload-%d.bin" % size)])
        values = []
        for _ in range(RUNS):
            temp, before = temp_entries()
            stderr = run_both(["/usr/bin/time", "-f", "maxrss %M", WINE, media, "-q"], check=False,
                              env=dict(os.environ, LANQO_LOG=""))[1]
            values.append(number(r"maxrss (\d+)", stderr) / 1024)
            for entry in temp_entries()[1] - before:
                shutil.rmtree(os.path.join(temp, entry), ignore_errors=True)
        peaks[size] = median(values)
        os.remove(media)
    add("launcher peak memory, 500 MB vs 10 MB payload", "%.1f MB" % peaks[500], "10 MB payload: %.1f MB" % peaks[10],
        "%.2f" % (peaks[500] / peaks[10]), "flat", peaks[500] / peaks[10] < 1.2)


def sizes():
    stub = "/usr/share/nsis/Stubs/zlib-x86-unicode"
    if not os.path.exists(stub):
        add("binary sizes", "skipped: NSIS stubs missing", "", "", "", None)
        return
    base = os.path.getsize(stub)
    for path, strip in ((os.path.join(W32, "launcher", "mediastub.exe"), "i686-w64-mingw32-strip"),
                        (os.path.join(W64, "launcher", "mediastub64.exe"), "x86_64-w64-mingw32-strip"),
                        (os.path.join(W32, "platform", "drxinst.dll"), "i686-w64-mingw32-strip"),
                        (os.path.join(W64, "platform", "drxinst64.dll"), "x86_64-w64-mingw32-strip")):
        if not os.path.exists(path):
            add(os.path.basename(path) + " size", "not built", "", "", "", None)
            continue
        copy = os.path.join(WORK, os.path.basename(path))
        run([strip, "-o", copy, path])
        size = os.path.getsize(copy)
        add("%s stripped (vs NSIS zlib stub)" % os.path.basename(path), "%d KB" % (size // 1024),
            "stub %d KB" % (base // 1024), "%.2f" % (size / base), "", None)


def mkmedia():
    out = run(["bash", os.path.join(ROOT, "bench", "mkmedia", "run.sh"), "500", str(RUNS)])
    for kind, pattern in (("flushed to disk", r"to disk \(sync\): .*ratio mkmedia/cp: ([\d.]+)"),
                          ("page cache only", r"page cache *: .*ratio mkmedia/cp: ([\d.]+)")):
        ratio = number(pattern, out)
        add("mkmedia build of 500 MB, %s (time vs cp)" % kind, "", "", "%.2f" % ratio, "about 1", ratio <= 1.5)


def machine():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    wine = run([WINE, "--version"], check=False).strip()
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    return "%s, %d cores, %.0f GiB, %s %s, %s" % (model, os.cpu_count(), memory, platform.system(),
                                                  platform.release(), wine)


def main():
    steps = [reader, untar, nsis_untar, download, start_to_main, runtime_search, drxinst, peak_working_set, sizes,
             mkmedia]
    only = os.environ.get("BENCH_ONLY", "").split()
    try:
        for step in steps:
            if only and step.__name__ not in only:
                continue
            print("== %s" % step.__name__, flush=True)
            try:
                step()
            except Exception as error:  # one failing benchmark must not hide the others
                add(step.__name__ + " FAILED", str(error).splitlines()[0][:80], "", "", "", False)
    finally:
        shutil.rmtree(WORK, ignore_errors=True)
    table = ["Machine: " + machine() + "; medians of %d runs." % RUNS, "",
             "| measure | ours | baseline | ratio | goal | |", "|---|---|---|---|---|---|"]
    for row in rows:
        cells = (str(cell) if not isinstance(cell, float) else "%.0f ms" % cell for cell in row)
        table.append("| " + " | ".join(cell.replace("|", "\\|") for cell in cells) + " |")
    text = "\n".join(table)
    print("\n" + text)
    if MARKDOWN:
        with open(MARKDOWN, "w") as out:
            out.write(text + "\n")
    return 1 if any(row[0].endswith("FAILED") for row in rows) else 0


if __name__ == "__main__":
    sys.exit(main())
