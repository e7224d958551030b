"""msvcrt: the low-level file calls, the heap, and the string and formatting functions (cdecl)."""

import errno as host_errno
import os
import re

from .registry_of_apis import api, native
from .system import FILE_ATTRIBUTE_READONLY

CRT = "msvcrt.dll"
EBADF, ENOENT, EACCES, EEXIST, EINVAL = 9, 2, 13, 17, 22

O_WRONLY, O_RDWR, O_APPEND = 0x1, 0x2, 0x8
O_CREAT, O_TRUNC, O_EXCL = 0x100, 0x200, 0x400
S_IWRITE = 0x80


class Descriptor:
    def __init__(self, fd, host, append):
        self.fd, self.host, self.append = fd, host, append


def _fail(s, code):
    s.set_errno(code)
    return 0xFFFFFFFF


@api(CRT, "_errno", 0, cdecl=True)
def crt_errno(s):
    return s.errno_address


@api(CRT, "_open", 3, cdecl=True)
def crt_open(s, path, flags, mode):
    host = s.host_path(s.m.cstring(path))
    if host is None:
        return _fail(s, ENOENT)
    exists = os.path.exists(host)
    if exists and flags & O_CREAT and flags & O_EXCL:
        return _fail(s, EEXIST)
    if os.path.isdir(host):
        return _fail(s, EACCES)
    if not exists and not flags & O_CREAT:
        return _fail(s, ENOENT)
    if not exists and not os.path.isdir(os.path.dirname(host)):
        return _fail(s, ENOENT)
    writing = flags & (O_WRONLY | O_RDWR) or flags & O_TRUNC
    if exists and writing and s.file_attributes(host) & FILE_ATTRIBUTE_READONLY:
        return _fail(s, EACCES)
    access = os.O_RDWR if flags & O_RDWR else os.O_WRONLY if flags & O_WRONLY else os.O_RDONLY
    host_flags = access | (os.O_CREAT if flags & O_CREAT else 0) | (os.O_TRUNC if flags & O_TRUNC else 0)
    # A file created without the write permission is read-only once it exists; this handle
    # may still write it.
    create_mode = 0o644 if mode & S_IWRITE else 0o444
    try:
        fd = os.open(host, host_flags, create_mode)
    except OSError as error:
        return _fail(s, {host_errno.ENOENT: ENOENT, host_errno.EACCES: EACCES}.get(error.errno, EINVAL))
    number = 3
    while number in s.fds:
        number += 1
    s.fds[number] = Descriptor(fd, host, bool(flags & O_APPEND))
    return number


def _descriptor(s, number):
    return s.fds.get(number)


@api(CRT, "_read", 3, cdecl=True)
def crt_read(s, number, buffer, count):
    d = _descriptor(s, number)
    if not d:
        return _fail(s, EBADF)
    try:
        data = os.read(d.fd, count)
    except OSError:
        return _fail(s, EBADF)
    s.m.write(buffer, data)
    return len(data)


@api(CRT, "_write", 3, cdecl=True)
def crt_write(s, number, buffer, count):
    d = _descriptor(s, number)
    if not d:
        return _fail(s, EBADF)
    if d.append:
        os.lseek(d.fd, 0, os.SEEK_END)
    try:
        return os.write(d.fd, s.m.read(buffer, count))
    except OSError:
        return _fail(s, EBADF)


@api(CRT, "_lseek", 3, cdecl=True)
def crt_lseek(s, number, offset, origin):
    d = _descriptor(s, number)
    if not d:
        return _fail(s, EBADF)
    offset = offset - (1 << 32) if offset & 0x80000000 else offset
    if origin not in (0, 1, 2):
        return _fail(s, EINVAL)
    target = {0: 0, 1: os.lseek(d.fd, 0, os.SEEK_CUR), 2: os.fstat(d.fd).st_size}[origin] + offset
    if target < 0 or target > 0x7FFFFFFF:
        return _fail(s, EINVAL)
    return os.lseek(d.fd, target, os.SEEK_SET)


@api(CRT, "_tell", 1, cdecl=True)
def crt_tell(s, number):
    d = _descriptor(s, number)
    return os.lseek(d.fd, 0, os.SEEK_CUR) if d else _fail(s, EBADF)


@api(CRT, "_filelength", 1, cdecl=True)
def crt_filelength(s, number):
    d = _descriptor(s, number)
    return os.fstat(d.fd).st_size if d else _fail(s, EBADF)


@api(CRT, "_close", 1, cdecl=True)
def crt_close(s, number):
    d = s.fds.pop(number, None)
    if not d:
        return _fail(s, EBADF)
    os.close(d.fd)
    return 0


# ---- heap --------------------------------------------------------------------------------------
@api(CRT, "malloc", 1, cdecl=True)
def crt_malloc(s, size):
    return s.m.alloc(size, zero=False)


@api(CRT, "free", 1, cdecl=True)
def crt_free(s, address):
    s.m.free(address)


@api(CRT, "realloc", 2, cdecl=True)
def crt_realloc(s, address, size):
    if not address:
        return s.m.alloc(size, zero=False)
    old = s.m.heap_blocks.get(address)
    if old is None:
        s.m.free(address, "realloc")
    if size == 0:
        s.m.free(address, "realloc")
        return 0
    new = s.m.alloc(size, zero=False)
    if new:
        s.m.write(new, s.m.read(address, min(old, size)))
        s.m.free(address, "realloc")
    return new


