#!/bin/bash
# wine-run --play with stand-in games: after exit status 10 (no window could
# be made) it runs the game once more in a fresh Wine, unless another game
# runs in the prefix; other statuses come straight back. After a Wine upgrade
# it updates the prefix in place, keeping what is in it, once no game runs.
#
#   retry_test.sh <wine-run> <stand_in.exe> <prefix> <scratch>
set -u
runner=$1 stand_in=$2 prefix=$3 scratch=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
stub_run() { "$runner" --play "$stand_in" exit "Z:${scratch//\//\\}\\$1" "$2" 2>"$scratch/$1.log"; }

rm -rf "$scratch" && mkdir -p "$scratch" || fail "cannot make $scratch"
# The stand-ins make no window, so any display name will do.
export WKIVARI_WINEPREFIX=$prefix WKIVARI_WINE_LINGER=0 DISPLAY=${DISPLAY:-:0}
trap '"$runner" --play-end' EXIT
stamp=$(<"$prefix/wkivari-ready")
: >"$prefix/drive_c/kept" || fail "cannot write to $prefix"

# A game runs, looking for a window that never comes; Wine looks upgraded.
"$runner" --play "$stand_in" close 60 2>/dev/null &
game=$!
for ((i = 0; i < 50; i++)); do flock -n "$prefix.games" true || break; sleep 0.1; done
sed -i 's/wine-.*/wine-0.9/' "$prefix/wkivari-ready"
stub_run first 10
(($? == 10)) || fail "it started Wine afresh under a running game: $(<"$scratch/first.log")"
[[ -f $scratch/first && -f $prefix/drive_c/kept ]] && kill -0 "$game" ||
    fail "the game did not run, or the prefix or the running game was ended: $(<"$scratch/first.log")"

"$runner" --play-end && wait "$game"
stub_run second 10 || fail "exit status $?; the second run ends with 0: $(<"$scratch/second.log")"
grep -q "afresh" "$scratch/second.log" || fail "no word of the retry: $(<"$scratch/second.log")"
[[ $(<"$prefix/wkivari-ready") == "$stamp" && -f $prefix/drive_c/kept ]] ||
    fail "the prefix was not updated in place: $(<"$scratch/second.log")"

stub_run other 7
(($? == 7)) || fail "exit status not the program's 7"
grep -q "afresh" "$scratch/other.log" && fail "it ran the program again after a status other than 10"
echo "PASS"
