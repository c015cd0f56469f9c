#!/bin/sh
# Two processes of the game end their games at once on one hs.txt; both
# entries must be in it afterwards.  First both are held at the name prompt
# until each has read the table (the worst order: both read, then both
# save), then they run freely against each other.
set -eu
driver=$1
dir=$(mktemp -d "${TMPDIR:-/tmp}/lexidrop-two-XXXXXX")
trap 'rm -rf "$dir"' EXIT

# The table expected: the given name/score pairs, then empty places.
expect() {
    places=0
    while [ $# -gt 0 ]; do
        printf '"%s"\r\n%s\r\n' "$1" "$2"
        shift 2
        places=$((places + 1))
    done
    while [ $places -lt 10 ]; do
        printf '""\r\n0\r\n'
        places=$((places + 1))
    done
}

check() {
    if ! cmp -s "$dir/hs.txt" "$dir/expected"; then
        echo "FAIL: $1; hs.txt holds:"
        cat -A "$dir/hs.txt"
        exit 1
    fi
    echo "ok: $1"
}

# Both held at their prompts, then let go together.
mkdir "$dir/meet"
"$driver" "$dir/hs.txt" 300 Ann "$dir/meet" & a=$!
"$driver" "$dir/hs.txt" 200 Bob "$dir/meet" & b=$!
waited=0
until [ -e "$dir/meet/Ann.asked" ] && [ -e "$dir/meet/Bob.asked" ]; do
    sleep 0.05
    waited=$((waited + 1))
    if [ $waited -gt 1200 ]; then
        echo "FAIL: the two processes never both reached the name prompt"
        kill $a $b 2>/dev/null || true
        exit 1
    fi
done
touch "$dir/meet/go"
wait $a
wait $b
expect Ann 300 Bob 200 > "$dir/expected"
check "both read the table, then both saved"

# Free running, several rounds, each process adding one entry.
for round in 1 2 3 4; do
    "$driver" "$dir/hs.txt" $((400 + round * 20)) "Cy$round" & a=$!
    "$driver" "$dir/hs.txt" $((410 + round * 20)) "Di$round" & b=$!
    wait $a
    wait $b
done
expect Di4 490 Cy4 480 Di3 470 Cy3 460 Di2 450 Cy2 440 Di1 430 Cy1 420 Ann 300 Bob 200 > "$dir/expected"
check "four rounds of two processes running freely"
