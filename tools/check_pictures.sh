#!/bin/sh
# Usage: check_pictures.sh MAKE_ASSETS ASSETS_DIR
#
# Runs the picture generator into a scratch directory and compares what it
# draws with the committed pictures.  Every committed picture must be drawn,
# and nothing else.  Fails, naming the files, when anything differs.
#
# How closely depends on what drew them.  make_assets writes drawn-with.txt,
# the Qt and font versions it drew with, beside the pictures:
# - the same versions as the committed drawn-with.txt: the bitmaps and icons
#   byte for byte, the GIF by its decoded pixels and its colour table (its
#   compressed bytes may differ with the encoder);
# - other versions (another Debian release): each picture's pixels within a
#   stated tolerance of the committed ones, every channel within PEAK of
#   255 and on average within MEAN of 255.  Another rasteriser or font
#   release moves antialiased glyph edges by a few levels (seen from Debian
#   12 to 13: at most 7 on a letter tile, 42 on one edge pixel of the largest
#   icon, on average under 0.2); a changed colour, shape or position of the
#   art moves far more.
set -eu
tool=$1
assets=$2
command -v convert >/dev/null || { echo "check_pictures: ImageMagick's convert is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" "$work/new"

# The global colour table of a GIF: 3 bytes times 2^(n+1) entries, where n
# is the low three bits of byte 10, starting at byte 13.
gif_palette() {
    flags=$(od -An -tu1 -j10 -N1 "$1" | tr -d ' ')
    if [ $((flags & 128)) -eq 0 ]; then return; fi
    size=$((3 * (1 << ((flags & 7) + 1))))
    od -An -tx1 -v -j13 -N"$size" "$1"
}

same_gif() {
    convert "$1" rgba:"$work/a.rgba" && convert "$2" rgba:"$work/b.rgba" || return 1
    [ "$(identify -format '%wx%h' "$1")" = "$(identify -format '%wx%h' "$2")" ] || return 1
    cmp -s "$work/a.rgba" "$work/b.rgba" || return 1
    [ "$(gif_palette "$1")" = "$(gif_palette "$2")" ]
}

PEAK=48
MEAN=0.5

# Peak and mean channel difference of two pictures, in 0..255, as compare
# reports them (normalised, in parentheses); compare exits 1 when they
# differ at all and 2 when it cannot read them.
difference() {
    metric=$1
    out=$(compare -metric "$metric" "$2" "$3" null: 2>&1) || [ $? -eq 1 ] || return 1
    printf '%s\n' "$out" | sed -n 's/.*(\([0-9.e+-]*\)).*/\1/p' | awk '{ printf "%.3f", $1 * 255 }'
}

near() {
    [ "$(identify -format '%wx%h' "$1[0]")" = "$(identify -format '%wx%h' "$2[0]")" ] || return 1
    peak=$(difference PAE "$1" "$2") && mean=$(difference MAE "$1" "$2") || return 1
    echo "${2#"$work/new/"}: peak $peak, mean $mean"
    awk -v p="$peak" -v m="$mean" -v P="$PEAK" -v M="$MEAN" 'BEGIN { exit !(p <= P && m <= M) }'
}

failed=0
if cmp -s "$assets/drawn-with.txt" "$work/new/drawn-with.txt"; then
    exact=yes
    echo "drawn with the versions the committed pictures were drawn with: byte for byte"
else
    exact=no
    echo "committed pictures drawn with: $(cat "$assets/drawn-with.txt" 2>/dev/null || echo unknown)"
    echo "drawn now with:                $(cat "$work/new/drawn-with.txt")"
    echo "other versions: each picture within $PEAK of 255 on every channel, $MEAN on average"
fi
rm -f "$work/new/drawn-with.txt"
drawn=$(cd "$work/new" && find . -type f | sort)
committed=$(cd "$assets" && find . -type f \( -name '*.bmp' -o -name '*.gif' -o -name '*.png' \) | sort)
if [ "$drawn" != "$committed" ]; then
    echo "the drawn pictures are not the committed set:" >&2
    printf '%s\n' "$drawn" > "$work/drawn.txt"
    printf '%s\n' "$committed" > "$work/committed.txt"
    diff "$work/committed.txt" "$work/drawn.txt" >&2 || true
    failed=1
fi
for f in $drawn; do
    [ -f "$assets/$f" ] || continue
    case $exact,$f in
    yes,*.gif) same_gif "$assets/$f" "$work/new/$f" || { echo "$f decodes differently" >&2; failed=1; } ;;
    yes,*) cmp -s "$assets/$f" "$work/new/$f" || { echo "$f differs" >&2; failed=1; } ;;
    *) cmp -s "$assets/$f" "$work/new/$f" || near "$assets/$f" "$work/new/$f" ||
        { echo "$f differs beyond the tolerance" >&2; failed=1; } ;;
    esac
done
if [ $failed -eq 0 ]; then
    [ $exact = yes ] && echo "all $(echo "$drawn" | wc -l) pictures as committed" ||
        echo "all $(echo "$drawn" | wc -l) pictures within the tolerance of the committed ones"
fi
exit $failed
