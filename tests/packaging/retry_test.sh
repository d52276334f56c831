#!/bin/bash
# wine-run --play starts Wine afresh and runs the program once more when it
# ends with ERROR_BAD_ENVIRONMENT (10: the game could make no window), and
# passes any other exit status straight back.
#
#   retry_test.sh <wine-run> <exit_once.exe> <prefix> <scratch>
set -u
runner=$1 stub=$2 prefix=$3 scratch=$4

fail() { echo "FAIL: $*" >&2; exit 1; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

rm -rf "$scratch"
mkdir -p "$scratch" || fail "cannot make $scratch"
# The stand-in makes no window, so any display name will do.
export WKIVARI_WINEPREFIX=$prefix WKIVARI_WINE_LINGER=0 DISPLAY=${DISPLAY:-:0}
trap 'WINEPREFIX=$prefix timeout 30 wineserver -w 2>/dev/null' EXIT

"$runner" --play "$stub" "$(winpath "$scratch/first")" 10 2>"$scratch/first.log"
rc=$?
[[ -f $scratch/first ]] || fail "the program did not run: $(<"$scratch/first.log")"
((rc == 0)) || fail "exit status $rc; the second run ends with 0"
grep -q "starting Wine afresh" "$scratch/first.log" || fail "no word of the retry: $(<"$scratch/first.log")"

"$runner" --play "$stub" "$(winpath "$scratch/other")" 7 2>"$scratch/other.log"
rc=$?
((rc == 7)) || fail "exit status $rc, not the program's 7"
grep -q "afresh" "$scratch/other.log" && fail "it ran the program again after a status other than 10"
echo "PASS"
