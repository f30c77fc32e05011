#!/usr/bin/python3
"""velmo-tool catalogue on a copy of the delivered catalogue, its results read back
by olefile (an independent compound-file reader), not by our own storage code:
renumbering moves the paper streams to the new keys, a paper order with a slip
leaves the file byte for byte as it was, a good order is kept, bulk rename, regroup
and delete change only the papers they name, the update information is stored, and
a damaged catalogue is refused without being written.

usage: catalogue_tool_test.py BUILD_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

import olefile

BUILD = sys.argv[1]
TOOL = os.path.join(BUILD, "src", "velmo-tool")
DELIVERED = os.path.join(BUILD, "data", "velmo.ppr")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def tool(*args, expect=0, stdin=None):
    run = subprocess.run([TOOL, "catalogue"] + list(args), capture_output=True, text=True, input=stdin)
    if run.returncode != expect:
        fail("velmo-tool catalogue %s: exit %d, expected %d\n%s%s" % (" ".join(args), run.returncode, expect,
                                                                       run.stdout, run.stderr))
    return run.stdout


def paper_streams(path):
    with olefile.OleFileIO(path) as ole:
        return sorted(e[1] for e in ole.listdir() if len(e) == 2 and e[0] == "Papers")


def keys(path):
    return [line.split("\t") for line in tool(path, "keys").splitlines()]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    with tempfile.TemporaryDirectory() as tmp:
        cat = os.path.join(tmp, "velmo.ppr")
        shutil.copy(DELIVERED, cat)
        before = keys(cat)
        count = len(before)
        if count < 100:
            fail("the delivered catalogue holds only %d papers" % count)
        if paper_streams(cat) != sorted(k for k, _, _ in before):
            fail("keys and streams disagree before any change")

        # Renumbering beyond every key in use: each paper moves, in order.
        start = 0x1000
        out = tool(cat, "renumber", "$%x" % start)
        if "renumbered\t%d" % count not in out or "kept" in out:
            fail("renumber reported " + out)
        after = keys(cat)
        expected = ["$%08X" % (start + i) for i in range(count)]
        if [k for k, _, _ in after] != expected:
            fail("keys after renumbering: %s ..." % [k for k, _, _ in after][:4])
        if [n for _, n, _ in after] != [n for _, n, _ in before]:
            fail("renumbering changed the order")
        if paper_streams(cat) != sorted(expected):
            fail("olefile does not see the renumbered streams")

        # A start whose keys are in use: the papers that cannot move keep their keys
        # and the tool says so.
        out = tool(cat, "renumber", str(start + 1))
        if "kept\t" not in out:
            fail("a renumbering into used keys did not say what was kept: " + out)
        tool(cat, "renumber", "$100000000", expect=2)
        tool(cat, "renumber", "12x", expect=2)

        # The paper order: a slip changes nothing, a good list is kept.
        names = [n for _, n, _ in keys(cat)]
        snapshot = read(cat)
        slip = os.path.join(tmp, "slip.txt")
        with open(slip, "w", encoding="utf-8") as f:
            f.write("\n".join(list(reversed(names))[:-1] + ["存在しない用紙"]) + "\n")
        tool(cat, "order", slip, expect=1)
        twice = os.path.join(tmp, "twice.txt")
        with open(twice, "w", encoding="utf-8") as f:
            f.write("\n".join(names + [names[0]]) + "\n")
        tool(cat, "order", twice, expect=1)
        if read(cat) != snapshot:
            fail("a refused order changed the catalogue file")
        tool(cat, "order", "-", stdin="\r\n".join(reversed(names)) + "\r\n")
        if [n for _, n, _ in keys(cat)] != list(reversed(names)):
            fail("the order was not applied")

        # Bulk changes touch only the papers they name.
        groups = {}
        for _, n, g in keys(cat):
            groups.setdefault(g, []).append(n)
        group = "写真シール" if "写真シール" in groups else sorted(groups)[0]
        members = groups[group]
        out = tool(cat, "rename", group, "--affix", "[", "]")
        if "renamed\t%d" % len(members) not in out:
            fail("rename reported " + out)
        now = keys(cat)
        renamed = sorted(n for _, n, g in now if g == group)
        if renamed != sorted("[%s]" % n for n in members):
            fail("renamed names: %s" % renamed[:3])
        if len(now) != count:
            fail("renaming changed the paper count")
        out = tool(cat, "regroup", group, "テスト群")
        if not any(g == "テスト群" for _, _, g in keys(cat)) or any(g == group for _, _, g in keys(cat)):
            fail("regroup did not move the group")
        out = tool(cat, "delete-group", "テスト群")
        if "deleted\t%d" % len(members) not in out or len(keys(cat)) != count - len(members):
            fail("delete-group: " + out)
        if len(paper_streams(cat)) != count - len(members):
            fail("olefile still sees the deleted papers")

        # Update information.
        tool(cat, "update-info", "42", "2026/12/09 10:30")
        info = tool(cat, "update-info")
        if "number\t42" not in info or "updated\t2026/12/09 10:30:00" not in info:
            fail("update information: " + info)
        snapshot = read(cat)
        tool(cat, "update-info", "42", "2026/02/30", expect=2)
        if read(cat) != snapshot:
            fail("a refused update time changed the file")

        # Purposes: listed with their shapes, and the check runs.
        purposes = tool(cat, "purposes")
        if "purpose\tCD\t" not in purposes or "fsDoughnut,fsEllipse" not in purposes:
            fail("purposes: " + purposes)

        # A damaged catalogue is refused and left alone.
        damaged = os.path.join(tmp, "damaged.ppr")
        data = bytearray(read(DELIVERED))
        data[0:8] = b"NOTACFB!"
        with open(damaged, "wb") as f:
            f.write(bytes(data))
        tool(damaged, "renumber", "256", expect=1)
        if read(damaged) != bytes(data):
            fail("the damaged catalogue was written")
        tool(os.path.join(tmp, "missing.ppr"), "keys", expect=1)
        tool(cat, "no-such-action", expect=2)
    print("catalogue tool: ok")


main()
