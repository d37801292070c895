"""What the Python checkers read back from the files the build makes, with
readers that share no code with the programs that wrote them: the package
container at a setup's end, PE resources through pefile, icon groups and
dialog templates by their documented layouts."""
import struct

# The runtime libraries an outside skin engine may need, in archive order.
RUNTIME_LIBRARIES = ["gdiplus.dll", "mfc71.dll", "MSVCR71.DLL", "msvcrt.dll", "msvcp71.dll"]
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24
# Dialog item classes given by ordinal, and those named, matched without
# regard to case, as Windows does.
DIALOG_CLASSES = {0x80: "button", 0x81: "edit", 0x82: "static"}


def container(data):
    """(name, archive, front) of the package container that ends a setup's bytes."""
    assert data[-7:] == b"!faSig!", "no trailer"
    start, = struct.unpack("<I", data[-11:-7])
    name_length, = struct.unpack("<I", data[start:start + 4])
    name = data[start + 4:start + 4 + name_length]
    return name, data[start + 4 + name_length:-11], data[:start]


def resources(pe):
    """{(type, name, language): bytes} of every resource; a named type or
    name is its text, a numbered one its number."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for entry in kind.directory.entries:
            for language in entry.directory.entries:
                data = language.data.struct
                key = (str(kind.name) if kind.name else kind.id,
                       str(entry.name) if entry.name else entry.id, language.id)
                found[key] = pe.get_data(data.OffsetToData, data.Size)
    return found


def resource(pe, kind, ident):
    """The bytes of a resource in its first language, or None."""
    for (k, i, _), data in resources(pe).items():  # in the directory's order
        if (k, i) == (kind, ident):
            return data
    return None


def icon_group(blob):
    """(reserved, type, entries) of a group icon resource, each entry
    (width, height, colours, planes, bits, byte size, icon id)."""
    reserved, kind, count = struct.unpack_from("<HHH", blob)
    assert len(blob) == 6 + 14 * count, "icon group of %d bytes for %d images" % (len(blob), count)
    entries = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", blob, 6 + 14 * i)
        entries.append((w, h, colours, planes, bits, size, icon_id))
    return reserved, kind, entries


def _sz_or_ord(data, pos):
    first = struct.unpack_from("<H", data, pos)[0]
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def dialog_template(data):
    """An extended dialog template (DIALOGEX) as a dict: style, ex_style,
    position, size, caption, font and its items, each (id, class, text, x, y,
    cx, cy, style) with the class as a lower-case name."""
    version, signature, _, ex_style, style, count, x, y, cx, cy = struct.unpack_from(
        "<HHIIIHhhhh", data, 0)
    assert (version, signature) == (1, 0xFFFF), "not an extended dialog template"
    pos = 26
    _, pos = _sz_or_ord(data, pos)  # menu
    _, pos = _sz_or_ord(data, pos)  # class
    caption, pos = _sz_or_ord(data, pos)
    points, weight, italic, charset = struct.unpack_from("<HHBB", data, pos)
    face, pos = _sz_or_ord(data, pos + 6)
    items = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        _, _, istyle, ix, iy, icx, icy, iid = struct.unpack_from("<IIIhhhhI", data, pos)
        cls, pos = _sz_or_ord(data, pos + 24)
        text, pos = _sz_or_ord(data, pos)
        extra = struct.unpack_from("<H", data, pos)[0]
        pos += 2 + extra
        cls = DIALOG_CLASSES.get(cls, cls.lower() if isinstance(cls, str) else cls)
        items.append((iid & 0xFFFF, cls, text if isinstance(text, str) else "",
                      ix, iy, icx, icy, istyle))
    return dict(style=style, ex_style=ex_style, position=(x, y), size=(cx, cy), caption=caption,
                font=(points, face), items=items)
