#!/bin/sh
# Processes of the game end their games at once on one hs.txt; every
# entry must be in it afterwards.  First two are held at the name prompt
# until each has read the table (the worst order: both read, then both
# save), then they run freely against each other; then each save is slowed
# on its way to the disk for longer than the other's patience with the
# lock; last, three to five at once on a disk with slow flushes and slow
# renames, some through a link to the table.
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
# past his patience, waits for it.  Both entries must be in, whichever
# disk is the slower.
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
slow 3000 3000 "a slow disk: the lock holder saves first, the other after it"
slow 6000 500 "a slow disk: the one that waits has the faster disk"

# N processes held at their prompts and let go together, on a disk whose
# flushes and renames are slow, some reaching the table through a link:
# every entry is kept.  Arguments: flush ms, rename ms, then the names;
# the k-th name scores 100 + 10k and names ending in "L" save through the link.
many() {
    sync_ms=$1 rename_ms=$2
    shift 2
    rm -rf "$dir/many" && mkdir "$dir/many" "$dir/many/meet"
    expect Old 50 > "$dir/hs.txt"
    ln -sf "$dir/hs.txt" "$dir/many/link.txt"
    pids="" score=100
    for name in "$@"; do
        score=$((score + 10))
        case $name in *L) table="$dir/many/link.txt" ;; *) table="$dir/hs.txt" ;; esac
        "$driver" "$table" $score "$name" --meet "$dir/many/meet" --slow-sync "$sync_ms" "$dir/many" \
            --slow-rename "$rename_ms" 2>> "$dir/many/err" & pids="$pids $!"
    done
    for name in "$@"; do await "$dir/many/meet/$name.asked"; done
    touch "$dir/many/meet/go"
    failed=0
    for pid in $pids; do wait "$pid" || failed=1; done
    entries="" score=100
    for name in "$@"; do score=$((score + 10)); entries="$name $score $entries"; done
    # shellcheck disable=SC2086
    expect $entries Old 50 > "$dir/expected"
    if [ $failed -ne 0 ] || grep -q "cannot save" "$dir/many/err"; then
        echo "FAIL: $# savers: a save was not made"; cat "$dir/many/err"; exit 1
    fi
    check "$# savers at once, flushes $sync_ms ms, renames $rename_ms ms"
}
many 3000 200 Ann Bob Cy
many 300 100 Ann BobL Cy DiL Eve
many 3000 0 AnnL Bob

# Two savers 0.3 s apart, each rename taking 3 s.
rm -rf "$dir/apart" && mkdir "$dir/apart"
expect Old 50 > "$dir/hs.txt"
"$driver" "$dir/hs.txt" 300 Ann --slow-sync 0 "$dir/apart" --slow-rename 3000 & a=$!
sleep 0.3
"$driver" "$dir/hs.txt" 200 Bob --slow-sync 0 "$dir/apart" --slow-rename 3000 & b=$!
wait $a
wait $b
expect Ann 300 Bob 200 Old 50 > "$dir/expected"
check "two savers 0.3 s apart with 3 s renames"