# ---- strings -----------------------------------------------------------------------------------
@api(CRT, "memchr", 3, cdecl=True)
def crt_memchr(s, address, value, count):
    found = s.m.read(address, count).find(bytes([value & 0xFF])) if count else -1
    return address + found if found >= 0 else 0


@api(CRT, "memcmp", 3, cdecl=True)
def crt_memcmp(s, a, b, count):
    x, y = s.m.read(a, count), s.m.read(b, count)
    return 0 if x == y else (1 if x > y else 0xFFFFFFFF)


# memmove(target, source, count) in x86: rep movsb forwards, or backwards when the target
# overlaps the source from above.
native(CRT, "memmove", bytes.fromhex(
    "56 57 8B7C240C 8B742410 8B4C2414 89F8"    # save; edi = target, esi = source, ecx = count
    "39F7 7615"                                # target <= source: forwards
    "8D140E 39D7 730E"                         # target >= source + count: forwards
    "8D740EFF 8D7C0FFF FD F3A4 FC EB03"        # backwards from the last byte
    "FC F3A4"                                  # forwards
    "5F 5E C3"))


@api(CRT, "strlen", 1, cdecl=True)
def crt_strlen(s, address):
    return len(s.m.cstring(address))


@api(CRT, "strcpy", 2, cdecl=True)
def crt_strcpy(s, target, source):
    s.m.write(target, s.m.cstring(source) + b"\0")
    return target


@api(CRT, "strncpy", 3, cdecl=True)
def crt_strncpy(s, target, source, count):
    data = s.m.cstring(source, limit=count + 64)[:count]
    s.m.write(target, data.ljust(count, b"\0"))
    return target


@api(CRT, "strcat", 2, cdecl=True)
def crt_strcat(s, target, source):
    s.m.write(target + len(s.m.cstring(target)), s.m.cstring(source) + b"\0")
    return target


@api(CRT, "strcmp", 2, cdecl=True)
def crt_strcmp(s, a, b):
    x, y = s.m.cstring(a), s.m.cstring(b)
    return 0 if x == y else (1 if x > y else 0xFFFFFFFF)


@api(CRT, "strchr", 2, cdecl=True)
def crt_strchr(s, address, value):
    text = s.m.cstring(address) + b"\0"
    found = text.find(bytes([value & 0xFF]))
    return address + found if found >= 0 else 0


@api(CRT, "strrchr", 2, cdecl=True)
def crt_strrchr(s, address, value):
    text = s.m.cstring(address) + b"\0"
    found = text.rfind(bytes([value & 0xFF]))
    return address + found if found >= 0 else 0


@api(CRT, "strstr", 2, cdecl=True)
def crt_strstr(s, haystack, needle):
    found = s.m.cstring(haystack).find(s.m.cstring(needle))
    return haystack + found if found >= 0 else 0


@api(CRT, "toupper", 1, cdecl=True)
def crt_toupper(s, value):
    return value - 32 if ord("a") <= value <= ord("z") else value


CONVERSION = re.compile(rb"%([-+ 0#]*)(\*|\d+)?(?:\.(\*|\d+))?(hh|h|ll|l|I64|I32|I)?([diouxXcsp%])")


def format_text(s, template, arguments):
    """printf formatting over 32-bit stack arguments (the C locale)."""
    out = bytearray()
    position = 0
    index = 0

    def next_word():
        nonlocal index
        value = s.m.u32(arguments + 4 * index)
        index += 1
        return value

    for match in CONVERSION.finditer(template):
        out += template[position: match.start()]
        position = match.end()
        flags, width, precision, size, kind = match.groups()
        if kind == b"%":
            out += b"%"
            continue
        width = next_word() if width == b"*" else int(width) if width else 0
        precision = next_word() if precision == b"*" else int(precision) if precision is not None else None
        if kind == b"s":
            address = next_word()
            text = s.m.cstring(address) if address else b"(null)"
            if precision is not None:
                text = text[:precision]
        elif kind == b"c":
            text = bytes([next_word() & 0xFF])
        else:
            value = next_word()
            if size in (b"ll", b"I64"):
                value |= next_word() << 32
                bits = 64
            else:
                bits = 32
            if size == b"h":
                value &= 0xFFFF
                bits = 16
            if kind in b"di" and value >> (bits - 1):
                value -= 1 << bits
            if kind == b"p":
                text = b"%08X" % value
            else:
                text = ("%" + flags.decode().replace("0", "") +
                        ("." + str(precision) if precision is not None else "") +
                        {"i": "d", "u": "d"}.get(kind.decode(), kind.decode())) % value
                text = text.encode()
        if width and len(text) < width:
            pad = b"0" if b"0" in flags and b"-" not in flags and kind not in b"sc" else b" "
            if b"-" in flags:
                text = text.ljust(width)
            elif pad == b"0" and text[:1] in (b"-", b"+", b" "):
                text = text[:1] + text[1:].rjust(width - 1, b"0")
            else:
                text = text.rjust(width, pad)
        out += text
    out += template[position:]
    return bytes(out)


@api(CRT, "_vsnprintf", 4, cdecl=True)
def crt_vsnprintf(s, buffer, count, template, arguments):
    text = format_text(s, s.m.cstring(template), arguments)
    if len(text) > count:
        s.m.write(buffer, text[:count])
        return 0xFFFFFFFF
    s.m.write(buffer, text + (b"\0" if len(text) < count else b""))
    return len(text)
