#!/usr/bin/python3
"""dlvnt-cli --json on this machine: valid against the published schema, a
record for every module row that --json-text shows, with the same paths and
the grid's "P" marks, sizes and dates.

usage: dlvnt_cli_test.py DLVNT_CLI"""
import json
import os
import subprocess
import sys

import jsonschema

SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs", "schema",
                      "dlvnt-cli.schema.json")


def main():
    cli = sys.argv[1]
    data = json.loads(subprocess.run([cli, "--json", "--tree"], capture_output=True, text=True,
                                     check=True).stdout)
    with open(SCHEMA) as f:
        jsonschema.validate(data, json.load(f), cls=jsonschema.Draft202012Validator)
    text = json.loads(subprocess.run([cli, "--json-text"], capture_output=True, text=True,
                                     check=True).stdout)
    # Two runs see the processes of two moments: rows are matched by path,
    # and nearly all must match.
    checked = 0
    for page, shown in zip(data["pages"], text["pages"]):
        assert page["name"] == shown["name"], (page["name"], shown["name"])
        if not page["rows"]:
            # An empty page: the window's one line of text is no module.
            assert all(not r["module"].strip() for r in shown["rows"]), shown["rows"]
            continue
        cells_by_path = {r["path"]: r for r in shown["rows"]}
        matched = 0
        for record in page["rows"]:
            cells = cells_by_path.get(record["path"])
            if cells is None:
                continue
            matched += 1
            assert record["mainModule"] == (cells["type"] == "P"), (record, cells)
            if record["size"] is not None:
                assert cells["size"].strip().replace(",", "") == str(record["size"]), (record, cells)
            if record["date"]:
                d = record["date"]
                assert cells["date"] == "%s-%s-%s  %s" % (d[5:7], d[8:10], d[2:4], d[11:16]), \
                    (record, cells)
            checked += 1
        assert matched >= 0.8 * len(page["rows"]), (page["name"], matched, len(page["rows"]))
    assert data["pages"][0]["processes"], "no Win32 tree"
    assert data["pages"][2]["processes"] is None
    # The processes' own records: this machine's processes are listed with their ids.
    ids = {r["processId"] for r in data["pages"][0]["rows"]}
    assert all(isinstance(i, int) for i in ids), ids
    print("dlvnt-cli --json: %d rows checked" % checked)


if __name__ == "__main__":
    main()
