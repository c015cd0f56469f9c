#!/bin/sh
# Usage: check_pictures.sh MAKE_ASSETS ASSETS_DIR
#
# Runs the picture generator into a scratch directory and compares what it
# draws with the committed pictures: bitmaps and icons byte for byte, the
# GIF by its decoded pixels and its colour table (its compressed bytes may
# differ with the encoder).  Every committed picture must be drawn, and
# nothing else.  Fails, naming the files, when anything differs.
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

failed=0
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
    case $f in
    *.gif) same_gif "$assets/$f" "$work/new/$f" || { echo "$f decodes differently" >&2; failed=1; } ;;
    *) cmp -s "$assets/$f" "$work/new/$f" || { echo "$f differs" >&2; failed=1; } ;;
    esac
done
[ $failed -eq 0 ] && echo "all $(echo "$drawn" | wc -l) pictures as committed"
exit $failed
