"""Reads the parts of a PE file (a Windows .exe or .dll) that the checks of the
Windows builds look at: its sections, its export table, its version resource,
and the frame descriptions in .eh_frame, which tell where each function's code
lies even in a stripped file. Addresses are relative virtual addresses (RVAs).
"""
import struct

RESOURCE_DIRECTORY = 2
EXPORT_DIRECTORY = 0
RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


class PeError(Exception):
    pass


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as stream:
            self.data = stream.read()
        self.path = path
        if self.data[:2] != b"MZ":
            raise PeError(f"{path}: not a PE file (no MZ header)")
        header = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[header:header + 4] != b"PE\0\0":
            raise PeError(f"{path}: not a PE file (no PE signature)")
        (self.machine, sections, _, symbols, symbol_count, optional_size, _) = struct.unpack_from(
            "<HHIIIHH", self.data, header + 4)
        optional = header + 24
        magic = struct.unpack_from("<H", self.data, optional)[0]
        if magic == 0x10B:
            self.image_base = struct.unpack_from("<I", self.data, optional + 28)[0]
            directories = optional + 96
        elif magic == 0x20B:
            self.image_base = struct.unpack_from("<Q", self.data, optional + 24)[0]
            directories = optional + 112
        else:
            raise PeError(f"{path}: unknown optional header 0x{magic:x}")
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i) for i in range(16)]
        strings = symbols + 18 * symbol_count if symbols else None
        self.sections = []
        for i in range(sections):
            raw_name, size, rva, raw_size, raw_offset = struct.unpack_from(
                "<8sIIII", self.data, optional + optional_size + 40 * i)
            name = raw_name.rstrip(b"\0").decode("ascii", "replace")
            if name.startswith("/") and strings is not None:
                start = strings + int(name[1:])
                name = self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")
            self.sections.append((name, rva, max(size, raw_size), raw_offset, raw_size))

    def read(self, rva, size):
        """`size` bytes at `rva` (fewer at a section's end); zeros where the file holds none."""
        for _, start, size_in_memory, raw_offset, raw_size in self.sections:
            if start <= rva < start + size_in_memory:
                at = rva - start
                size = min(size, size_in_memory - at)
                stored = self.data[raw_offset + at:raw_offset + min(at + size, raw_size)] if at < raw_size else b""
                return stored + b"\0" * (size - len(stored))
        raise PeError(f"{self.path}: RVA 0x{rva:x} lies in no section")

    def section(self, prefix):
        """(rva, bytes) of the first section whose name begins with `prefix`, or None. A stripped file
        keeps only the first 8 characters of a longer name (".eh_fram")."""
        for name, rva, size, _, _ in self.sections:
            if name.startswith(prefix):
                return rva, self.read(rva, size)
        return None

    def exports(self):
        """{name: RVA} of the export table."""
        rva, size = self.directories[EXPORT_DIRECTORY]
        if not size:
            return {}
        table = self.read(rva, 40)
        _, _, _, _, _, _, functions, names, addresses, name_pointers, ordinals = struct.unpack("<IIHHIIIIIII", table)
        result = {}
        for i in range(names):
            name_rva = struct.unpack("<I", self.read(name_pointers + 4 * i, 4))[0]
            ordinal = struct.unpack("<H", self.read(ordinals + 2 * i, 2))[0]
            name = self.read(name_rva, 256).split(b"\0")[0].decode("ascii")
            result[name] = struct.unpack("<I", self.read(addresses + 4 * ordinal, 4))[0]
        return result

    def version_info(self):
        """The version resource: ({"file": (a, b, c, d), "product": (...)}, {string key: value}), or None."""
        entry = self._version_resource()
        if entry is None:
            return None
        rva, size = entry
        root = _version_node(self.read(rva, size), 0)
        key, value, children = root
        if key != "VS_VERSION_INFO" or len(value) < 52:
            raise PeError(f"{self.path}: the version resource holds no VS_VERSION_INFO")
        words = struct.unpack_from("<13I", value)
        if words[0] != FIXED_FILE_INFO_SIGNATURE:
            raise PeError(f"{self.path}: the version resource's fixed part has no signature")
        fixed = {"file": (words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF),
                 "product": (words[4] >> 16, words[4] & 0xFFFF, words[5] >> 16, words[5] & 0xFFFF)}
        strings = {}
        for child_key, _, tables in children:
            if child_key == "StringFileInfo":
                for _, _, entries in tables:
                    for name, text, _ in entries:
                        strings[name] = text
        return fixed, strings

    def _version_resource(self):
        rva, size = self.directories[RESOURCE_DIRECTORY]
        if not size:
            return None
        # Three levels: type, name, language; the first entry of each below RT_VERSION.
        directory = rva
        for level in range(3):
            header = self.read(directory, 16)
            named, numbered = struct.unpack_from("<HH", header, 12)
            entries = [struct.unpack("<II", self.read(directory + 16 + 8 * i, 8)) for i in range(named + numbered)]
            if level == 0:
                entries = [e for e in entries if e[0] == RT_VERSION]
            if not entries:
                return None
            target = entries[0][1]
            if level < 2:
                if not target & 0x80000000:
                    raise PeError(f"{self.path}: a resource directory entry is not a directory")
                directory = rva + (target & 0x7FFFFFFF)
            else:
                data_rva, data_size = struct.unpack("<II", self.read(rva + target, 8))
                return data_rva, data_size
        return None

    def frames(self):
        """[(start, end, lsda)] of every frame description in .eh_frame; lsda is None without one."""
        section = self.section(".eh_fram")
        if section is None:
            raise PeError(f"{self.path}: no .eh_frame section")
        base, data = section
        frames, cies, at = [], {}, 0
        while at + 4 <= len(data):
            length = struct.unpack_from("<I", data, at)[0]
            if length == 0:
                break
            cie_pointer = struct.unpack_from("<I", data, at + 4)[0]
            body = at + 8
            if cie_pointer == 0:
                cies[at] = self._cie(data, body, base)
            else:
                fde_encoding, lsda_encoding = cies[at + 4 - cie_pointer]
                start, body = self._pointer(data, body, fde_encoding, base)
                size, body = self._pointer(data, body, fde_encoding, base, address=False)
                _, body = _leb128(data, body)
                lsda = None
                if lsda_encoding is not None:
                    lsda, _ = self._pointer(data, body, lsda_encoding, base)
                frames.append((start, start + size, lsda or None))
            at += 4 + length
        return frames

    def landing_pads(self, frame):
        """The landing pads (exception handlers) named by a frame's LSDA."""
        start, _, lsda = frame
        if lsda is None:
            return []
        data = self.read(lsda, 4096)
        at, landing_base = 1, start
        if data[0] != 0xFF:
            landing_base, at = self._pointer(data, at, data[0], lsda)
        type_encoding = data[at]
        at += 1
        if type_encoding != 0xFF:
            _, at = _leb128(data, at)
        encoding = data[at]
        length, at = _leb128(data, at + 1)
        end, pads = at + length, []
        while at < end:
            _, at = self._pointer(data, at, encoding, 0, address=False)  # the call site's start
            _, at = self._pointer(data, at, encoding, 0, address=False)  # and length
            pad, at = self._pointer(data, at, encoding, 0, address=False)
            _, at = _leb128(data, at)                                    # its action
            if pad:
                pads.append(landing_base + pad)
        return pads

    def _cie(self, data, at, base):
        at += 1  # version
        end = data.index(b"\0", at)
        augmentation = data[at:end].decode("ascii")
        at = end + 1
        _, at = _leb128(data, at)   # code alignment
        _, at = _leb128(data, at, signed=True)   # data alignment
        at += 1                   # return address register
        fde_encoding, lsda_encoding = 0, None
        if augmentation.startswith("z"):
            _, at = _leb128(data, at)
            for letter in augmentation[1:]:
                if letter == "R":
                    fde_encoding, at = data[at], at + 1
                elif letter == "L":
                    lsda_encoding, at = data[at], at + 1
                elif letter == "P":
                    personality_encoding = data[at]
                    _, at = self._pointer(data, at + 1, personality_encoding, base)
                else:
                    raise PeError(f"{self.path}: unknown augmentation {augmentation!r} in .eh_frame")
        return fde_encoding, lsda_encoding

    def _pointer(self, data, at, encoding, base, address=True):
        """An encoded pointer at data[at]: (value, next position). A pc-relative address is made an
        RVA with `base`, the RVA of data[0]; an absolute one loses the image base. With `address`
        false the value is a size, read in the pointer's form only."""
        form, application = encoding & 0x0F, encoding & 0x70
        if form == 0x01:
            value, end = _leb128(data, at)
        elif form == 0x09:
            value, end = _leb128(data, at, signed=True)
        else:
            layouts = {0x00: "<I", 0x02: "<H", 0x03: "<I", 0x04: "<Q", 0x0A: "<h", 0x0B: "<i", 0x0C: "<q"}
            if form not in layouts:
                raise PeError(f"{self.path}: unknown pointer encoding 0x{encoding:x}")
            value = struct.unpack_from(layouts[form], data, at)[0]
            end = at + struct.calcsize(layouts[form])
        if not address:
            return value, end
        if application == 0x10:
            value = (value + base + at) & 0xFFFFFFFF
        elif application == 0 and form == 0x00 and value:
            value -= self.image_base
        elif application != 0:
            raise PeError(f"{self.path}: unknown pointer application 0x{encoding:x}")
        return value, end


def _leb128(data, at, signed=False):
    """A LEB128 number at data[at]: (value, next position)."""
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return (value - (1 << shift) if signed and byte & 0x40 else value), at


def _version_node(data, at):
    """One node of a version resource: (key, value, children). A text value is a str, else bytes."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    position = _aligned(key_end + 2)
    if kind == 1:
        value = data[position:position + 2 * value_length].decode("utf-16-le").rstrip("\0")
        position += 2 * value_length
    else:
        value = data[position:position + value_length]
        position += value_length
    children = []
    position = _aligned(position)
    while position < end:
        child = _version_node(data, position)
        children.append(child)
        position = _aligned(position + struct.unpack_from("<H", data, position)[0])
    return key, value, children


def _aligned(position):
    return (position + 3) & ~3
