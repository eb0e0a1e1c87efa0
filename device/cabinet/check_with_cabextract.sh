#!/bin/sh
# check_with_cabextract.sh CABINET DLL SETUP_DLL WORK: Debian's cabextract lists the cabinet, which
# holds the installation data first, the DLL as file 1 and the setup library as file 999 (where
# the device's installer looks for it), and extracts both files the same to the byte.
set -eu
cabinet=$1 dll=$2 setup=$3 work=$4
cabextract -l "$cabinet"
rm -rf "$work"
cabextract -q -d "$work" "$cabinet"
first=$(cabextract -l "$cabinet" | awk -F' [|] ' 'NF == 3 && $3 != "Name" { print $3; exit }')
case $first in
*.000) ;;
*) echo "the cabinet's first file is $first, not the installation data (.000)"; exit 1 ;;
esac
# Each file number once: a second .001 or .999 would leave the installer to pick one.
for number in 001 999; do
  set -- "$work"/*."$number"
  if [ ! -f "$1" ] || [ $# -ne 1 ]; then
    echo "the cabinet holds $([ -f "$1" ] && echo $# || echo no) files numbered $number"
    exit 1
  fi
done
cmp "$work"/*.001 "$dll"
echo "file 1 ($(basename "$work"/*.001)) is $(basename "$dll") to the byte"
cmp "$work"/*.999 "$setup"
echo "file 999 ($(basename "$work"/*.999)) is $(basename "$setup") to the byte"
