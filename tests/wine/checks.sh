#!/usr/bin/env bash
# The Windows game under Wine, seen from outside: one check per call.
#
#   checks.sh NAME STATE_DIR MURLO_EXE PROBE_EXE INSPECT_EXE
#
# STATE_DIR holds the session that session.sh started (display, prefix).
# Each check works in its own fresh folder, which is the programs' working
# directory, so window.bmp and the sounds are looked for there.
set -euo pipefail
# Under pipefail a reader that stops early (grep -q) fails the writer it
# leaves: conditions read whole outputs (grep >/dev/null).

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

# Every wait is for a condition, with a deadline long enough for a busy
# machine: until the command succeeds, trying again every 0.1 s, 60 s at
# the most. Fails when the deadline passes.
wait_until() {
    local deadline=$((SECONDS + 60))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# One Windows program in the background at a time, ended by its id if a
# check leaves it running.
bg_pid=""
start_bg() {
    timeout 180 wine "$@" >bg.out 2>bg.err </dev/null &
    bg_pid=$!
}
# Until the background program ends, 60 s at most; its exit status (or
# "timeout") goes to bg_rc.
bg_rc=""
bg_ended() { ! kill -0 "$bg_pid" 2>/dev/null; }
finish_bg() {
    if wait_until bg_ended; then
        bg_rc=0
        wait "$bg_pid" || bg_rc=$?
    else
        kill "$bg_pid" 2>/dev/null || true
        wait "$bg_pid" 2>/dev/null || true
        bg_rc=timeout
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

# A line of the background program's output that matches the pattern.
said() { tr -d '\r' <bg.out 2>/dev/null | grep -- "$1" >/dev/null; }
wait_for_line() {
    wait_until said "$1" || fail "never said '$1'"
}

# Until an X window of that name is shown. Looking from the X side first
# keeps a second Wine process from starting while the first one still
# starts up, which Wine sometimes holds for ten seconds.
x_window_shown() { xwininfo -name "$1" 2>/dev/null | grep IsViewable >/dev/null; }
wait_for_x_window() { wait_until x_window_shown "$1"; }

# Top-left corner of the game's window on the X screen, as "x y".
window_origin() {
    xwininfo -name "Murlo Win" |
        awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}'
}

# Until the game's window is shown; its corner then goes to ox, oy.
ox=0
oy=0
wait_for_window() {
    if ! wait_for_x_window "Murlo Win" || ! inspect wait-window 60; then
        echo "FAIL the window never appeared"
        cat bg.out bg.err 2>/dev/null || true
        exit 1
    fi
    read -r ox oy <<<"$(window_origin)"
}

# The pointer moved to (x, y) of the screen, once it is there. (xdotool's
# own --sync waits for a move, and none comes when it is there already.)
pointer_at() { [ "$(xdotool getmouselocation | awk '{print $1, $2}')" = "x:$1 y:$2" ]; }
pointer_to() {
    xdotool mousemove "$1" "$2"
    wait_until pointer_at "$1" "$2" || fail "the pointer never got to ($1, $2)"
}

# Keys go where the pointer is on a display without a window manager, and
# to the window Wine has in front: both made so.
focus_game() {
    pointer_to $((ox + 256)) $((oy + 200))
    inspect activate >focus.out 2>&1 || { cat focus.out; fail "the game's window not in front"; }
}

# The screen now, in shot.png.
shoot() { import -window root shot.png; }

# "r,g,b" of pixels of a picture, one line each: pixels PICTURE X Y [X Y...]
pixels() {
    local picture=$1 format=""
    shift
    while [ $# -ge 2 ]; do
        format+="%[fx:round(255*p{$1,$2}.r)],%[fx:round(255*p{$1,$2}.g)],%[fx:round(255*p{$1,$2}.b)]\n"
        shift 2
    done
    convert "$picture" -format "$format" info:
}

# Window pixels, each given as a line "x y r,g,b what": window_pixels_are
# takes a screenshot and holds when each has its colour; expect_window
# waits until they all have, then checks them one by one on the last
# screenshot.
window_pixels_are() {
    shoot
    local points=() wanted=() x y rgb what
    while read -r x y rgb what; do
        points+=($((ox + x)) $((oy + y)))
        wanted+=("$rgb")
    done <<<"$1"
    [ "$(pixels shot.png "${points[@]}")" = "$(printf '%s\n' "${wanted[@]}")" ]
}
expect_window() {
    wait_until window_pixels_are "$1" || true
    local x y rgb what
    while read -r x y rgb what; do
        expect_eq "$what at client ($x, $y)" "$(pixels shot.png $((ox + x)) $((oy + y)))" "$rgb"
    done <<<"$1"
}

fill=117,135,176
lcd_clear=170,182,198
lcd_ink=79,80,110
lcd_paused_clear=130,139,155 lcd_paused_ink=96,99,126  # the LCD of a paused game
skin_ink=52,60,116
root=0,0,0  # Xvfb -br: a black root shows through cut-out parts

# The LCD area of the last screenshot, in lcd.png, and its colours.
crop_lcd() { convert shot.png -crop "256x256+$((ox + 128))+$((oy + 64))" +repage PNG24:lcd.png; }
lcd_colours() {
    convert lcd.png -unique-colors txt:- | awk 'NR > 1 {print $2}' | tr -d '()' | sort | tr '\n' ' '
}
# Holds when a fresh screenshot's LCD shows exactly these colours.
lcd_colours_are() {
    shoot
    crop_lcd
    [ "$(lcd_colours)" = "$(printf '%s\n' "$@" | sort | tr '\n' ' ')" ]
}

# The frame a "present W0 .. W31" line (bit x of word y is pixel (x, y))
# holds, drawn as the window draws it eight times over in colour INK.
frame_picture() {  # words-line ink clear out.png
    local word x row
    {
        echo P1
        echo 32 32
        for word in $1; do
            row=""
            for x in $(seq 0 31); do row+="$(((16#$word >> x) & 1)) "; done
            echo "$row"
        done
    } >frame.pbm
    convert frame.pbm -fill "rgb($2)" -opaque black -fill "rgb($3)" -opaque white \
        -filter point -scale 800% PNG24:"$4"
}
pixels_differing() { compare -metric AE "$1" "$2" diff.png 2>&1 || true; }

# The best depth's file, which the session found in the prefix, and the
# game kept beside it: none at the start of a check, so each starts on the
# title.
best_file=$(cat "$state/best_file")
suspend_file=$(dirname "$best_file")/suspend
rm -f "$suspend_file" "$suspend_file.bad"

# The label on the body as cells: '#' in the skin's ink, '.' in the fill
# colour, '?' in any other; and what `probe label DEPTH` says it must be.
label_cells() {
    convert shot.png -crop "105x15+$((ox + 334))+$((oy + 357))" +repage -sample 35x5 txt:- |
        awk -v ink="$skin_ink" -v fill="$fill" 'NR > 1 {
            split($1, at, "[,:]"); c = $2; gsub(/[()]/, "", c)
            cell[at[2], at[1]] = c == ink ? "#" : c == fill ? "." : "?"
        } END {
            for (r = 0; r < 5; ++r) { line = ""; for (k = 0; k < 35; ++k) line = line cell[r, k]; print line }
        }'
}
label_is() {
    shoot
    [ "$(label_cells)" = "$1" ]
}
expect_label() {  # depth
    local wanted
    wanted=$(wine "$probe_exe" label "$1" | tr -d '\r')
    wait_until label_is "$wanted" || true
    expect_eq "BEST $1 on the body" "$(label_cells)" "$wanted"
}

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

# The game's X window as "x y width height".
x_geometry() {
    xwininfo -name "Murlo Win" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
geometry_is() { [ "$(x_geometry)" = "$1" ]; }
# Colours of a square of the last screenshot: square_colours X Y SIDE.
square_colours() {
    convert shot.png -crop "$3x$3+$1+$2" +repage -unique-colors txt:- | awk 'NR > 1 {print $2}' | tr -d '()' |
        sort | tr '\n' ' '
}
square_is() {  # X Y SIDE COLOURS...
    local x=$1 y=$2 side=$3
    shift 3
    shoot
    [ "$(square_colours "$x" "$y" "$side")" = "$(printf '%s\n' "$@" | sort | tr '\n' ' ')" ]
}
# key_shows KEY GEOMETRY: KEY pressed, and the window is then that.
key_shows() {
    xdotool key "$1"
    wait_until geometry_is "$2" || fail "after $1 the window is $(x_geometry), not $2"
}

check_settings() {
    # A damaged settings file: one line naming it, and the defaults. The
    # keys change the settings, shown at once and kept: + a window twice
    # the size, F11 full screen (the handheld centred on the backdrop), C
    # the high-contrast palette, M mute (a mark on the body), S the screen
    # alone. Escape leaves full screen first, then quits. The next start is
    # as they were left; the command line wins for a run.
    local folder file backdrop=35,37,47 clear=226,232,214 ink=18,20,30
    folder=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
    file=$(winepath -u "$folder\Murlo\settings.ini" 2>/dev/null)
    mkdir -p "$(dirname "$file")"
    printf 'mute = perhaps\n' >"$file"
    start_bg "$murlo_exe"
    wait_for_window
    expect_eq "a damaged file: the window at scale 1" "$(x_geometry)" "256 184 512 400"
    expect_eq "a damaged file named" "$(tr -d '\r' <bg.err | grep '^murlo:' || true)" \
        "murlo: $folder\Murlo\settings.ini not used: line 1: mute cannot be 'perhaps'"
    focus_game
    key_shows plus "0 0 1024 800"
    key_shows F11 "0 0 1024 768"
    wait_until square_is 384 248 256 "$lcd_clear" "$lcd_ink" || fail "no LCD in the middle of the full screen"
    expect_eq "the backdrop round the handheld" "$(pixels shot.png 0 0 1023 767 255 183)" \
        "$(printf '%s\n' $backdrop $backdrop $backdrop)"
    expect_eq "the handheld at scale 1 in the middle" "$(pixels shot.png 256 184 767 583)" "$(printf '%s\n' $fill $fill)"
    xdotool key c
    wait_until square_is 384 248 256 "$clear" "$ink" || fail "C did not change the palette"
    xdotool key m
    wait_until eval '[ "$(shoot; pixels shot.png $((256 + 132)) $((184 + 357)))" = $skin_ink ]' || fail "M put no mark on the body"
    xdotool key s
    wait_until square_is 128 0 768 "$clear" "$ink" || fail "S did not show the screen alone"
    cp shot.png screen-only.png
    key_shows Escape "0 0 1024 800"
    kill -0 "$bg_pid" 2>/dev/null && pass "Escape left full screen" || fail "Escape in full screen ended the game"
    xdotool key Escape
    finish_bg
    expect_eq "Escape in a window, exit status" "$bg_rc" 0
    expect_eq "the settings kept" "$(tr -d '\r' <"$file" | grep -v '^#' | tr '\n' ' ')" \
        "scale = 2 full-screen = yes show = screen-only mute = yes palette = high-contrast "
    start_bg "$murlo_exe"
    wait_until geometry_is "0 0 1024 768" || fail "the next start is not in full screen"
    wait_until square_is 128 0 768 "$clear" "$ink" || fail "the next start is not the screen alone, high-contrast"
    focus_game
    xdotool key s
    wait_until eval '[ "$(shoot; pixels shot.png $((256 + 132)) $((184 + 357)))" = $skin_ink ]' || fail "no mute mark at the next start"
    key_shows Escape "0 0 1024 800"
    xdotool key Escape
    finish_bg
    cp "$file" kept.ini
    start_bg "$murlo_exe" --windowed --scale 1 --palette handheld --unmute
    wait_for_window
    expect_eq "the options over the file" "$(x_geometry)" "256 184 512 400"
    wait_until lcd_colours_are "$lcd_clear" "$lcd_ink" || fail "--palette handheld did not win"
    expect_eq "no mute mark with --unmute" "$(pixels shot.png $((256 + 132)) $((184 + 357)))" "$fill"
    inspect close >/dev/null
    finish_bg
    cmp -s "$file" kept.ini && pass "the options left the file as it was" || fail "the options changed the file"
    start_bg "$murlo_exe" --palette grey
    finish_bg
    expect_eq "--palette grey, exit status" "$bg_rc" 2
    rm -f "$file"
}

check_class() {
    wine "$probe_exe" class || failures=$((failures + 1))
}

check_messages() {
    local rc=0
    wine "$probe_exe" messages >messages.out || rc=$?
    cat messages.out
    expect_eq "the window procedure's answers, exit status" "$rc" 0
    if grep -q FAIL messages.out; then fail "window procedure checks"; fi
    grep -q "turn after close" messages.out || fail "never got to the close"
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
    focus_game
    xdotool key Escape
    finish_bg
    expect_eq "Escape ends the game, exit status" "$bg_rc" 0
    if grep -q 'Loaded .*xinput1_4' bg.err; then fail "XInput loaded though disabled"; else pass "no XInput"; fi
}

check_shape_round() {
    # The best depth kept from earlier games is on the body from the start.
    mkdir -p "$(dirname "$best_file")"
    echo 412 >"$best_file"
    start_bg "$murlo_exe"  # no window.bmp here
    wait_for_window
    inspect shape round || failures=$((failures + 1))
    expect_window "1 1 $root rounded corner cut
510 398 $root rounded corner cut
20 200 $fill fill colour
256 2 $fill fill colour
127 200 $fill fill colour left of the LCD
384 200 $fill fill colour right of the LCD"
    expect_label 412
    inspect close >/dev/null
    finish_bg
    expect_eq "what the game said" "$(grep -c '^murlo:' bg.err || true)" 0
}

check_shape_skin() {
    inspect make-skin window.bmp
    start_bg "$murlo_exe"
    wait_for_window
    inspect shape skin || failures=$((failures + 1))
    local skin=200,120,40
    expect_window "100 200 $skin skin painted
4 4 $root magenta band cut
505 5 $skin run from column 500 kept
499 5 $root column 499 cut
25 52 $root magenta hole cut
30 55 255,0,254 near-magenta shown
31 55 254,0,255 near-magenta shown
511 105 $root right edge notch cut
200 100 $root a magenta pixel cuts the LCD too"
    inspect close >/dev/null
    finish_bg
}

# Holds when a fresh screenshot's LCD is the picture given.
lcd_is() {
    shoot
    crop_lcd
    [ "$(pixels_differing lcd.png "$1")" = 0 ]
}

check_lcd_frames() {
    start_bg "$probe_exe" frames expected.pbm
    wait_for_window
    wait_for_line shown
    convert expected.pbm -fill "rgb($lcd_ink)" -opaque black -fill "rgb($lcd_clear)" -opaque white \
        -filter point -scale 800% PNG24:expected.png
    wait_until lcd_is expected.png || true
    expect_eq "LCD area matches the last frame, 8x, pixels differing" "$(pixels_differing lcd.png expected.png)" 0
    expect_window "128 64 $lcd_ink pixel (0, 0) inked
135 71 $lcd_ink pixel (0, 0) inked
136 64 $lcd_clear pixel (1, 0) clear
376 312 $lcd_ink pixel (31, 31) inked
383 319 $lcd_ink pixel (31, 31) inked
127 64 $fill fill colour left of the LCD
384 319 $fill fill colour right of the LCD
200 320 $fill fill colour under the LCD"
    inspect close >/dev/null
    finish_bg
    expect_eq "closed, exit status" "$bg_rc" 0
}

# The last line of the background program's output.
last_line() { tail -n 1 bg.out | tr -d '\r'; }
last_line_is() { [ "$(last_line)" = "$1" ]; }

check_keys() {
    export WINEDEBUG=+loaddll  # to see XInput loaded, which the keys go through
    start_bg "$probe_exe" keys
    wait_for_window
    wait_for_line ready
    focus_game
    # The latest polled value after each step.
    step() {  # what wanted xdotool-arguments...
        local what=$1 wanted=$2
        shift 2
        xdotool "$@"
        wait_until last_line_is "$wanted" || true
        expect_eq "$what" "$(last_line)" "$wanted"
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
    # Other keys held, then Z: the only change the game sees is Z's.
    local before
    before=$(wc -l <bg.out)
    xdotool keydown a space Return
    step "other keys count for nothing" 01 keydown z
    expect_eq "the changes seen" "$(tail -n +$((before + 1)) bg.out | tr -d '\r' | tr '\n' ' ')" "01 "
    xdotool keyup a space Return z
    xdotool key Escape
    finish_bg
    expect_eq "Escape ends it, exit status" "$bg_rc" 0
    if grep -q 'Loaded L".*xinput1_4.dll"' bg.err; then pass "XInput loaded"; else fail "XInput not loaded"; fi
}

check_timing() {
    # A sound that outlasts the check, to hear whether a pause cuts it.
    sound_to_file
    inspect make-wav break.wav 22050 1 16 60
    HOME=$work/home wine "$probe_exe" timing || failures=$((failures + 1))
}

# The game's turns the play probe has reported, and what it said of one:
# turn_field TURN FIELD (keys, depth or present: the frame's row words).
turns() { tr -d '\r' <bg.out | grep -c '^turn ' || true; }
turns_at_least() { [ "$(turns)" -ge "$1" ]; }
turn_field() {
    tr -d '\r' <bg.out | awk -v t="$1" -v f="$2" '$1 == "turn" && $2 == t {
        if (f == "keys") print $4; else if (f == "depth") print $6
        else { line = ""; for (i = 8; i <= NF; ++i) line = line $i " "; print line } }'
}
last_keys_are() { [ "$(turn_field "$(turns)" keys)" = "$1" ]; }
deeper_than_0() { [ "$(turn_field "$(turns)" depth)" -ge 1 ]; }
# Down pressed and let go, each held until the game has seen it: a hard
# block takes two separate presses.
dig_down() {
    xdotool keydown Down
    wait_until last_keys_are 08 || true
    xdotool keyup Down
    wait_until last_keys_are 00 || true
}
# The digger at rest: the last ten turns at one depth.
at_rest() {
    [ "$(turns)" -ge 10 ] &&
        [ "$(tr -d '\r' <bg.out | awk '$1 == "turn" {print $6}' | tail -n 10 | sort -u | wc -l)" = 1 ]
}

# A pause as the player sees it: asked for by ACTION (a command), the LCD
# dims and no turn passes; RESUME (xdotool arguments) ends it and the game
# goes on. Sets paused_at: the turns before the pause.
paused_at=0
# Minimised, the game is kept at once.
kept() { [ -s "$suspend_file" ]; }
minimise_and_restore() {
    rm -f "$suspend_file"
    inspect minimise || return 1
    local rc=0
    wait_until kept || { echo "nothing kept when minimised"; rc=1; }
    inspect restore && return $rc
}
pause_and_resume() {  # what action resume...
    local what=$1 action=$2
    shift 2
    $action >action.out 2>&1 || { cat action.out; fail "$what: $action"; }
    wait_until lcd_colours_are "$lcd_paused_ink" "$lcd_paused_clear" || true
    expect_eq "$what: the LCD dimmed, its colours" "$(lcd_colours)" \
        "$(printf '%s\n' "$lcd_paused_ink" "$lcd_paused_clear" | sort | tr '\n' ' ')"
    cp lcd.png paused.png
    cp shot.png paused-screen.png
    paused_at=$(turns)
    sleep 1  # a second paused: no turn may pass in it
    expect_eq "$what: no turn while paused" "$(turns)" "$paused_at"
    focus_game
    xdotool "$@"
    wait_until turns_at_least $((paused_at + 3)) || fail "$what: the game never went on"
    # What the pause dimmed is the frame of the last turn before it.
    frame_picture "$(turn_field "$paused_at" present)" "$lcd_paused_ink" "$lcd_paused_clear" frame.png
    expect_eq "$what: the dimmed LCD is the game's last frame, pixels differing" \
        "$(pixels_differing paused.png frame.png)" 0
}

check_play() {
    rm -f "$best_file"
    start_bg "$probe_exe" play
    wait_for_window
    focus_game
    wait_for_line "press a key"
    # Held until the game has seen it: a press and release that both come
    # before the game's next turn go unseen.
    xdotool keydown z
    wait_for_line "^game"
    xdotool keyup z
    wait_until turns_at_least 20 || fail "fewer than 20 turns"

    # P pauses; Right resumes, and counts as held at the next poll though
    # it is up again at once.
    pause_and_resume "P" "xdotool key p" key Right
    expect_eq "the key that resumed is held at the next poll" "$(turn_field $((paused_at + 1)) keys)" 02
    # Another window in front pauses; P resumes once the game is in front.
    pause_and_resume "focus lost" "inspect focus-away" key p
    # Minimised pauses, and it stays paused when restored; the Pause key
    # resumes.
    pause_and_resume "minimised" minimise_and_restore key Pause

    # Down digs; closed in the middle of the game, its depth is kept.
    focus_game
    local deadline=$((SECONDS + 60))
    until deeper_than_0 || [ $SECONDS -ge $deadline ]; do dig_down; done
    deeper_than_0 || fail "never dug below the top"
    wait_until at_rest || fail "the digger never came to rest"
    local depth
    depth=$(turn_field "$(turns)" depth)
    inspect close >/dev/null
    finish_bg
    grep -v '^turn' bg.out || true
    if grep FAIL bg.out; then fail "the game's own turns"; fi
    expect_eq "the game's own turns, exit status" "$bg_rc" 0
    expect_eq "closed in the middle of a game, the best depth kept" "$(cat "$best_file" 2>/dev/null)" "$depth"

    # And the game itself: the next start comes back on the same LCD,
    # paused; a key goes on, and the session ending keeps the game as it
    # is then.
    kept || fail "closed in the middle of a game, nothing kept"
    cp "$suspend_file" closed.kept
    frame_picture "$(turn_field "$(turns)" present)" "$lcd_paused_ink" "$lcd_paused_clear" frame.png
    start_bg "$murlo_exe"
    wait_for_window
    wait_until lcd_is frame.png || true
    expect_eq "started again: the last frame, paused, pixels differing" "$(pixels_differing lcd.png frame.png)" 0
    focus_game
    xdotool key Right
    wait_until lcd_colours_are "$lcd_ink" "$lcd_clear" || fail "a key did not go on"
    wineboot --end-session
    finish_bg
    if kept && ! cmp -s closed.kept "$suspend_file"; then pass "the game kept again as the session ended"; else
        fail "the game gone on with was not kept again"
    fi

    # A kept game that cannot be used is named, set aside, and the game
    # starts on the title.
    echo 'not a kept game' >"$suspend_file"
    start_bg "$murlo_exe"
    wait_for_window
    wait_until lcd_colours_are "$lcd_ink" "$lcd_clear" || fail "not on the title"
    inspect close >/dev/null
    finish_bg
    expect_eq "a damaged game named" "$(tr -d '\r' <bg.err | grep '^murlo:' | sed 's/\\/\//g; s#[^ ]*/##g')" \
        "murlo: suspend is damaged (not a Murlo state): starting on the title (moved to suspend.bad)"
    expect_eq "and set aside" "$(cat "$suspend_file.bad" 2>/dev/null)" "not a kept game"
    if kept; then fail "a game kept from the title"; else pass "nothing kept from the title"; fi

    # A game that ends: its depth replaces a best file that holds none.
    echo damaged >"$best_file"
    start_bg "$probe_exe" die
    wait_for_window
    wait_for_line "^died at depth"
    depth=$(tr -d '\r' <bg.out | awk '/^died at depth/ {print $4}')
    expect_eq "the best read from a damaged file" "$(tr -d '\r' <bg.out | awk '/^best/ {print $2}')" 0
    expect_eq "the damaged file named" "$(tr -d '\r' <bg.err | grep '^murlo:' | sed 's/.*\\//')" \
        "best.txt holds no depth: the best depth starts again from 0"
    expect_eq "a game ended, the best depth kept" "$(cat "$best_file")" "$depth"
    expect_label "$depth"
    inspect close >/dev/null
    finish_bg
    if grep FAIL bg.out; then fail "the game that ends"; fi
    expect_eq "closed, exit status" "$bg_rc" 0
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

# Bytes heard, and the samples' digits that are not 0.
heard_bytes() { if [ -f played.raw ]; then stat -c %s played.raw; else echo 0; fi; }
heard_digits() { if [ -f played.raw ]; then od -A n -t x1 -v played.raw | tr -d ' 0\n' | wc -c; else echo 0; fi; }
heard_at_least() { [ "$(heard_digits)" -ge "$1" ]; }
heard_samples() { [ -f played.raw ] && od -A n -t d2 -v played.raw | grep -- '-8000' >/dev/null; }

check_sound() {
    # Played as the game plays it: a call of the step names the sound, and
    # its file is looked for in the working directory. The probe stops it
    # when told, once enough has been heard.
    sound_to_file
    inspect make-wav dig.wav 22050 1 16 60
    HOME=$work/home start_bg "$probe_exe" sound
    wait_for_line playing
    expect_eq "starting a sound returns while it plays" "$(tr -d '\r' <bg.out | head -n 1)" playing
    wait_until heard_samples || true
    if heard_samples; then pass "the file's samples were played ($(heard_bytes) bytes)"; else
        fail "the file's samples never reached the device"
    fi
    touch stop
    finish_bg
    expect_eq "stopped when asked" "$(tr -d '\r' <bg.out | tail -n 1)" stopped

    rm -f played.raw dig.wav stop bg.out
    HOME=$work/home start_bg "$probe_exe" sound
    wait_for_line playing
    sleep 1  # a second in which a sound would be heard
    touch stop
    finish_bg
    expect_eq "a missing file plays nothing, non-zero digits" "$(heard_digits)" 0
    expect_eq "a missing file is silence without a word" "$(grep -c '^murlo:' bg.err || true)" 0
}

check_fatal() {
    start_bg "$probe_exe" fatal
    wait_for_x_window "fatal error" || fail "no X window for the box"
    inspect fatal-box 60 || failures=$((failures + 1))
    finish_bg
    expect_eq "failed start, exit status" "$bg_rc" 1
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null; }
origin_is() { [ "$(window_origin)" = "$1" ]; }

# Pressed at window point (x, y) and let go at (x + dx, y + dy). The
# window manager takes a drag over only once it has heard of it, and motion
# before that moves nothing: the pointer moves on at the end point until
# the window is at TARGET, or the deadline has passed.
drag_until() {  # x y dx dy target
    local tx=$((ox + $1 + $3)) ty=$((oy + $2 + $4))
    pointer_to $((ox + $1)) $((oy + $2))
    xdotool mousedown 1
    local deadline=$((SECONDS + 60))
    until origin_is "$5" || [ $SECONDS -ge $deadline ]; do
        pointer_to $((tx + 1)) "$ty"
        pointer_to "$tx" "$ty"
    done
    xdotool mouseup 1
}

check_drag() {
    # Dragging is the window manager's move: run one for this check.
    openbox --sm-disable >openbox.log 2>&1 </dev/null &
    wm_pid=$!
    wait_until wm_running || fail "no window manager"
    start_bg "$murlo_exe"
    wait_for_window
    # From the skin outside the LCD and the drawn pad (below it) the
    # window follows the pointer.
    drag_until 60 300 100 50 "$((ox + 100)) $((oy + 50))"
    expect_eq "dragged by the skin" "$(window_origin)" "$((ox + 100)) $((oy + 50))"
    read -r ox oy <<<"$(window_origin)"
    # From inside the LCD it stays put: dragged from the skin afterwards,
    # it moves from where it was by that drag alone.
    pointer_to $((ox + 256)) $((oy + 200))
    xdotool mousedown 1
    pointer_to $((ox + 356)) $((oy + 250))
    xdotool mouseup 1
    drag_until 60 300 -50 -20 "$((ox - 50)) $((oy - 20))"
    expect_eq "not dragged by the LCD" "$(window_origin)" "$((ox - 50)) $((oy - 20))"
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
    wait_until lcd_colours_are "$lcd_ink" "$lcd_clear" || true
    expect_eq "the LCD shows the title picture in its two colours" "$(lcd_colours)" \
        "$(printf '%s\n' "$lcd_ink" "$lcd_clear" | sort | tr '\n' ' ')"
    focus_game
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
        said=$(grep '^murlo: window.bmp' bg.err | tr -d '\r' || true)
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
    local said
    HOME=$work/home start_bg "$probe_exe" sounds folder.wav empty.wav text.wav
    wait_for_line playing
    sleep 1  # a second in which a sound would be heard
    touch stop
    finish_bg
    said=$(grep '^murlo:' bg.err | tr -d '\r' || true)
    expect_eq "what the game said of files with no sound" "$said" "murlo: folder.wav not played: it is a folder
murlo: empty.wav not played: the file is empty
murlo: text.wav not played: not a WAV file"
    expect_eq "nothing heard from them, non-zero digits" "$(heard_digits)" 0

    rm -f played.raw stop
    HOME=$work/home start_bg "$probe_exe" sounds cut.wav stereo.wav hour.wav
    wait_for_line playing
    expect_eq "the hour-long sound plays once started" "$(tr -d '\r' <bg.out)" playing
    wait_until heard_at_least 10000 || true
    if heard_at_least 10000; then pass "it was heard ($(heard_digits) non-zero digits)"; else
        fail "only $(heard_digits) non-zero digits heard"
    fi
    touch stop
    finish_bg
    said=$(grep '^murlo:' bg.err | tr -d '\r' || true)
    expect_eq "what the game said of files it can play" "$said" \
        "murlo: cut.wav cut short: only the part that is there plays"
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
settings) check_settings ;;
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
