"""The emulated Windows around the image: the ANSI code page, drives mapped onto host folders, the
process's handles, and the configuration a Windows machine would have (folders, shell folders)."""

import datetime
import os
import stat
import time
import zoneinfo

ERROR_FILE_NOT_FOUND = 2
ERROR_PATH_NOT_FOUND = 3
ERROR_ACCESS_DENIED = 5
ERROR_INVALID_HANDLE = 6
ERROR_NO_MORE_FILES = 18
ERROR_DIR_NOT_EMPTY = 145
ERROR_ALREADY_EXISTS = 183

FILE_ATTRIBUTE_READONLY = 0x01
FILE_ATTRIBUTE_DIRECTORY = 0x10
FILE_ATTRIBUTE_ARCHIVE = 0x20
FILE_ATTRIBUTE_NORMAL = 0x80
INVALID = 0xFFFFFFFF

EPOCH_DIFFERENCE = 11644473600  # seconds from 1601-01-01 to 1970-01-01


class Config:
    """What the emulated machine is given: its code page and language, where its drives lie, and
    the folders a Windows installation names."""

    def __init__(self):
        self.codepage = 1252
        self.language = "en"
        self.drives = {"Z": b"/"}
        self.current_folder = None  # Windows form; default: host_cwd's
        self.host_cwd = os.getcwd().encode()
        self.temp = None            # host folders
        self.windows = None
        self.system = None
        self.desktop = None
        self.documents = None
        self.process_run_ms = 300   # how long a started program runs, in the process's time
        self.time_zone = None       # IANA name; None: the host's


