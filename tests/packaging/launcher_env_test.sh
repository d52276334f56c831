#!/bin/bash
# The launcher with a stand-in runner that prints the prefix and the game's
# folder: without Wine it names the packages and makes nothing; relative XDG
# folders are ignored; no HOME is told; so is a first start, by notification.
#
#   launcher_env_test.sh <launcher> <scratch>
set -u
launcher=$1 s=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$s" && mkdir -p "$s/usr/bin" "$s/usr/lib/wkivari" "$s/nowine" "$s/fake" "$s/cwd" || exit 1
cp "$launcher" "$s/usr/bin/wkivari" && : >"$s/usr/lib/wkivari/wkivari.exe" || exit 1
printf '#!/bin/sh\necho "$WKIVARI_WINEPREFIX $PWD"\n' >"$s/usr/lib/wkivari/wine-run"
printf '#!/bin/sh\necho "$*" >>"%s/notified"\n' "$s" >"$s/fake/notify-send"
chmod +x "$s/usr/lib/wkivari/wine-run" "$s/fake/notify-send"
for tool in bash readlink realpath dirname mkdir; do ln -s "$(command -v "$tool")" "$s/nowine/$tool"; done
run() { (cd "$s/cwd" && env -i "$@" "$(command -v bash)" "$s/usr/bin/wkivari" --desktop 2>&1 </dev/null); }

out=$(run PATH="$s/nowine" HOME="$s/home") && fail "exit status 0 without Wine"
for package in wine wine64 fonts-wine; do grep -qw -- "$package" <<<"$out" || fail "no word of $package: $out"; done
[[ ! -e $s/home ]] || fail "it made $s/home without Wine"

path=$s/fake:/usr/bin:/bin
[[ $(run PATH="$path" HOME="$s/home" XDG_DATA_HOME=data XDG_CONFIG_HOME=config) == \
   *"$s/home/.local/share/wkivari/prefix $s/home/.config/wkivari" ]] || fail "a relative XDG folder was used"
[[ $(run PATH="$path" XDG_DATA_HOME="$s/d" XDG_CONFIG_HOME="$s/c") == *"$s/d/wkivari/prefix $s/c/wkivari" ]] ||
    fail "XDG folders not used without HOME"
out=$(run PATH="$path" XDG_DATA_HOME=data) && fail "exit status 0 without HOME"
[[ $out == *"HOME is not set"* ]] || fail "no word of HOME: $out"
run PATH="$path" HOME="$s/home" DISPLAY=:9 >/dev/null
[[ ! -e $s/notified ]] || fail "a notification without a session bus"
run PATH="$path" HOME="$s/home" DISPLAY=:9 DBUS_SESSION_BUS_ADDRESS=unix:path=/none >/dev/null
grep -q "First start" "$s/notified" || fail "no notification of the first start"
echo "PASS"
