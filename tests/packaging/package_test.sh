#!/bin/bash
# The packages as cpack makes them under a loose umask: the Debian package
# holds the Linux install, folders drwxr-xr-x, programs executable, each file
# as built; the ZIP's README and the About text name the package's maintainer.
#
#   package_test.sh <build dir> <source dir> <scratch>
set -u
build=$1 src=$2 scratch=$3
errors=0 root=$scratch/root/usr
fail() { echo "FAIL: $*" >&2; errors=1; }

rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
(umask 002 && cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log") ||
    { cat "$scratch/cpack.log"; echo "FAIL: cpack" >&2; exit 1; }
deb=$(echo "$scratch"/*.deb) zip=$(echo "$scratch"/*.zip)
dpkg-deb -x "$deb" "$scratch/root" || exit 1

bad=$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { print $1, $6 }')
[[ -z $bad ]] || fail "folders not drwxr-xr-x: $bad"
same() { cmp -s "$1" "$root/$2" && [[ $(stat -c %a "$root/$2") == "$3" ]] || fail "$2 is not $1 with mode $3"; }
same "$build/wkivari.exe" lib/wkivari/wkivari.exe 755
same "$src/resources/wkivari.hlp" lib/wkivari/wkivari.hlp 644
same "$src/tools/wine-run" lib/wkivari/wine-run 755
same "$src/tools/wkivari-launcher" bin/wkivari 755
same "$src/packaging/wkivari.desktop" share/applications/wkivari.desktop 644
for n in 32 48 64 128; do same "$src/resources/wkivari-$n.png" "share/icons/hicolor/${n}x$n/apps/wkivari.png" 644; done

maintainer=$(dpkg-deb -f "$deb" Maintainer)
[[ $maintainer =~ ^(.+)\ \<(.+@.+)\>$ ]] || fail "no maintainer with an address: $maintainer"
unzip -p "$zip" '*README.txt' | grep -qF "${BASH_REMATCH[1]}: ${BASH_REMATCH[2]}" ||
    fail "the ZIP's README does not name $maintainer"
grep -qaF "By ${BASH_REMATCH[1]}" "$build/wkivari.exe" && grep -qaF "${BASH_REMATCH[2]}" "$build/wkivari.exe" ||
    fail "the About text does not name $maintainer"
((errors == 0)) && echo "PASS: packages"
exit "$errors"
