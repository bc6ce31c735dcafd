#!/usr/bin/env bash
# The Windows game under Wine, seen from outside: one check per call.
#
#   checks.sh NAME STATE_DIR MURLO_EXE PROBE_EXE INSPECT_EXE
#
# STATE_DIR holds the session that session.sh started (display, prefix).
# Each check works in its own fresh folder, which is the programs' working
# directory, so window.bmp and the sounds are looked for there.
set -euo pipefail

name=$1
state=$(realpath "$2")
murlo_exe=$(realpath "$3")
probe_exe=$(realpath "$4")
inspect_exe=$(realpath "$5")

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$state/prefix
if ! [ -s "$state/display" ]; then
    echo "no Wine session in $state (run the wine.session fixture first)" >&2
    exit 1
fi
DISPLAY=$(cat "$state/display")
export DISPLAY

work=$state/work/$name
rm -rf "$work"
mkdir -p "$work"
cd "$work"

failures=0
pass() { echo "ok   $*"; }
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
expect_eq() {  # what actual wanted
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got '$2', wanted '$3'"; fi
}

# One Windows program in the background at a time, ended by its id if a
# check leaves it running.
bg_pid=""
start_bg() {
    timeout 120 wine "$@" >bg.out 2>bg.err </dev/null &
    bg_pid=$!
}
# Wait at most 20 s for the background program; its exit status (or
# "timeout") goes to bg_rc.
bg_rc=""
finish_bg() {
    local waited=0
    while kill -0 "$bg_pid" 2>/dev/null && [ $waited -lt 200 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$bg_pid" 2>/dev/null; then
        kill "$bg_pid" 2>/dev/null || true
        wait "$bg_pid" 2>/dev/null || true
        bg_rc=timeout
    else
        bg_rc=0
        wait "$bg_pid" || bg_rc=$?
    fi
    bg_pid=""
}
cleanup() {
    if [ -n "$bg_pid" ] && kill -0 "$bg_pid" 2>/dev/null; then
        kill "$bg_pid" 2>/dev/null || true
        wait "$bg_pid" 2>/dev/null || true
    fi
    if [ -n "${wm_pid:-}" ] && kill -0 "$wm_pid" 2>/dev/null; then
        kill "$wm_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

inspect() { wine "$inspect_exe" "$@"; }

# Until an X window of that name is shown. Looking from the X side first
# keeps a second Wine process from starting while the first one still
# starts up, which Wine sometimes holds for ten seconds.
wait_for_x_window() {
    for _ in $(seq 300); do
        xwininfo -name "$1" 2>/dev/null | grep -q IsViewable && return 0
        sleep 0.1
    done
    return 1
}

wait_for_window() {
    if ! wait_for_x_window "Murlo Win" || ! inspect wait-window 30; then
        echo "FAIL the window never appeared"
        cat bg.out bg.err 2>/dev/null || true
        exit 1
    fi
}

# Top-left corner of the game's window on the X screen, as "x y".
window_origin() {
    xwininfo -name "Murlo Win" |
        awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}'
}

screenshot() { import -window root "$1"; }

# "r,g,b" of one pixel of a picture.
pixel() {
    convert "$1" -format "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info:
}

# Expect window pixel (x, y) of the screenshot to be r,g,b.
expect_window_pixel() {  # shot origin_x origin_y x y rgb what
    expect_eq "$7 at client ($4, $5)" "$(pixel "$1" $(($2 + $4)) $(($3 + $5)))" "$6"
}

fill=117,135,176
lcd_clear=170,182,198
lcd_ink=79,80,110
root=0,0,0  # Xvfb -br: a black root shows through cut-out parts

check_window() {
    start_bg "$murlo_exe"
    wait_for_window
    inspect window 256 184 || failures=$((failures + 1))
    expect_eq "X window placed and sized" "$(xwininfo -name "Murlo Win" |
        awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
             /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')" "256 184 512 400"
    inspect hit || failures=$((failures + 1))
    inspect close >/dev/null
    finish_bg
    expect_eq "closed, exit status" "$bg_rc" 0
}

check_class() {
    wine "$probe_exe" class || failures=$((failures + 1))
}

check_messages() {
    local rc=0
    wine "$probe_exe" messages >messages.out || rc=$?
    cat messages.out
    expect_eq "quit taken inside the poll, exit status" "$rc" 0
    if grep -q FAIL messages.out; then fail "window procedure checks"; fi
    grep -q "polling after close" messages.out || fail "never got to the close"
}

check_close_command() {
    start_bg "$murlo_exe"
    wait_for_window
    # The system's close command, as the task bar or Alt+F4 send it.
    inspect close || failures=$((failures + 1))
    finish_bg
    expect_eq "system close command ends the game, exit status" "$bg_rc" 0
    if xwininfo -name "Murlo Win" >/dev/null 2>&1; then fail "window still there"; else pass "window gone"; fi
}

check_escape() {
    # Where XInput's DLL is missing the game starts and plays all the same.
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;xinput1_4=d" WINEDEBUG=+loaddll
    start_bg "$murlo_exe"
    wait_for_window
    read -r ox oy <<<"$(window_origin)"
    # Keys go where the pointer is on a display without a window manager.
    xdotool mousemove $((ox + 256)) $((oy + 200))
    sleep 0.5
    xdotool key Escape
    finish_bg
    expect_eq "Escape ends the game, exit status" "$bg_rc" 0
    if grep -q 'Loaded .*xinput1_4' bg.err; then fail "XInput loaded though disabled"; else pass "no XInput"; fi
}

check_shape_round() {
    start_bg "$murlo_exe"  # no window.bmp here
    wait_for_window
    inspect shape round || failures=$((failures + 1))
    sleep 0.5
    read -r ox oy <<<"$(window_origin)"
    screenshot shot.png
    expect_window_pixel shot.png "$ox" "$oy" 1 1 $root "rounded corner cut"
    expect_window_pixel shot.png "$ox" "$oy" 510 398 $root "rounded corner cut"
    expect_window_pixel shot.png "$ox" "$oy" 20 200 $fill "fill colour"
    expect_window_pixel shot.png "$ox" "$oy" 256 2 $fill "fill colour"
    expect_window_pixel shot.png "$ox" "$oy" 127 200 $fill "fill colour left of the LCD"
    expect_window_pixel shot.png "$ox" "$oy" 384 200 $fill "fill colour right of the LCD"
    inspect close >/dev/null
    finish_bg
}

check_shape_skin() {
    inspect make-skin window.bmp
    start_bg "$murlo_exe"
    wait_for_window
    inspect shape skin || failures=$((failures + 1))
    sleep 0.5
    read -r ox oy <<<"$(window_origin)"
    screenshot shot.png
    local skin=200,120,40
    expect_window_pixel shot.png "$ox" "$oy" 100 200 $skin "skin painted"
    expect_window_pixel shot.png "$ox" "$oy" 4 4 $root "magenta band cut"
    expect_window_pixel shot.png "$ox" "$oy" 505 5 $skin "run from column 500 kept"
    expect_window_pixel shot.png "$ox" "$oy" 499 5 $root "column 499 cut"
    expect_window_pixel shot.png "$ox" "$oy" 25 52 $root "magenta hole cut"
    expect_window_pixel shot.png "$ox" "$oy" 30 55 255,0,254 "near-magenta shown"
    expect_window_pixel shot.png "$ox" "$oy" 31 55 254,0,255 "near-magenta shown"
    expect_window_pixel shot.png "$ox" "$oy" 511 105 $root "right edge notch cut"
    expect_window_pixel shot.png "$ox" "$oy" 200 100 $root "a magenta pixel cuts the LCD too"
    inspect close >/dev/null
    finish_bg
}

check_lcd_frames() {
    start_bg "$probe_exe" frames expected.pbm
    wait_for_window
    for _ in $(seq 100); do
        grep -q shown bg.out 2>/dev/null && break
        sleep 0.1
    done
    sleep 0.5
    read -r ox oy <<<"$(window_origin)"
    screenshot shot.png
    convert shot.png -crop "256x256+$((ox + 128))+$((oy + 64))" +repage PNG24:lcd.png
    convert expected.pbm -fill "rgb($lcd_ink)" -opaque black -fill "rgb($lcd_clear)" -opaque white \
        -filter point -scale 800% PNG24:expected.png
    local differ
    differ=$(compare -metric AE lcd.png expected.png diff.png 2>&1 || true)
    expect_eq "LCD area matches the last frame, 8x, pixels differing" "$differ" 0
    expect_window_pixel shot.png "$ox" "$oy" 128 64 $lcd_ink "pixel (0, 0) inked"
    expect_window_pixel shot.png "$ox" "$oy" 135 71 $lcd_ink "pixel (0, 0) inked"
    expect_window_pixel shot.png "$ox" "$oy" 136 64 $lcd_clear "pixel (1, 0) clear"
    expect_window_pixel shot.png "$ox" "$oy" 376 312 $lcd_ink "pixel (31, 31) inked"
    expect_window_pixel shot.png "$ox" "$oy" 383 319 $lcd_ink "pixel (31, 31) inked"
    expect_window_pixel shot.png "$ox" "$oy" 127 64 $fill "fill colour left of the LCD"
    expect_window_pixel shot.png "$ox" "$oy" 384 319 $fill "fill colour right of the LCD"
    expect_window_pixel shot.png "$ox" "$oy" 200 320 $fill "fill colour under the LCD"
    inspect close >/dev/null
    finish_bg
    expect_eq "closed, exit status" "$bg_rc" 0
}

check_keys() {
    export WINEDEBUG=+loaddll  # to see XInput loaded, which the keys go through
    start_bg "$probe_exe" keys
    wait_for_window
    read -r ox oy <<<"$(window_origin)"
    xdotool mousemove $((ox + 256)) $((oy + 200))
    sleep 0.5
    # The latest polled value after each step.
    step() {  # what wanted xdotool-arguments...
        local what=$1 wanted=$2
        shift 2
        xdotool "$@"
        sleep 0.4
        expect_eq "$what" "$(tail -n 1 bg.out | tr -d '\r')" "$wanted"
    }
    step "Right held" 02 keydown Right
    step "Right and Z held" 03 keydown z
    step "Z held" 01 keyup Right
    step "nothing held" 00 keyup z
    step "Z with Shift" 01 keydown shift+z
    step "released" 00 keyup shift+z
    step "Left" 04 keydown Left
    step "Left Down Up" 1c keydown Down Up
    step "all five" 1f keydown Right z
    step "none" 00 keyup Left Down Up Right z
    step "other keys count for nothing" 00 keydown a space Return
    xdotool keyup a space Return
    xdotool key Escape
    finish_bg
    expect_eq "Escape ends it, exit status" "$bg_rc" 0
    if grep -q 'Loaded L".*xinput1_4.dll"' bg.err; then pass "XInput loaded"; else fail "XInput not loaded"; fi
}

check_timing() {
    wine "$probe_exe" timing || failures=$((failures + 1))
}

check_play() {
    start_bg "$probe_exe" play
    wait_for_window
    read -r ox oy <<<"$(window_origin)"
    xdotool mousemove $((ox + 256)) $((oy + 200))
    for _ in $(seq 100); do
        grep -q "press a key" bg.out 2>/dev/null && break
        sleep 0.1
    done
    # Held a while, as a finger holds it: the title polls in bursts, and a
    # press and release that both land in one of its pauses go unseen.
    xdotool keydown z
    sleep 0.3
    xdotool keyup z
    finish_bg
    cat bg.out
    expect_eq "the game's own turns, exit status" "$bg_rc" 0
}

# ALSA's default device writes what it plays to played.raw for the programs
# run with HOME=$work/home, so we can hear.
sound_to_file() {
    mkdir -p home
    cat >home/.asoundrc <<EOF
pcm.!default {
  type file
  slave.pcm "null"
  file "$work/played.raw"
  format "raw"
}
EOF
}

check_sound() {
    # Played as the game plays it: a call of the step names the sound, and
    # its file is looked for in the working directory.
    sound_to_file
    inspect make-wav dig.wav
    HOME=$work/home wine "$probe_exe" sound >sound.out
    cat sound.out
    local took
    took=$(awk '/^play_ms/ {print $2}' sound.out)
    if awk -v t="$took" 'BEGIN {exit !(t != "" && t < 100)}'; then
        pass "starting a sound returns at once ($took ms for a one-second sound)"
    else
        fail "starting a sound took $took ms"
    fi
    local size=0
    [ -f played.raw ] && size=$(stat -c %s played.raw)
    if [ "$size" -ge 20000 ]; then pass "the sound was played ($size bytes)"; else fail "only $size bytes played"; fi
    [ -f played.raw ] && od -A n -t d2 -v played.raw >played.txt
    if [ "$size" -gt 0 ] && grep -q -- '-8000' played.txt; then
        pass "the samples are the file's"
    else
        fail "the file's samples never reached the device"
    fi

    rm -f played.raw dig.wav
    HOME=$work/home wine "$probe_exe" sound >missing.out 2>missing.err
    size=0
    [ -f played.raw ] && size=$(od -A n -t x1 -v played.raw | tr -d ' 0\n' | wc -c)
    expect_eq "a missing file plays nothing, non-zero bytes" "$size" 0
    expect_eq "a missing file is silence without a word" "$(grep -c '^murlo:' missing.err || true)" 0
}

check_fatal() {
    start_bg "$probe_exe" fatal
    wait_for_x_window "fatal error" || fail "no X window for the box"
    inspect fatal-box 30 || failures=$((failures + 1))
    finish_bg
    expect_eq "failed start, exit status" "$bg_rc" 1
}

check_drag() {
    # Dragging is the window manager's move: run one for this check.
    openbox --sm-disable >openbox.log 2>&1 </dev/null &
    wm_pid=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    start_bg "$murlo_exe"
    wait_for_window
    sleep 0.5
    read -r ox oy <<<"$(window_origin)"
    # From the skin outside the LCD the window follows the pointer.
    xdotool mousemove $((ox + 60)) $((oy + 200))
    sleep 0.3
    xdotool mousedown 1
    sleep 0.3
    for step in 1 2 3 4 5; do
        xdotool mousemove $((ox + 60 + 20 * step)) $((oy + 200 + 10 * step))
        sleep 0.1
    done
    sleep 0.3
    xdotool mouseup 1
    sleep 0.5
    expect_eq "dragged by the skin" "$(window_origin)" "$((ox + 100)) $((oy + 50))"
    read -r ox oy <<<"$(window_origin)"
    # From inside the LCD it stays put.
    xdotool mousemove $((ox + 256)) $((oy + 200))
    sleep 0.3
    xdotool mousedown 1
    sleep 0.3
    xdotool mousemove $((ox + 356)) $((oy + 250))
    sleep 0.3
    xdotool mouseup 1
    sleep 0.5
    expect_eq "not dragged by the LCD" "$(window_origin)" "$ox $oy"
    inspect close >/dev/null
    finish_bg
    expect_eq "closed, exit status" "$bg_rc" 0
    kill "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
    wm_pid=""
}

check_package() {
    # The zip as cpack makes it from this build, unpacked where a player would.
    "${MURLO_CPACK:?}" --config "${MURLO_CPACK_CONFIG:?}" -B "$work/pack" >cpack.log 2>&1 ||
        { cat cpack.log; fail "cpack"; return; }
    local zip
    zip=$(ls pack/*.zip)
    mkdir unpacked
    (cd unpacked && cmake -E tar xf "$work/$zip")
    local dir
    dir=$(ls -d "$work"/unpacked/murlo-*)
    expect_eq "files in the zip" "$(cd "$dir" && ls | sort | tr '\n' ' ')" \
        "How to play.txt LICENSE.txt auu.wav break.wav dig.wav down.wav ending.wav maru.wav murlo.exe otukare.wav title.wav up.wav window.bmp "
    local how_to="$dir/How to play.txt"
    expect_eq "how to play, its title" "$(head -n 1 "$how_to" | tr -d '\r')" "Murlo ${MURLO_VERSION:?}: how to play"
    expect_eq "how to play, lines with Windows ends" "$(grep -c $'\r$' "$how_to")" "$(wc -l <"$how_to")"
    expect_eq "murlo.exe imports system DLLs only" \
        "$("${MURLO_OBJDUMP:?}" -p "$dir/murlo.exe" | awk '/DLL Name/ {print $3}' | sort | tr '\n' ' ')" \
        "GDI32.dll KERNEL32.dll USER32.dll WINMM.dll msvcrt.dll "

    # Started from its folder, the game finds its skin there.
    cd "$dir"
    inspect icon murlo.exe || failures=$((failures + 1))
    start_bg ./murlo.exe
    wait_for_window
    inspect shape-of window.bmp || failures=$((failures + 1))
    sleep 1
    read -r ox oy <<<"$(window_origin)"
    screenshot "$work/shot.png"
    local colours
    colours=$(convert "$work/shot.png" -crop "256x256+$((ox + 128))+$((oy + 64))" +repage \
        -unique-colors -format '%w' info:)
    expect_eq "the LCD shows the title picture in its two colours, colour count" "$colours" 2
    xdotool mousemove $((ox + 256)) $((oy + 200))
    sleep 0.3
    xdotool key Escape
    finish_bg
    expect_eq "Escape ends the game, exit status" "$bg_rc" 0
}

check_bad_skins() {
    # A skin the game cannot use gives the plain outline and one line naming
    # window.bmp and why; a skin of any depth it reads gives its own shape.
    local skin want shape said
    for skin in folder empty cut-short 1x1 10000x10000 1 4 8 16 32; do
        rm -rf window.bmp
        case $skin in
        folder) mkdir window.bmp ;;
        empty) : >window.bmp ;;
        cut-short) inspect make-skin window.bmp && truncate -s 300000 window.bmp ;;
        1x1) inspect make-skin window.bmp 24 1 1 ;;
        10000x10000) inspect make-skin window.bmp 1 10000 10000 ;;  # 12.5 MB
        *) inspect make-skin window.bmp "$skin" ;;
        esac
        case $skin in
        folder) want='it is a folder' ;;
        empty) want='the file is empty' ;;
        cut-short) want='cut short (300000 bytes of the 614454 its header calls for)' ;;
        1x1) want='1 x 1 pixels, not 512 x 400' ;;
        10000x10000) want='10000 x 10000 pixels, not 512 x 400' ;;
        *) want='' ;;
        esac
        start_bg "$murlo_exe"
        wait_for_window
        shape=skin
        [ -z "$want" ] || shape=round
        if inspect shape $shape >shape.out; then pass "$skin: the $shape shape"; else
            cat shape.out
            fail "$skin: the $shape shape"
        fi
        inspect close >/dev/null
        finish_bg
        expect_eq "$skin: exit status" "$bg_rc" 0
        said=$(grep '^murlo:' bg.err | tr -d '\r' || true)
        expect_eq "$skin: what the game said" "$said" "${want:+murlo: window.bmp not used: $want}"
    done
}

check_bad_sounds() {
    # Each sound is played twice. A file that cannot be played as it is is
    # named once, with the reason; what can be played is heard; and
    # starting a sound never holds the game up, an hour-long sound included.
    sound_to_file
    mkdir folder.wav
    : >empty.wav
    echo 'no sound in here' >text.wav
    inspect make-wav cut.wav 22050 1 16 2
    truncate -s 30000 cut.wav
    inspect make-wav stereo.wav 44100 2 8 1
    inspect make-wav hour.wav 8000 1 8 3600  # 28.8 MB
    local said heard=0 slowest
    HOME=$work/home wine "$probe_exe" sounds folder.wav empty.wav text.wav >quiet.out 2>quiet.err
    said=$(grep '^murlo:' quiet.err | tr -d '\r' || true)
    expect_eq "what the game said of files with no sound" "$said" "murlo: folder.wav not played: it is a folder
murlo: empty.wav not played: the file is empty
murlo: text.wav not played: not a WAV file"
    [ -f played.raw ] && heard=$(od -A n -t x1 -v played.raw | tr -d ' 0\n' | wc -c)
    expect_eq "nothing heard from them, non-zero digits" "$heard" 0

    rm -f played.raw
    HOME=$work/home wine "$probe_exe" sounds cut.wav stereo.wav hour.wav >loud.out 2>loud.err
    said=$(grep '^murlo:' loud.err | tr -d '\r' || true)
    expect_eq "what the game said of files it can play" "$said" \
        "murlo: cut.wav cut short: only the part that is there plays"
    heard=0
    [ -f played.raw ] && heard=$(od -A n -t x1 -v played.raw | tr -d ' 0\n' | wc -c)
    if [ "$heard" -ge 10000 ]; then pass "they were heard ($heard non-zero digits)"; else fail "only $heard non-zero digits heard"; fi
    slowest=$(awk '/^play_ms/ {if ($3 > m) m = $3} END {print m + 0}' quiet.out loud.out)
    if awk -v t="$slowest" 'BEGIN {exit !(t < 100)}'; then
        pass "starting a sound returns at once ($slowest ms at the most)"
    else
        fail "starting a sound took $slowest ms"
    fi
}

case $name in
window) check_window ;;
class) check_class ;;
messages) check_messages ;;
close_command) check_close_command ;;
escape) check_escape ;;
shape_round) check_shape_round ;;
shape_skin) check_shape_skin ;;
lcd_frames) check_lcd_frames ;;
keys) check_keys ;;
timing) check_timing ;;
play) check_play ;;
sound) check_sound ;;
fatal) check_fatal ;;
drag) check_drag ;;
package) check_package ;;
bad_skins) check_bad_skins ;;
bad_sounds) check_bad_sounds ;;
*)
    echo "unknown check $name" >&2
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
