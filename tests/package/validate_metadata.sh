#!/bin/sh
# Checks what the Debian package ships with Debian's own validators.
#
# validate_metadata.sh DESKTOP_FILE METAINFO_FILE
#   Validates the desktop entry and the AppStream metadata, and fails on any
#   remark they make (desktop-file-validate exits with success after
#   warnings; appstreamcli does with --strict unless a remark is only
#   pedantic, such as the capitals of the reverse-DNS id, which the desktop
#   entry's name has to match).  Pedantic remarks are shown all the same.
#
# validate_metadata.sh --package BUILD_DIR
#   Packs the configured and built BUILD_DIR with CPack into a scratch
#   directory (the build tree is left as it was), validates the desktop
#   entry and metadata as the package installs them, and runs lintian on
#   the package: it fails on any error or warning that the package's
#   overrides do not explain.  Every other remark down to the pedantic ones is
#   printed.
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
    echo "appstreamcli validate --pedantic --no-net --strict $metainfo"
    appstreamcli validate --pedantic --no-net --strict "$metainfo"
}

lint_package() {
    build=$1
    need cpack dpkg-deb lintian
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/lexidrop-lint-XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pack" >"$scratch/cpack.log" 2>&1; then
        cat "$scratch/cpack.log"
        echo "cpack failed" >&2
        exit 1
    fi
    set -- "$scratch"/pack/*.deb
    if [ $# -ne 1 ] || [ ! -f "$1" ]; then
        echo "cpack made no single package: $*" >&2
        exit 1
    fi
    deb=$1
    echo "built $(basename "$deb")"
    dpkg-deb -x "$deb" "$scratch/root"
    share=$scratch/root/usr/share
    validate "$share/applications/org.lexidrop.LexiDrop.desktop" \
             "$share/metainfo/org.lexidrop.LexiDrop.metainfo.xml"
    echo "lintian --pedantic -I --fail-on error,warning $(basename "$deb")"
    # Not with --show-overrides: lintian then counts an overridden warning
    # as a failure.  The overrides and their reasons are in the package.
    lintian --pedantic -I --fail-on error,warning "$deb"
    echo "lintian: no error or warning"
}

if [ "${1:-}" = "--package" ] && [ $# -eq 2 ]; then
    lint_package "$2"
elif [ $# -eq 2 ] && [ "$1" != "--package" ]; then
    validate "$1" "$2"
else
    echo "usage: $0 DESKTOP_FILE METAINFO_FILE | $0 --package BUILD_DIR" >&2
    exit 2
fi
