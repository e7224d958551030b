#!/usr/bin/python3
"""Runs a package's Windows stub under the CPU emulator, like `tamrix run` on Linux:

    run_stub.py [--ui script:FILE] [--transcript FILE] [--codepage N] [--lang en|ja]
                [--drive X=HOSTDIR]... [--temp DIR] [--windows DIR] [--system DIR]
                [--desktop DIR] [--documents DIR] [--launches FILE] [--stub STUB]
                PACKAGE [ARGS...]

The transcript has the format of `tamrix run --ui script:FILE`. The exit status is the stub's
exit code; 3 when the emulation stopped (an unhandled import, a fault, a deadlock), with the
reason on stderr."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from win32emu.runner import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
