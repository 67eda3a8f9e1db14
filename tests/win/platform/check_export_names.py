#!/usr/bin/env python3
"""Compares a built drxinst DLL's export names, read with objdump, with the rows of the
export table written in export_table_test.cpp. Runs without wine, so the 32-bit DLL is
checked on machines that cannot start 32-bit programs."""
import re
import subprocess
import sys

objdump, dll, table_source, width = sys.argv[1:5]
prefix = "Java_com_deployrix_runtime_installer_platform_win32_"
rows = re.findall(r'\{"(\w+)", "(\w+)", (\d+)\}', open(table_source, encoding="utf-8").read())
expected = set()
for cls, method, size in rows:
    expected.add(f"{prefix}{cls}_{method}")
    if width == "32":
        expected.add(f"{prefix}{cls}_{method}@{size}")

headers = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout
table = headers.split("[Ordinal/Name Pointer] Table", 1)
actual = set(re.findall(r"^\s*\[\s*\d+\]\s+(\S+)", table[1], re.M)) if len(table) == 2 else set()

failures = [f"missing export {n}" for n in sorted(expected - actual)]
failures += [f"unexpected export {n}" for n in sorted(actual - expected)]
want = 63 * (2 if width == "32" else 1)
if len(rows) != 63 or len(expected) != want:
    failures.append(f"the table holds {len(rows)} rows, {len(expected)} names; expected 63 rows, {want} names")
for line in failures:
    print("FAIL:", line)
print(f"{len(actual)} exports, {len(expected)} expected, {len(failures)} problems")
sys.exit(1 if failures else 0)
