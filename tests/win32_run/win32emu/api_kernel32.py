"""kernel32: process, threads and waiting, files and folders, times, memory, code pages."""

import fnmatch
import os
import stat
import struct

from .machine import Block, EmulationError, ProcessExit
from .registry_of_apis import api
from .system import (ERROR_ACCESS_DENIED, ERROR_ALREADY_EXISTS, ERROR_DIR_NOT_EMPTY,
                     ERROR_FILE_NOT_FOUND, ERROR_INVALID_HANDLE, ERROR_NO_MORE_FILES,
                     ERROR_PATH_NOT_FOUND, FILE_ATTRIBUTE_DIRECTORY,
                     FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY, INVALID)

K32 = "KERNEL32.dll"
INFINITE = 0xFFFFFFFF
WAIT_TIMEOUT = 258
STILL_ACTIVE = 259
KERNEL32_MODULE = 0x7C800000
SHELL32_MODULE = 0x7C900000


class ThreadObject:
    def __init__(self, thread):
        self.thread = thread


class ProcessObject:
    def __init__(self, ends_at):
        self.ends_at = ends_at


class FileObject:
    def __init__(self, fd, host, writable):
        self.fd, self.host, self.writable = fd, host, writable


class FindObject:
    def __init__(self, entries):
        self.entries = entries


# ---- process and modules ---------------------------------------------------------------------
@api(K32, "ExitProcess", 1)
def exit_process(s, code):
    raise ProcessExit(code)


@api(K32, "GetCommandLineA", 0)
def get_command_line(s):
    return s.command_line


@api(K32, "GetModuleHandleA", 1)
def get_module_handle_a(s, name):
    if not name:
        return s.image.base
    return {b"kernel32.dll": KERNEL32_MODULE, b"kernel32": KERNEL32_MODULE}.get(
        s.m.cstring(name).lower(), s.fail(126))


@api(K32, "GetModuleHandleW", 1)
def get_module_handle_w(s, name):
    if not name:
        return s.image.base
    return {"kernel32.dll": KERNEL32_MODULE}.get(s.m.wstring(name).lower(), s.fail(126))


@api(K32, "GetModuleFileNameA", 3)
def get_module_file_name(s, module, buffer, size):
    if module not in (0, s.image.base):
        return s.fail(126)
    name = s.module_path
    if len(name) >= size:
        if size:
            s.m.write(buffer, name[: size - 1] + b"\0")
        s.last_error = 122
        return size
    s.m.write(buffer, name + b"\0")
    return len(name)


@api(K32, "LoadLibraryA", 1)
def load_library(s, name):
    text = s.m.cstring(name).lower()
    if text in (b"shell32.dll", b"shell32"):
        return SHELL32_MODULE
    if text in (b"kernel32.dll", b"kernel32"):
        return KERNEL32_MODULE
    return s.fail(126)


@api(K32, "FreeLibrary", 1)
def free_library(s, module):
    return 1 if module in (SHELL32_MODULE, KERNEL32_MODULE) else s.fail(ERROR_INVALID_HANDLE)


def _set_default_dll_directories(s, flags):
    return 1


def _set_dll_directory(s, path):
    return 1


@api(K32, "GetProcAddress", 2)
def get_proc_address(s, module, name):
    if module != KERNEL32_MODULE or name < 0x10000:
        raise EmulationError("GetProcAddress of an unmodelled function")
    text = s.m.cstring(name).decode("ascii")
    found = {"SetDefaultDllDirectories": (1, _set_default_dll_directories),
             "SetDllDirectoryA": (1, _set_dll_directory)}.get(text)
    if not found:
        raise EmulationError("unhandled import %s!%s (through GetProcAddress)" % (K32, text))
    key = (K32.lower(), text)
    if key not in s.m.api_by_name:
        s.m.register(K32, text, found[0], lambda m, args: found[1](s, *args))
    return s.m.api_by_name[key]


