#!/bin/bash
# tools/play builds only the game, not the tests, before it looks for a display.
#
#   play_test.sh <tools/play> <scratch>
set -u
rm -rf "$2" && mkdir -p "$2" || exit 1
printf '#!/bin/sh\necho "$*" >>"%s/cmake.log"\n' "$2" >"$2/cmake" && chmod +x "$2/cmake" || exit 1
PATH=$2:$PATH DISPLAY='' "$1" >/dev/null 2>&1
[[ $(grep -- --build "$2/cmake.log") == *"--target wkivari" ]] || { echo "FAIL: it built: $(<"$2/cmake.log")" >&2; exit 1; }
echo "PASS"
