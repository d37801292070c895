#!/usr/bin/python3
"""Checks the setups that GeneratePackageTest built, with tools that share no
code with the builder: the archive is cut out by the container's offsets and
read by zipfile and by hand; the icons are read by pefile."""
import io
import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

import pefile

from built_files import RT_GROUP_ICON, RT_ICON, RUNTIME_LIBRARIES, container, icon_group, resources

ART = sys.argv.pop(1) if len(sys.argv) > 1 else "build/artifacts"
LIBRARIES = ["VelumoDll.dll"] + RUNTIME_LIBRARIES
LAST_UNIX_TIME = 2145916799  # 2037-12-31 23:59:59 UTC


def read(name):
    with open(os.path.join(ART, name), "rb") as f:
        return f.read()


def archive_of(setup):
    name, archive, front = container(read(setup))
    assert name == b"temp.zip"
    return archive, front


def dos_of(t):
    """DOS date and time of a Unix time, in local time."""
    tm = time.localtime(t)
    if tm.tm_year < 1980:
        return (1980, 1, 1, 0, 0, 0)
    if tm.tm_year > 2037:
        return (2037, 12, 31, 23, 59, 58)
    return (tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec // 2 * 2)


def decode_dos(date, clock):
    return ((date >> 9) + 1980, date >> 5 & 15, date & 31, clock >> 11, clock >> 5 & 63, (clock & 31) * 2)


def raw_entries(archive):
    """Local and central headers, read by hand, in file order."""
    eocd = archive.rindex(b"PK\x05\x06")
    (_, disk, cd_disk, n_disk, n, cd_size, cd_offset, comment_length) = struct.unpack(
        "<IHHHHIIH", archive[eocd:eocd + 22])
    assert (disk, cd_disk, n_disk, comment_length) == (0, 0, n, 0)
    entries = []
    at = cd_offset
    for _ in range(n):
        c = struct.unpack("<IHHHHHHIIIHHHHHII", archive[at:at + 46])
        assert c[0] == 0x02014B50
        name = archive[at + 46:at + 46 + c[10]].decode("ascii")
        extra = archive[at + 46 + c[10]:at + 46 + c[10] + c[11]]
        central = dict(made_by=c[1], needed=c[2], flag=c[3], method=c[4], time=c[5], date=c[6],
                       crc=c[7], csize=c[8], usize=c[9], extra=extra, comment=c[12], disk=c[13],
                       internal=c[14], external=c[15], offset=c[16])
        lo = central["offset"]
        l = struct.unpack("<IHHHHHIIIHH", archive[lo:lo + 30])
        assert l[0] == 0x04034B50
        local = dict(needed=l[1], flag=l[2], method=l[3], time=l[4], date=l[5], crc=l[6],
                     csize=l[7], usize=l[8],
                     name=archive[lo + 30:lo + 30 + l[9]].decode("ascii"),
                     extra=archive[lo + 30 + l[9]:lo + 30 + l[9] + l[10]])
        entries.append((name, local, central))
        at += 46 + c[10] + c[11] + c[12]
    assert at == cd_offset + cd_size
    return entries


def icons(setup):
    """The icon images and the icon groups, each by (id, language)."""
    found, groups = {}, {}
    for (kind, ident, language), blob in resources(pefile.PE(os.path.join(ART, setup))).items():
        if kind == RT_ICON:
            found[(ident, language)] = blob
        elif kind == RT_GROUP_ICON:
            groups[(ident, language)] = blob
    return found, groups


def ico_directory(name):
    """(width, height, colours, planes, bits) and the bytes of each image."""
    data = read(name)
    count, = struct.unpack("<H", data[4:6])
    images = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack(
            "<BBBBHHII", data[6 + 16 * i:6 + 16 * i + 16])
        images.append(((w, h, colours, planes, bits), data[offset:offset + size]))
    return images


def group_entries(blob):
    """(width, height, colours, planes, bits), byte size and icon id per entry."""
    reserved, kind, entries = icon_group(blob)
    assert (reserved, kind) == (0, 1)
    return [((w, h, colours, planes, bits), size, icon_id)
            for w, h, colours, planes, bits, size, icon_id in entries]


class ArchiveInsideSetup(unittest.TestCase):
    def check_setup(self, setup, msi, skin, skin_stored=False):
        archive, front = archive_of(setup)
        self.assertEqual(read("stub.exe"), front)
        names = [msi, skin] + LIBRARIES
        sources = [os.path.join(ART, msi), os.path.join(ART, skin)] + [
            os.path.join(ART, "builder", n) for n in LIBRARIES]

        with zipfile.ZipFile(io.BytesIO(archive)) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(names, z.namelist())
        # Info-ZIP's own test of every entry: the deflate streams joined from
        # parallel blocks must satisfy a second, stricter inflater too.
        with tempfile.NamedTemporaryFile(suffix=".zip") as f:
            f.write(archive)
            f.flush()
            unzip = subprocess.run(["unzip", "-tq", f.name], capture_output=True, text=True)
            self.assertEqual(0, unzip.returncode, unzip.stdout + unzip.stderr)
        with zipfile.ZipFile(io.BytesIO(archive)) as z:
            for name, source in zip(names, sources):
                with open(source, "rb") as f:
                    self.assertEqual(f.read(), z.read(name), name)

        entries = raw_entries(archive)
        self.assertEqual(names, [e[0] for e in entries])
        for (name, local, central), source in zip(entries, sources):
            with self.subTest(setup=setup, entry=name):
                stored = skin_stored and name == skin
                st = os.stat(source)
                self.assertEqual(name, local["name"])
                self.assertEqual(0 if stored else 8, local["method"])
                self.assertEqual(local["method"], central["method"])
                self.assertEqual(0 if stored else 2, local["flag"])
                self.assertEqual(local["flag"], central["flag"])
                self.assertEqual(20, local["needed"])
                self.assertEqual(20, central["needed"])
                self.assertEqual(0x0B17, central["made_by"])
                self.assertEqual((0, 0, 0), (central["comment"], central["disk"], central["internal"]))
                for key in ("crc", "csize", "usize", "time", "date"):
                    self.assertEqual(local[key], central[key], key)
                self.assertEqual(st.st_size, local["usize"])
                if stored:
                    self.assertEqual(local["usize"], local["csize"])

                mtime = min(max(int(st.st_mtime), 0), LAST_UNIX_TIME)
                self.assertEqual(dos_of(mtime), decode_dos(local["date"], local["time"]))
                ut_local = local["extra"]
                self.assertEqual(17, len(ut_local))
                self.assertEqual(b"UT\x0d\x00\x07", ut_local[:5])
                self.assertEqual(mtime, struct.unpack("<I", ut_local[5:9])[0])
                self.assertEqual(b"UT\x05\x00\x07" + ut_local[5:9], central["extra"])

                writable = bool(st.st_mode & 0o200)
                expected = 0x81800020 if writable else 0x81000021
                self.assertEqual(expected, central["external"], hex(central["external"]))
        return entries

    def test_deflated_package(self):
        entries = self.check_setup("setup-main.exe", "Package.msi", "Sample.skf")
        # One library was made read-only: its entry loses the owner-write bit.
        self.assertEqual(0x81000021, dict((e[0], e[2]) for e in entries)["mfc71.dll"]["external"])

    def test_gz_skin_is_stored(self):
        self.check_setup("setup-gz.exe", "Package.msi", "x.gz", skin_stored=True)

    def test_times_outside_the_fields_are_clamped(self):
        entries = self.check_setup("setup-clamp.exe", "old.msi", "future.skf")
        (_, old, _), (_, future, _) = entries[0], entries[1]
        self.assertEqual((1980, 1, 1, 0, 0, 0), decode_dos(old["date"], old["time"]))
        self.assertEqual(0, struct.unpack("<I", old["extra"][5:9])[0])
        self.assertEqual((2037, 12, 31, 23, 59, 58), decode_dos(future["date"], future["time"]))
        self.assertEqual(LAST_UNIX_TIME, struct.unpack("<I", future["extra"][5:9])[0])


class IconsOfSetup(unittest.TestCase):
    def check_group(self, setup, ico):
        """Group 105 lists every image of the icon file, each entry matching
        the icon resource it names, and nothing else."""
        got, groups = icons(setup)
        self.assertEqual({(105, 1033)}, set(groups))
        entries = group_entries(groups[(105, 1033)])
        directory = ico_directory(ico)
        self.assertEqual(len(directory), len(entries))
        for i, ((fields, image), (group_fields, size, icon_id)) in enumerate(zip(directory, entries), 1):
            with self.subTest(setup=setup, image=i):
                self.assertEqual(i, icon_id)
                self.assertEqual(fields, group_fields)
                self.assertEqual(image, got[(icon_id, 1033)])
                self.assertEqual(len(got[(icon_id, 1033)]), size)
        return got

    def test_one_image_changes_only_icon_one(self):
        stub_icons, stub_groups = icons("stub.exe")
        self.assertEqual({(1, 1033), (2, 1033)}, set(stub_icons))
        self.assertEqual({(105, 1033)}, set(stub_groups))
        got = self.check_group("setup-icon1.exe", "one.ico")
        self.assertEqual(stub_icons[(2, 1033)], got[(2, 1033)])

    def test_nine_images_become_icons_one_to_nine(self):
        got = self.check_group("setup-icon9.exe", "nine.ico")
        self.assertEqual({(i, 1033) for i in range(1, 10)}, set(got))

    def test_drawn_icon_with_png_image(self):
        self.check_group("setup-drawn.exe", "drawn.ico")
        entries = group_entries(icons("setup-drawn.exe")[1][(105, 1033)])
        self.assertEqual([16, 48, 0], [fields[0] for fields, _, _ in entries])

    def test_container_survives_icon_update(self):
        for setup in ("setup-icon1.exe", "setup-icon9.exe", "setup-drawn.exe"):
            archive, _ = archive_of(setup)
            with zipfile.ZipFile(io.BytesIO(archive)) as z:
                self.assertIsNone(z.testzip())


if __name__ == "__main__":
    unittest.main(verbosity=2)
