#!/usr/bin/env bash
# One Wine session shared by the Windows tests of a run: an Xvfb display of
# 1024 x 768 and a fresh Wine prefix with a persistent wineserver, both under
# STATE_DIR in the build tree.
#
#   session.sh start STATE_DIR   set them up (ctest fixture setup)
#   session.sh stop STATE_DIR    end them (ctest fixture cleanup)
set -euo pipefail

action=$1
state=$(realpath -m "$2")

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$state/prefix

# End what a session of ours left behind: the X server by its recorded id
# (if that id is still an Xvfb), the Wine processes through our own
# prefix's wineserver.
stop_session() {
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -f "$state/xvfb.pid" ]; then
        local pid
        pid=$(cat "$state/xvfb.pid")
        if [ -n "$pid" ] && [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = Xvfb ]; then
            kill "$pid" 2>/dev/null || true
            local deadline=$((SECONDS + 30))
            while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
        fi
        rm -f "$state/xvfb.pid"
    fi
}

case $action in
start)
    stop_session
    rm -rf "$state"
    mkdir -p "$state/prefix" "$state/home" "$state/work"

    # Xvfb picks a free display and writes its number once it is ready.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp -noreset \
        3>"$state/display.number" >"$state/xvfb.log" 2>&1 </dev/null &
    echo $! >"$state/xvfb.pid"
    deadline=$((SECONDS + 60))
    until [ -s "$state/display.number" ] || [ $SECONDS -ge $deadline ]; do sleep 0.1; done
    if ! [ -s "$state/display.number" ]; then
        echo "Xvfb did not start:" >&2
        cat "$state/xvfb.log" >&2
        exit 1
    fi
    echo ":$(tr -d '[:space:]' <"$state/display.number")" >"$state/display"
    export DISPLAY
    DISPLAY=$(cat "$state/display")

    # One server for the whole run, so each test starts its programs
    # without booting Wine again.
    wineserver -p >/dev/null 2>&1 </dev/null
    wineboot -i >"$state/wineboot.log" 2>&1
    # Sound goes through ALSA, which each sound test points at a file.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
    # Where the game keeps the best depth: Wine names the folder itself.
    folder=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
    winepath -u "$folder\Murlo\best.txt" 2>/dev/null >"$state/best_file"
    echo "Wine prefix ready on display $DISPLAY"
    ;;
stop)
    stop_session
    ;;
*)
    echo "usage: session.sh start|stop STATE_DIR" >&2
    exit 2
    ;;
esac
