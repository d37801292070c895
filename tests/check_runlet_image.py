#!/usr/bin/python3
"""check_runlet_image.py RUNLET ENGINE... : reads the built files with pefile,
independently of the code that wrote them, and fails on the first fault."""
import struct
import sys

import pefile

# DLLs that Windows itself protects and that no setup folder can shadow.
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
                   "shlwapi.dll", "comctl32.dll", "msvcrt.dll", "ole32.dll", "comdlg32.dll"}
# What the stub itself may import: advapi32 for its private folder's access
# list, nothing that a downloads folder could shadow. msi.dll is loaded at run
# time by its full path.
RUNLET_IMPORTS = {"kernel32.dll", "user32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll"}
ENGINE_EXPORTS = {"InitDecoration", "LoadSkinFromFile", "ApplySkin", "DeInitDecoration",
                  "SetCustomSkinWnd", "AddAdditionalThread", "DeleteAdditionalThread"}
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def resources(pe):
    """{(type, id): [(language, bytes)]}"""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for entry in kind.directory.entries:
            for language in entry.directory.entries:
                data = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                found.setdefault((kind.id, entry.id), []).append((language.id, data))
    return found


def check_runlet(path):
    data = open(path, "rb").read()
    check(data.count(b"!faSig!") == 1, "marker count is %d" % data.count(b"!faSig!"))
    pe = pefile.PE(path)
    check(pe.FILE_HEADER.Machine == 0x14C, "not a 32-bit x86 program")
    check(pe.OPTIONAL_HEADER.Subsystem == 2, "not a GUI program")
    imports = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check(imports <= RUNLET_IMPORTS, "unexpected imports: %s" % sorted(imports - RUNLET_IMPORTS))
    check("msi.dll" not in imports, "msi.dll imported")

    found = resources(pe)
    group = found.get((RT_GROUP_ICON, 105), [])
    check([language for language, _ in group] == [1033], "icon group 105 not in language 1033 only")
    if group:
        raw = group[0][1]
        _, kind, count = struct.unpack_from("<HHH", raw)
        images = [struct.unpack_from("<BBBBHHIH", raw, 6 + 14 * i) for i in range(count)]
        check(kind == 1 and count == 2, "icon group lists %d images" % count)
        check([(w, h, bits, ident) for w, h, _, _, _, bits, _, ident in images] ==
              [(32, 32, 8, 1), (32, 32, 24, 2)], "icon group entries %s" % images)
        for ident, bits in ((1, 8), (2, 24)):
            icon = found.get((RT_ICON, ident), [])
            check([language for language, _ in icon] == [1033], "icon %d language" % ident)
            if icon:
                header = struct.unpack_from("<IiiHH", icon[0][1])
                check(header[1:] == (32, 64, 1, bits), "icon %d header %s" % (ident, header))

    dialog = found.get((RT_DIALOG, 103), [])
    check(len(dialog) == 1, "dialog 103 missing")
    if dialog:
        raw = dialog[0][1]
        version, signature, _, ex_style, style, items, x, y, cx, cy = struct.unpack_from(
            "<HHIIIHhhhh", raw)
        check((version, signature) == (1, 0xFFFF), "dialog 103 is not a DIALOGEX")
        wanted = 0x80000000 | 0x00800000 | 0x00080000 | 0x0800 | 0x40 | 0x0008
        check(style == wanted, "dialog style %#x, wanted %#x" % (style, wanted))
        check(ex_style == 0 and items == 1 and (x, y, cx, cy) == (0, 0, 302, 74),
              "dialog layout %s" % ((ex_style, items, x, y, cx, cy),))
        text = raw.decode("utf-16-le", "replace")
        check("MS Shell Dlg" in text, "dialog font is not MS Shell Dlg")
        # The one item: a static text, id 1001, at (7, 18) size 288 x 34.
        offset = raw.find(struct.pack("<hhhhI", 7, 18, 288, 34, 1001))
        check(offset > 0, "static 1001 not at (7, 18, 288, 34)")
        if offset > 0:
            item_style = struct.unpack_from("<I", raw, offset - 4)[0]
            check(item_style == 0x40000000 | 0x10000000 | 0x00020000 | 0,
                  "static style %#x" % item_style)
            check(struct.unpack_from("<HH", raw, offset + 12) == (0xFFFF, 0x0082),
                  "item 1001 is not a static")

    manifest = found.get((RT_MANIFEST, 1), [])
    for wanted in (b'level="asInvoker"', b">true/pm</dpiAware>", b">PerMonitorV2, PerMonitor<"):
        check(len(manifest) == 1 and wanted in manifest[0][1], "manifest without " + wanted.decode())


def check_engine(path):
    pe = pefile.PE(path)
    names = {symbol.name.decode() for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols if symbol.name}
    check(names == ENGINE_EXPORTS, "%s exports %s" % (path, sorted(names)))
    imports = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check(imports <= ALLOWED_IMPORTS, "%s imports %s" % (path, sorted(imports)))


check_runlet(sys.argv[1])
for engine in sys.argv[2:]:
    check_engine(engine)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
