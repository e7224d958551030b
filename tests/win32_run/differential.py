#!/usr/bin/python3
"""Runs every scenario twice, through `tamrix run` and through the emulated Windows stub, in the
same folder with the same package and answers, and requires the same transcript, the same exit
code, the same files (bytes, modification times, write permission) and the same program starts.

    differential.py --tamrix TAMRIX --stub STUB [--corpus DIR] [--jobs N] [--only TEXT]
                    [--keep DIR] [--verbose]

Prints one line per failing scenario (with the differences under --verbose), then
"N passed, M failed"."""

import argparse
import concurrent.futures
import difflib
import hashlib
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from scenarios import corpus_scenarios, flow_scenarios  # noqa: E402
from win32emu import runner  # noqa: E402
# Started programs record themselves here: program, argument count, arguments, working folder.
LAUNCH_RECORDER = b"""#!/bin/sh
{ printf '%s\\n' "$0" "$#"; for a in "$@"; do printf '%s\\n' "$a"; done; pwd; } > "$TAMRIX_DIFF_LAUNCHES.tmp"
cat "$TAMRIX_DIFF_LAUNCHES.tmp" >> "$TAMRIX_DIFF_LAUNCHES"; rm -f "$TAMRIX_DIFF_LAUNCHES.tmp"
sleep 0.3
echo end >> "$TAMRIX_DIFF_LAUNCHES"
"""


class Workspace:
    """The folder a scenario runs in, laid out anew before each side."""

    def __init__(self, root, tool, stub):
        self.root = root
        self.tool = tool
        self.stub = stub

    def host(self, relative=""):
        return os.path.join(self.root, relative) if relative else self.root

    def windows(self, relative=""):
        path = os.path.join(self.root, relative) if relative else self.root
        return "Z:" + path.replace("/", "\\")

    def write(self, relative, data, mtime=None, mode=None):
        path = self.host(relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)
        if mtime is not None:
            os.utime(path, (mtime, mtime))
        if mode is not None:
            os.chmod(path, mode)
        return path

    def tamrix(self, *args):
        env = dict(os.environ, SOURCE_DATE_EPOCH="1735732800")  # 2025-01-01 12:00:00 UTC
        subprocess.run([self.tool, *args], check=True, env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)

    def pack(self, name, options, sources, folder="pkg"):
        os.makedirs(self.host(folder), exist_ok=True)
        self.tamrix("pack", "-q", "--stub", self.stub, "-o", self.host(folder + "/" + name),
                    *options, *sources)
        return self.host(folder + "/" + name)

    def recorder(self, relative):
        return self.write(relative, LAUNCH_RECORDER, mode=0o755)


def make_workspace(ws):
    shutil.rmtree(ws.root, ignore_errors=True)
    for folder in ("pkg", "tmp", "win/system32", "desk", "docs", "cwd"):
        os.makedirs(ws.host(folder))


def environment(ws, scenario, launches):
    env = {
        "PATH": "%s:%s:/usr/bin:/bin" % (ws.host("win/system32"), ws.host("win")),
        "HOME": ws.host("cwd"),
        "TMPDIR": ws.host("tmp"),
        "TAMRIX_WINDIR": ws.host("win"),
        "TAMRIX_SYSTEMDIR": ws.host("win/system32"),
        "XDG_DESKTOP_DIR": ws.host("desk"),
        "XDG_DOCUMENTS_DIR": ws.host("docs"),
        "TAMRIX_DIFF_LAUNCHES": launches,
        "TZ": scenario.tz,
        "LANG": "C.UTF-8",
    }
    return env


def snapshot(ws, started):
    """Every file and folder below the workspace: bytes, modification time (times set during the
    run count as "now"), write permission."""
    state = {}
    for folder, folders, files in os.walk(ws.root):
        for name in folders + files:
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, ws.root)
            info = os.lstat(path)
            if os.path.isdir(path):
                state[relative] = "folder"
                continue
            with open(path, "rb") as data:
                content = data.read()
            mtime = "now" if info.st_mtime >= started - 1 else info.st_mtime_ns
            state[relative] = (len(content), hashlib.sha1(content).hexdigest()[:12], mtime,
                               bool(info.st_mode & 0o200))
    return state


