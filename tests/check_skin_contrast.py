#!/usr/bin/python3
"""check_skin_contrast.py SKINS_DIR [BUILT_DIR]: every stock skin stays readable.

Reads each stock skin's skin.ini, works out every colour the engine draws
text in and the colour that text stands on, and checks the WCAG 2 contrast
ratio of each such pair against the skin's bound. The pairs follow how the
engine paints: labels, check boxes, radio buttons and group box titles
stand on the dialog's face, button captions on the button's face, hot and
pressed faces, field and list text on the field's face, selected items on
the selection, caption text on the caption bar along its whole gradient.

With BUILT_DIR, the folder of the built .skf files, a skin's banner image is
read too: the page title and description that an installer lays over it are
drawn in the skin's label colour, so every pixel of the part of the banner
where they lie must reach the bound against that colour.
"""
import os
import struct
import sys
import zipfile

# Each stock skin and the contrast its every text must reach.
BOUNDS = {
    "Ornix": 4.5,
    "Daylight": 4.5,
    "Midnight": 4.5,
    "Iris": 4.5,
    "Contrast": 7.0,
}

# What the engine takes for a key neither the object nor its fallback sets.
DEFAULTS = {"face": "#F0F0F0", "text": "#000000", "border": "#808080",
            "hot": "#F0F0F0", "pressed": "#F0F0F0", "disabled": "#A0A0A0"}

# Named objects take what they do not set from these.
FALLBACK = {
    "customframe": "dialog", "customdialog": "dialog", "dialogabout": "dialog",
    "openbutton": "button", "generalbutton": "button", "banner_velumo": "button",
    "banner_getmoreskin": "button", "about_vl": "button", "customedit": "edit",
}
DIALOGS = ("dialog", "customdialog", "dialogabout")
BUTTONS = ("button", "openbutton", "generalbutton", "banner_velumo",
           "banner_getmoreskin", "about_vl")
STANDING = ("static", "checkbox", "radiobutton", "groupbox")
FIELDS = ("edit", "customedit", "listbox", "combobox", "listview")


def read_ini(path):
    sections, current = {}, None
    with open(path, encoding="utf-8-sig") as lines:
        for number, line in enumerate(lines, 1):
            line = line.strip()
            if not line or line[0] in ";#":
                continue
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1].strip().lower(), {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key.strip().lower()] = value.strip()
            else:
                raise ValueError("%s:%d: not a section or key line" % (path, number))
    return sections


def parse_colour(value):
    if len(value) != 7 or value[0] != "#":
        raise ValueError("not a #RRGGBB colour: " + value)
    return tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))


def luminance(colour):
    def linear(channel):
        c = channel / 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in colour)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)