class System:
    def __init__(self, machine, image, config, script, package_windows_path, tail, quoted=True):
        self.m = machine
        self.image = image
        self.config = config
        self.script = script
        self.codec = "cp%d" % config.codepage
        self.language = 0x11 if config.language == "ja" else 0x09
        self.module_path = package_windows_path  # ANSI bytes
        command = b'"' + package_windows_path + b'"' if quoted else package_windows_path
        if tail:
            command += b" " + tail
        self.command_line = machine.static_string(command)
        self.last_error = 0
        self.errno_address = machine.alloc(4)
        self.handles = {}
        self.next_handle = 0x100
        self.fds = {}
        self.attributes = {}   # host path -> attribute bits the host file system cannot hold
        self.clock_ms = 0      # the process's time, moved on by Sleep
        self.last_shown_ms = 0  # when a modeless window last showed something
        self.launches = []
        self.windows = {}
        self.sent = []         # messages sent across threads, waiting for the owner's loop
        self.pending_browse = None
        self.browser_window = 0x7E0000
        self.items = set()       # item lists the folder browser handed out
        self.icons = set()       # icons handed out and not destroyed yet
        self.icons_made = 0
        self.files_shown = 0     # file names the progress window has shown
        self.common_controls = False
        if config.current_folder is None:
            config.current_folder = self.windows_path(config.host_cwd)

    # ---- text --------------------------------------------------------------------------------
    def ansi_text(self, data):
        return data.decode(self.codec, "surrogateescape") if data is not None else ""

    def ansi_bytes(self, text, errors="replace"):
        return text.encode(self.codec, errors)

    def utf8(self, data):
        """ANSI bytes as the transcript shows them."""
        return self.ansi_text(data).encode("utf-8", "surrogateescape").decode("utf-8", "replace")

    # ---- paths -------------------------------------------------------------------------------
    def full_path(self, path):
        """The absolute Windows form of an ANSI path (bytes), with "." and ".." steps resolved.
        None for forms this machine has no drive for."""
        text = self.ansi_text(path).replace("/", "\\")
        current = self.ansi_text(self.config.current_folder)
        if text.startswith("\\\\"):
            return None
        if len(text) >= 2 and text[1] == ":":
            drive, rest = text[0].upper(), text[2:]
            if not rest.startswith("\\"):
                base = current if current[0].upper() == drive else drive + ":\\"
                rest = base[2:].rstrip("\\") + "\\" + rest
        elif text.startswith("\\"):
            drive, rest = current[0].upper(), text
        else:
            drive, rest = current[0].upper(), current[2:].rstrip("\\") + "\\" + text
        parts = []
        for part in rest.split("\\"):
            if part in ("", "."):
                continue
            if part == "..":
                if parts:
                    parts.pop()
                continue
            # The system drops trailing dots and blanks of each name.
            parts.append(part.rstrip(". ") or part)
        trailing = "\\" if text.endswith("\\") and parts else ""
        return self.ansi_bytes(drive + ":\\" + "\\".join(parts) + trailing, "surrogateescape")

    def host_path(self, path):
        """The host path (bytes) of an ANSI Windows path, None when no drive maps it."""
        full = self.full_path(path)
        if full is None:
            return None
        text = self.ansi_text(full)
        root = self.config.drives.get(text[0].upper())
        if root is None:
            return None
        rest = text[3:].rstrip("\\").replace("\\", "/").encode("utf-8", "surrogateescape")
        return root.rstrip(b"/") + b"/" + rest if rest else root

    def windows_path(self, host):
        """The Windows form (ANSI bytes) of a host path on a mapped drive."""
        host = os.path.abspath(host)
        best = None
        for drive, root in self.config.drives.items():
            root = root.rstrip(b"/")
            if host == root or host.startswith(root + b"/") or root == b"":
                if best is None or len(root) > len(best[1]):
                    best = (drive, root)
        if best is None:
            return None
        rest = host[len(best[1]):].lstrip(b"/").decode("utf-8", "surrogateescape")
        return self.ansi_bytes(best[0] + ":\\" + rest.replace("/", "\\"), "surrogateescape")

    # ---- handles and errors ------------------------------------------------------------------
    def new_handle(self, thing):
        handle = self.next_handle
        self.next_handle += 4
        self.handles[handle] = thing
        return handle

    def fail(self, error, result=0):
        self.last_error = error
        return result

    def set_errno(self, value):
        self.m.put32(self.errno_address, value)

    # ---- times -------------------------------------------------------------------------------
    @staticmethod
    def filetime_of_ns(ns):
        return ns // 100 + EPOCH_DIFFERENCE * 10_000_000

    @staticmethod
    def ns_of_filetime(filetime):
        return (filetime - EPOCH_DIFFERENCE * 10_000_000) * 100

    def local_bias_seconds(self):
        """The difference local time minus UTC in force now: the system converts every file
        time with the current bias, not the one in force at that time."""
        if self.config.time_zone:
            zone = zoneinfo.ZoneInfo(self.config.time_zone)
            return int(datetime.datetime.now(zone).utcoffset().total_seconds())
        return time.localtime().tm_gmtoff

    # ---- files -------------------------------------------------------------------------------
    def file_attributes(self, host):
        try:
            info = os.stat(host)
        except OSError:
            return None
        if stat.S_ISDIR(info.st_mode):
            bits = FILE_ATTRIBUTE_DIRECTORY
        else:
            bits = self.attributes.get(host, FILE_ATTRIBUTE_ARCHIVE) & ~FILE_ATTRIBUTE_READONLY
        if not info.st_mode & 0o200:
            bits |= FILE_ATTRIBUTE_READONLY
        return bits or FILE_ATTRIBUTE_NORMAL

    def missing_error(self, host):
        parent = os.path.dirname(host)
        return ERROR_FILE_NOT_FOUND if os.path.isdir(parent) else ERROR_PATH_NOT_FOUND


class Window:
    """A dialog of the image (its template and procedure) or a control created at run time."""

    def __init__(self, handle, template_id, procedure, thread, template, modeless, texts):
        self.handle = handle
        self.template_id = template_id
        self.procedure = procedure
        self.thread = thread
        self.modeless = modeless
        self.alive = True
        self.end_result = None
        self.caption = template.caption if template else ""
        self.controls = {}
        if template:
            for ident, cls, text, style in template.controls:
                self.controls[ident] = {"text": texts(text), "checked": False, "icon": 0,
                                        "class": cls}
                # A box without a title bar is known by its first text (0x82: a static).
                if not self.caption and cls == 0x82 and text:
                    self.caption = text
        self.progress = [0, 0]  # position, maximum of its progress bar

    def control(self, ident):
        return self.controls.get(ident)
