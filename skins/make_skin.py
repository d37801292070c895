#!/usr/bin/python3
"""make_skin.py SOURCE_DIR OUTPUT.skf: builds one skin file.

SOURCE_DIR holds skin.ini, the ini of any dark variant, and images.txt. Each line of images.txt is
"name.bmp: <ImageMagick convert arguments>"; the image is drawn by convert as
an uncompressed 24-bit BMP, the only kind the engine reads, and drawn again
for 150% and 200% as name@150.bmp and name@200.bmp: the same drawing at that
scale, sharp, not the small one enlarged. skin.ini and the images are then
stored in a ZIP archive with every .ini of the folder.
"""
import os
import shlex
import subprocess
import sys
import tempfile
import zipfile


SCALES = (150, 200)


def at_scale(length, scale):
    """A 100% length at a scale, as the engine expects the larger images."""
    return (length * scale + 50) // 100


def scaled(arguments, scale):
    """The convert arguments of a drawing, drawing it at a scale in percent.

    Canvas sizes grow, and every drawing is made under a transform that maps
    each 100% pixel onto its square of pixels: ImageMagick puts a coordinate
    at a pixel's centre, so the scaling is about the centre of pixel 0.
    Stroke widths scale with the transform."""
    s = scale / 100
    out = []
    following = None
    for argument in arguments:
        if following == "-size":
            width, height = (int(v) for v in argument.lower().split("x"))
            argument = "%dx%d" % (at_scale(width, scale), at_scale(height, scale))
        elif following == "-draw":
            argument = "translate -0.5,-0.5 scale %g,%g translate 0.5,0.5 %s" % (s, s, argument)
        out.append(argument)
        following = argument if argument.startswith("-") else None
    return out


def larger_name(name, scale):
    stem, extension = os.path.splitext(name)
    return "%s@%d%s" % (stem, scale, extension)


def draw(arguments, target):
    subprocess.run(["convert"] + arguments + ["-type", "TrueColor", "BMP3:" + target],
                   check=True)


def main():
    source, output = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        images = []
        listing = os.path.join(source, "images.txt")
        if os.path.exists(listing):
            with open(listing, encoding="utf-8") as lines:
                for line in lines:
                    line = line.strip()
                    if not line or line.startswith("#"):
                        continue
                    name, arguments = line.split(":", 1)
                    name = name.strip()
                    arguments = shlex.split(arguments)
                    drawings = [(name, arguments)] + [
                        (larger_name(name, scale), scaled(arguments, scale)) for scale in SCALES]
                    for drawn, drawn_arguments in drawings:
                        target = os.path.join(work, drawn)
                        draw(drawn_arguments, target)
                        images.append((drawn, target))
        partial = output + ".part"
        with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as archive:
            archive.write(os.path.join(source, "skin.ini"), "skin.ini")
            for name in sorted(os.listdir(source)):
                if name.endswith(".ini") and name != "skin.ini":
                    archive.write(os.path.join(source, name), name)
            for name, target in images:
                archive.write(target, name)
        os.replace(partial, output)


if __name__ == "__main__":
    main()
