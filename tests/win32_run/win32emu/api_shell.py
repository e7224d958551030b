"""shell32, ole32, comctl32 and advapi32: the folder browser, file icons, the shell's starts, the
common controls' entry and the one registry key the stub reads."""

import os
import struct

from .api_kernel32 import ProcessObject, search_path
from .machine import EmulationError, GuestCall
from .registry_of_apis import api
from .script import quote

SHELL = "SHELL32.dll"
BFFM_INITIALIZED = 1
SEE_MASK_NOCLOSEPROCESS = 0x40
SHGFI_ICON = 0x100
HKEY_CURRENT_USER = 0x80000001
SHELL_FOLDERS = b"software\\microsoft\\windows\\currentversion\\explorer\\shell folders"


@api("COMCTL32.dll", "#17", 0)
def init_common_controls(s):
    s.common_controls = True


@api(SHELL, "SHBrowseForFolderA", 1)
def sh_browse_for_folder(s, info):
    owner, root, display, title, flags, callback, parameter, image = struct.unpack(
        "<8I", s.m.read(info, 32))
    if callback:
        yield GuestCall(callback, s.browser_window, BFFM_INITIALIZED, 0, parameter)
    chosen, s.pending_browse = s.pending_browse, None
    if not chosen:
        return 0
    if display:
        s.m.write(display, chosen.rstrip(b"\\").rpartition(b"\\")[2][:259] + b"\0")
    item = s.m.alloc(len(chosen) + 8)
    s.m.write(item, b"PIDL" + chosen + b"\0")
    s.items.add(item)
    return item


@api(SHELL, "SHGetPathFromIDListA", 2)
def sh_get_path_from_id_list(s, item, path):
    if item not in s.items:
        return 0
    text = s.m.cstring(item + 4)
    s.m.write(path, text[:259] + b"\0")
    return 1


@api("ole32.dll", "CoTaskMemFree", 1)
def co_task_mem_free(s, block):
    if block:
        if block not in s.items:
            raise EmulationError("CoTaskMemFree of 0x%08x, which the shell did not hand out" % block)
        s.items.discard(block)
        s.m.free(block, "CoTaskMemFree")


@api(SHELL, "SHGetFileInfoA", 5)
def sh_get_file_info(s, path, attributes, info, size, flags):
    if flags & ~SHGFI_ICON:
        raise EmulationError("SHGetFileInfoA flags 0x%x are not modelled" % flags)
    icon = 0x20000 + 4 * len(s.icons) + 4 * s.icons_made
    s.icons_made += 1
    s.icons.add(icon)
    s.m.put32(info, icon)
    return 1


def record_launch(s, verb, file, parameters, directory):
    """A start of a program: recorded, never run. The file must be found, as the shell needs."""
    found = search_path(s, file)
    # Programs start; any other file needs a program associated with its type, and this machine
    # has none.
    if found and not found.lower().endswith((b".exe", b".com", b".bat", b".cmd")):
        return None
    if directory:
        folder = s.host_path(directory)
        if folder is None or not os.path.isdir(folder):
            return None
    if not found:
        return None
    host = s.host_path(found)
    s.launches.append({
        "verb": s.utf8(verb) if verb else "",
        "file": s.utf8(file),
        "program": host.decode("utf-8", "surrogateescape"),
        "parameters": s.utf8(parameters) if parameters else "",
        "directory": s.host_path(directory).decode("utf-8", "surrogateescape") if directory else "",
    })
    return found


@api(SHELL, "ShellExecuteA", 6)
def shell_execute(s, owner, verb, file, parameters, directory, show):
    file_text = s.m.cstring(file)
    verb_text = s.m.cstring(verb) if verb else b""
    parameter_text = s.m.cstring(parameters) if parameters else b""
    if file_text.lower() == b"explorer" and verb_text.lower() in (b"", b"open"):
        s.script.line("shell open explorer " + quote(s.utf8(parameter_text)))
        return 42
    found = record_launch(s, verb_text, file_text, parameter_text,
                          s.m.cstring(directory) if directory else b"")
    return 42 if found else 2


@api(SHELL, "ShellExecuteExA", 1)
def shell_execute_ex(s, info):
    size, mask, owner, verb, file, parameters, directory, show = struct.unpack(
        "<8I", s.m.read(info, 32))
    if size != 60:
        raise EmulationError("SHELLEXECUTEINFOA of size %d" % size)
    verb_text = s.m.cstring(verb) if verb else b""
    if verb_text and verb_text.lower() != b"open":
        raise EmulationError("ShellExecuteExA verb %r is not modelled" % verb_text)
    found = record_launch(s, verb_text, s.m.cstring(file) if file else b"",
                          s.m.cstring(parameters) if parameters else b"",
                          s.m.cstring(directory) if directory else b"")
    if not found:
        s.m.put32(info + 32, 2)
        return s.fail(2)
    s.m.put32(info + 32, 42)
    if mask & SEE_MASK_NOCLOSEPROCESS:
        process = s.new_handle(ProcessObject(s.clock_ms + s.config.process_run_ms))
        s.m.put32(info + 56, process)
    return 1


# ---- registry ----------------------------------------------------------------------------------
@api("ADVAPI32.dll", "RegOpenKeyExA", 5)
def reg_open_key_ex(s, root, name, options, access, result):
    if root != HKEY_CURRENT_USER or s.m.cstring(name).lower() != SHELL_FOLDERS:
        return 2
    handle = s.new_handle("shell folders")
    s.m.put32(result, handle)
    return 0


@api("ADVAPI32.dll", "RegQueryValueExA", 6)
def reg_query_value_ex(s, key, name, reserved, value_type, data, size):
    if s.handles.get(key) != "shell folders":
        return 6
    folder = {b"desktop": s.config.desktop, b"personal": s.config.documents}.get(
        s.m.cstring(name).lower())
    if not folder:
        return 2
    value = s.windows_path(folder).rstrip(b"\\") + b"\0"
    if value_type:
        s.m.put32(value_type, 1)  # REG_SZ
    capacity = s.m.u32(size)
    s.m.put32(size, len(value))
    if not data:
        return 0
    if len(value) > capacity:
        return 234  # ERROR_MORE_DATA
    s.m.write(data, value)
    return 0


@api("ADVAPI32.dll", "RegCloseKey", 1)
def reg_close_key(s, key):
    return 0 if s.handles.pop(key, None) == "shell folders" else 6