def linux_launches(path, expected):
    """The recorder's entries: waits for the started programs to finish recording."""
    deadline = time.time() + (5 if expected else 0)
    while True:
        text = open(path, encoding="utf-8", errors="replace").read() if os.path.exists(path) else ""
        lines = text.splitlines()
        if (lines and lines.count("end") * 1 >= 1 and not os.path.exists(path + ".tmp")
                and _complete(lines)) or time.time() >= deadline:
            break
        time.sleep(0.05)
    records = []
    i = 0
    while i < len(lines):
        program, count = lines[i], int(lines[i + 1])
        arguments = lines[i + 2: i + 2 + count]
        folder = lines[i + 2 + count]
        i += 3 + count
        if i < len(lines) and lines[i] == "end":
            i += 1
        records.append({"program": program, "arguments": arguments, "folder": folder})
    return records


def _complete(lines):
    starts = 0
    i = 0
    while i + 1 < len(lines):
        if lines[i] == "end":
            i += 1
            continue
        count = int(lines[i + 1])
        starts += 1
        i += 3 + count
    return lines.count("end") >= starts


def split_arguments(text):
    """The parameters as a program's start-up code splits them (the rules of CommandLineToArgv
    for arguments after the program name)."""
    arguments = []
    i, n = 0, len(text)
    while True:
        while i < n and text[i] in " \t":
            i += 1
        if i >= n:
            return arguments
        current, quoted = "", False
        while i < n and (quoted or text[i] not in " \t"):
            if text[i] == "\\":
                slashes = 0
                while i < n and text[i] == "\\":
                    slashes += 1
                    i += 1
                if i < n and text[i] == '"':
                    current += "\\" * (slashes // 2)
                    if slashes % 2:
                        current += '"'
                        i += 1
                else:
                    current += "\\" * slashes
                continue
            if text[i] == '"':
                if quoted and i + 1 < n and text[i + 1] == '"':
                    current += '"'
                    i += 2
                    continue
                quoted = not quoted
                i += 1
                continue
            current += text[i]
            i += 1
        arguments.append(current)


def emulated_launches(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as data:
        return [{"program": entry["program"], "arguments": split_arguments(entry["parameters"]),
                 "folder": entry["directory"].rstrip("/") or "/"} for entry in json.load(data)]


def run_side(ws, scenario, side, scratch):
    make_workspace(ws)
    scenario.prepare(ws)
    package = scenario.package(ws)
    answers = os.path.join(scratch, side + ".answers")
    with open(answers, "w", encoding="utf-8") as out:
        out.write("".join(line + "\n" for line in scenario.answers(ws)))
    launches = os.path.join(scratch, side + ".launches")
    transcript = os.path.join(scratch, side + ".transcript")
    env = environment(ws, scenario, launches)
    tail = scenario.tail(ws)
    language = ["--lang", scenario.lang] + (["--codepage", str(scenario.codepage)]
                                            if scenario.codepage else [])
    if side == "linux":
        command = [ws.tool, "run", "--ui", "script:" + answers, "--transcript", transcript,
                   *language, package, *tail]
    else:
        command = scenario.emulator_options + [
                   "--cwd", ws.host("cwd"), "--time-zone", scenario.tz, "--ui", "script:" + answers,
                   "--transcript",
                   transcript, *language, "--temp", env["TMPDIR"], "--windows",
                   env["TAMRIX_WINDIR"], "--system", env["TAMRIX_SYSTEMDIR"], "--desktop",
                   env["XDG_DESKTOP_DIR"], "--documents", env["XDG_DOCUMENTS_DIR"],
                   "--launches", launches, package, *tail]
    started = time.time()
    if side == "linux":
        result = subprocess.run(command, env=env, cwd=ws.host("cwd"), stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        code, errors = result.returncode, ""
        starts = linux_launches(launches, scenario.expect_launch)
    else:
        # In this process: the emulator's start-up (its Python packages) is paid once.
        errors_text = io.StringIO()
        code = runner.main(command, errors_text)
        errors = errors_text.getvalue()
        starts = emulated_launches(launches)
    text = open(transcript, encoding="utf-8").read() if os.path.exists(transcript) else ""
    return {"exit": code, "transcript": text, "files": snapshot(ws, started),
            "launches": starts, "stderr": errors, "seconds": time.time() - started}


def without_cabinet_question(transcript):
    """`tamrix run` asks the script when the next cabinet of a set is missing; the Windows stub
    has no such question yet and waits until its user presses Cancel. A stop answered there is
    taken as that Cancel."""
    lines = transcript.splitlines(keepends=True)
    out = []
    i = 0
    while i < len(lines):
        if (lines[i].startswith("cabinet missing ") and i + 1 < len(lines)
                and lines[i + 1] == "answer stop\n"):
            out.append("click 2008 Cancel\n")
            i += 2
            continue
        out.append(lines[i])
        i += 1
    return "".join(out)


def compare(linux, emulated):
    problems = []
    if "cabinet missing" not in emulated["transcript"]:
        replaced = without_cabinet_question(linux["transcript"])
        if replaced != linux["transcript"]:
            # Each of the stub's retries counts the bytes it read into the bar.
            linux["transcript"], emulated["transcript"] = (
                re.sub(r"(window 2008 closed progress=)\d+", r"\1*", text)
                for text in (replaced, emulated["transcript"]))
    if linux["exit"] != emulated["exit"]:
        problems.append("exit code: tamrix run %d, emulated %d" % (linux["exit"], emulated["exit"]))
    if linux["transcript"] != emulated["transcript"]:
        diff = difflib.unified_diff(linux["transcript"].splitlines(),
                                    emulated["transcript"].splitlines(), "tamrix run", "emulated",
                                    lineterm="")
        problems.append("transcript:\n  " + "\n  ".join(diff))
    for name in sorted(set(linux["files"]) | set(emulated["files"])):
        a, b = linux["files"].get(name), emulated["files"].get(name)
        if a != b:
            problems.append("file %s: tamrix run %s, emulated %s" % (name, a, b))
    if linux["launches"] != emulated["launches"]:
        problems.append("starts: tamrix run %s, emulated %s" % (linux["launches"],
                                                               emulated["launches"]))
    if emulated["stderr"]:
        problems.append("emulator: " + emulated["stderr"].strip())
    return problems


def run_scenario(scenario, options):
    base = tempfile.mkdtemp(prefix="tamrix-diff-", dir=options.keep)
    # The same folder for both sides: paths appear in the transcript.
    ws = Workspace(os.path.join(base, "w"), options.tamrix, options.stub)
    scratch = os.path.join(base, "scratch")
    os.makedirs(scratch)
    try:
        linux = run_side(ws, scenario, "linux", scratch)
        emulated = run_side(ws, scenario, "emulated", scratch)
        problems = compare(linux, emulated)
        if scenario.expect_launch and not linux["launches"]:
            problems.append("no program was started")
        return scenario.name, problems, linux["seconds"], emulated["seconds"], linux["transcript"]
    except Exception as error:  # a broken scenario is a failure, never a skip
        return scenario.name, ["harness: %r" % error], 0, 0, ""
    finally:
        if not options.keep:
            shutil.rmtree(base, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tamrix", required=True)
    parser.add_argument("--stub", required=True)
    parser.add_argument("--corpus")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--only")
    parser.add_argument("--keep")
    parser.add_argument("--verbose", action="store_true")
    options = parser.parse_args()
    options.tamrix = os.path.abspath(options.tamrix)
    options.stub = os.path.abspath(options.stub)
    scenarios = flow_scenarios()
    if options.corpus:
        scenarios += corpus_scenarios(options.corpus)
    if options.only:
        scenarios = [s for s in scenarios if any(p in s.name for p in options.only.split(","))]
    started = time.time()
    failed = 0
    emulated_total = 0.0
    with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        for name, problems, linux_s, emulated_s, transcript in pool.map(
                lambda s: run_scenario(s, options), scenarios):
            emulated_total += emulated_s
            if problems:
                failed += 1
                print("FAIL %s" % name)
                if options.verbose:
                    for problem in problems:
                        print("  " + problem.replace("\n", "\n  "))
            elif options.verbose:
                print("ok   %s (%.1fs / %.1fs)" % (name, linux_s, emulated_s))
    print("differential: %d scenarios in %.0f s (emulated side %.0f s)" % (
        len(scenarios), time.time() - started, emulated_total))
    print("%d passed, %d failed" % (len(scenarios) - failed, failed))
    return 1 if failed or not scenarios else 0


if __name__ == "__main__":
    sys.exit(main())
