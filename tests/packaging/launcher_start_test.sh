#!/bin/bash
# The installed launcher, fresh per-user folders, a private Xvfb. The first
# start (a terminal's) makes the prefix, its registry file in a private
# folder, and says so; Wine lingers. The second (the desktop entry's, told
# not to linger) reuses it. Each shows the window in its folder; it is closed.
# The game gets the desktop's DPI (Xft.dpi, from an xrdb stand-in) and
# follows it, unless the player set another.
#
#   launcher_start_test.sh <build dir> <stand_in.exe> <scratch>
set -u
build=$1 stand_in=$2 scratch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$scratch/usr runner=$scratch/usr/lib/wkivari/wine-run
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config HOME=$scratch/home WINEDEBUG=-all
export WINEPREFIX=$XDG_DATA_HOME/wkivari/prefix WKIVARI_WINEPREFIX=$XDG_DATA_HOME/wkivari/prefix
rm -rf "$scratch" && mkdir -p "$scratch/home" "$scratch/work" "$scratch/shim" || fail "cannot make $scratch"
cmake --install "$build" --prefix "$root" >/dev/null || fail "install failed"
# wine, as the runner calls it, notes the folder of each registry file.
cat >"$scratch/shim/wine" <<'SHIM'
#!/bin/bash
for a; do [[ $a == Z:*.reg ]] && a=${a#Z:} && a=${a//\\//} && stat -c %a "${a%/*}" >>"${0%/*}/reg-folders"; done
exec /usr/bin/wine "$@"
SHIM
# xrdb, as the desktop answers, with Xft.dpi from the file shim/dpi.
cat >"$scratch/shim/xrdb" <<'SHIM'
#!/bin/bash
[[ $1 == -query ]] && printf 'Xft.antialias:\t1\nXft.dpi:\t%s\n' "$(<"${0%/*}/dpi")"
SHIM
chmod +x "$scratch/shim/wine" "$scratch/shim/xrdb" && export PATH=$scratch/shim:$PATH
# The prefix's LogPixels (under key $1, else where winecfg sets it) while
# Wine runs, through a file: Wine's services would hold a pipe open.
logpixels() {
    wine reg query "${1:-HKCU\Control Panel\Desktop}" /v LogPixels >"$scratch/reg" 2>&1
    tr -d '\r' <"$scratch/reg" | awk '$1 == "LogPixels" { print $3 }'
}

pid='' xvfb_pid=''
trap '[[ -n $pid ]] && kill $pid; "$runner" --play-end 2>/dev/null; [[ -n $xvfb_pid ]] && kill $xvfb_pid' EXIT
read -r DISPLAY XAUTHORITY xvfb_pid < <("$runner" --xvfb "$scratch/x") && export DISPLAY XAUTHORITY || fail "no Xvfb"
XAUTHORITY=/dev/null xwininfo -root >/dev/null 2>&1 && fail "the display takes clients without its cookie"

# start <folder started in> <folder the game runs in> [launcher arguments]
start() {
    (cd "$1" && exec "$root/bin/wkivari" "${@:3}") </dev/null >"$scratch/log" 2>&1 &
    pid=$!
    for ((i = 0; i < 500; i++)); do
        xwininfo -name wKivari >/dev/null 2>&1 && break
        kill -0 "$pid" 2>/dev/null || { cat "$scratch/log"; fail "the launcher ended early"; }
        sleep 0.1
    done
    [[ $(readlink "/proc/$pid/cwd") == "$(realpath "$2")" ]] || fail "the game does not run in $2"
    wine "$stand_in" close 20 || { cat "$scratch/log"; fail "no window to close"; }
    for ((i = 0; i < 200; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "the game did not end after WM_CLOSE"
    wait "$pid" || { cat "$scratch/log"; fail "the launcher's exit status is not the game's 0"; }
    pid=''
}

echo 192.0 >"$scratch/shim/dpi"
start "$scratch/work" "$scratch/work"
grep -q "First start" "$scratch/log" || { cat "$scratch/log"; fail "the first start did not say it sets up Wine"; }
[[ $(<"$scratch/shim/reg-folders") == 700 ]] || fail "the registry file was not in a private folder"
timeout 5 wineserver -w 2>/dev/null
(($? == 124)) || fail "Wine ended with the game; it should linger"
[[ $(logpixels) == 0xc0 ]] || fail "the desktop's 192 DPI did not reach Wine: $(<"$scratch/reg")"
# A start with the desktop scaled otherwise: a stand-in game, no window.
echo 144 >"$scratch/shim/dpi"
"$runner" --play "$stand_in" exit "Z:${scratch//\//\\}\\ran" 0 || fail "the stand-in did not run"
[[ $(logpixels) == 0x90 ]] || fail "Wine's DPI did not follow the desktop to 144: $(<"$scratch/reg")"
# The player's own in the hardware profile, where Wine looks without the
# first key: it stays, and no first key is written over it, even when it is
# the DPI the launcher last set in the first.
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
echo 192 >"$scratch/shim/dpi"
for profile in 120 144; do
    wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$profile" /f >/dev/null 2>&1
    "$runner" --play "$stand_in" exit "Z:${scratch//\//\\}\\ran" 0 || fail "the stand-in did not run"
    [[ -z $(logpixels) ]] || fail "the player's $profile DPI in the hardware profile was overridden: $(<"$scratch/reg")"
    [[ $(logpixels 'HKCC\Software\Fonts') == "$(printf '0x%x' "$profile")" ]] ||
        fail "the hardware profile's DPI is not the player's $profile: $(<"$scratch/reg")"
done
# The player's own, as winecfg sets it; it stays below with the desktop at 192.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1
echo 192 >"$scratch/shim/dpi"
"$runner" --play-end

WKIVARI_WINE_LINGER=0 start "$scratch/home" "$XDG_CONFIG_HOME/wkivari" --desktop
grep -q "First start" "$scratch/log" && fail "the second start says it is the first"
timeout 30 wineserver -w 2>/dev/null || fail "Wine still runs 30 s after the game"
sed -n '/^\[Control Panel\\\\Desktop\]/,/^$/p' "$WINEPREFIX/user.reg" | grep -qx '"LogPixels"=dword:00000078' ||
    fail "the player's 120 DPI was not kept"
[[ ! -e $HOME/.wine ]] || fail "it touched ~/.wine"
echo "PASS"
