#!/bin/bash
# Without Wine on the PATH the launcher names the packages to install and
# exits non-zero, before touching the user's data folder.
#
#   missing_wine_test.sh <launcher> <scratch>
set -u
launcher=$1 scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/bin" "$scratch/home"
# Only the tools the launcher needs before it looks for Wine.
for tool in bash readlink realpath dirname mkdir; do
    ln -s "$(command -v "$tool")" "$scratch/bin/$tool"
done
out=$(env -i PATH="$scratch/bin" HOME="$scratch/home" XDG_DATA_HOME="$scratch/data" \
    "$scratch/bin/bash" "$launcher" 2>&1 </dev/null)
rc=$?
((rc != 0)) || { echo "FAIL: exit status 0 without Wine" >&2; exit 1; }
for package in wine wine64 fonts-wine; do
    grep -qw -- "$package" <<<"$out" || { echo "FAIL: the message does not name $package: $out" >&2; exit 1; }
done
[[ ! -e $scratch/data ]] || { echo "FAIL: it made $scratch/data" >&2; exit 1; }
echo "PASS: $out"
