#!/usr/bin/python3
"""The builder for Linux, run natively: its switches and exit codes, setups
equal byte for byte to those of OrnixCreator.exe (run under Wine) on the same
inputs, the icon group read back by pefile, and a setup it made installing
under Wine, and the Windows builder's own setup installing a builder that
works. Arguments: the native ornixcreator, the laid-out builder folder, the
placeholder libraries, the fixtures folder, a skin and the builder's setup."""
import configparser
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

import pefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_skin_contrast  # noqa: E402
from built_files import RT_GROUP_ICON, RT_ICON, RUNTIME_LIBRARIES, container, icon_group, resources  # noqa: E402

LINUX, BUILDER, PLACEHOLDERS, FIXTURES, SKIN, BUILDER_SETUP = sys.argv[1:7]
del sys.argv[1:7]
PLAIN_PRODUCT = "{6E0D8F1A-3C51-4E7B-9A0B-2F5C1D7A9E01}"
WINE_LIMIT = 300  # seconds for one Wine process; Wine under emulation is slow


def wine(*args):
    return subprocess.run(["wine", *args], capture_output=True, timeout=WINE_LIMIT)


def win(path):
    return "Z:" + path.replace("/", "\\")


def bmp_size(data):
    """Width and height of a BMP, read from its header."""
    width, height = struct.unpack_from("<ii", data, 18)
    return width, abs(height)


def entry_names(setup):
    """The archive's entry names, read from the container's trailer."""
    with open(setup, "rb") as f:
        _, archive, _ = container(f.read())
    with zipfile.ZipFile(io.BytesIO(archive)) as z:
        return z.namelist()


