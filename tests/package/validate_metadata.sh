#!/bin/sh
# Checks the desktop entry and the AppStream metadata with the validators
# desktop environments and software centres use.
#
# validate_metadata.sh DESKTOP_FILE METAINFO_FILE
#   Validates the desktop entry and the AppStream metadata, and fails on any
#   remark they make (desktop-file-validate exits with success after
#   warnings), but for the AppStream remarks explained in
#   packaging/lexidrop.appstream-remarks, which appstream 0.16 and 1.0 make
#   of the one file.  Pedantic remarks (such as the capitals of the
#   reverse-DNS id, which the desktop entry's name has to match) are shown
#   all the same.
set -eu

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/setup installs it)" >&2; exit 1; }
    done
}

validate() {
    desktop=$1
    metainfo=$2
    need desktop-file-validate appstreamcli
    echo "desktop-file-validate $desktop"
    remarks=$(desktop-file-validate "$desktop" 2>&1) || { echo "$remarks"; exit 1; }
    if [ -n "$remarks" ]; then
        echo "$remarks"
        exit 1
    fi
    validate_appstream "$metainfo"
}

# The remarks the metadata is meant to draw, one "tag [argument]" a line.
explained_remarks() {
    grep -v -e '^#' -e '^[[:space:]]*$' "$(dirname "$0")/../../packaging/lexidrop.appstream-remarks"
}

# appstreamcli's --strict fails on any remark above pedantic; it has no
# list of remarks meant so, hence this reading of its report: every error,
# warning and info must be one the remarks file explains.
validate_appstream() {
    metainfo=$1
    echo "appstreamcli validate --pedantic --no-net $metainfo ($(appstreamcli --version))"
    status=0
    report=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || status=$?
    echo "$report"
    case $report in
    *"Validation was successful"* | *"Validation failed"*) ;;
    *) echo "appstreamcli did not validate (exit status $status)" >&2; exit 1 ;;
    esac
    explained=$(explained_remarks)
    # A remark reads "E: org.lexidrop.LexiDrop:22: tag argument".
    remarks=$(printf '%s\n' "$report" | sed -n -E 's/^[EWI]: [^ ]+ //p')
    unexplained=0
    while IFS= read -r remark; do
        [ -n "$remark" ] || continue
        if printf '%s\n' "$explained" | grep -qxF -- "$remark"; then
            echo "explained: $remark (packaging/lexidrop.appstream-remarks)"
        else
            echo "unexplained AppStream remark: $remark" >&2
            unexplained=1
        fi
    done <<EOF
$remarks
EOF
    [ $unexplained -eq 0 ] || exit 1
    echo "appstreamcli: no remark but the explained ones"
}

if [ $# -eq 2 ]; then
    validate "$1" "$2"
else
    echo "usage: $0 DESKTOP_FILE METAINFO_FILE" >&2
    exit 2
fi
