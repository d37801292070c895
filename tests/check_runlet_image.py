#!/usr/bin/python3
"""check_runlet_image.py RUNLET ENGINE... : reads the built files with pefile,
independently of the code that wrote them, and fails on the first fault."""
import struct
import sys

import pefile

from built_files import RT_DIALOG, RT_GROUP_ICON, RT_ICON, RT_MANIFEST, dialog_template, icon_group
from built_files import resources as all_resources

# DLLs that Windows itself protects and that no setup folder can shadow.
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
                   "shlwapi.dll", "comctl32.dll", "msvcrt.dll", "ole32.dll", "comdlg32.dll"}
# What the stub itself may import: advapi32 for its private folder's access
# list, nothing that a downloads folder could shadow. msi.dll is loaded at run
# time by its full path.
RUNLET_IMPORTS = {"kernel32.dll", "user32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll"}
ENGINE_EXPORTS = {"InitDecoration", "LoadSkinFromFile", "ApplySkin", "DeInitDecoration",
                  "SetCustomSkinWnd", "AddAdditionalThread", "DeleteAdditionalThread"}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def resources(pe):
    """{(type, id): [(language, bytes)]}"""
    found = {}
    for (kind, ident, language), data in all_resources(pe).items():
        found.setdefault((kind, ident), []).append((language, data))
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
        _, kind, images = icon_group(group[0][1])
        check(kind == 1 and len(images) == 2, "icon group lists %d images" % len(images))
        check([(w, h, bits, ident) for w, h, _, _, bits, _, ident in images] ==
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
        template = dialog_template(dialog[0][1])
        wanted = 0x80000000 | 0x00800000 | 0x00080000 | 0x0800 | 0x40 | 0x0008
        check(template["style"] == wanted, "dialog style %#x, wanted %#x" % (template["style"], wanted))
        check(template["ex_style"] == 0 and template["position"] == (0, 0) and
              template["size"] == (302, 74) and len(template["items"]) == 1,
              "dialog layout %s" % template)
        check(template["font"][1] == "MS Shell Dlg", "dialog font is not MS Shell Dlg")
        # The one item: a static text, id 1001, at (7, 18) size 288 x 34.
        wanted_item = (1001, "static", "", 7, 18, 288, 34, 0x40000000 | 0x10000000 | 0x00020000)
        check(template["items"][:1] == [wanted_item], "items %s" % template["items"])

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