@api(K32, "VirtualQuery", 3)
def virtual_query(s, address, info, size):
    region = s.image.region_of(address)
    if not region or size < 28:
        return 0
    start, length = region
    protect = 0x02 if start == s.image.base else 0x04
    s.m.write(info, struct.pack("<7I", start, s.image.base, 0x80, length, 0x1000, protect,
                                0x1000000))
    return 28


# ---- threads, processes, waiting ---------------------------------------------------------------
@api(K32, "CreateThread", 6)
def create_thread(s, attributes, stack_size, start, parameter, flags, thread_id):
    if flags & 4:
        raise EmulationError("CreateThread suspended is not modelled")
    handle = s.new_handle(None)
    thread = s.m.new_thread(handle, start, parameter)
    s.handles[handle] = ThreadObject(thread)
    if thread_id:
        s.m.put32(thread_id, thread.number + 1)
    return handle


@api(K32, "CloseHandle", 1)
def close_handle(s, handle):
    thing = s.handles.pop(handle, None)
    if thing is None:
        return s.fail(ERROR_INVALID_HANDLE)
    if isinstance(thing, FileObject):
        os.close(thing.fd)
    return 1


@api(K32, "WaitForSingleObject", 2)
def wait_for_single_object(s, handle, milliseconds):
    thing = s.handles.get(handle)
    if isinstance(thing, ThreadObject):
        if thing.thread.state == "done":
            return 0
        if milliseconds != INFINITE:
            raise EmulationError("a timed wait on a thread is not modelled")
        yield Block(lambda: (thing.thread.state == "done", None), "thread %d to end" % thing.thread.number)
        return 0
    if isinstance(thing, ProcessObject):
        if s.clock_ms >= thing.ends_at:
            return 0
        if milliseconds != INFINITE and s.clock_ms + milliseconds < thing.ends_at:
            s.clock_ms += milliseconds
            return WAIT_TIMEOUT
        s.clock_ms = thing.ends_at
        return 0
    return s.fail(ERROR_INVALID_HANDLE, INVALID)


@api(K32, "GetExitCodeProcess", 2)
def get_exit_code_process(s, handle, code):
    thing = s.handles.get(handle)
    if not isinstance(thing, ProcessObject):
        return s.fail(ERROR_INVALID_HANDLE)
    s.m.put32(code, 0 if s.clock_ms >= thing.ends_at else STILL_ACTIVE)
    return 1


PATIENCE_MS = 30_000
TIME_LIMIT_MS = 3_600_000


@api(K32, "Sleep", 1)
def sleep(s, milliseconds):
    s.clock_ms += milliseconds
    if s.clock_ms > TIME_LIMIT_MS:
        raise EmulationError("the process slept for more than an hour of its time")
    from .api_user32 import user_gives_up
    user_gives_up(s, PATIENCE_MS)
    # Gives up the rest of the time slice: another thread that can go on runs first.
    yield Block(lambda: (True, None), "sleep")


# ---- files and folders -------------------------------------------------------------------------
def _host(s, path_address):
    return s.host_path(s.m.cstring(path_address))


@api(K32, "CreateFileA", 7)
def create_file(s, name, access, share, security, disposition, flags, template):
    host = _host(s, name)
    if host is None:
        return s.fail(ERROR_PATH_NOT_FOUND, INVALID)
    exists = os.path.exists(host)
    if os.path.isdir(host):
        return s.fail(ERROR_ACCESS_DENIED, INVALID)
    writing = bool(access & 0x40000000)
    if disposition == 1 and exists:
        return s.fail(80, INVALID)
    if disposition in (3, 5) and not exists:
        return s.fail(s.missing_error(host), INVALID)
    if exists and (writing or disposition in (2, 5)):
        if s.file_attributes(host) & FILE_ATTRIBUTE_READONLY:
            return s.fail(ERROR_ACCESS_DENIED, INVALID)
    if not exists and not os.path.isdir(os.path.dirname(host)):
        return s.fail(ERROR_PATH_NOT_FOUND, INVALID)
    mode = os.O_RDWR if writing else os.O_RDONLY
    if disposition in (1, 2, 4):
        mode |= os.O_CREAT
    if disposition in (2, 5):
        mode |= os.O_TRUNC
    fd = os.open(host, mode, 0o644)
    return s.new_handle(FileObject(fd, host, writing))


