#!/bin/sh
# Run as root inside a fresh minimal system by scripts/test-package, with
# the built .deb as its argument: what piuparts checks, and the upgrade of
# the package over itself.  Installs the package, installs it again over
# itself, removes and purges it with what it pulled in, and fails if the
# system then differs from what it was before, outside the places dpkg,
# apt and the system keep their own state.
set -eu
deb=$1
say() { echo "install-cycle: $*"; }
apt() { apt-get -y -q -o Dpkg::Use-Pty=0 --no-install-recommends "$@"; }
# Every file and directory of the system, with its type and mode, but for
# the places dpkg, apt and the system itself keep their own state.
snapshot() {
    find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /run \
        -o -path /packages -o -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/cache/apt \
        -o -path /var/log -o -path /var/cache/debconf -o -path /var/cache/ldconfig \
        -o -path /etc/ld.so.cache \) -prune -o -printf '%y %m %p\n' | sort
}
installed() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }
snapshot >/tmp/before
installed >/tmp/packages-before
apt install "$deb" >/tmp/install.log
dpkg-query -L lexidrop | sort >/tmp/files
say "installed $(dpkg-query -W -f='${Version}' lexidrop) with $(wc -l </tmp/install.log) lines of apt output"
/usr/games/lexidrop --version
apt install --reinstall "$deb" >/tmp/reinstall.log
grep -q 'Unpacking lexidrop (.*) over (' /tmp/reinstall.log
dpkg-query -W -f='${Status}\n' lexidrop | grep -qx 'install ok installed'
say "upgraded over itself: $(grep 'Unpacking lexidrop' /tmp/reinstall.log | sed 's/^Unpacking //')"
apt remove lexidrop >/dev/null
left=""
while read -r path; do
    if [ -e "$path" ] && [ ! -d "$path" ]; then left="$left $path"; fi
done </tmp/files
[ -z "$left" ] || { say "files left after remove:$left"; exit 1; }
say "removed: none of its $(wc -l </tmp/files) paths but shared directories left"
# Without conffiles, remove leaves nothing for purge to do, and apt no
# longer knows the package; dpkg purges whatever state is left.
dpkg --purge lexidrop
if dpkg-query -W -f='${Status}\n' lexidrop 2>/dev/null | grep -qv 'not-installed'; then
    say "still known to dpkg after purge: $(dpkg-query -W -f='${Status}' lexidrop)"
    exit 1
fi
# What it pulled in goes too, as piuparts restores its system: every
# package that was not there before (apt's autoremove would keep those the
# base system recommends, such as libc6's libidn2).
pulled=$(installed | comm -13 /tmp/packages-before -)
# shellcheck disable=SC2086
[ -z "$pulled" ] || apt purge $pulled >/dev/null
snapshot >/tmp/after
if ! diff -u /tmp/before /tmp/after >/tmp/diff; then
    say "the system differs after purging the package and what it pulled in:"
    cat /tmp/diff
    exit 1
fi
say "purged, with what it pulled in: the system is as it was before"
