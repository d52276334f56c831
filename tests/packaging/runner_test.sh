#!/bin/bash
# wine-run puts its display cookie on no command line (any local user reads
# those), and its wine-run.* folder goes on every way out.
#
#   runner_test.sh <wine-run> <stand_in.exe> <scratch>
set -u
runner=$1 stand_in=$2 scratch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
left_behind() { compgen -G "$TMPDIR/wine-run.*" >/dev/null; }

rm -rf "$scratch" && mkdir -p "$scratch/tmp" "$scratch/bin" || fail "cannot make $scratch"
export TMPDIR=$scratch/tmp
# Every xauth and Xvfb the runner starts writes its command line down first;
# an Xvfb told to fail ends at once.
for tool in xauth Xvfb; do
    real=$(command -v "$tool") || fail "no $tool"
    printf '#!/bin/bash\necho "%s $*" >>"%s"\n[[ %s == Xvfb && -n ${XVFB_FAILS:-} ]] && exit 1\nexec %s "$@"\n' \
        "$tool" "$scratch/started" "$tool" "$real" >"$scratch/bin/$tool" && chmod +x "$scratch/bin/$tool" ||
        fail "cannot write the $tool shim"
done
export PATH=$scratch/bin:$PATH

read -r display auth pid < <("$runner" --xvfb "$scratch/x") || fail "no display started"
kill "$pid"
cookie=$(xauth -f "$auth" list "$display" | awk '{ print $3 }')
[[ ${#cookie} -ge 32 ]] && grep -q '^Xvfb ' "$scratch/started" && grep -q '^xauth ' "$scratch/started" ||
    fail "no cookie for $display in $auth, or the shims never ran"
grep -F "$cookie" "$scratch/started" && fail "the cookie was on a command line"
left_behind && fail "a display started for a script left its folder"

XVFB_FAILS=1 "$runner" --xvfb "$scratch/y" 2>/dev/null && fail "a display that failed was reported started"
left_behind && fail "a display that failed left its folder"

"$runner" "$stand_in" exit "Z:${scratch//\//\\}\\marker" 3
(($? == 3)) || fail "the program's exit status was not passed on"
left_behind && fail "a program run left its folder"

# A program that runs until told to end, without Wine, which might outlive it.
mkdir "$scratch/slow" && printf '#!/bin/bash\nexec sleep 30\n' >"$scratch/slow/wine" && chmod +x "$scratch/slow/wine"
PATH=$scratch/slow:$PATH "$runner" "$stand_in" close 30 &
run=$!
for ((i = 0; i < 100; i++)); do left_behind && break; sleep 0.1; done
left_behind || fail "no folder while the program ran"
kill -TERM "$run"
wait "$run"
left_behind && fail "a run ended by TERM left its folder"
echo "PASS"
