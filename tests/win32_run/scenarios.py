"""The scenarios of the differential suite: the flow tests' situations, the command line, the
setup launch, non-ASCII program paths, and the acceptance corpus's cabinets as packages."""

import json
import os
import random
import shutil
import subprocess

STAMP_2025 = 1735732800  # 2025-01-01 12:00:00 UTC


class Scenario:
    def __init__(self, name, prepare, answers=(), tail=(), package="pkg/setup1.exe", lang="en",
                 codepage=0, expect_launch=False, tz="UTC", emulator_options=()):
        self.name = name
        self._prepare = prepare
        self._answers = answers
        self._tail = tail
        self._package = package
        self.lang = lang
        self.codepage = codepage
        self.expect_launch = expect_launch
        self.tz = tz
        self.emulator_options = list(emulator_options)

    def prepare(self, ws):
        self._prepare(ws)

    def package(self, ws):
        return ws.host(self._package)

    def answers(self, ws):
        return [fill(ws, a) for a in self._answers]

    def tail(self, ws):
        return [fill(ws, a) for a in self._tail]


def fill(ws, text):
    """{W} is the workspace's Windows path, {H} its host path."""
    return text.replace("{W}", ws.windows()).replace("{H}", ws.host())


def data(size, seed):
    generator = random.Random(seed)
    # Compressible, but not trivially: words from a small alphabet.
    words = [bytes(generator.choice(b"abcdefgh \n") for _ in range(generator.randint(2, 9)))
             for _ in range(64)]
    out = bytearray()
    while len(out) < size:
        out += generator.choice(words)
    return bytes(out[:size])


README = data(1000, 1)
BIG = data(70000, 2)


def tree(files):
    """Writes src/ with the given files (name with / separators, bytes), dated 2025-01-01."""
    def write(ws):
        for name, content in files:
            ws.write("src/" + name, content, mtime=STAMP_2025)
    return write


def packed(files, *options, name="setup1.exe", folder="pkg", compress=None):
    def prepare(ws):
        tree(files)(ws)
        extra = ["--compress", compress] if compress else []
        ws.pack(name, [fill(ws, o) for o in options] + extra, [ws.host("src")], folder=folder)
    return prepare


QUIET = ("--destination", "{W}\\out", "--no-dialog", "--auto-confirm")
ONE = [("a.txt", README)]
TWO = [("a.txt", README), ("sub/b.bin", BIG)]


def then(*steps):
    def prepare(ws):
        for step in steps:
            step(ws)
    return prepare


def image_end(ws, package):
    out = subprocess.run([ws.tool, "info", package], check=True, capture_output=True, text=True)
    for line in out.stdout.splitlines():
        if line.startswith("imageEnd:"):
            return int(line.split(":")[1])
    raise ValueError("no imageEnd")


def patch_crc(package="pkg/setup1.exe"):
    def prepare(ws):
        path = ws.host(package)
        offset = image_end(ws, path) + 412
        with open(path, "r+b") as out:
            out.seek(offset)
            out.write((0x12345678).to_bytes(4, "little"))
    return prepare


def headerless(files, name="setup1.exe", folder="pkg"):
    """The stub, 512 bytes that are no header, and a cabinet: the command line's settings count."""
    def prepare(ws):
        tree(files)(ws)
        cabinet = ws.host("cab.tmp")
        ws.tamrix("cab", "-q", "-o", cabinet, ws.host("src"))
        with open(ws.stub, "rb") as stub, open(cabinet, "rb") as cab:
            image = stub.read()
            content = image + b"NOHEADER".ljust(512, b"\0") + cab.read()
        os.unlink(cabinet)
        ws.write(folder + "/" + name, content)
    return prepare


def plain_cabinet(files, name="data.cab"):
    def prepare(ws):
        tree(files)(ws)
        ws.tamrix("cab", "-q", "-o", ws.host("pkg/" + name), ws.host("src"))
    return prepare


