#!/bin/sh
# Two processes of the game end their games at once on one hs.txt; both
# entries must be in it afterwards.  First both are held at the name prompt
# until each has read the table (the worst order: both read, then both
# save), then they run freely against each other, and last each save is
# slowed on its way to the disk for longer than the other waits for the
# lock, so that the second goes on without it, in both orders of their
# renames.
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

# Waits (at most 60 s) until every given file is there.
await() {
    waited=0
    for file in "$@"; do
        until [ -e "$file" ]; do
            sleep 0.05
            waited=$((waited + 1))
            if [ $waited -gt 1200 ]; then
                echo "FAIL: $file never appeared"
                kill $a $b 2>/dev/null || true
                exit 1
            fi
        done
    done
}

# Both held at their prompts, then let go together.
mkdir "$dir/meet"
"$driver" "$dir/hs.txt" 300 Ann --meet "$dir/meet" & a=$!
"$driver" "$dir/hs.txt" 200 Bob --meet "$dir/meet" & b=$!
await "$dir/meet/Ann.asked" "$dir/meet/Bob.asked"
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

# Ann takes the lock and writes, her disk slow; Bob, kept from the lock
# past his patience, saves without it.  Whichever renames last must have
# taken in the other's entry, and neither may remove the other's
# temporary file while it is being written.
slow() {
    ann_ms=$1 bob_ms=$2 what=$3
    rm -rf "$dir/slow" && mkdir "$dir/slow"
    expect Old 50 > "$dir/hs.txt"
    "$driver" "$dir/hs.txt" 300 Ann --slow-sync "$ann_ms" "$dir/slow" 2> "$dir/ann.err" & a=$!
    await "$dir/slow/Ann.syncing"
    "$driver" "$dir/hs.txt" 200 Bob --slow-sync "$bob_ms" "$dir/slow" 2> "$dir/bob.err" & b=$!
    ann=0 bob=0
    wait $a || ann=$?
    wait $b || bob=$?
    if [ $ann -ne 0 ] || [ $bob -ne 0 ] || grep -q "cannot save" "$dir/ann.err" "$dir/bob.err"; then
        echo "FAIL: $what: a save was not made (exit $ann, $bob)"
        cat "$dir/ann.err" "$dir/bob.err"
        exit 1
    fi
    expect Ann 300 Bob 200 Old 50 > "$dir/expected"
    check "$what"
}
slow 3000 3000 "a slow disk: the lock holder renames first, the one without the lock after it"
slow 6000 500 "a slow disk: the one without the lock renames first, the lock holder after it"
