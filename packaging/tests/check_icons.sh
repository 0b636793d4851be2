#!/usr/bin/env bash
# The icon at every size of the hicolor theme: a PNG of exactly that size, with transparency,
# and not blank.
#   check_icons.sh ICON_DIR SIZE...
source "$(dirname "$0")/lib.sh"
dir=$1
shift
for size in "$@"; do
    icon=$dir/korvelce-$size.png
    description=$(file -b "$icon")
    [[ $description == "PNG image data, $size x $size, 8-bit/color RGBA"* ]] ||
        fail "korvelce-$size.png is '$description'"
    # A drawn picture compresses worse than an empty one of the same size.
    smallest=$((size * size / 64 + 100))
    (($(stat -c %s "$icon") > smallest)) || fail "korvelce-$size.png looks empty"
done
finish