def existing(files, mtime=STAMP_2025, mode=0o644):
    def prepare(ws):
        for name, content in files:
            ws.write(name, content, mtime=mtime, mode=mode)
    return prepare


def folder(relative):
    return lambda ws: os.makedirs(ws.host(relative), exist_ok=True)


def bare_stub(ws):
    shutil.copy(ws.stub, ws.host("pkg/setup1.exe"))


def recorder_in(*relatives):
    def prepare(ws):
        for relative in relatives:
            ws.recorder(relative)
    return prepare


def with_recorded_setup(files, *options, name="setup1.exe"):
    """A package whose setup.exe records how it was started (replaced after packing so that
    the recorder's bytes are those extracted)."""
    def prepare(ws):
        tree(files)(ws)
        ws.recorder("src/setup.exe")
        os.utime(ws.host("src/setup.exe"), (STAMP_2025, STAMP_2025))
        ws.pack(name, [fill(ws, o) for o in options], [ws.host("src")])
    return prepare


REPLACE_TARGETS = existing([("out/a.txt", b"old"), ("out/b.txt", b"old"), ("out/c.txt", b"old")])
THREE = [("a.txt", README), ("b.txt", README), ("c.txt", README)]
REPLACE_HEADER = ("--destination", "{W}\\out", "--no-dialog")

JA_NAME = "\u8868\u793a.txt"  # the first character's second byte in code page 932 is 0x5C