def _file(s, handle):
    thing = s.handles.get(handle)
    return thing if isinstance(thing, FileObject) else None


@api(K32, "GetFileSize", 2)
def get_file_size(s, handle, high):
    file = _file(s, handle)
    if not file:
        return s.fail(ERROR_INVALID_HANDLE, INVALID)
    size = os.fstat(file.fd).st_size
    if high:
        s.m.put32(high, size >> 32)
    return size & 0xFFFFFFFF


@api(K32, "GetFileTime", 4)
def get_file_time(s, handle, creation, access, write):
    file = _file(s, handle)
    if not file:
        return s.fail(ERROR_INVALID_HANDLE)
    info = os.fstat(file.fd)
    for address, ns in ((creation, info.st_mtime_ns), (access, info.st_atime_ns),
                        (write, info.st_mtime_ns)):
        if address:
            s.m.write(address, struct.pack("<Q", s.filetime_of_ns(ns)))
    return 1


@api(K32, "SetFileTime", 4)
def set_file_time(s, handle, creation, access, write):
    file = _file(s, handle)
    if not file or not file.writable:
        return s.fail(ERROR_ACCESS_DENIED if file else ERROR_INVALID_HANDLE)
    info = os.fstat(file.fd)
    atime, mtime = info.st_atime_ns, info.st_mtime_ns
    if access:
        atime = s.ns_of_filetime(struct.unpack("<Q", s.m.read(access, 8))[0])
    if write:
        mtime = s.ns_of_filetime(struct.unpack("<Q", s.m.read(write, 8))[0])
    os.utime(file.fd, ns=(atime, mtime))
    return 1


@api(K32, "GetFileAttributesA", 1)
def get_file_attributes(s, name):
    host = _host(s, name)
    bits = s.file_attributes(host) if host is not None else None
    if bits is None:
        return s.fail(ERROR_FILE_NOT_FOUND if host is None else s.missing_error(host), INVALID)
    return bits


@api(K32, "SetFileAttributesA", 2)
def set_file_attributes(s, name, bits):
    host = _host(s, name)
    if host is None or not os.path.exists(host):
        return s.fail(ERROR_FILE_NOT_FOUND)
    if bits == FILE_ATTRIBUTE_NORMAL:
        bits = 0
    mode = os.stat(host).st_mode
    if bits & FILE_ATTRIBUTE_READONLY:
        os.chmod(host, mode & ~0o222)
    else:
        os.chmod(host, mode | 0o200)
    if not os.path.isdir(host):
        s.attributes[host] = bits & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)
    return 1


@api(K32, "DeleteFileA", 1)
def delete_file(s, name):
    host = _host(s, name)
    if host is None or not os.path.lexists(host):
        return s.fail(ERROR_FILE_NOT_FOUND)
    if os.path.isdir(host) or s.file_attributes(host) & FILE_ATTRIBUTE_READONLY:
        return s.fail(ERROR_ACCESS_DENIED)
    os.unlink(host)
    s.attributes.pop(host, None)
    return 1


@api(K32, "CreateDirectoryA", 2)
def create_directory(s, name, security):
    host = _host(s, name)
    if host is None:
        return s.fail(ERROR_PATH_NOT_FOUND)
    if os.path.lexists(host):
        return s.fail(ERROR_ALREADY_EXISTS)
    if not os.path.isdir(os.path.dirname(host)):
        return s.fail(ERROR_PATH_NOT_FOUND)
    os.mkdir(host)
    return 1


@api(K32, "RemoveDirectoryA", 1)
def remove_directory(s, name):
    host = _host(s, name)
    if host is None or not os.path.isdir(host):
        return s.fail(ERROR_FILE_NOT_FOUND)
    if os.listdir(host):
        return s.fail(ERROR_DIR_NOT_EMPTY)
    os.rmdir(host)
    return 1


