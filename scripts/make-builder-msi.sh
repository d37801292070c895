#!/usr/bin/env bash
# make-builder-msi.sh BUILDER_FOLDER VERSION OUTPUT.msi: a Windows Installer
# package of a laid-out builder folder, installing it into
# "Program Files\Velumo Installer" with its Skins folder. Component GUIDs
# are derived from the file names, so the same folder makes the same tables.
set -euo pipefail
folder=$(realpath "$1")
version=$2
out=$(realpath -m "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

guid() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID("8d1c3c7e-5b7a-4f43-9c55-1b0f3f1a6e21"), sys.argv[1])).upper())' "$1"; }
component() { # component ID SOURCE, the source relative to the folder
  local name
  name=$(basename "$2")
  printf '          <Component Id="%s" Guid="%s">\n' "$1" "$(guid "$1")"
  printf '            <File Id="%s" Name="%s" Source="%s" KeyPath="yes" />\n' "$1" "$name" "$2"
  printf '          </Component>\n'
}

ids=()
{
  cat <<HEAD
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Velumo Installer" Language="1033" Version="$version.0"
           Manufacturer="Velumo" UpgradeCode="2B7E4F0C-6A1D-4C8E-9F3B-5D2A7C1E8B44">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"
             Description="Velumo Installer $version" />
    <MajorUpgrade DowngradeErrorMessage="A newer version of Velumo Installer is already installed." />
    <Media Id="1" Cabinet="builder.cab" EmbedCab="yes" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLFOLDER" Name="Velumo Installer">
HEAD
  n=0
  for file in "$folder"/*; do
    [ -f "$file" ] || continue
    n=$((n + 1)); ids+=("F$n"); component "F$n" "$(basename "$file")"
  done
  echo '          <Directory Id="SKINSFOLDER" Name="Skins">'
  for file in "$folder"/Skins/*.skf; do
    [ -f "$file" ] || continue
    n=$((n + 1)); ids+=("F$n"); component "F$n" "Skins/$(basename "$file")" | sed 's/^/  /'
  done
  echo '          </Directory>'
  cat <<TAIL
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Builder" Level="1">
TAIL
  for id in "${ids[@]}"; do printf '      <ComponentRef Id="%s" />\n' "$id"; done
  cat <<END
    </Feature>
  </Product>
</Wix>
END
} > "$work/builder.wxs"
mkdir -p "$(dirname "$out")"
# wixl reads each source relative to where it runs.
(cd "$folder" && wixl -o "$work/builder.msi" "$work/builder.wxs")
mv "$work/builder.msi" "$out"