def blend(a, b, percent_of_b):
    # The engine's own integer blend, for faces it mixes from two keys.
    return tuple((x * (100 - percent_of_b) + y * percent_of_b) // 100 for x, y in zip(a, b))


class Style:
    """An object's keys as the engine resolves them: its own, its fallback's,
    the defaults, and the format-2 keys derived from those."""

    def __init__(self, sections, name):
        keys = dict(sections.get(FALLBACK.get(name), {}))
        keys.update(sections.get(name, {}))
        self.keys = keys

    def __getitem__(self, key):
        derived = {"caption": "border", "caption_to": "caption", "caption_text": "face",
                   "inactive": "caption", "inactive_text": "disabled",
                   "selection": "hot", "selection_text": "text"}
        if key in self.keys:
            return parse_colour(self.keys[key])
        if key in derived:
            return self[derived[key]]
        return parse_colour(DEFAULTS[key])


def pairs(sections):
    """Yields (where, text colour, colour or colours under it) for every text
    the skin draws."""
    full = sections.get("skin", {}).get("format") == "2"
    present = lambda name: name in sections
    faces = [(name, Style(sections, name)["face"]) for name in DIALOGS if present(name)]
    for name in DIALOGS + ("customframe",):
        if not present(name):
            continue
        s = Style(sections, name)
        if name != "customframe":
            # Labels without an object of their own take the dialog's text.
            yield name + " text on face", s["text"], s["face"]
            yield name + " disabled on face", s["disabled"], s["face"]
        if full:
            # The bar runs from caption to caption_to; every column counts.
            bar = [blend(s["caption"], s["caption_to"], percent) for percent in range(101)]
            yield name + " caption_text on caption to caption_to", s["caption_text"], bar
            yield name + " inactive_text on inactive", s["inactive_text"], s["inactive"]
    for name in BUTTONS:
        if not present(name):
            continue
        s = Style(sections, name)
        for key in ("face", "hot", "pressed"):
            yield name + " text on " + key, s["text"], s[key]
        disabled_face = blend(s["face"], s["disabled"], 15) if full else s["face"]
        yield name + " disabled on face", s["disabled"], disabled_face
    for name in STANDING:
        if not present(name):
            continue
        s = Style(sections, name)
        for dialog_name, face in faces:
            for key in ("text", "disabled"):
                yield "%s %s on %s face" % (name, key, dialog_name), s[key], face
    for name in FIELDS:
        if not present(name):
            continue
        s = Style(sections, name)
        yield name + " text on face", s["text"], s["face"]
        yield name + " disabled on face", s["disabled"], s["face"]
        if full:
            yield name + " selection_text on selection", s["selection_text"], s["selection"]
        if name == "listview":
            # The list header's face is mixed from the view's face and border.
            header = blend(s["face"], s["border"], 25)
            yield name + " header text", s["text"], header
            yield name + " header disabled", s["disabled"], header


def check_skin(name, sections, bound):
    """The failures of one skin against its bound, and its weakest pair."""
    failures, worst = [], None
    for where, text, under in pairs(sections):
        # A gradient counts at its weakest column.
        ratio, under = min((contrast(text, shade), shade)
                           for shade in (under if isinstance(under, list) else [under]))
        if worst is None or ratio < worst[0]:
            worst = (ratio, where)
        if ratio < bound:
            failures.append("%s: %s is %.2f:1, below %.1f:1 (#%02X%02X%02X on #%02X%02X%02X)"
                            % ((name, where, ratio, bound) + text + under))
    if worst is None:
        failures.append("%s: no text and face pair found" % name)
    return failures, worst


# Faults the check must notice, one of each kind of pair: (section, key,
# value) put into a copy of a good skin, and a word of the failure expected.
PLANTED = [
    ("dialog", "caption_to", "#F0E8D0", "caption_text on caption"),
    ("dialog", "inactive_text", "#C0B498", "inactive_text"),
    ("button", "hot", "#3A3A3A", "button text on hot"),
    ("button", "disabled", "#D0C8B0", "button disabled"),
    ("checkbox", "text", "#E8E4D8", "checkbox text on dialog face"),
    ("listbox", "selection", "#303030", "listbox selection_text"),
    ("listview", "text", "#767070", "listview header text"),
]


# Where an installer wizard's title and description lie over its banner:
# from the left edge across five sixths of the width, down to 41 of its 44
# dialog units (the sample's Title and Description controls).
TEXT_ZONE = (5, 6, 41, 44)


def read_bmp(data):
    """(width, height, rows of (r, g, b)) of an uncompressed 24- or 32-bit BMP."""
    if data[:2] != b"BM":
        raise ValueError("not a BMP")
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits not in (24, 32) or compression not in (0, 3):
        raise ValueError("a BMP of %d bits, compression %d" % (bits, compression))
    step = bits // 8
    stride = (width * step + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        start = offset + y * stride
        rows.append([tuple(data[start + x * step + 2 - c] for c in range(3))
                     for x in range(width)])
    if height > 0:
        rows.reverse()
    return width, height if height > 0 else -height, rows


def text_zone_colours(width, height, rows):
    across, of_width, down, of_height = TEXT_ZONE
    return {colour for row in rows[:height * down // of_height]
            for colour in row[:width * across // of_width]}


def label_colour(sections):
    # A transparent label is a static: the Static object's text, or the dialog's.
    return Style(sections, "static" if "static" in sections else "dialog")["text"]


def check_banner(name, sections, pixels, bound):
    """The failures of a banner image under the skin's label colour."""
    text = label_colour(sections)
    ratio, under = min((contrast(text, colour), colour) for colour in text_zone_colours(*pixels))
    if name != "planted":
        print("%-9s banner under the title at least %.2f:1" % (name, ratio))
    if ratio < bound:
        return ["%s: banner text is %.2f:1 over its banner, below %.1f:1 (#%02X%02X%02X on #%02X%02X%02X)"
                % ((name, ratio, bound) + text + under)]
    return []


def banner_of(built_dir, name, sections):
    """The decoded banner image of the built skin, or None when it has none."""
    image = sections.get("banner", {}).get("image")
    if not image:
        return None
    with zipfile.ZipFile(os.path.join(built_dir, name + ".skf")) as archive:
        entries = {entry.lower(): entry for entry in archive.namelist()}
        return read_bmp(archive.read(entries[image.lower().replace("\\", "/")]))


def check_planted_banner(sections, pixels):
    """A spot of the label colour itself in the text zone must be noticed."""
    width, height, rows = pixels
    spoilt = [list(row) for row in rows]
    text = label_colour(sections)
    for y in range(4, 12):
        for x in range(30, 60):
            spoilt[y][x] = text
    if not check_banner("planted", sections, (width, height, spoilt), 4.5):
        return ["a spot of the text colour in the banner went unnoticed"]
    return []


def check_planted(sections):
    failures = []
    for section, key, value, expected in PLANTED:
        spoilt = {name: dict(keys) for name, keys in sections.items()}
        spoilt.setdefault(section, {})[key] = value
        found, _ = check_skin("planted", spoilt, 4.5)
        if not any(expected in failure for failure in found):
            failures.append("a %s of %s in [%s] went unnoticed" % (key, value, section))
    return failures


def check(skins_dir, built_dir=None):
    failures = []
    found = sorted(entry for entry in os.listdir(skins_dir)
                   if os.path.isfile(os.path.join(skins_dir, entry, "skin.ini")))
    for name in found:
        if name not in BOUNDS:
            failures.append("%s: a stock skin with no contrast bound" % name)
    for name, bound in BOUNDS.items():
        path = os.path.join(skins_dir, name, "skin.ini")
        if not os.path.isfile(path):
            failures.append("%s: no skin.ini" % name)
            continue
        sections = read_ini(path)
        variants = [(name, sections)]
        dark = sections["skin"].get("dark")
        if dark:
            variants.append((name + " dark", read_ini(os.path.join(skins_dir, name, dark))))
        for label, sections in variants:
            skin_failures, worst = check_skin(label, sections, bound)
            failures += skin_failures
            if worst:
                print("%-9s lowest %.2f:1 (%s), bound %.1f:1" % (label, worst[0], worst[1], bound))
            if built_dir:
                pixels = banner_of(built_dir, name, sections)
                if pixels:
                    failures += check_banner(label, sections, pixels, bound)
                elif name != "Ornix":
                    failures.append("%s: a stock skin without a banner" % label)
        if name == "Daylight":
            light = variants[0][1]
            failures += check_planted(light)
            if built_dir:
                failures += check_planted_banner(light, banner_of(built_dir, name, light))
    if "dark" not in read_ini(os.path.join(skins_dir, "Daylight", "skin.ini"))["skin"]:
        failures.append("Daylight: no dark variant")
    return failures


def main():
    failures = check(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
