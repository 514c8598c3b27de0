#!/usr/bin/env python3
"""Adds up the test reports of every tier into one line: "N passed, N failed".

A ctest test that wrote a GoogleTest XML report counts its test cases; any other
ctest test (fuzz runs, end-to-end scripts) counts as one. A tier whose build
failed counts as one failure.
"""
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    root = ET.parse(path).getroot()
    passed = failed = skipped = 0
    for case in root.iter("testcase"):
        if case.find("failure") is not None:
            failed += 1
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped


def main():
    reports, broken = sys.argv[1], sys.argv[2:]
    passed = failed = skipped = 0
    for tier in sorted(os.listdir(reports)):
        tdir = os.path.join(reports, tier)
        junit = os.path.join(tdir, "ctest.xml")
        if not os.path.exists(junit):
            continue
        gdir = os.path.join(tdir, "gtest")
        tp = tf = ts = 0
        for case in ET.parse(junit).getroot().iter("testcase"):
            name = case.get("name")
            status = case.get("status", "")
            xml = os.path.join(gdir, name + ".xml")
            ok = status in ("run", "pass", "passed") and case.find("failure") is None
            if status == "notrun" or case.find("skipped") is not None:
                ts += 1
                continue
            if os.path.exists(xml):
                try:
                    p, f, s = gtest_counts(xml)
                except ET.ParseError:
                    p, f, s = 0, 1, 0
                if not ok and f == 0:
                    f = 1  # crashed or leaked after the last test case
                tp, tf, ts = tp + p, tf + f, ts + s
            elif ok:
                tp += 1
            else:
                tf += 1
        print(f"{tier}: {tp} passed, {tf} failed, {ts} skipped")
        passed, failed, skipped = passed + tp, failed + tf, skipped + ts
    for b in broken:
        print(f"{b}: build failed")
        failed += 1
    print(f"{passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
