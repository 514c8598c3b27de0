#!/usr/bin/python3
"""The command-line companions' conventions: --help on standard output with
status 0, --version, an unknown option or a misplaced argument a usage error
(status 2, the reason on standard error, nothing on standard output), a file
that cannot be read status 1.

usage: cli_conventions_test.py VISTREL_CLI DLVNT_CLI VERSION"""
import os
import subprocess
import sys
import tempfile


def run(args):
    return subprocess.run(args, capture_output=True, timeout=120)


def check_help_and_version(cli, name, version):
    for flag in ("--help", "-h"):
        r = run([cli, flag])
        assert r.returncode == 0, (name, flag, r)
        assert r.stdout.startswith(b"usage: " + name.encode()), (name, r.stdout[:80])
        assert b"--version" in r.stdout and r.stderr == b"", (name, r)
    r = run([cli, "--version"])
    assert r.returncode == 0 and r.stderr == b"", (name, r)
    assert r.stdout.decode().rstrip("\r\n") == "%s %s" % (name, version), r.stdout


def check_usage_error(cli, name, args):
    r = run([cli] + args)
    assert r.returncode == 2, (name, args, r.returncode, r.stderr)
    err = r.stderr.decode()
    assert err.startswith(name + ": "), (name, args, err)
    assert "usage: " in err and r.stdout == b"", (name, args, r)
    return err


def main():
    vistrel, dlvnt, version = sys.argv[1:4]
    check_help_and_version(vistrel, "vistrel-cli", version)
    check_help_and_version(dlvnt, "dlvnt-cli", version)

    with tempfile.TemporaryDirectory() as tmp:
        # Options that look like files were files before: never again.
        real = os.path.join(tmp, "-j")
        with open(real, "wb") as f:
            f.write(b"not an executable")
        for args in (["-j", "x.dll"], ["--JSON", "x.dll"], ["--version-x"], ["--jsonx", "x.dll"],
                     [], ["--hex"], ["--hex", "file-header"], ["--align", "word", "x.dll"],
                     ["--json", "--json-text", "x.dll"], ["--extract", "resource:0", "x.dll"]):
            err = check_usage_error(vistrel, "vistrel-cli", args)
            if args and args[0] in ("-j", "--JSON"):
                assert "unknown option '%s'" % args[0] in err, err
        # "--" ends the options: a file named "-j" is a file again (no
        # executable: status 1, named).
        r = run([vistrel, "--", real])
        assert r.returncode == 1 and real.encode() in r.stderr, r

        missing = os.path.join(tmp, "missing.dll")
        r = run([vistrel, missing])
        assert r.returncode == 1 and r.stderr.decode().startswith("vistrel-cli: " + missing), r

    for args in (["-j"], ["--JSON"], ["--csv", "--json"], ["--copy-all", "--csv"],
                 ["--copy-all", "--tree"], ["somefile"], ["--details"],
                 ["--drives", "C"], ["--search", "x.dll", "--drives", "C1"]):
        err = check_usage_error(dlvnt, "dlvnt-cli", args)
        if args in (["-j"], ["--JSON"]):
            assert "unknown option '%s'" % args[0] in err, err
    r = run([dlvnt, "--details", "NO-SUCH-MODULE.DLL"])
    assert r.returncode == 1 and r.stderr.startswith(b"dlvnt-cli: "), r

    # The plain output names each page before its rows; --copy-all is the
    # rows alone (the machine's processes change between runs, so the page
    # lines are compared, not the rows).
    plain = run([dlvnt]).stdout.decode()
    pages = ["Win32 Modules", "Registered OCXs", "Device Drivers", "Win16 Modules"]
    lines = plain.split("\r\n")
    assert [line for line in lines if line in pages] == pages, lines[:5]
    assert lines[0] == "Win32 Modules", lines[:3]
    copy = run([dlvnt, "--copy-all"]).stdout.decode()
    assert not any(line in pages for line in copy.split("\r\n")), copy[:200]
    assert copy.endswith("\r\n") and "\t" in copy, copy[:200]
    print("cli conventions: ok")


if __name__ == "__main__":
    main()
