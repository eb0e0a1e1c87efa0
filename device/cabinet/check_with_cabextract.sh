#!/bin/sh
# check_with_cabextract.sh CABINET DLL WORK: Debian's cabextract lists the cabinet, which holds the
# installation data first and the DLL as file 1, and extracts that file the same to the byte.
set -eu
cabinet=$1 dll=$2 work=$3
cabextract -l "$cabinet"
rm -rf "$work"
cabextract -q -d "$work" "$cabinet"
first=$(cabextract -l "$cabinet" | awk -F' [|] ' 'NF == 3 && $3 != "Name" { print $3; exit }')
case $first in
*.000) ;;
*) echo "the cabinet's first file is $first, not the installation data (.000)"; exit 1 ;;
esac
cmp "$work"/*.001 "$dll"
echo "file 1 ($(basename "$work"/*.001)) is $(basename "$dll") to the byte"