def _find_data(s, address, name, host):
    info = os.lstat(host)
    bits = s.file_attributes(host) or FILE_ATTRIBUTE_NORMAL
    filetime = s.filetime_of_ns(info.st_mtime_ns)
    size = 0 if stat.S_ISDIR(info.st_mode) else info.st_size
    record = struct.pack("<IQQQIIII", bits, filetime, filetime, filetime, size >> 32,
                         size & 0xFFFFFFFF, 0, 0)
    ansi = s.ansi_bytes(name.decode("utf-8", "surrogateescape"), "surrogateescape")[:259]
    s.m.write(address, record + ansi.ljust(260, b"\0") + bytes(14))


@api(K32, "FindFirstFileA", 2)
def find_first_file(s, pattern, data):
    text = s.m.cstring(pattern)
    folder, _, mask = text.rpartition(b"\\")
    host = s.host_path(folder + b"\\" if folder else b".")
    if host is None or not os.path.isdir(host):
        return s.fail(ERROR_PATH_NOT_FOUND, INVALID)
    mask_text = s.ansi_text(mask).lower()
    if mask_text == "*.*":
        mask_text = "*"
    names = [b".", b".."] + sorted(os.listdir(host), key=lambda n: n.upper())
    entries = [n for n in names
               if fnmatch.fnmatchcase(n.decode("utf-8", "surrogateescape").lower(), mask_text)]
    entries = [(n, os.path.join(host, n) if n not in (b".", b"..") else host) for n in entries]
    if not entries:
        return s.fail(ERROR_FILE_NOT_FOUND, INVALID)
    name, path = entries.pop(0)
    _find_data(s, data, name, path)
    return s.new_handle(FindObject(entries))


@api(K32, "FindNextFileA", 2)
def find_next_file(s, handle, data):
    finder = s.handles.get(handle)
    if not isinstance(finder, FindObject):
        return s.fail(ERROR_INVALID_HANDLE)
    while finder.entries:
        name, path = finder.entries.pop(0)
        if os.path.lexists(path):
            _find_data(s, data, name, path)
            return 1
    return s.fail(ERROR_NO_MORE_FILES)


@api(K32, "FindClose", 1)
def find_close(s, handle):
    return 1 if isinstance(s.handles.pop(handle, None), FindObject) else s.fail(ERROR_INVALID_HANDLE)


def _deliver_path(s, text, buffer, size):
    """Writes a path the way the system's path functions do: its length when it fits, else the
    size needed including the NUL."""
    if len(text) + 1 > size:
        return len(text) + 1
    s.m.write(buffer, text + b"\0")
    return len(text)


def search_folders(s):
    folders = [s.module_path.rpartition(b"\\")[0], s.config.current_folder]
    for host in (s.config.system, s.config.windows):
        if host:
            folders.append(s.windows_path(host))
    return folders


def search_path(s, name):
    """The Windows path (ANSI) the default search order finds, or None."""
    if any(c in name for c in b"\\/:"):
        host = s.host_path(name)
        return s.full_path(name) if host is not None and os.path.isfile(host) else None
    for folder in search_folders(s):
        candidate = folder.rstrip(b"\\") + b"\\" + name
        host = s.host_path(candidate)
        if host is not None and os.path.isfile(host):
            return s.full_path(candidate)
    return None


@api(K32, "SearchPathA", 6)
def search_path_a(s, path, name, extension, size, buffer, file_part):
    if path:
        raise EmulationError("SearchPathA with an explicit path is not modelled")
    text = s.m.cstring(name)
    if extension and b"." not in text.rpartition(b"\\")[2]:
        text += s.m.cstring(extension)
    found = search_path(s, text)
    if not found:
        return s.fail(ERROR_FILE_NOT_FOUND)
    result = _deliver_path(s, found, buffer, size)
    if file_part and result < size:
        s.m.put32(file_part, buffer + found.rfind(b"\\") + 1)
    return result


