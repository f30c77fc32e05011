#!/usr/bin/python3
"""Writes the bash completion of velmo-tool from docs/velmo-tool.md, the source the
manual page is made from, so that commands and options are completed exactly as the
manual (and, through the velmo_tool_doc test, `velmo-tool help`) lists them.

usage: make-completion.py DOC.md OUT
"""
import re
import sys

OPTION = re.compile(r"--[a-z][a-z0-9-]*")
# "(illust|backgrounds|frames)": a choice of literal words in place of an argument.
CHOICE = re.compile(r"\(([a-z0-9]+(?:\|[a-z0-9]+)+)\)")


def commands(doc_text):
    """(name, synopsis, sub-commands) for every "## name" section under "# COMMANDS", in order."""
    found = []
    section = None
    lines = doc_text.splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("# "):
            section = line[2:].strip()
        elif section == "COMMANDS" and line.startswith("## "):
            name = line[3:].strip()
            # The synopsis is the section's first fenced block.
            j = i + 1
            while j < len(lines) and not lines[j].startswith("```"):
                j += 1
            k = j + 1
            while k < len(lines) and not lines[k].startswith("```"):
                k += 1
            # Sub-commands are listed as "- `word …`: …" items of the section.
            m = k + 1
            actions = []
            while m < len(lines) and not lines[m].startswith("#"):
                item = re.match(r"- `([a-z][a-z0-9-]*)", lines[m])
                if item:
                    actions.append(item.group(1))
                    actions.extend(OPTION.findall(lines[m]))
                m += 1
            found.append((name, " ".join(l.strip() for l in lines[j + 1:k]), actions))
            i = k
        i += 1
    return found


def shell_words(words):
    return " ".join(words)


def main():
    doc, out = sys.argv[1], sys.argv[2]
    entries = commands(open(doc, encoding="utf-8").read())
    if not entries:
        sys.exit("%s: no commands found under '# COMMANDS'" % doc)
    arms = []
    for name, synopsis, actions in entries:
        options = sorted(set(OPTION.findall(synopsis)) | {a for a in actions if a.startswith("--")})
        choices = [a for a in actions if not a.startswith("--")]
        for group in CHOICE.findall(synopsis):
            choices.extend(group.split("|"))
        arms.append("        %s)\n            options=\"%s\"\n            words=\"%s\"\n            ;;"
                    % (name, shell_words(options), shell_words(choices)))
    names = shell_words([e[0] for e in entries] + ["help"])
    script = """# bash completion for velmo-tool                              -*- shell-script -*-
# Generated from docs/velmo-tool.md by tools/make-completion.py; do not edit.

_velmo_tool()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    COMPREPLY=()
    if [[ $COMP_CWORD -eq 1 ]]; then
        mapfile -t COMPREPLY < <(compgen -W "%s" -- "$cur")
        return 0
    fi
    local options="" words=""
    case ${COMP_WORDS[1]} in
%s
        *)
            return 0
            ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur"; compgen -f -- "$cur")
    fi
    return 0
}
complete -o filenames -o bashdefault -F _velmo_tool velmo-tool
""" % (names, "\n".join(arms))
    with open(out, "w", encoding="utf-8") as f:
        f.write(script)


if __name__ == "__main__":
    main()
