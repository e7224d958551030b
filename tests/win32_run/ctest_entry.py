#!/usr/bin/python3
"""ctest's entry: `ctest_entry.py flow|corpus TAMRIX SOURCE_DIR`. Exits 77 (skipped) without
TAMRIX_STUB (and fails when it names a missing file), without the emulator's Python packages, or,
for the corpus, without the corpus (TAMRIX_CORPUS, else shared/corpus/public beside the source
folder)."""

import os
import subprocess
import sys

part, tamrix, source = sys.argv[1:4]
stub = os.environ.get("TAMRIX_STUB")
if not stub:
    print("TAMRIX_STUB is not set: skipped")
    sys.exit(77)
if not os.path.isfile(stub):
    print("TAMRIX_STUB names %s, which is not there: build the win32 preset first" % stub)
    sys.exit(1)
try:
    import pefile  # noqa: F401
    import unicorn  # noqa: F401
except ImportError as error:
    print("%s: skipped (scripts/install_deps.sh installs it)" % error)
    sys.exit(77)
command = [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                        "differential.py"),
           "--tamrix", tamrix, "--stub", stub, "--jobs", "2", "--verbose"]
if part == "corpus":
    corpus = os.environ.get("TAMRIX_CORPUS") or os.path.join(source, "..", "shared", "corpus",
                                                             "public")
    if not os.path.isdir(corpus):
        print("no corpus at %s: skipped" % corpus)
        sys.exit(77)
    command += ["--corpus", corpus, "--only", "corpus-"]
sys.exit(subprocess.call(command))