@api(K32, "GetFullPathNameA", 4)
def get_full_path_name(s, name, size, buffer, file_part):
    # No check that the path exists; "." and ".." steps resolved, the current folder joined.
    text = s.m.cstring(name)
    full = text if text.startswith(b"\\\\") else s.full_path(text)
    result = _deliver_path(s, full, buffer, size)
    if file_part and result < size:
        last = full.rfind(b"\\") + 1
        s.m.put32(file_part, buffer + last if last < len(full) else 0)
    return result


@api(K32, "GetShortPathNameA", 3)
def get_short_path_name(s, long_name, buffer, size):
    # A volume without 8.3 names: the short form of an existing path is the path as written.
    text = s.m.cstring(long_name)
    host = s.host_path(text)
    if host is None or not os.path.exists(host):
        return s.fail(ERROR_FILE_NOT_FOUND)
    return _deliver_path(s, text, buffer, size)


def _folder(s, host, buffer, size, trailing):
    if not host:
        return 0
    text = s.windows_path(host).rstrip(b"\\")
    if trailing or text.endswith(b":"):
        text += b"\\"
    return _deliver_path(s, text, buffer, size)


@api(K32, "GetWindowsDirectoryA", 2)
def get_windows_directory(s, buffer, size):
    return _folder(s, s.config.windows, buffer, size, False)


@api(K32, "GetSystemDirectoryA", 2)
def get_system_directory(s, buffer, size):
    return _folder(s, s.config.system, buffer, size, False)


@api(K32, "GetTempPathA", 2)
def get_temp_path(s, size, buffer):
    return _folder(s, s.config.temp, buffer, size, True)


# ---- times -------------------------------------------------------------------------------------
def _filetime(s, address):
    return struct.unpack("<Q", s.m.read(address, 8))[0]


def _put_filetime(s, address, value):
    s.m.write(address, struct.pack("<Q", value))


@api(K32, "FileTimeToLocalFileTime", 2)
def file_time_to_local(s, source, target):
    _put_filetime(s, target, _filetime(s, source) + s.local_bias_seconds() * 10_000_000)
    return 1


@api(K32, "LocalFileTimeToFileTime", 2)
def local_to_file_time(s, source, target):
    _put_filetime(s, target, _filetime(s, source) - s.local_bias_seconds() * 10_000_000)
    return 1


DAYS = [31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31]


def _leap(year):
    return year % 4 == 0 and (year % 100 != 0 or year % 400 == 0)


def _days_before(year, month, day):
    """Days from 1601-01-01 to the date."""
    y = year - 1601
    days = y * 365 + y // 4 - y // 100 + y // 400
    days += sum(DAYS[: month - 1]) + (1 if month > 2 and _leap(year) else 0)
    return days + day - 1


@api(K32, "DosDateTimeToFileTime", 3)
def dos_date_time_to_file_time(s, date, time_word, target):
    year, month, day = 1980 + (date >> 9), (date >> 5) & 0xF, date & 0x1F
    hour, minute, second = time_word >> 11, (time_word >> 5) & 0x3F, (time_word & 0x1F) * 2
    days_in_month = DAYS[month - 1] + (1 if month == 2 and _leap(year) else 0) if 1 <= month <= 12 else 0
    if not (1 <= day <= days_in_month and hour < 24 and minute < 60 and second < 60):
        return s.fail(87)
    seconds = _days_before(year, month, day) * 86400 + hour * 3600 + minute * 60 + second
    _put_filetime(s, target, seconds * 10_000_000)
    return 1


