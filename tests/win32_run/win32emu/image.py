"""The PE32 image: mapped at its preferred base as the loader maps it, imports bound to the
machine's thunks, and its resources (string tables, dialog templates) read the way the system's
resource functions read them."""

import struct

import pefile
from unicorn import UC_PROT_ALL

RT_STRING = 6
RT_DIALOG = 5
LANG_ENGLISH = 0x09
LANG_JAPANESE = 0x11


class Image:
    def __init__(self, path):
        self.pe = pefile.PE(path)
        if self.pe.FILE_HEADER.Machine != 0x14C:
            raise ValueError("not an i386 image")
        optional = self.pe.OPTIONAL_HEADER
        self.base = optional.ImageBase
        self.size = (optional.SizeOfImage + 0xFFF) & ~0xFFF
        self.entry = self.base + optional.AddressOfEntryPoint
        self.header_size = (optional.SizeOfHeaders + 0xFFF) & ~0xFFF

    def map(self, machine):
        machine.uc.mem_map(self.base, self.size, UC_PROT_ALL)
        machine.write(self.base, self.pe.get_memory_mapped_image()[: self.size])
        for entry in getattr(self.pe, "DIRECTORY_ENTRY_IMPORT", []):
            dll = entry.dll.decode("ascii")
            for imported in entry.imports:
                name = imported.name.decode("ascii") if imported.name else "#%d" % imported.ordinal
                machine.put32(imported.address, machine.thunk_for(dll, name))

    def region_of(self, address):
        """(start, size) of the loader's region holding address: the headers, or one section."""
        if self.base <= address < self.base + self.header_size:
            return self.base, self.header_size
        for section in self.pe.sections:
            start = self.base + section.VirtualAddress
            size = (max(section.Misc_VirtualSize, section.SizeOfRawData) + 0xFFF) & ~0xFFF
            if start <= address < start + size:
                return start, size
        return None

    # ---- resources -------------------------------------------------------------------------
    def _resource(self, kind, ident, language):
        """The data of a resource, the given primary language first, else any."""
        root = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        if not root:
            return None
        for type_entry in root.entries:
            if type_entry.id != kind:
                continue
            for name_entry in type_entry.directory.entries:
                if name_entry.id != ident:
                    continue
                entries = name_entry.directory.entries
                chosen = [e for e in entries if (e.id & 0x3FF) == language] or entries
                data = chosen[0].data.struct
                return self.pe.get_data(data.OffsetToData, data.Size)
        return None

    def string(self, ident, language):
        """A string of the string table as UTF-16 text, None when the table has none."""
        block = self._resource(RT_STRING, ident // 16 + 1, language)
        if block is None:
            return None
        offset = 0
        for index in range(16):
            length = struct.unpack_from("<H", block, offset)[0]
            offset += 2
            if index == ident % 16:
                return block[offset: offset + 2 * length].decode("utf-16-le") if length else None
            offset += 2 * length
        return None

    def dialog(self, ident, language):
        data = self._resource(RT_DIALOG, ident, language)
        return parse_dialog(data) if data is not None else None


class DialogTemplate:
    def __init__(self):
        self.style = 0
        self.caption = ""
        self.controls = []  # (id, class name or atom, text, style)


def _align4(offset):
    return (offset + 3) & ~3


def _sz_or_ord(data, offset):
    """A name-or-ordinal field: (value, next offset)."""
    first = struct.unpack_from("<H", data, offset)[0]
    if first == 0:
        return "", offset + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
    end = offset
    while struct.unpack_from("<H", data, end)[0]:
        end += 2
    return data[offset:end].decode("utf-16-le"), end + 2


def parse_dialog(data):
    """Both template forms: DLGTEMPLATE and DLGTEMPLATEEX."""
    dialog = DialogTemplate()
    extended = struct.unpack_from("<HH", data, 0) == (1, 0xFFFF)
    if extended:
        _, _, _, _, style, count, _, _, _, _ = struct.unpack_from("<HHIIIHhhhh", data, 0)
        offset = 26
    else:
        style, _, count, _, _, _, _ = struct.unpack_from("<IIHhhhh", data, 0)
        offset = 18
    dialog.style = style
    _, offset = _sz_or_ord(data, offset)  # menu
    _, offset = _sz_or_ord(data, offset)  # class
    dialog.caption, offset = _sz_or_ord(data, offset)
    if style & 0x40:  # DS_SETFONT
        offset += 6 if extended else 2
        _, offset = _sz_or_ord(data, offset)
    for _ in range(count):
        offset = _align4(offset)
        if extended:
            _, _, style, _, _, _, _, ident = struct.unpack_from("<IIIhhhhI", data, offset)
            offset += 24
        else:
            style, _, _, _, _, _, ident = struct.unpack_from("<IIhhhhH", data, offset)
            offset += 18
        cls, offset = _sz_or_ord(data, offset)
        text, offset = _sz_or_ord(data, offset)
        extra = struct.unpack_from("<H", data, offset)[0]
        offset += 2 + extra
        dialog.controls.append((ident, cls, text if isinstance(text, str) else "", style))
    return dialog
