#!/usr/bin/env bash
# make-featuretour-msi.sh OUTPUT.msi: the feature tour, a product of five
# features whose wizard is laid out as most packages' wizards are: welcome and
# finish over a full-page bitmap, a banner on every inner page, setup type,
# feature tree, disk cost, folder browser, an options page with every kind of
# input control, verify, progress, maintenance, cancel and error boxes. As
# for the sample, wixl writes no user-interface tables: they come from
# samples/featuretour/ui, with the pictures and icons drawn here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=$root/samples/featuretour
out=$(realpath -m "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for part in Tour Guide Examples Tools Languages; do
  printf 'The %s part of the Velumo Feature Tour.\r\n' "$part" > "$work/$part.txt"
done
(cd "$work" && wixl -o tour.msi "$src/FeatureTour.wxs")

# The import reads a binary column's files from a folder named after the
# table beside the .idt file. BMP3: Windows Installer loads only plain bitmaps.
bin=$work/ui/Binary
mkdir -p "$bin"
cp "$src"/ui/*.idt "$work/ui/"
# Banner: calm on the left five sixths, where the titles lie.
convert -size 493x58 xc:'#f4f7fb' \
  -fill '#2f7d5b' -draw 'rectangle 420,0 493,58' \
  -fill '#ffffff60' -draw 'circle 456,29 456,47' \
  -type TrueColor "BMP3:$bin/TourBanner.bmp"
# Full page: a picture on the left third, plain under the texts on the right.
convert -size 493x312 xc:'#f4f7fb' \
  \( -size 312x164 gradient:'#2f7d5b'-'#9fd8b8' -rotate 90 \) -geometry +0+0 -composite \
  -fill '#ffffff50' -draw 'circle 82,120 82,170' -draw 'circle 120,230 120,250' \
  -type TrueColor "BMP3:$bin/TourFullPage.bmp"
# Icons at 16 and 32 pixels: folder up, new folder, the program, a part.
icon() {
  local name=$1; shift
  convert -size 32x32 xc:none "$@" -define icon:auto-resize=32,16 "$bin/$name.ico"
}
icon TourUp -fill '#e0b040' -draw 'rectangle 3,9 29,27' -fill '#205080' \
  -draw 'polygon 16,4 24,14 19,14 19,22 13,22 13,14 8,14'
icon TourNewFolder -fill '#e0b040' -draw 'rectangle 3,9 29,27' -fill '#30a050' \
  -draw 'rectangle 14,11 18,25' -draw 'rectangle 9,16 23,20'
icon TourApp -fill '#2f7d5b' -draw 'roundrectangle 2,2 29,29 6,6' -fill white \
  -draw 'polygon 11,8 24,16 11,24'
icon TourPart -fill '#3b6fb6' -draw 'rectangle 5,5 26,26' -fill '#9cc3ee' \
  -draw 'rectangle 10,10 21,21'
for table in "$work"/ui/*.idt; do
  (cd "$work/ui" && msibuild "$work/tour.msi" -i "$(basename "$table")")
done
# Rows added to the Property table that wixl wrote: the error box, the
# font every control without a style of its own takes, the serial number's
# mask, the folder the browser starts in, and the options' first values.
for row in "ErrorDialog|ErrorDlg" "DefaultUIFont|TourNormal" "PIDTemplate|<####-####-####>" \
           "_BrowseProperty|INSTALLFOLDER" "TOURUSER|Tour User" "TOURLANGUAGE|en" \
           "TOURSHORTCUTS|StartMenu" "TOURSTART|Now" "TOURPARTS|Editor"; do
  msibuild "$work/tour.msi" -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('${row%%|*}', '${row#*|}')"
done
mkdir -p "$(dirname "$out")"
mv "$work/tour.msi" "$out"