def flow_scenarios():
    s = []
    add = s.append
    # Start: the question, the CRC check, packages without a cabinet.
    add(Scenario("question-declined", packed(ONE, *QUIET, "--caption", "Setup", "--question",
                                               "Install the demo?"), ["no"]))
    add(Scenario("question-accepted", packed(TWO, *QUIET, "--caption", "Setup", "--question",
                                               "Install the demo?"), ["yes"]))
    add(Scenario("question-script-ended", packed(ONE, *QUIET, "--question", "Go?"), []))
    add(Scenario("question-cp1252", packed(ONE, *QUIET, "--caption", "Caf\u00e9",
                                             "--question", "\u00bfInstalar \u00e1\u00e9\u00ed?"),
                 ["yes"]))
    add(Scenario("crc-matching", packed(TWO, *QUIET)))
    add(Scenario("crc-mismatch-with-setup", then(packed(ONE, *QUIET, "--setup", "setup.exe"),
                                                   patch_crc()), ["ok"]))
    add(Scenario("crc-mismatch-without-setup", then(packed(ONE, *QUIET), patch_crc()), ["ok"]))
    add(Scenario("bare-stub-ends-silently", bare_stub))
    # The destination dialog.
    add(Scenario("dialog-package-folder", packed(TWO, "--no-open-folder"), ["ok"]))
    add(Scenario("dialog-script-ended", packed(ONE), []))
    for label, typed in (("plain", "plain"), ("leading-backslash", "\\lead"), ("dot", ".\\dot"),
                         ("parent", "..\\up\\deep"), ("drive", "{W}\\drive"),
                         ("slashes", "{W}/pkg/slashes"), ("bare-drive-relative", "sub\\deeper")):
        add(Scenario("dialog-typed-" + label, then(packed(ONE), folder("drive")),
                     ["ok " + typed, "ok"]))
    add(Scenario("dialog-too-many-parents", packed(ONE), ["ok " + "..\\" * 40 + "x", "cancel"]))
    add(Scenario("dialog-forbidden-relative", packed(ONE), ["ok a|b", "cancel"]))
    add(Scenario("dialog-forbidden-drive", packed(ONE), ["ok {W}\\x?y", "cancel"]))
    add(Scenario("forbidden-without-dialog", packed(ONE, "--destination", "sub;x", "--no-dialog",
                                                      "--auto-confirm")))
    add(Scenario("folder-creation-declined", packed(ONE), ["ok {W}\\new", "cancel"]))
    add(Scenario("folder-creation-accepted", packed(TWO), ["ok {W}\\new\\deeper", "ok"]))
    add(Scenario("folder-creation-failing", then(packed(ONE), existing([("blocker", b"x")])),
                 ["ok {W}\\blocker\\sub", "ok"]))
    add(Scenario("dialog-type-then-ok", packed(ONE), ["type {W}\\typed", "ok", "ok"]))
    add(Scenario("dialog-toggle-box", packed(ONE, "--no-open-folder"),
                 ["toggle", "toggle", "toggle", "ok", "ok"]))
    add(Scenario("dialog-browse", then(packed(ONE), folder("browsed")),
                 ["browse {W}\\browsed", "ok"]))
    add(Scenario("dialog-browse-cancelled", packed(ONE), ["browse", "ok"]))
    add(Scenario("macro-documents", packed(ONE, "--destination", "%MyDocuments%\\app",
                                             "--no-dialog", "--auto-confirm")))
    add(Scenario("macro-desktop", packed(ONE, "--destination", "%Desktop%", "--no-dialog")))
    add(Scenario("macro-temp", packed(ONE, "--destination", "%temp%\\x", "--auto-confirm"),
                 ["ok"]))
    # Extraction: the file-replace dialog, cancelling, codecs, names and attributes.
    add(Scenario("replace-yes-no-cancel", then(packed(THREE, *REPLACE_HEADER), REPLACE_TARGETS),
                 ["yes", "no", "cancel"]))
    add(Scenario("replace-yes-to-all", then(packed(THREE, *REPLACE_HEADER), REPLACE_TARGETS),
                 ["all"]))
    add(Scenario("replace-newer", then(packed(THREE, *REPLACE_HEADER), REPLACE_TARGETS,
                                       existing([("out/a.txt", b"old")], mtime=STAMP_2025 - 86400 * 200),
                                       existing([("out/c.txt", b"old")], mtime=STAMP_2025 + 86400 * 400)),
                 ["newer"]))
    add(Scenario("replace-read-only-target", then(packed(THREE, *REPLACE_HEADER),
                                                  REPLACE_TARGETS,
                                                  existing([("out/a.txt", b"old")], mode=0o444)),
                 ["yes", "no", "no"]))
    add(Scenario("replace-script-ended", then(packed(THREE, *REPLACE_HEADER), REPLACE_TARGETS)))
    add(Scenario("cancel-during-extraction", packed([("a.bin", BIG), ("b.bin", BIG)], *QUIET),
                 ["stop 1"]))
    add(Scenario("cancel-at-once", packed([("a.bin", BIG), ("b.bin", BIG)], *QUIET), ["stop"]))
    many = [("d%d/f%02d.txt" % (i % 4, i), data(300 + 977 * i, 100 + i)) for i in range(30)]
    for compress in ("none", "mszip", "lzx:16", "quantum:15"):
        add(Scenario("codec-" + compress.replace(":", "-"),
                     packed(many, *QUIET, "--folder-size", "20K", compress=compress)))
    add(Scenario("read-only-and-empty-files",
                 then(tree([("ro.txt", README), ("empty.txt", b"")]),
                      lambda ws: os.chmod(ws.host("src/ro.txt"), 0o444),
                      lambda ws: ws.pack("setup1.exe", [fill(ws, o) for o in QUIET],
                                         [ws.host("src")]))))
    add(Scenario("time-zone-tokyo", packed(TWO, *QUIET), tz="Asia/Tokyo"))
    # The command line.
    add(Scenario("named-package-without-its-header",
                 then(packed(ONE, "--destination", "{W}\\never", "--question", "never asked",
                             name="inner.exe"), packed([("z.txt", README)], name="outer.exe")),
                 ["ok {W}\\named"], tail=["/o", '"{W}\\pkg\\inner.exe"'], package="pkg/outer.exe"))
    add(Scenario("named-plain-cabinet", then(packed(ONE, name="outer.exe"),
                                             plain_cabinet(TWO)),
                 ["ok {W}\\cabout", "ok"], tail=['"{W}\\pkg\\data.cab"'], package="pkg/outer.exe"))
    add(Scenario("named-package-missing", packed(ONE, name="outer.exe"), ["ok"],
                 tail=['"{W}\\pkg\\nothing.exe"'], package="pkg/outer.exe"))
    add(Scenario("named-package-and-destination",
                 then(packed(ONE, name="outer.exe"), plain_cabinet(TWO)),
                 ["ok"], tail=['"{W}\\pkg\\data.cab"', '"{W}\\given"'], package="pkg/outer.exe"))
    add(Scenario("options-no-open-folder", headerless(TWO), ["ok"], tail=["/N"]))
    add(Scenario("options-skip-dialog-auto-confirm", then(headerless(TWO),
                                                          existing([("pkg/a.txt", b"old")])),
                 tail=["/h", "/O"]))
    add(Scenario("options-after-an-unquoted-program-name", headerless(TWO), ["ok"],
                 tail=["/N", "/o"], emulator_options=["--unquoted-program"]))
    add(Scenario("options-unknown-letters", headerless(ONE), ["ok"], tail=["/x", "/Q", "/e"]))
    add(Scenario("options-setup-quoted", then(headerless(ONE), recorder_in("pkg/setup.exe")),
                 ["ok"], tail=['/E:"setup.exe /s /n"', "/H"], expect_launch=True))
    add(Scenario("options-setup-unquoted-delete-after",
                 then(headerless(TWO), recorder_in("pkg/setup.exe")),
                 ["ok"], tail=["/E:setup.exe", "/D", "/H"], expect_launch=True))
    add(Scenario("options-unquoted-package-then-option",
                 then(packed(ONE, name="outer.exe"), plain_cabinet(TWO)),
                 ["ok {W}\\cabout", "ok"], tail=["{W}\\pkg\\data.cab", "/o"],
                 package="pkg/outer.exe"))
    add(Scenario("options-option-then-unquoted-package",
                 then(packed(ONE, name="outer.exe"), plain_cabinet(TWO)),
                 ["ok {W}\\cabout", "ok"], tail=["/N", "{W}\\pkg\\data.cab"],
                 package="pkg/outer.exe"))
    # The setup launch: recorded by both sides, never run by the emulator.
    add(Scenario("setup-with-parameters",
                 with_recorded_setup(TWO, *QUIET, "--setup", "setup.exe /quiet now"),
                 expect_launch=True))
    add(Scenario("setup-quoted-parameters",
                 with_recorded_setup(TWO, *QUIET, "--setup", 'setup.exe "a b" "" x"y z"'),
                 expect_launch=True))
    add(Scenario("setup-backslash-in-parameters-moves-its-folder",
                 with_recorded_setup(ONE, *QUIET, "--setup", "setup.exe c:\\x")))
    add(Scenario("setup-delete-after",
                 with_recorded_setup(TWO + [("keep/d.txt", README), (".hidden/c.txt", README)],
                                     *QUIET, "--setup", "setup.exe", "--delete-after-setup"),
                 expect_launch=True))
    add(Scenario("setup-temp-own-folder",
                 with_recorded_setup(ONE, "--destination", "%temp%", "--no-dialog",
                                     "--auto-confirm", "--setup", "setup.exe",
                                     "--delete-after-setup"),
                 expect_launch=True))
    add(Scenario("setup-in-subfolder",
                 then(tree([("a.txt", README)]), recorder_in("src/bin/setup.exe"),
                      lambda ws: ws.pack("setup1.exe", [fill(ws, o) for o in QUIET] +
                                         ["--setup", "bin\\setup.exe /x"], [ws.host("src")])),
                 expect_launch=True))
    add(Scenario("setup-inf-through-rundll32",
                 then(packed([("app.inf", b"[Version]\r\n")], *QUIET, "--setup", "app.inf"),
                      recorder_in("win/system32/rundll32.exe")),
                 expect_launch=True))
    add(Scenario("setup-document-without-opener", packed(ONE, *QUIET, "--setup", "a.txt")))
    add(Scenario("setup-missing-program", packed(ONE, *QUIET, "--setup", "absent.exe")))
    add(Scenario("setup-cancelled-extraction",
                 with_recorded_setup([("big.bin", BIG)], *QUIET, "--setup", "setup.exe",
                                     "--delete-after-setup"), ["stop 2"]))
    # Program paths outside ASCII: the stub sees them in the ANSI code page.
    cp1252_folder = "pkg/\u00dcn\u00efc\u00f6d\u00e9 \u00f1"
    add(Scenario("path-cp1252", packed(TWO, folder=cp1252_folder, name="caf\u00e9.exe"),
                 ["ok", "ok"], package=cp1252_folder + "/caf\u00e9.exe"))
    cp932_folder = "pkg/\u8868\u793a\u30d5\u30a9\u30eb\u30c0"
    add(Scenario("path-cp932", packed(TWO, "--codepage", "932", folder=cp932_folder,
                                      name="\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7.exe"),
                 ["ok"], package=cp932_folder + "/\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7.exe",
                 lang="ja"))
    add(Scenario("path-cp932-typed-subfolder",
                 packed(ONE, "--codepage", "932", folder=cp932_folder),
                 ["ok \u8868\u793a\\\u30bd", "ok"], package=cp932_folder + "/setup1.exe",
                 lang="ja"))
    add(Scenario("japanese-replace-dialog",
                 then(packed([(JA_NAME, README)], *REPLACE_HEADER, "--codepage", "932"),
                      existing([("out/" + JA_NAME, b"old")])),
                 ["yes"], lang="ja"))
    add(Scenario("japanese-messages", packed(ONE, "--codepage", "932"),
                 ["ok {W}\\\u65b0\u898f", "cancel"], lang="ja"))
    return s


