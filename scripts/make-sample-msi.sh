#!/usr/bin/env bash
# make-sample-msi.sh OUTPUT.msi: the built-in sample package, a small
# application with a full installer wizard (welcome, licence, folder, progress,
# finish, cancel and error boxes). wixl writes no user-interface tables, so
# they are imported afterwards from samples/ui, with the wizard's two
# bitmaps drawn here into the Binary table's stream folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/samples/ReadMe.txt" "$work/"
(cd "$work" && wixl -o sample.msi "$root/samples/SampleApp.wxs")

# The import reads a binary column's files from a folder named after the table
# beside the .idt file. BMP3: Windows Installer loads only plain bitmaps.
mkdir -p "$work/ui/Binary"
cp "$root"/samples/ui/*.idt "$work/ui/"
convert -size 312x160 gradient:'#0b3d91'-'#5fb0ff' -rotate 90 \
  -fill '#ffffff40' -draw 'circle 80,150 80,210' -draw 'circle 130,240 130,262' \
  -fill white -draw 'polygon 58,124 106,156 58,188' \
  -type TrueColor "BMP3:$work/ui/Binary/WizardSide.bmp"
convert -size 58x493 gradient:'#5fb0ff'-'#0b3d91' -rotate 270 \
  -fill '#ffffff40' -draw 'circle 440,29 440,79' -draw 'circle 380,12 380,22' \
  -fill white -draw 'polygon 428,13 460,29 428,45' \
  -type TrueColor "BMP3:$work/ui/Binary/WizardTop.bmp"
for table in "$work"/ui/*.idt; do
  (cd "$work/ui" && msibuild "$work/sample.msi" -i "$(basename "$table")")
done
# Rows added to tables that wixl wrote: the box Windows Installer shows its
# errors in, and the wizard's default answer for whom to install.
msibuild "$work/sample.msi" -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ErrorDialog', 'ErrorDlg')"
msibuild "$work/sample.msi" -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('InstallScope', 'AllUsers')"
mkdir -p "$(dirname "$out")"
mv "$work/sample.msi" "$out"