def icon_file(sizes):
    """An .ico with one 32-bit image per size, each of its own colour."""
    images = []
    for n, size in enumerate(sizes):
        header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytes([n * 40 % 256, 90, 200, 255]) * (size * size)
        mask = b"\0" * (((size + 31) // 32) * 4 * size)
        images.append(header + pixels + mask)
    directory, offset = b"", 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(images)


class LinuxBuilder(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="linux-builder-")
        cls.payload = os.path.join(cls.work, "payload")
        shutil.copytree(BUILDER, cls.payload)
        for name in os.listdir(PLACEHOLDERS):
            shutil.copy(os.path.join(PLACEHOLDERS, name), cls.payload)
        for source in (os.path.join(FIXTURES, "PlainProduct.msi"), SKIN):
            shutil.copy(source, cls.work)
        cls.msi = os.path.join(cls.work, "PlainProduct.msi")
        cls.skin = os.path.join(cls.work, os.path.basename(SKIN))
        cls.icon = os.path.join(cls.work, "app.ico")
        with open(cls.icon, "wb") as f:
            f.write(icon_file([16, 32, 48]))
        # The archive records access times too, and reading a file may move
        # its access time on: one later than its last change stays put, so
        # both builders see the same times.
        later = time.time() + 3600
        for folder, _, names in os.walk(cls.work):
            for name in names:
                path = os.path.join(folder, name)
                os.utime(path, (later, os.stat(path).st_mtime))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.work, name)

    def stock(self, name):
        return os.path.join(self.payload, "Skins", name + ".skf")

    def linux(self, *args):
        return subprocess.run([LINUX, *args], capture_output=True, text=True, timeout=120)

    def test_switches_and_exit_codes(self):
        output = self.path("kept.exe")
        folder = self.path("a-folder")
        os.makedirs(folder, exist_ok=True)
        bitmap = self.path("bitmap.ico")
        with open(bitmap, "wb") as f:
            f.write(b"BM" + bytes(60))
        base = ["--skin", self.skin, "--payload", self.payload]
        # A skin that the skin engine refuses, for a fault on line 4.
        refused = self.path("Brand.skf")
        with zipfile.ZipFile(refused, "w") as skin:
            skin.writestr("skin.ini", "[Skin]\nformat = 2\n[Dialog]\nglow = 1\n")
        cases = [
            ("help", ["--help"], 0, None),
            ("slash help", ["/?"], 0, None),
            ("version", ["--version"], 0, None),
            ("nothing given", [], 1, None),
            ("unknown option", ["--msi", self.msi, "--frobnicate"] + base + ["-o", output], 1, None),
            ("value missing", ["--msi"], 1, None),
            ("msi missing", ["--msi", self.path("none.msi"), "-o", output] + base, 3, None),
            ("engine missing", ["--msi", self.msi, "-o", output, "--skin", self.skin,
                                "--payload", self.work], 4, None,
             f"VelumoDll.dll is missing from {self.work}\n"),
            ("stock skin by bare name", ["--msi", self.msi, "-o", output, "--skin", "midnight",
                                         "--payload", self.payload], 0, "made"),
            ("unknown stock skin", ["--msi", self.msi, "-o", output, "--skin", "Sunset",
                                    "--payload", self.payload], 3, None,
             "the stock skins are: Contrast, Daylight, Iris, Midnight"),
            ("list of stock skins", ["--list-skins", "--payload", self.payload], 0, None,
             "Contrast\tContrast\nDaylight\tDaylight\nIris\tIris\nMidnight\tMidnight\n"),
            ("bitmap as icon", ["--msi", self.msi, "-o", output, "-i", bitmap] + base, 6, None),
            ("output is the msi", ["--msi", self.msi, "-o", self.msi] + base, 11, None),
            ("output is a folder", ["--msi", self.msi, "-o", folder] + base, 12, None),
            ("skin refused", ["--msi", self.msi, "-o", output, "--skin", refused,
                              "--payload", self.payload], 16, None,
             'ornixcreator: the skin is refused: Brand.skf:4: [Dialog] unknown key "glow"\n'),
            ("made", [f"/m:{self.msi}", f"/O:{output}", f"-s:{self.skin}",
                      "--payload", self.payload], 0, "made"),
        ]
        for name, args, code, made, *says in cases:
            with self.subTest(name):
                with open(output, "wb") as f:
                    f.write(b"an earlier setup")
                run = self.linux(*args)
                self.assertEqual(code, run.returncode, run.stderr)
                with open(output, "rb") as f:
                    kept = f.read() == b"an earlier setup"
                self.assertEqual(made is None, kept)
                if code != 0:
                    self.assertTrue(run.stderr.startswith("ornixcreator: "), run.stderr)
                if says:
                    self.assertIn(says[0], run.stdout + run.stderr)
                left = [n for n in os.listdir(self.work) if n.startswith("vlm")]
                self.assertEqual([], left)

    def test_skin_check(self):
        for skin, says in ((self.stock("Midnight"), r"objects\n"),
                           (self.stock("Daylight"), r"objects, a dark variant\n"),
                           (self.stock("Contrast"), r"objects, safe in high contrast\n")):
            run = self.linux("skin", "check", skin)
            self.assertEqual(0, run.returncode, run.stderr)
            self.assertRegex(run.stdout, r"^ok: \w+, format 2, \d+ " + says + "$")
            self.assertEqual("", run.stderr)
        broken = self.path("Broken.skf")
        with zipfile.ZipFile(broken, "w") as skin:
            skin.writestr("skin.ini", "[Skin]\nformat = 2\n[Dialog]\nglow = 1\nface = red\n")
        run = self.linux("skin", "check", broken)
        self.assertEqual(20, run.returncode)
        self.assertEqual("", run.stdout)
        self.assertEqual(f'{broken}:4: [Dialog] unknown key "glow"\n'
                         f'{broken}:5: [Dialog] bad value "red" for face\n', run.stderr)
        for args, code in ((["skin", "check", self.path("none.skf")], 3),
                           (["skin", "check"], 1), (["skin", "create"], 1)):
            with self.subTest(args=args):
                self.assertEqual(code, self.linux(*args).returncode)

    def test_skin_create(self):
        pages = self.path("pages.txt")
        with open(pages, "w") as f:
            f.write("not a picture")
        light = self.path("light.jpg")
        subprocess.run(["convert", "-size", "120x800", "gradient:#FFFFFF-#E8F0F0", "-rotate", "90",
                        light], check=True, timeout=60)
        made = self.path("Brand.skf")
        kit = ["skin", "create", "--payload", self.payload, "--output", made]
        cases = [
            # what, arguments, exit code, text the output must hold
            ("accent on Daylight", ["--from", "Daylight", "--accent", "#0B6E77"], 0,
             "made " + made + ": Daylight, format 2, 23 objects"),
            ("banner and side picture", ["--from", "Daylight", "--banner", light,
                                         "--side-image", light], 0, "format 2"),
            ("dark banner the titles cannot be read on", ["--from", "Daylight",
                                                          "--dark-banner", light], 21,
             "dark: Banner under the titles: #"),
            ("banner the titles cannot be read on", ["--from", "Midnight", "--banner", light], 21,
             "Banner under the titles: #"),
            ("accent, name and font on Midnight", ["--from", "midnight", "--accent", "#E4572E",
                                                   "--name", "Ember Night", "--font", "Verdana"],
             0, ": Ember Night, format 2"),
            ("base skin as a file", ["--from", self.skin, "--face", "#FAFAF7"], 0, "format 2"),
            ("unknown stock skin", ["--from", "Sunset"], 3, "the stock skins are: Contrast"),
            ("base skin missing", ["--from", self.path("none.skf")], 3, "none.skf"),
            ("base skin is a folder", ["--from", self.path("deb")], 3, ""),
            ("text that cannot be read on the face",
             ["--from", "Daylight", "--text", "#D0D0D0"], 21, "below 4.5:1"),
            ("accent that no text reads on", ["--from", "Daylight", "--accent", "#E4572E"], 21,
             "Dialog caption_text on caption: #2B2B2B on #E4572E is 3.84:1, below 4.5:1"),
            ("not a colour", ["--from", "Daylight", "--accent", "teal"], 1, "#RRGGBB"),
            ("picture that is no image", ["--from", "Daylight", "--banner", pages], 22, pages),
            ("picture missing", ["--from", "Daylight", "--side-image", self.path("no.png")], 22,
             "no.png"),
        ]
        os.makedirs(self.path("deb"), exist_ok=True)
        for what, args, code, says in cases:
            with self.subTest(what):
                with open(made, "wb") as f:
                    f.write(b"an earlier skin")
                run = self.linux(*kit, *args)
                self.assertEqual(code, run.returncode, run.stderr)
                self.assertIn(says, run.stdout + run.stderr)
                with open(made, "rb") as f:
                    written = f.read()
                left = [n for n in os.listdir(self.work) if n.startswith("vlm")]
                self.assertEqual([], left)
                if code != 0:
                    self.assertEqual(b"an earlier skin", written)
                    self.assertEqual(1, len(run.stderr.splitlines()), run.stderr)
                    continue
                self.assertEqual(0, self.linux("skin", "check", made).returncode)
                # Read independently: every text still reads on its face, in
                # the dark variant too, which a skin made from Daylight keeps.
                with zipfile.ZipFile(made) as skin:
                    inis = [n for n in skin.namelist() if n.endswith(".ini")]
                    self.assertEqual("Daylight" in args or self.skin in args,
                                     "dark.ini" in inis, inis)
                    for name in inis:
                        ini = self.path("made-" + name)
                        with open(ini, "wb") as f:
                            f.write(skin.read(name))
                        failures, _ = check_skin_contrast.check_skin(
                            what, check_skin_contrast.read_ini(ini), 4.5)
                        self.assertEqual([], failures, name)
                        # Each image comes at 150% and 200% too, the 100% size at that scale.
                        parsed = configparser.ConfigParser(interpolation=None)
                        parsed.read_string(skin.read(name).decode("utf-8"))
                        for section in parsed.sections():
                            for key in ("image", "buttons"):
                                if key not in parsed[section]:
                                    continue
                                base = bmp_size(skin.read(parsed[section][key].lower()))
                                for scale in (150, 200):
                                    larger = parsed[section].get(f"{key}@{scale}")
                                    self.assertIsNotNone(larger, f"{name} [{section}] {key}@{scale}")
                                    frames = (8 if key == "buttons" else
                                              int(parsed[section].get("image_states", "1")))
                                    want = (frames * ((base[0] // frames * scale + 50) // 100),
                                            (base[1] * scale + 50) // 100)
                                    self.assertEqual(want, bmp_size(skin.read(larger.lower())),
                                                     f"{name} [{section}] {key}@{scale}")
                # The same inputs make the same bytes.
                again = self.path("Again.skf")
                run = self.linux("skin", "create", "--payload", self.payload, "--output", again,
                                 *args)
                with open(again, "rb") as f:
                    self.assertEqual(written, f.read())
        run = self.linux(*kit[:-1], self.path("missing/Brand.skf"), "--from", "Daylight")
        self.assertEqual(23, run.returncode)
        self.assertFalse(os.path.exists(self.path("missing")))

    def test_same_setup_as_the_windows_builder_and_it_installs(self):
        for icon in (None, self.icon):
            with self.subTest(icon=icon):
                linux_out, windows_out = self.path("linux.exe"), self.path("windows.exe")
                extra = ["--icon", icon] if icon else []
                run = self.linux("--msi", self.msi, "--skin", self.skin, "--output", linux_out,
                                 "--payload", self.payload, *extra)
                self.assertEqual(0, run.returncode, run.stderr)
                extra = [f"/i:{win(icon)}"] if icon else []
                windows = wine(os.path.join(self.payload, "OrnixCreator.exe"), f"/m:{win(self.msi)}",
                               f"/s:{win(self.skin)}", f"/o:{win(windows_out)}", *extra)
                self.assertEqual(0, windows.returncode, windows.stderr)
                with open(linux_out, "rb") as a, open(windows_out, "rb") as b:
                    self.assertTrue(a.read() == b.read(), "the two builders' setups differ")

        # Every entry of the rewritten icon group describes its image.
        found = resources(pefile.PE(self.path("linux.exe")))
        images = {ident: blob for (kind, ident, _), blob in found.items() if kind == RT_ICON}
        groups = [blob for (kind, ident, _), blob in found.items()
                  if kind == RT_GROUP_ICON and ident == 105]
        self.assertEqual(1, len(groups))
        reserved, kind, entries = icon_group(groups[0])
        self.assertEqual((0, 1, 3), (reserved, kind, len(entries)))
        for (width, height, _, planes, bits, length, image_id), size in zip(entries, [16, 32, 48]):
            self.assertEqual((size, size, 1, 32), (width, height, planes, bits))
            self.assertEqual(len(images[image_id]), length)

        # The setup the Linux builder made installs, unattended, under Wine.
        wine("msiexec", "/x", PLAIN_PRODUCT, "/qn")
        installed = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files",
                                 "Velumo Test Plain", "plain.txt")
        try:
            run = wine(win(self.path("linux.exe")), "/q")
            self.assertEqual(0, run.returncode)
            self.assertTrue(os.path.exists(installed))
        finally:
            wine("msiexec", "/x", PLAIN_PRODUCT, "/qn")

    def test_debian_package_builds_a_setup_that_installs_and_places_nothing(self):
        packages = self.path("deb")
        cpack = subprocess.run(["cpack", "-G", "DEB", "--config",
                                os.path.join(os.path.dirname(LINUX), "CPackConfig.cmake"),
                                "-B", packages], capture_output=True, text=True, timeout=300)
        self.assertEqual(0, cpack.returncode, cpack.stdout + cpack.stderr)
        deb = [n for n in os.listdir(packages) if n.endswith(".deb")]
        self.assertEqual(1, len(deb))
        lint = subprocess.run(["lintian", "--fail-on", "error", os.path.join(packages, deb[0])],
                              capture_output=True, text=True, timeout=300)
        self.assertEqual(0, lint.returncode, lint.stdout + lint.stderr)
        root = self.path("root")
        subprocess.run(["dpkg-deb", "-x", os.path.join(packages, deb[0]), root], check=True)
        share = os.path.join(root, "usr", "share", "velumo-installer")
        self.assertEqual(["Runlet.exe", "VelumoDll.dll", "preview", "skins"], sorted(os.listdir(share)))
        self.assertIn("Daylight.skf", os.listdir(os.path.join(share, "skins")))
        for path in ("usr/share/man/man1/ornixcreator.1.gz",
                     "usr/share/bash-completion/completions/ornixcreator"):
            self.assertTrue(os.path.isfile(os.path.join(root, path)), path)
        # Nothing but the unpacked package: it finds its payload under share/
        # and the stock skin by its bare name.
        setup = self.path("from-deb.exe")
        run = subprocess.run([os.path.join(root, "usr", "bin", "ornixcreator"), "--msi", self.msi,
                              "--skin", "Daylight", "--output", setup],
                             capture_output=True, text=True, timeout=120)
        self.assertEqual(0, run.returncode, run.stderr)
        self.assertEqual(["PlainProduct.msi", "Daylight.skf", "VelumoDll.dll"], entry_names(setup))

        # A brand skin made and previewed with nothing but the package.
        program = os.path.join(root, "usr", "bin", "ornixcreator")
        brand, gallery = self.path("Ember.skf"), self.path("preview")
        banner = self.path("ember.png")
        subprocess.run(["convert", "-size", "120x800", "gradient:#3A1208-#12151A", "-rotate", "90",
                        "PNG24:" + banner], check=True, timeout=60)
        run = subprocess.run([program, "skin", "create", "--from", "Midnight", "--accent",
                              "#E4572E", "--name", "Ember Night", "--banner", banner,
                              "--output", brand], capture_output=True, text=True, timeout=120)
        self.assertEqual(0, run.returncode, run.stderr)
        run = subprocess.run([program, "skin", "preview", brand, "--output", gallery],
                             capture_output=True, text=True, timeout=900)
        self.assertEqual(0, run.returncode, run.stdout + run.stderr)
        pages = ["1-welcome", "2-licence", "3-folder", "4-progress", "5-finish", "6-error",
                 "7-fatal"]
        with open(os.path.join(gallery, "index.html"), encoding="utf-8") as f:
            html = f.read()
        self.assertIn("<h1>Ember Night</h1>", html)
        for page in pages:
            self.assertIn(f'src="{page}.png"', html)
            with open(os.path.join(gallery, page + ".png"), "rb") as f:
                self.assertEqual(b"\x89PNG", f.read(4), page)
        # Without Wine on the PATH: one line, its own code, no gallery.
        bare = self.path("bare-bin")
        os.makedirs(bare, exist_ok=True)
        for tool in ("bash", "xvfb-run", "xdotool", "import"):
            if shutil.which(tool) and not os.path.exists(os.path.join(bare, tool)):
                os.symlink(shutil.which(tool), os.path.join(bare, tool))
        run = subprocess.run([program, "skin", "preview", brand, "--output", self.path("none")],
                             capture_output=True, text=True, timeout=60,
                             env=dict(os.environ, PATH=bare))
        self.assertEqual(24, run.returncode, run.stderr)
        self.assertEqual(1, len(run.stderr.splitlines()), run.stderr)
        self.assertIn("needs wine", run.stderr)
        self.assertFalse(os.path.exists(self.path("none")))

        system = os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "system32")
        before = set(os.listdir(system))
        wine("msiexec", "/x", PLAIN_PRODUCT, "/qn")
        installed = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files",
                                 "Velumo Test Plain", "plain.txt")
        try:
            run = wine(win(setup), "/q")
            self.assertEqual(0, run.returncode)
            self.assertTrue(os.path.exists(installed))
            self.assertEqual(set(), set(os.listdir(system)) - before)
        finally:
            wine("msiexec", "/x", PLAIN_PRODUCT, "/qn")

    def test_builders_own_setup_installs_a_builder_that_works(self):
        program_files = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files")
        folder = os.path.join(program_files, "Velumo Installer")
        try:
            run = wine(win(BUILDER_SETUP), "/q")
            self.assertEqual(0, run.returncode)
            for name in ("OrnixCreator.exe", "Runlet.exe", "VelumoDll.dll", "Ornix.skf",
                         "Velumo Installer Manual.chm", os.path.join("Skins", "Daylight.skf")):
                self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
            # The installed builder makes a setup in a stock skin named bare.
            setup = self.path("by-installed-builder.exe")
            run = wine(os.path.join(folder, "OrnixCreator.exe"), f"/m:{win(self.msi)}",
                       "/s:Midnight", f"/o:{win(setup)}")
            self.assertEqual(0, run.returncode, run.stderr)
            self.assertEqual(["PlainProduct.msi", "Midnight.skf", "VelumoDll.dll"],
                             entry_names(setup))
        finally:
            package = BUILDER_SETUP[:-len("-setup.exe")] + ".msi"
            removed = wine("msiexec", "/x", win(package), "/qn")
        self.assertEqual(0, removed.returncode, removed.stderr)
        self.assertFalse(os.path.exists(os.path.join(folder, "OrnixCreator.exe")))

    def test_runtime_libraries_are_packed_only_when_present(self):
        for present in ([], ["mfc71.dll"], ["msvcp71.dll", "gdiplus.dll"]):
            with self.subTest(present=present):
                payload = self.path("payload-" + "-".join(present))
                os.makedirs(payload, exist_ok=True)
                for name in ["Runlet.exe", "VelumoDll.dll"]:
                    shutil.copy(os.path.join(BUILDER, name), payload)
                for name in present:
                    shutil.copy(os.path.join(PLACEHOLDERS, name), payload)
                setup = self.path("partial.exe")
                run = self.linux("--msi", self.msi, "--skin", self.skin, "--output", setup,
                                 "--payload", payload)
                self.assertEqual(0, run.returncode, run.stderr)
                order = RUNTIME_LIBRARIES
                expected = ["PlainProduct.msi", os.path.basename(self.skin), "VelumoDll.dll"]
                self.assertEqual(expected + [n for n in order if n in present], entry_names(setup))


if __name__ == "__main__":
    unittest.main()
