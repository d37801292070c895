#!/usr/bin/python3
"""make_skin.py SOURCE_DIR OUTPUT.skf: builds one skin file.

SOURCE_DIR holds skin.ini, the ini of any dark variant, and images.txt. Each line of images.txt is
"name.bmp: <ImageMagick convert arguments>"; the image is drawn by convert as
an uncompressed 24-bit BMP, the only kind the engine reads. skin.ini and the
images are then stored in a ZIP archive with every .ini of the folder.
"""
import os
import shlex
import subprocess
import sys
import tempfile
import zipfile


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
                    target = os.path.join(work, name)
                    subprocess.run(["convert"] + shlex.split(arguments) +
                                   ["-type", "TrueColor", "BMP3:" + target], check=True)
                    images.append((name, target))
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