@api(K32, "FileTimeToDosDateTime", 3)
def file_time_to_dos_date_time(s, source, date, time_word):
    seconds = _filetime(s, source) // 10_000_000
    days, rest = divmod(seconds, 86400)
    year = 1601
    while days >= (366 if _leap(year) else 365):
        days -= 366 if _leap(year) else 365
        year += 1
    if not 1980 <= year <= 2107:
        return s.fail(87)
    month = 1
    while True:
        length = DAYS[month - 1] + (1 if month == 2 and _leap(year) else 0)
        if days < length:
            break
        days -= length
        month += 1
    s.m.put16(date, (year - 1980) << 9 | month << 5 | (days + 1))
    s.m.put16(time_word, (rest // 3600) << 11 | (rest // 60 % 60) << 5 | (rest % 60) // 2)
    return 1


# ---- global memory -----------------------------------------------------------------------------
class GlobalBlock:
    def __init__(self, address, size):
        self.address, self.size, self.locks = address, size, 0


GMEM_MOVEABLE = 0x2
GMEM_ZEROINIT = 0x40


@api(K32, "GlobalAlloc", 2)
def global_alloc(s, flags, size):
    address = s.m.alloc(size)
    if not flags & GMEM_MOVEABLE:
        return address
    return s.new_handle(GlobalBlock(address, size))


@api(K32, "GlobalLock", 1)
def global_lock(s, handle):
    block = s.handles.get(handle)
    if isinstance(block, GlobalBlock):
        block.locks += 1
        return block.address
    return handle if handle in s.m.heap_blocks else s.fail(ERROR_INVALID_HANDLE)


@api(K32, "GlobalUnlock", 1)
def global_unlock(s, handle):
    block = s.handles.get(handle)
    if isinstance(block, GlobalBlock):
        if block.locks == 0:
            return s.fail(158)  # not locked
        block.locks -= 1
        return 1 if block.locks else s.fail(0)
    return 1 if handle in s.m.heap_blocks else s.fail(ERROR_INVALID_HANDLE)


@api(K32, "GlobalReAlloc", 3)
def global_realloc(s, handle, size, flags):
    block = s.handles.get(handle)
    if not isinstance(block, GlobalBlock):
        raise EmulationError("GlobalReAlloc of a fixed or unknown block 0x%08x" % handle)
    if block.locks and not flags & GMEM_MOVEABLE:
        return s.fail(8)
    address = s.m.alloc(size)
    s.m.write(address, s.m.read(block.address, min(size, block.size)))
    s.m.free(block.address, "GlobalReAlloc")
    block.address, block.size = address, size
    return handle


@api(K32, "GlobalFree", 1)
def global_free(s, handle):
    block = s.handles.pop(handle, None)
    if isinstance(block, GlobalBlock):
        s.m.free(block.address, "GlobalFree")
        return 0
    if block is not None:
        s.handles[handle] = block
    s.m.free(handle, "GlobalFree")
    return 0


# ---- code pages --------------------------------------------------------------------------------
def _codec(s, codepage):
    if codepage in (0, 3):
        return s.codec
    if codepage == 65001:
        return "utf-8"
    return "cp%d" % codepage


@api(K32, "IsDBCSLeadByte", 1)
def is_dbcs_lead_byte(s, byte):
    byte &= 0xFF
    if s.codec == "cp932":
        return 1 if 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC else 0
    return 0


@api(K32, "MultiByteToWideChar", 6)
def multi_byte_to_wide_char(s, codepage, flags, source, length, target, capacity):
    data = s.m.cstring(source) + b"\0" if length == INVALID else s.m.read(source, length)
    wide = data.decode(_codec(s, codepage), "replace").encode("utf-16-le")
    count = len(wide) // 2
    if capacity == 0:
        return count
    if count > capacity:
        return s.fail(122)
    s.m.write(target, wide)
    return count


@api(K32, "WideCharToMultiByte", 8)
def wide_char_to_multi_byte(s, codepage, flags, source, length, target, capacity, default,
                            used_default):
    if length == INVALID:
        text = s.m.wstring(source) + "\0"
    else:
        text = s.m.read(source, 2 * length).decode("utf-16-le", "surrogatepass")
    codec = _codec(s, codepage)
    data = text.encode(codec, "replace")
    if used_default:
        try:
            text.encode(codec)
            s.m.put32(used_default, 0)
        except UnicodeEncodeError:
            s.m.put32(used_default, 1)
    if capacity == 0:
        return len(data)
    if len(data) > capacity:
        return s.fail(122)
    s.m.write(target, data)
    return len(data)
