#!/usr/bin/python3
"""Reads the builder's dialog templates and icon group back from the built
program with pefile and compares them with the window's layout."""
import struct
import sys

import pefile

from built_files import RT_DIALOG, RT_GROUP_ICON, dialog_template, resource

WS_POPUP, WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX = 0x80000000, 0x00C00000, 0x00080000, 0x00020000
WS_TABSTOP, WS_GROUP, WS_BORDER = 0x00010000, 0x00020000, 0x00800000
DS_MODALFRAME, DS_CENTER, DS_SHELLFONT = 0x80, 0x800, 0x48
BS_DEFPUSHBUTTON, ES_AUTOHSCROLL = 0x1, 0x80

# id, class, text, x, y, cx, cy, style bits that must be set, bits that must be clear
MAIN = [
    (1001, "edit", "", 83, 74, 213, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0),
    (1004, "button", "", 300, 74, 49, 14, WS_TABSTOP, BS_DEFPUSHBUTTON),
    (1002, "edit", "", 83, 102, 213, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0),
    (1005, "button", "", 300, 102, 49, 14, WS_TABSTOP, BS_DEFPUSHBUTTON),
    (1008, "edit", "", 83, 130, 213, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0),
    (1009, "button", "", 300, 130, 49, 14, WS_TABSTOP, BS_DEFPUSHBUTTON),
    (1003, "edit", "", 83, 158, 213, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0),
    (1006, "button", "", 300, 158, 49, 14, WS_TABSTOP, BS_DEFPUSHBUTTON),
    (1018, "button", "&About", 15, 212, 72, 14, WS_TABSTOP, BS_DEFPUSHBUTTON),
    (1012, "button", "&Help", 90, 212, 72, 14, WS_TABSTOP, BS_DEFPUSHBUTTON),
    (1007, "button", "&Create", 165, 212, 108, 14, WS_TABSTOP | BS_DEFPUSHBUTTON, 0),
    (2, "button", "Clos&e", 276, 212, 73, 14, WS_TABSTOP, BS_DEFPUSHBUTTON),
    (1016, "button", "", 187, 6, 105, 18, 0, WS_TABSTOP),
    (1017, "button", "", 217, 42, 115, 16, 0, WS_TABSTOP),
    (0xFFFF, "static", "MSI File", 30, 77, 26, 8, WS_GROUP, 0),
    (0xFFFF, "static", "Skin File", 30, 105, 26, 8, WS_GROUP, 0),
    (0xFFFF, "static", "Icon File", 30, 133, 28, 8, WS_GROUP, 0),
    (0xFFFF, "static", "Save As", 30, 161, 27, 8, WS_GROUP, 0),
    (1014, "msctls_progress32", "", 30, 194, 306, 10, WS_BORDER, 0),
]
ABOUT = [
    (1, "button", "OK", 214, 8, 50, 14, BS_DEFPUSHBUTTON, 0),
    (1018, "button", "", 104, 101, 171, 19, 0, 0),
    (0xFFFF, "static", None, 122, 127, 146, 8, 0, 0),
    (0xFFFF, "static", "Velumo Installer", 192, 47, 65, 8, 0, 0),
    (0xFFFF, "static", "Version 3.0", 170, 66, 37, 8, 0, 0),
    (1012, "static", "E-Mail: support@example.com ", 137, 85, 108, 8, 0, 0),
]


def check(name, dialog, size, caption, style, table, errors):
    if dialog["size"] != size:
        errors.append(f"{name}: size {dialog['size']}")
    if dialog["caption"] != caption:
        errors.append(f"{name}: caption {dialog['caption']!r}")
    if dialog["font"] != (8, "MS Shell Dlg"):
        errors.append(f"{name}: font {dialog['font']}")
    if dialog["style"] & style != style:
        errors.append(f"{name}: style {dialog['style']:#x}")
    if len(dialog["items"]) != len(table):
        errors.append(f"{name}: {len(dialog['items'])} controls")
    for got, want in zip(dialog["items"], table):
        ident, cls, text, x, y, cx, cy, on, off = want
        gid, gcls, gtext, gx, gy, gcx, gcy, gstyle = got
        if (gid, gcls, gx, gy, gcx, gcy) != (ident, cls, x, y, cx, cy) or \
                (text is not None and gtext != text) or gstyle & on != on or gstyle & off:
            errors.append(f"{name}: control {got} where {want} was expected")


def main(program):
    pe = pefile.PE(program)
    errors = []
    frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SHELLFONT
    main_dialog = dialog_template(resource(pe, RT_DIALOG, 101))
    check("101", main_dialog, (366, 236), "Velumo Installer", frame | WS_MINIMIZEBOX, MAIN, errors)
    about = dialog_template(resource(pe, RT_DIALOG, 103))
    check("103", about, (279, 145), "About Ornix Creator", frame, ABOUT, errors)
    if about["style"] & WS_MINIMIZEBOX:
        errors.append("103: has a minimise box")
    group = resource(pe, RT_GROUP_ICON, 102)
    if not group or struct.unpack_from("<H", group, 4)[0] < 2:
        errors.append("102: no icon group with several sizes")
    manifest = resource(pe, pefile.RESOURCE_TYPE["RT_MANIFEST"], 1) or b""
    for wanted in (b'level="asInvoker"', b">true/pm</dpiAware>", b">PerMonitorV2, PerMonitor<"):
        if wanted not in manifest:
            errors.append(f"manifest: no {wanted.decode()}")
    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
