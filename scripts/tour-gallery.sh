#!/usr/bin/env bash
# tour-gallery.sh [BUILD_DIR]: the README's gallery of the feature tour, one
# picture per look, from the pages the wizard walk saved (run the suite first).
# Pages walked at a higher DPI are shown at the size of the others; the walk's
# own PNGs keep every pixel.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shots=${1:-$root/build}/screenshots
for look in Daylight Midnight Daylight-dark Midnight-144dpi Midnight-192dpi; do
  pages=("$shots"/tour-"$look"-[0-9][0-9]-*.png)
  [ -e "${pages[0]}" ] || { echo "tour-gallery: no pages of $look in $shots" >&2; exit 1; }
  dpi=96
  [[ $look =~ -([0-9]+)dpi$ ]] && dpi=${BASH_REMATCH[1]}
  montage "${pages[@]}" -resize "$((40 * 96 / dpi))%" -tile 6x -geometry +4+4 \
    -background '#FFFFFF' -colors 256 "PNG8:$root/docs/images/tour-$look.png"
done
