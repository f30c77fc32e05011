#!/usr/bin/python3
"""docs/velmo-tool.md (the source of the manual page and the bash completion) against
`velmo-tool help`, so that neither can drift from the program:

  - the COMMANDS sections are exactly the commands the help lists, in its order;
  - each section's synopsis is the help's synopsis of that command;
  - each section has an example that runs that command with options its synopsis
    (or its list of sub-commands) names;
  - the examples that need no input beyond a new work file (and the build's data)
    run and succeed, in a fresh folder and home;
  - the built completion offers every command and each command's options.

usage: velmo_tool_doc_test.py SOURCE_DIR BUILD_DIR
"""
import os
import re
import subprocess
import sys
import tempfile

SOURCE, BUILD = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
TOOL = os.path.join(BUILD, "src", "velmo-tool")
OPTION = re.compile(r"--[a-z][a-z0-9-]*")
# Commands whose example runs as written in a folder holding only address.lbd (a new
# work file); the others read files of the reader's own (a CSV file, a photograph, a
# catalogue of theirs) or the installed /usr/share/velmo.
RUNNABLE = ["ls", "dump", "paper", "new", "info", "papers", "sheet", "export", "patterns", "text", "barcode",
            "decolines", "decostring", "pictures", "date"]
# The help's description column: entries start at 2 spaces, wrapped synopses at 6 to
# 13, descriptions at 28.
DESCRIPTION_COLUMN = 28


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def normal(text):
    return " ".join(text.replace("velmo-tool ", " ").split())


def help_entries(text):
    """[(command, synopsis)] of `velmo-tool help`."""
    entries = []
    for line in text.splitlines():
        indent = len(line) - len(line.lstrip(" "))
        if not line.strip() or indent == 0:
            continue
        if indent == 2:
            # "name ARGS  description": the synopsis ends at the first run of two spaces.
            synopsis = re.split(r"\s{2,}", line.strip())[0]
            entries.append([synopsis.split()[0], synopsis])
        elif indent < DESCRIPTION_COLUMN and entries:
            entries[-1][1] += " " + line.strip()
    return [(name, normal(synopsis)) for name, synopsis in entries]


def doc_sections(text):
    """{command: (synopsis, example lines, prose)} of the COMMANDS part, in order."""
    sections = {}
    part = None
    current = None
    for line in text.splitlines():
        if line.startswith("# "):
            part = line[2:].strip()
            current = None
        elif part == "COMMANDS" and line.startswith("## "):
            current = line[3:].strip()
            sections[current] = []
        elif current:
            sections[current].append(line)
    parsed = {}
    for name, lines in sections.items():
        blocks = []
        prose = []
        inside = None
        for line in lines:
            if line.startswith("```"):
                if inside is None:
                    inside = []
                else:
                    blocks.append(inside)
                    inside = None
            elif inside is not None:
                inside.append(line)
            else:
                prose.append(line)
        if len(blocks) < 2:
            fail("section %s needs a synopsis block and an example block" % name)
        # The text around the blocks (sub-commands and their options), not the example.
        body = "\n".join(prose)
        parsed[name] = (normal(" ".join(blocks[0])), [l for b in blocks[1:] for l in b], body)
    return parsed


def main():
    done = subprocess.run([TOOL, "help"], capture_output=True, text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    if done.returncode != 0:
        fail("velmo-tool help ended with %d" % done.returncode)
    helped = help_entries(done.stdout)
    if len(helped) < 30:
        fail("only %d commands read from velmo-tool help" % len(helped))
    doc = doc_sections(open(os.path.join(SOURCE, "docs", "velmo-tool.md"), encoding="utf-8").read())

    names = [n for n, _ in helped]
    if names != list(doc):
        missing = [n for n in names if n not in doc]
        extra = [n for n in doc if n not in names]
        fail("docs/velmo-tool.md: sections missing %s, not in the help %s, or out of the help's order"
             % (missing, extra))
    for name, synopsis in helped:
        doc_synopsis, example, body = doc[name]
        if doc_synopsis != synopsis:
            fail("synopsis of %s:\n  help: %s\n  doc:  %s" % (name, synopsis, doc_synopsis))
        commands = [l[2:] for l in example if l.startswith("$ ")]
        if not commands:
            fail("section %s has no example command ($ velmo-tool …)" % name)
        allowed = set(OPTION.findall(synopsis)) | set(OPTION.findall(body))
        for command in commands:
            words = command.split()
            if words[:2] != ["velmo-tool", name]:
                fail("example of %s runs %r" % (name, command))
            unknown = [w for w in words if OPTION.fullmatch(w) and w not in allowed]
            if unknown:
                fail("example of %s uses options %s its section does not name" % (name, unknown))
    print("%d commands: sections, synopses and examples agree with velmo-tool help" % len(helped))

    # The catalogue's actions: its own usage text against the section's items.
    usage = subprocess.run([TOOL, "catalogue"], capture_output=True, text=True,
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stderr
    actions = [" ".join(re.split(r"\s{2,}", l.strip())[0].split()) for l in usage.splitlines() if l.startswith("  ")]
    items = re.findall(r"^- `([^`]+)`", doc["catalogue"][2], re.M)
    if len(actions) < 8 or actions != items:
        fail("catalogue actions:\n  usage: %s\n  doc:   %s" % (actions, items))

    with tempfile.TemporaryDirectory(prefix="velmo-doc-examples-") as work:
        env = dict(os.environ, HOME=work, QT_QPA_PLATFORM="offscreen",
                   PATH=os.path.dirname(TOOL) + os.pathsep + os.environ.get("PATH", "/usr/bin"))
        for key in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
            env.pop(key, None)
        made = subprocess.run([TOOL, "new", "--paper", "A4 12面 86.4×42.3mm", "address.lbd"], cwd=work, env=env,
                              capture_output=True, text=True)
        if made.returncode != 0:
            fail("velmo-tool new for the examples: " + made.stderr)
        for name in RUNNABLE:
            for line in doc[name][1]:
                if not line.startswith("$ "):
                    continue
                done = subprocess.run(["bash", "-c", line[2:]], cwd=work, env=env, capture_output=True, text=True,
                                      timeout=120)
                if done.returncode != 0:
                    fail("example of %s ended with %d: %s\n%s" % (name, done.returncode, line, done.stderr))
    print("%d examples run as written" % len(RUNNABLE))

    completion = os.path.join(BUILD, "completion", "velmo-tool")
    script = r"""
source "$1"
complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _velmo_tool; printf '%s\n' "${COMPREPLY[@]}"; }
complete_words velmo-tool ''
echo ---
"""
    for name, synopsis in helped:
        script += "complete_words velmo-tool %s --\necho ---\n" % name
    done = subprocess.run(["bash", "-c", script, "bash", completion], capture_output=True, text=True)
    if done.returncode != 0 or done.stderr:
        fail("completion script: %s" % done.stderr)
    answers = done.stdout.split("---\n")
    offered = set(answers[0].split())
    if offered != set(names) | {"help"}:
        fail("completion offers %s, the help lists %s" % (sorted(offered), sorted(names)))
    for (name, synopsis), answer in zip(helped, answers[1:]):
        want = set(OPTION.findall(synopsis))
        got = set(answer.split())
        if not want <= got:
            fail("completion of %s -- lacks %s" % (name, sorted(want - got)))
    print("completion: every command and every option of each synopsis")
    print("PASS")


if __name__ == "__main__":
    main()