def corpus_scenarios(corpus):
    """Every case's cabinet (a set's first one, a package's own cabinet) in a package of the
    stub, extracted without questions; the other files of the case lie beside the package."""
    scenarios = []
    for entry in sorted(os.listdir(corpus)):
        meta = os.path.join(corpus, entry, "case.json")
        if not os.path.isfile(meta):
            continue
        with open(meta, encoding="utf-8") as data_file:
            case = json.load(data_file)
        scenarios.append(Scenario("corpus-" + entry, corpus_package(os.path.join(corpus, entry),
                                                                    case["open"])))
    return scenarios


def corpus_package(case_folder, opened):
    def prepare(ws):
        for name in os.listdir(case_folder):
            if name not in ("case.json", opened):
                shutil.copy(os.path.join(case_folder, name), ws.host("pkg/" + name))
        cabinet = os.path.join(case_folder, opened)
        if opened.endswith(".exe"):
            info = subprocess.run([ws.tool, "info", cabinet], capture_output=True, text=True).stdout
            offset = [int(line.split(":")[1]) for line in info.splitlines()
                      if line.startswith("cabinetOffset:")][0]
            with open(cabinet, "rb") as package:
                package.seek(offset)
                ws.write("cab.tmp", package.read())
            cabinet = ws.host("cab.tmp")
        options = [fill(ws, o) for o in QUIET] + ["--no-open-folder"]
        try:
            ws.pack("setup1.exe", options + ["--cab", cabinet], [])
        except subprocess.CalledProcessError:
            # What pack refuses as no cabinet is appended as it is, behind a header made for
            # an empty one.
            ws.write("empty/none.txt", b"")
            path = ws.pack("setup1.exe", options + ["--no-crc"], [ws.host("empty")])
            end = image_end(ws, path) + 512
            with open(path, "r+b") as package, open(cabinet, "rb") as raw:
                package.truncate(end)
                package.seek(end)
                package.write(raw.read())
            shutil.rmtree(ws.host("empty"))
    return prepare
