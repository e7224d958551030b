#!/usr/bin/env python3
"""Writes the man page tamrix.1 from the README's sections about the tool, so the two never differ.

usage: readme_to_man.py README.md OUTPUT VERSION
"""
import re
import sys

SECTIONS = ["The tool", "Signing packages", "Running a package's flow on Linux"]
HEADINGS = {
    "The tool": "DESCRIPTION",
    "Signing packages": "SIGNING PACKAGES",
    "Running a package's flow on Linux": "RUNNING A PACKAGE'S FLOW",
}


def sections(text):
    """The wanted '## ' sections of the README, in order, as (title, lines)."""
    found, current = [], None
    for line in text.splitlines():
        if line.startswith("## "):
            current = (line[3:].strip(), []) if line[3:].strip() in SECTIONS else None
            if current:
                found.append(current)
        elif current:
            current[1].append(line)
    return found


def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return re.sub(r"^([.'])", r"\\&\1", text)


def inline(text):
    """Backticks become bold; everything else is escaped."""
    parts = re.split(r"`([^`]*)`", text)
    out = []
    for i, part in enumerate(parts):
        out.append("\\fB" + escape(part) + "\\fR" if i % 2 else escape(part))
    return "".join(out)


def render(title, lines):
    out = [".SH " + escape(HEADINGS[title])]
    in_code = False
    for line in lines:
        if line.startswith("```"):
            out.append(".nf" if not in_code else ".fi")
            in_code = not in_code
            continue
        if in_code:
            out.append(escape(line) if line else "")
        elif not line.strip():
            out.append(".PP")
        elif line.startswith("|"):
            if re.match(r"^\|[-| ]+\|$", line):
                continue  # a table's rule line
            cells = [c.strip() for c in line.strip("|").split("|")]
            out.append(".br")
            out.append(inline("  ".join(cells)))
        else:
            out.append(inline(line))
    # Collapse paragraph marks that follow each other.
    result = []
    for line in out:
        if line == ".PP" and result and result[-1] in (".PP", ".nf", ".fi") and result[-1] != ".fi":
            continue
        result.append(line)
    return result


def main():
    readme, output, version = sys.argv[1:4]
    with open(readme, encoding="utf-8") as f:
        found = sections(f.read())
    if not found or found[0][0] != SECTIONS[0]:
        sys.exit("readme_to_man.py: no '## The tool' section in " + readme)
    page = [
        '.TH TAMRIX 1 "" "tamrix ' + escape(version) + '" "User Commands"',
        ".SH NAME",
        "tamrix \\- list, test, extract, run and build tamrix packages and cabinets",
    ]
    for title, lines in found:
        page += render(title, lines)
    with open(output, "w", encoding="utf-8") as f:
        f.write("\n".join(page) + "\n")


if __name__ == "__main__":
    main()
