#!/bin/sh
# Validates the desktop entry and the AppStream metadata with Debian's own
# validators, and fails on any remark they make (desktop-file-validate
# exits with success after warnings; appstreamcli does with --strict unless
# a remark is only pedantic, such as the capitals of the reverse-DNS id,
# which the desktop entry's name has to match).
# Usage: validate_metadata.sh DESKTOP_FILE METAINFO_FILE
set -eu
desktop=$1
metainfo=$2
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/setup installs it)" >&2; exit 1; }
done
echo "desktop-file-validate $desktop"
remarks=$(desktop-file-validate "$desktop" 2>&1) || { echo "$remarks"; exit 1; }
if [ -n "$remarks" ]; then
    echo "$remarks"
    exit 1
fi
echo "appstreamcli validate --no-net --strict $metainfo"
appstreamcli validate --no-net --strict "$metainfo"
