#!/bin/bash
# `cmake --install` into a temporary DESTDIR puts down exactly the Linux
# install, each file as it should be.
#
#   install_test.sh <build dir> <source dir> <scratch>
set -u
build=$1 src=$2 scratch=$3
fail() { echo "FAIL: $*" >&2; errors=1; }
errors=0

rm -rf "$scratch"
DESTDIR=$scratch cmake --install "$build" >/dev/null || { echo "FAIL: install" >&2; exit 1; }
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
root=$scratch$prefix

expected="bin/wkivari
lib/wkivari/wine-run
lib/wkivari/wkivari.exe
lib/wkivari/wkivari.hlp
share/applications/wkivari.desktop
share/icons/hicolor/128x128/apps/wkivari.png
share/icons/hicolor/32x32/apps/wkivari.png
share/icons/hicolor/48x48/apps/wkivari.png
share/icons/hicolor/64x64/apps/wkivari.png"
actual=$(cd "$scratch" && find . -type f -o -type l | sed "s|^\./${prefix#/}/||" | LC_ALL=C sort)
[[ $actual == "$(LC_ALL=C sort <<<"$expected")" ]] ||
    fail "installed files differ:"$'\n'"$(diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual"))"

same() { cmp -s "$1" "$2" || fail "$2 is not $1"; }
same "$build/wkivari.exe" "$root/lib/wkivari/wkivari.exe"
same "$src/resources/wkivari.hlp" "$root/lib/wkivari/wkivari.hlp"
same "$src/tools/wine-run" "$root/lib/wkivari/wine-run"
same "$src/tools/wkivari-launcher" "$root/bin/wkivari"
same "$src/packaging/wkivari.desktop" "$root/share/applications/wkivari.desktop"
for size in 32 48 64 128; do
    same "$src/resources/wkivari-$size.png" "$root/share/icons/hicolor/${size}x$size/apps/wkivari.png"
done
for f in bin/wkivari lib/wkivari/wine-run; do
    [[ -x $root/$f ]] || fail "$f is not executable"
done
for f in lib/wkivari/wkivari.hlp share/applications/wkivari.desktop; do
    [[ $(stat -c %a "$root/$f") == 644 ]] || fail "$f is not mode 644"
done

# The desktop entry starts the launcher in its desktop mode, with the icon.
entry=$root/share/applications/wkivari.desktop
for line in 'Name=wKivari' 'Exec=wkivari --desktop' 'Icon=wkivari' 'Terminal=false' \
            'Categories=Game;BoardGame;' 'Type=Application'; do
    grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
done
grep -q '^Comment=.' "$entry" || fail "the desktop entry has no comment"

((errors == 0)) && echo "PASS: installed files"
exit "$errors"
