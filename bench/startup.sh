#!/bin/bash
# Start-up time of the installed game: from starting the `wkivari` launcher
# to its window on the screen, on a private Xvfb display. The program shows
# its window and paints it at once (ShowWindow, then UpdateWindow), so the
# window turning viewable marks the end of the first paint to within a few ms.
#
#   bench/startup.sh [runs of each kind, default 7]
#
# Needs the windows build (cmake --preset windows && cmake --build --preset
# windows). Measures, with medians:
#   first start   a new prefix: the launcher makes it
#   cold Wine     the prefix exists and its files are cached, but no Wine
#                 process runs (each run ends Wine entirely, as a start finds
#                 it long after the last game or after a reboot)
#   warm          the game was closed a moment ago and Wine still lingers, as
#                 the launcher leaves it for a while (WKIVARI_WINE_LINGER)
set -u
cd "$(dirname "$(readlink -f "$0")")/.." || exit 1
runs=${1:-7}
build=$PWD/build/windows
stand_in=$build/tests/packaging/stand_in.exe
[[ -f $build/wkivari.exe && -f $stand_in ]] || { echo "startup: build the windows preset first" >&2; exit 1; }

scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config WINEDEBUG=-all
prefix=$XDG_DATA_HOME/wkivari/prefix
cmake --install "$build" --prefix "$scratch/usr" >/dev/null || exit 1
mkdir -p "$scratch/work" || exit 1

# Ends Wine as Windows shuts down: killing its programs instead can leave
# the next start without a display driver.
end_wine() { WKIVARI_WINEPREFIX=$prefix "$scratch/usr/lib/wkivari/wine-run" --play-end >/dev/null 2>&1; }

xvfb_pid=''
cleanup() {
    end_wine
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
read -r DISPLAY XAUTHORITY xvfb_pid < <("$scratch/usr/lib/wkivari/wine-run" --xvfb "$scratch/x") || exit 1
export DISPLAY XAUTHORITY

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# One start: prints the milliseconds to the viewable window, then closes the
# game; with "end" also ends Wine, as if the next start came much later.
one_start() {
    local t0 t1 pid deadline
    t0=$(now_ms)
    (cd "$scratch/work" && exec "$scratch/usr/bin/wkivari") </dev/null >/dev/null 2>&1 &
    pid=$!
    for ((deadline = SECONDS + 60; SECONDS < deadline;)); do
        xwininfo -name wKivari 2>/dev/null | grep -q 'Map State: IsViewable' && break
        sleep 0.01
    done
    t1=$(now_ms)
    WINEPREFIX=$prefix wine "$stand_in" close 20 >/dev/null 2>&1
    for ((deadline = SECONDS + 10; SECONDS < deadline;)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [[ ${1:-} == end ]]; then
        wait "$pid"
        end_wine
    else
        wait "$pid"
    fi
    echo $((t1 - t0))
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

echo "first start (new prefix): $(one_start end) ms"
times=()
for ((r = 1; r <= runs; r++)); do times+=("$(one_start end)"); done
echo "cold Wine (prefix made, no Wine running): ${times[*]} ms; median $(median "${times[@]}") ms"
one_start >/dev/null  # leaves Wine lingering for the runs below
times=()
for ((r = 1; r <= runs; r++)); do times+=("$(one_start)"); done
echo "warm (the game closed a moment ago): ${times[*]} ms; median $(median "${times[@]}") ms"
