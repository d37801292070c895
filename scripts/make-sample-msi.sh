#!/usr/bin/env bash
# make-sample-msi.sh OUTPUT.msi: the built-in sample package, a small
# application with an authored welcome dialog. wixl writes no user-interface
# tables, so they are imported afterwards from samples/ui.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/samples/ReadMe.txt" "$work/"
(cd "$work" && wixl -o sample.msi "$root/samples/SampleApp.wxs")
for table in "$root"/samples/ui/*.idt; do
  msibuild "$work/sample.msi" -i "$table"
done
mkdir -p "$(dirname "$out")"
mv "$work/sample.msi" "$out"
