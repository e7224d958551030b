"""The command line of run_stub.py."""

import argparse
import json
import os
import sys

from . import api_kernel32, api_msvcrt, api_shell, api_user32  # noqa: F401  (they declare the APIs)
from .image import Image
from .machine import EmulationError, Machine
from .registry_of_apis import install
from .script import Script, load_answers
from .system import Config, System

STOPPED = 3


def parse(argv):
    parser = argparse.ArgumentParser(prog="run_stub.py")
    parser.add_argument("--ui", default="script:/dev/null")
    parser.add_argument("--transcript")
    parser.add_argument("--codepage", type=int, default=0)
    parser.add_argument("--lang", choices=("en", "ja"), default="en")
    parser.add_argument("--drive", action="append", default=[])
    for folder in ("temp", "windows", "system", "desktop", "documents"):
        parser.add_argument("--" + folder)
    parser.add_argument("--launches")
    parser.add_argument("--unquoted-program", action="store_true",
                        help="the command line names the program without quotes, as typed")
    parser.add_argument("--time-zone", help="the machine's time zone (default: TZ, else local)")
    parser.add_argument("--cwd", help="the process's current folder (default: the host's)")
    parser.add_argument("package")
    parser.add_argument("args", nargs=argparse.REMAINDER)
    return parser.parse_args(argv)


def config_of(options):
    config = Config()
    config.codepage = options.codepage or (932 if options.lang == "ja" else 1252)
    config.language = options.lang
    for mapping in options.drive:
        letter, _, folder = mapping.partition("=")
        config.drives[letter.upper()] = os.fsencode(folder)
    config.temp = os.fsencode(options.temp or os.environ.get("TMPDIR") or "/tmp")
    config.windows = os.fsencode(options.windows) if options.windows else None
    config.system = os.fsencode(options.system) if options.system else (
        config.windows + b"/system32" if config.windows else None)
    config.host_cwd = os.fsencode(options.cwd or os.getcwd())
    config.time_zone = options.time_zone or os.environ.get("TZ")
    config.desktop = os.fsencode(options.desktop) if options.desktop else None
    config.documents = os.fsencode(options.documents) if options.documents else None
    return config


def run(options, out):
    if not options.ui.startswith("script:"):
        raise SystemExit("run_stub.py: only --ui script:FILE is modelled")
    answers = load_answers(options.ui[7:])
    config = config_of(options)
    machine = Machine()
    image = Image(options.package)
    script = Script(answers, out)
    package = os.path.abspath(options.package).encode("utf-8", "surrogateescape")
    paths = System(machine, image, config, script, b"", b"")
    package_path = paths.windows_path(package)
    tail = paths.ansi_bytes(" ".join(options.args), "surrogateescape")
    system = System(machine, image, config, script, package_path, tail,
                    quoted=not options.unquoted_program)
    install(machine, system)
    image.map(machine)  # after the handlers: the imports bind to them
    try:
        code = machine.run(image.entry)
    finally:
        if options.launches:
            with open(options.launches, "w", encoding="utf-8") as launches:
                json.dump(system.launches, launches, ensure_ascii=False, indent=1)
    for thread in machine.threads[1:]:
        if thread.state != "done":
            raise EmulationError("the process ended while thread %d still ran" % thread.number)
    return code


def main(argv, errors=None):
    """Runs the stub; the differential suite calls this in its own process."""
    errors = errors or sys.stderr
    options = parse(argv)
    out = open(options.transcript, "w", encoding="utf-8") if options.transcript else sys.stdout
    try:
        return run(options, out)
    except EmulationError as error:
        print("run_stub.py: emulation stopped: %s" % error, file=errors)
        return STOPPED
    finally:
        if out is not sys.stdout:
            out.close()
