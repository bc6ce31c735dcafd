#!/usr/bin/env bash
# End-to-end checks of the desktop game in a private Xvfb server (and, where
# the case needs one, the openbox window manager). Each run starts its own
# server on a free display number and takes everything down on exit.
#
# usage: game_under_xvfb.sh CASE
# environment, all required: MURLO (the game), MURLO_REPLAY (the replay
# tool), MURLO_VERSION (the version they must print), TEST_SKIN
# (make_test_skin), GAME_DEPTHS (game_depths)
set -uo pipefail

case_name=${1:?usage: game_under_xvfb.sh CASE}
: "${MURLO:?MURLO must name the game}"
: "${MURLO_REPLAY:?MURLO_REPLAY must name the replay tool}"
: "${MURLO_VERSION:?MURLO_VERSION must give the version}"
: "${TEST_SKIN:?TEST_SKIN must name make_test_skin}"
: "${GAME_DEPTHS:?GAME_DEPTHS must name game_depths}"

work=$(mktemp -d /tmp/murlo-e2e-XXXXXX)
xvfb_pid=""
wm_pid=""
game_pid=""

cleanup() {
  for pid in $game_pid $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null && echo "(the game is still running)" >&2
  [ -s "$work/game.err" ] && { echo "--- game stderr:" >&2; cat "$work/game.err" >&2; }
  [ -s "$work/xvfb.log" ] && { echo "--- Xvfb:" >&2; tail -n 20 "$work/xvfb.log" >&2; }
  exit 1
}

# Every wait below is for a condition, each with a deadline generous enough
# for a machine busy with other work (a minute, mostly); none stands for a
# time that passes.
patience=60
# wait_for SECONDS WHAT CONDITION...: until the command CONDITION succeeds,
# or fail saying WHAT did not happen.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local end=$(( SECONDS + seconds ))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "$what (waited $seconds s)"
    sleep 0.05
  done
}

# start_x WIDTHxHEIGHT: a server of that size; DISPLAY points at it.
# -noreset: by default the server resets when its last client leaves, and a
# game started in that moment cannot connect ("x11 not available").
start_x() {
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  wait_for "$patience" "Xvfb did not start" test -s "$work/display"
  export DISPLAY=":$(head -n1 "$work/display")"
  unset WAYLAND_DISPLAY
  export SDL_VIDEODRIVER=x11
}

# start_wm: openbox, given 30 s to take the screen, and started again
# (three times at most) if it ends before it has.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
start_wm() {
  local attempt end
  for attempt in 1 2 3; do
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
    end=$(( SECONDS + patience ))
    while [ "$SECONDS" -lt "$end" ] && kill -0 "$wm_pid" 2>/dev/null; do
      wm_running && return 0
      sleep 0.1
    done
    kill -0 "$wm_pid" 2>/dev/null && break  # alive all along, and still nothing
    wait "$wm_pid" 2>/dev/null
    wm_pid=""
  done
  fail "openbox did not start: $(cat "$work/wm.log")"
}

# wait_managed: until the window manager has taken the window in (it sets
# the frame extents of every window it manages; a window shown before it
# started is framed and moved then) and the window stays where it put it.
place_now() { echo "$(geometry 'Absolute upper-left X'),$(geometry 'Absolute upper-left Y')"; }
managed() { xprop -id "$window_id" _NET_FRAME_EXTENTS 2>/dev/null | grep -q =; }
settled() {
  local before
  before=$(place_now)
  sleep 0.2
  [ "$(place_now)" = "$before" ]
}
wait_managed() {
  wait_for "$patience" "the window manager never took the window in" managed
  wait_for "$patience" "the window never came to rest" settled
  win_x=$(geometry 'Absolute upper-left X')
  win_y=$(geometry 'Absolute upper-left Y')
}

# start_game [PROGRAM [ARGUMENTS...]]: runs in $work/cwd, stdout and
# stderr kept.
start_game() {
  local program=${1:-$MURLO}
  [ $# -gt 0 ] && shift
  (cd "$work/cwd" && exec "$program" "$@" >"$work/game.out" 2>"$work/game.err") &
  game_pid=$!
}

geometry() { xwininfo -id "$window_id" | sed -n "s/.*$1: *\(-\?[0-9]*\).*/\1/p"; }

shot() { import -silent -window root "$work/$1.png" || fail "no screenshot"; }

# pixel SHOT X Y: "r,g,b" of a screen pixel.
pixel() {
  convert "$work/$1.png" -format "%[fx:int(255*p{$2,$3}.r+.5)],%[fx:int(255*p{$2,$3}.g+.5)],%[fx:int(255*p{$2,$3}.b+.5)]" info:
}

# expect_pixel SHOT X Y RGB WHAT, with X and Y in window coordinates.
expect_pixel() {
  local got
  got=$(pixel "$1" $(( win_x + $2 )) $(( win_y + $3 )))
  [ "$got" = "$4" ] || fail "$5: window pixel ($2, $3) is $got, expected $4"
}

# The LCD's colours, and while the game is paused.
lcd_clear=170,182,198 lcd_ink=79,80,110
paused_clear=130,139,155 paused_ink=96,99,126
scale=1

# The window, shown with its picture: the LCD shows a frame (some of it
# ink, paused or not). Its place in win_x, win_y.
window_id=""
viewable() { xwininfo -name "Murlo Win" 2>/dev/null | grep -q 'IsViewable'; }
painted() {
  shot painted
  lcd_crop painted
  [ "$(convert "$work/painted-lcd.ppm" -fill "rgb($lcd_ink)" -opaque "rgb($paused_ink)" -fill black \
       +opaque "rgb($lcd_ink)" -fill white -opaque "rgb($lcd_ink)" -format '%[fx:mean > 0]' info:)" = 1 ]
}
wait_window() {
  local end=$(( SECONDS + patience ))
  until viewable; do
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before showing its window"
    [ "$SECONDS" -lt "$end" ] || fail "no window named 'Murlo Win' appeared"
    sleep 0.05
  done
  window_id=$(xwininfo -name "Murlo Win" | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
  win_x=$(geometry 'Absolute upper-left X')
  win_y=$(geometry 'Absolute upper-left Y')
  wait_for "$patience" "the window never showed its picture" painted
}

# wait_exit SECONDS: waits for the game to end; its exit code in $exit_code.
exit_code=""
game_ended() { ! kill -0 "$game_pid" 2>/dev/null; }
wait_exit() {
  wait_for "$1" "the game did not end" game_ended
  wait "$game_pid"
  exit_code=$?
  game_pid=""
}

# quit_with_escape [WHAT]: Escape closes the game, which exits 0.
quit_with_escape() {
  xdotool key Escape
  wait_exit "$patience"
  [ "$exit_code" = 0 ] || fail "${1:+$1: }exit code $exit_code after Escape"
}

# The LCD area of a screenshot, as $work/SHOT-lcd.ppm.
lcd_crop() {
  convert "$work/$1.png" -crop "$(( 256 * scale ))x$(( 256 * scale ))+$(( win_x + 128 * scale ))+$(( win_y + 64 * scale ))" \
    +repage "$work/$1-lcd.ppm" || fail "cannot crop $1"
}

# Pixels that differ between the LCD areas of two screenshots.
lcd_difference() {
  lcd_crop "$1"
  lcd_crop "$2"
  compare -metric AE "$work/$1-lcd.ppm" "$work/$2-lcd.ppm" null: 2>&1 | awk '{ printf "%d", $1 }'
}

# lcd_changed_from SHOT: a new screenshot (now) whose LCD differs from
# SHOT's in more than 20000 pixels, as the play view does from the title.
lcd_changed_from() {
  shot now
  [ "$(lcd_difference "$1" now)" -gt 20000 ]
}

# lcd_in SHOT CLEAR INK: the LCD area shows those two colours and no other.
lcd_in() {
  lcd_crop "$1"
  convert "$work/$1-lcd.ppm" -unique-colors txt:- | sed -n 's/.*srgb(\([0-9,]*\)).*/\1/p' | sort >"$work/colours"
  [ -s "$work/colours" ] && ! grep -qvx "$2\|$3" "$work/colours"
}
shows_paused() { shot now && lcd_in now "$paused_clear" "$paused_ink"; }
shows_playing() { shot now && lcd_in now "$lcd_clear" "$lcd_ink"; }

# lcd_shows TRACE CLEAR INK: a new screenshot whose LCD is the trace's
# last frame in those colours, pixel for pixel.
lcd_shows() {
  local line word x
  line=$(grep '^present ' "$1" | tail -n 1)
  [ -n "$line" ] || return 1
  { echo "P3 32 32 255"
    for word in ${line#present }; do
      for x in {0..31}; do
        if (( (16#$word >> x) & 1 )); then echo "${3//,/ }"; else echo "${2//,/ }"; fi
      done
    done; } | convert - -scale 800% "$work/frame.ppm"
  shot now
  lcd_crop now
  [ "$(compare -metric AE "$work/frame.ppm" "$work/now-lcd.ppm" null: 2>&1)" = 0 ]
}

# square_in SHOT X Y SIDE CLEAR INK: the square of the screen there shows
# those two colours and no other.
square_in() {
  convert "$work/$1.png" -crop "$4x$4+$2+$3" +repage -unique-colors txt:- |
    sed -n 's/.*srgb(\([0-9,]*\)).*/\1/p' | sort >"$work/colours"
  [ -s "$work/colours" ] && ! grep -qvx "$5\|$6" "$work/colours"
}
# sized W H X Y: the game's window is that big, there (the window asked
# about may be gone meanwhile: then it is not).
sized() {
  local info
  info=$(xwininfo -id "$window_id" 2>/dev/null) || return 1
  [ "$(sed -n 's/.*Width: *//p; s/.*Height: *//p; s/.*Absolute upper-left [XY]: *//p' <<<"$info" | tr '\n' ' ')" = "$3 $4 $1 $2 " ]
}
# fresh_window: the window made again (another size, full screen) and shown.
fresh_window() {
  window_id=$(xwininfo -name "Murlo Win" 2>/dev/null | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
  [ -n "$window_id" ] && xwininfo -id "$window_id" | grep -q IsViewable
}
# showing KEY W H X Y: KEY pressed, and the window is then that big, there.
# The key waits for the window to have the focus: one made again (full
# screen, the screen alone) takes it a moment after it is shown.
showing() {
  wait_for "$patience" "the window did not have the focus for $1" \
    eval 'fresh_window && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(( window_id ))" ]'
  xdotool key "$1"
  wait_for "$patience" "after $1 the window is not $2x$3+$4+$5" eval "fresh_window && sized $2 $3 $4 $5"
}

# press KEY WHAT CONDITION...: KEY held until the condition holds.
press() {
  local key=$1 what=$2
  shift 2
  xdotool keydown "$key"
  wait_for 90 "$what" "$@"
  xdotool keyup "$key"
}

# tap_until SECONDS WHAT KEY CONDITION...: KEY pressed and let go, again
# and again, until the condition holds. (A tap the game misses, both
# halves come between two polls, only means one tap more.)
tap_until() {
  local end=$(( SECONDS + $1 )) what=$2 key=$3
  shift 3
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "$what (tapped $key for $1 s)"
    xdotool keydown "$key"
    sleep 0.1
    xdotool keyup "$key"
    sleep 0.1
  done
}

# Dragging. The window manager moves a window dragged by its skin with the
# pointer, from where the button went down: a move of (DX, DY) puts it
# exactly that far from where it was.
# drag_from X Y DX DY: press at window point (X, Y), move by DX, DY in six
# steps, let go.
drag_from() {
  xdotool mousemove $(( win_x + $1 )) $(( win_y + $2 ))
  xdotool mousedown 1
  for _ in 1 2 3 4 5 6; do xdotool mousemove_relative -- $(( $3 / 6 )) $(( $4 / 6 )); done
}
# moved_to X,Y: the window is there, the pointer nudged meanwhile (the
# manager moves the window at pointer motion once it has begun the move).
moved_to() {
  xdotool mousemove_relative -- 1 0 mousemove_relative -- -1 0
  [ "$(place_now)" = "$1" ]
}

# check_drag LCD_X LCD_Y SKIN_X SKIN_Y: dragging from the first point
# leaves the window where it is, and dragging from the second moves it by
# the drag, exactly: had the first moved it too, it would end further on.
check_drag() {
  local to="$(( win_x + 60 )),$(( win_y + 30 ))"
  drag_from "$1" "$2" 60 30
  xdotool mouseup 1
  drag_from "$3" "$4" 60 30
  wait_for "$patience" "dragging the skin at $3,$4 did not move the window to exactly $to (it is at $(place_now))" \
    moved_to "$to"
  xdotool mouseup 1
}

# The polls of a trace, one value a line.
polls_of() { sed -n 's/^poll //p' "$1"; }

# expect_replayed SCRIPT TRACE: murlo-replay of the script gives the trace,
# but for the window's closing quit, as the beginning of its own.
expect_replayed() {
  "$MURLO_REPLAY" "$1" >"$work/replayed.trace" 2>"$work/replay.err" || fail "murlo-replay $1 failed"
  grep -qx quit <(tail -n 1 "$2") || fail "the trace does not end with quit"
  local lines
  lines=$(( $(wc -l <"$2") - 1 ))
  [ "$lines" -gt 100 ] || fail "a trace of only $lines lines"
  cmp -s <(head -n "$lines" "$2") <(head -n "$lines" "$work/replayed.trace") ||
    fail "the replay's trace departs from the window's: $(cmp <(head -n "$lines" "$2") "$work/replayed.trace")"
}

# polls_past N TRACE: the trace as written so far holds more than N polls.
polls_past() { [ "$(grep -c '^poll' "$2")" -gt "$1" ]; }
# held_for KEYS N TRACE: at least N polls saw those keys.
held_for() { [ "$(grep -c "^poll $1\$" "$3")" -ge "$2" ]; }
# last_poll KEYS TRACE: the last poll written saw those keys.
last_poll() { [ "$(grep '^poll' "$2" | tail -n 1)" = "poll $1" ]; }
# grown FILE SIZE: the file is larger than SIZE bytes.
grown() { [ "$(stat -c %s "$1")" -gt "$2" ]; }

# The best depth. best_expected SCRIPT [FIRST]: the deepest depth reached by
# the games of a recorded run begun at or after poll FIRST, 0 for none.
best_expected() {
  "$GAME_DEPTHS" "$@" | awk '$2 > best { best = $2 } END { print best + 0 }'
}
# deeper_than N SCRIPT [FIRST]: those games went deeper than N.
deeper_than() {
  local n=$1
  shift
  [ "$(best_expected "$@")" -gt "$n" ]
}
# game_ms TRACE [LINES]: the game's time in the trace (in its first LINES
# lines), in ms: its waits, 9 ms a tick. The title waits for nothing.
game_ms() { awk -v n="${2:-0}" 'n && FNR > n { exit } /^wait / { t += $2 } END { print t * 9 }' "$1"; }
# same_lines A B: how many lines the two files begin with in common.
same_lines() {
  awk 'NR == FNR { a[FNR] = $0; next }
       !(FNR in a) || a[FNR] != $0 { print FNR - 1; same = 1; exit }
       END { if (!same) print FNR }' "$1" "$2"
}
# game_ended_in SCRIPT: a game of the recorded run died or won.
game_ended_in() { "$GAME_DEPTHS" "$1" 2>/dev/null | grep -q '^ended'; }
# best_is DEPTH: the best depth file holds it.
best_is() { [ "$(cat "$best_file" 2>/dev/null)" = "$1" ]; }
# The label "BEST n" on the body, at scale 1, as $work/SHOT-label.ppm.
label_crop() {
  convert "$work/$1.png" -crop "105x15+$(( win_x + 334 ))+$(( win_y + 357 ))" +repage "$work/$1-label.ppm"
}
label_changed_from() {
  shot now
  label_crop now
  label_crop "$1"
  [ "$(compare -metric AE "$work/$1-label.ppm" "$work/now-label.ppm" null: 2>&1)" != 0 ]
}
# expect_best FILE DEPTH: the file holds the depth; none for 0.
expect_best() {
  if [ "$2" = 0 ]; then
    [ -e "$1" ] && fail "a best depth kept where no game counted: $(cat "$1")"
  else
    [ "$(cat "$1" 2>/dev/null)" = "$2" ] || fail "the best depth kept is '$(cat "$1" 2>/dev/null)', expected $2"
  fi
  return 0
}
# Nothing in the tests touches the user's own.
export XDG_STATE_HOME="$work/state"
export XDG_CONFIG_HOME="$work/config"
settings="$work/config/murlo/settings"
state="$work/state/murlo"
best_file="$state/best"

audio_size() { stat -c %s "$work/audio.raw" 2>/dev/null || echo 0; }

# audio_silent FROM LENGTH: true when those bytes of the output are all 0.
audio_silent() {
  cmp -s <(tail -c +$(( $1 + 1 )) "$work/audio.raw" | head -c "$2") <(head -c "$2" /dev/zero)
}

# wait_audio BYTES: until the output has grown that far.
audio_reached() { [ "$(audio_size)" -ge "$1" ]; }
# Sound has come out (the output holds a byte that is not 0).
audio_heard() { ! audio_silent 0 "$(audio_size)"; }
wait_audio() { wait_for "$patience" "the sound output stopped growing" audio_reached "$1"; }

use_disk_audio() {
  export SDL_AUDIODRIVER=disk
  export SDL_DISKAUDIOFILE="$work/audio.raw"
}

mkdir -p "$work/cwd"
win_x=0
win_y=0

check_place() {  # check_place SCREEN X Y [AUDIO_DRIVER]
  start_x "$1"
  export SDL_AUDIODRIVER=${4:-dummy}
  start_game
  wait_window
  win_x=$(geometry 'Absolute upper-left X')
  win_y=$(geometry 'Absolute upper-left Y')
  [ "$win_x,$win_y" = "$2,$3" ] || fail "window at $win_x,$win_y on a $1 screen, expected $2,$3"
  [ "$(geometry Width)x$(geometry Height)" = "512x400" ] || fail "window is not 512 x 400"
  xprop -id "$window_id" WM_NAME | grep -q '"Murlo Win"' || fail "caption is not Murlo Win"
  # Borderless: nothing but the window itself.
  [ "$(geometry 'Border width')" = "0" ] || fail "the window has a border"
  quit_with_escape
}

case "$case_name" in
place-1024x768) check_place 1024x768 256 184 ;;
# ... and with no sound device at all, which only means silence.
place-800x600) check_place 800x600 144 100 no-such-driver ;;
# Too small to centre on: the top-left corner of the free screen area.
place-600x420) check_place 600x420 0 0 ;;

shape-skin)
  # A skin with magenta around and inside gives exactly its opaque pixels.
  "$TEST_SKIN" holes "$work/cwd/window.bmp" || fail "cannot make the test skin"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game
  wait_window
  xwininfo -id "$window_id" -shape | grep -q 'Window shape extents: *312x300+100+50' ||
    fail "shape extents: $(xwininfo -id "$window_id" -shape | grep -i 'shape extents')"
  shot skin
  expect_pixel skin 110 60 30,90,40 "skin colour"
  expect_pixel skin 400 330 30,90,40 "skin colour"
  lcd=$(pixel skin $(( win_x + 200 )) $(( win_y + 200 )))
  [ "$lcd" = "$lcd_clear" ] || [ "$lcd" = "$lcd_ink" ] || fail "LCD area pixel is $lcd"
  expect_pixel skin 305 335 255,0,254 "RGB(255,0,254) is opaque"
  expect_pixel skin 325 335 254,0,255 "RGB(254,0,255) is opaque"
  expect_pixel skin 110 105 0,0,0 "a magenta hole shows what lies beneath"
  expect_pixel skin 207 157 0,0,0 "a magenta hole in the LCD area cuts the LCD too"
  expect_pixel skin 50 200 0,0,0 "magenta round the skin"
  # The best depth's label lies on magenta here: cut away with it.
  expect_pixel skin 335 358 0,0,0 "the label keeps the skin's shape"
  quit_with_escape
  ;;

shape-all-magenta)
  # A skin with no opaque pixel: the rounded outline in the fill colour.
  "$TEST_SKIN" magenta "$work/cwd/window.bmp" || fail "cannot make the test skin"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game
  wait_window
  xwininfo -id "$window_id" -shape | grep -q 'Window shape extents: *512x400+0+0' ||
    fail "shape extents: $(xwininfo -id "$window_id" -shape | grep -i 'shape extents')"
  shot round
  expect_pixel round 0 0 0,0,0 "top-left corner cut off"
  expect_pixel round 511 399 0,0,0 "bottom-right corner cut off"
  expect_pixel round 8 8 0,0,0 "outside the corner curve"
  # Inside, the skin is painted as it is, magenta and all.
  expect_pixel round 9 9 255,0,255 "inside the corner curve"
  expect_pixel round 256 0 255,0,255 "top edge"
  quit_with_escape
  ;;

no-data-files)
  # The game copied where it finds neither skin nor sounds: the rounded
  # fill-colour window, silence, and a game that plays all the same.
  mkdir -p "$work/alone/bin"
  cp "$MURLO" "$work/alone/bin/murlo"
  start_x 1024x768
  use_disk_audio
  start_game "$work/alone/bin/murlo"
  wait_window
  xwininfo -id "$window_id" -shape | grep -q 'Window shape extents: *512x400+0+0' ||
    fail "shape extents: $(xwininfo -id "$window_id" -shape | grep -i 'shape extents')"
  shot title
  expect_pixel title 0 0 0,0,0 "top-left corner cut off"
  expect_pixel title 511 0 0,0,0 "top-right corner cut off"
  expect_pixel title 100 200 117,135,176 "fill colour without a skin"
  expect_pixel title 384 200 117,135,176 "fill colour right of the LCD area"
  # The best depth on the plain outline too: "B" of "BEST" at its corner.
  expect_pixel title 335 358 52,60,116 "the best depth's label"
  wait_audio 44100
  audio_silent 0 "$(audio_size)" || fail "sound without sound files"
  press z "the title screen stayed" lcd_changed_from title
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended"
  # (SDL's disk driver announces itself; nothing else may be said.)
  grep -v 'disk i/o audio driver\|Writing to file' "$work/game.err" && fail "the game complained"
  quit_with_escape
  ;;

title-to-play)
  # The title tune plays until a key leaves the title; the play view
  # replaces the title picture. Digging on, the digger dies: the best depth,
  # which began from a damaged file (named once, taken as 0), is then that
  # game's and shows on the body. Escape, held down, ends the game with 0.
  mkdir -p "$work/state/murlo"
  echo 'not a depth' >"$best_file"
  start_x 1024x768
  use_disk_audio
  start_game "$MURLO" --record "$work/run.script"
  wait_window
  shot title
  wait_for "$patience" "the title tune is not playing" audio_heard
  press z "the title screen stayed" lcd_changed_from title
  # What the device had already been handed may still come out; then none.
  size=$(( $(audio_size) + 4096 ))
  wait_audio $(( size + 22050 ))
  audio_silent "$size" 22050 || fail "the title tune went on in play"
  # Tap by tap the digger goes down until blocks fall on it (were every tap
  # missed, the air would run out within a minute).
  tap_until 120 "the digger never died" Down game_ended_in "$work/run.script"
  best=$(best_expected "$work/run.script")
  [ "$best" -gt 0 ] || fail "the game ended at depth 0: no dig was seen"
  wait_for "$patience" "the best depth kept is '$(cat "$best_file")', not $best" best_is "$best"
  wait_for "$patience" "the label on the body still shows the old best" label_changed_from title
  [ "$(grep -c "best.*holds no depth" "$work/game.err")" = 1 ] || fail "the damaged best depth file was not named once"
  xdotool keydown Escape
  wait_exit "$patience"
  xdotool keyup Escape
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape"
  echo "died at depth $best"
  ;;

escape-released)
  # Escape pressed in another program's window and let go in ours closes
  # it; while it was held elsewhere the game went on (its trace kept
  # growing, written out once a second).
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game "$MURLO" --trace "$work/run.trace"
  wait_window
  xmessage -geometry 200x60+0+0 -name murlo-other other &
  other_pid=$!
  wait_for "$patience" "the other window never took the focus" \
    eval "xdotool search --name '^murlo-other\$' windowfocus --sync >/dev/null 2>&1"
  xdotool keydown Escape
  for _ in 1 2; do
    size=$(stat -c %s "$work/run.trace")
    wait_for "$patience" "the game stopped while Escape was held elsewhere" grown "$work/run.trace" "$size"
  done
  kill -0 "$game_pid" 2>/dev/null || fail "Escape pressed elsewhere closed the game"
  xdotool windowfocus --sync "$window_id"
  xdotool keyup Escape
  wait_exit "$patience"
  kill "$other_pid" 2>/dev/null
  [ "$exit_code" = 0 ] || fail "exit code $exit_code"
  ;;

wm-close)
  # The window manager's close command (Alt+F4 in openbox) ends the game.
  start_x 1024x768
  start_wm
  export SDL_AUDIODRIVER=dummy
  start_game
  wait_window
  wait_managed
  xdotool windowactivate --sync "$window_id" >/dev/null 2>&1 || fail "the window could not be made active"
  xdotool key alt+F4
  wait_exit "$patience"
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after the window manager closed it"
  ;;

drag)
  # Dragging the skin moves the window; dragging the LCD area does not.
  start_x 1024x768
  start_wm
  export SDL_AUDIODRIVER=dummy
  start_game
  wait_window
  wait_managed
  check_drag 200 200 60 340  # the LCD area; the skin below the direction pad
  quit_with_escape
  ;;

plain-window)
  # Where windows cannot be shaped (SDL's dummy video driver stands in for
  # such a system), the game runs in a plain window all the same.
  export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
  unset DISPLAY WAYLAND_DISPLAY
  start_game "$MURLO" --trace "$work/run.trace"
  wait_for "$patience" "the title never ran" polls_past 100 "$work/run.trace"
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended without a shaped window"
  [ -s "$work/game.err" ] && fail "the game complained"
  ;;

no-display)
  # Without a display, as in an ssh session or on a text console (nothing
  # set that names one or a video driver), and with X asked for where there
  # is none: the message on stderr and exit code 1.
  for driver in "" x11; do
    (cd "$work/cwd" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
       ${driver:+SDL_VIDEODRIVER=$driver} SDL_AUDIODRIVER=dummy \
       "$MURLO" >"$work/game.out" 2>"$work/game.err") &
    game_pid=$!
    wait_exit "$patience"
    [ "$exit_code" = 1 ] || fail "exit code $exit_code without a display (driver '$driver'), expected 1"
    grep -q 'initializing application' "$work/game.err" || fail "no message on stderr (driver '$driver')"
  done
  ;;

scale-auto)
  # --scale auto on a 2560 x 1600 screen makes the window twice the size:
  # its shape, the skin and every LCD pixel's square scaled exactly, and
  # the parts that drag and those that do not scaled along.
  "$TEST_SKIN" holes "$work/cwd/window.bmp" || fail "cannot make the test skin"
  start_x 2560x1600
  export SDL_AUDIODRIVER=dummy
  scale=2
  start_game "$MURLO" --scale auto
  wait_window
  [ "$win_x,$win_y $(geometry Width)x$(geometry Height)" = "768,400 1024x800" ] ||
    fail "window $(geometry Width)x$(geometry Height) at $win_x,$win_y, expected 1024x800 at 768,400"
  xwininfo -id "$window_id" -shape | grep -q 'Window shape extents: *624x600+200+100' ||
    fail "shape extents: $(xwininfo -id "$window_id" -shape | grep -i 'shape extents')"
  shot scaled
  # Outside the LCD the window is the skin at twice the size, pixel for
  # pixel, with the screen's black wherever the skin is magenta.
  lcd_box="rectangle 256,128 767,639"
  convert "$work/cwd/window.bmp" -scale 200% -fill black -opaque '#ff00ff' -fill white -draw "$lcd_box" \
    "$work/expected.ppm" || fail "cannot scale the skin"
  convert "$work/scaled.png" -crop "1024x800+$win_x+$win_y" +repage -fill white -draw "$lcd_box" \
    "$work/window.ppm" || fail "cannot crop the window"
  differ=$(compare -metric AE "$work/expected.ppm" "$work/window.ppm" null: 2>&1)
  [ "$differ" = 0 ] || fail "$differ pixels of the window differ from the skin at twice the size"
  # Each display pixel a 16 x 16 square of one of the two colours (the
  # squares under the hole the skin cuts into the LCD painted over).
  convert "$work/scaled.png" -crop "512x512+$(( win_x + 256 ))+$(( win_y + 128 ))" +repage \
    -fill "rgb(79,80,110)" -draw "rectangle 144,160 175,207" "$work/lcd.ppm" || fail "cannot crop the LCD"
  convert "$work/lcd.ppm" -sample 32x32 -sample 512x512 "$work/squares.ppm"
  differ=$(compare -metric AE "$work/lcd.ppm" "$work/squares.ppm" null: 2>&1)
  [ "$differ" = 0 ] || fail "$differ LCD pixels stray from their 16 x 16 squares"
  colours=$(convert "$work/lcd.ppm" -unique-colors txt:- | grep -c 'srgb(\(170,182,198\|79,80,110\))')
  [ "$(convert "$work/lcd.ppm" -unique-colors -format %w info:)" = "$colours" ] ||
    fail "the LCD shows colours other than its two"
  # (350, 250) of the window at scale 1 lies in the LCD, (120, 55) in the skin.
  start_wm
  wait_managed
  check_drag 700 500 240 110
  quit_with_escape
  ;;

settings)
  # A damaged settings file: one line naming it, and the defaults (a
  # window at scale 1, the handheld's palette). The keys change the
  # settings, each shown at once and kept: + a window twice the size, F11
  # full screen (the handheld at the largest whole scale, 2, centred on the
  # backdrop, its drawn pad clicked at that scale and place), C the high-
  # contrast palette, M mute (a mark on the body), S the screen alone and
  # back. Escape leaves full screen first, then quits. The next start is
  # as they were left (full screen, palette, mute: no sound at all); the
  # command line wins over them for a run and leaves the file as it is.
  mkdir -p "$work/config/murlo"
  printf 'palette = high-contrast\nscale = 9\n' >"$settings"
  start_x 1280x1024
  use_disk_audio
  start_game "$MURLO" --trace "$work/run.trace"
  wait_window
  sized 512 400 384 312 || fail "a damaged file did not give a window at scale 1"
  shows_playing || fail "a damaged file did not give the handheld's palette"
  [ "$(grep -c '^murlo:' "$work/game.err")" = 1 ] && grep -qx "murlo: $settings not used: line 2: scale cannot be '9'" "$work/game.err" ||
    fail "the damaged settings were not named in one line"
  showing plus 1024 800 128 112
  showing F11 1280 1024 0 0
  hh_x=128 hh_y=112 lcd_x=384 lcd_y=240
  backdrop_shown() { shot full && [ "$(pixel full 0 0)" = 35,37,47 ] && [ "$(pixel full 1279 1023)" = 35,37,47 ] &&
                     square_in full "$lcd_x" "$lcd_y" 512 "$lcd_clear" "$lcd_ink"; }
  wait_for "$patience" "no backdrop around the handheld, or no LCD at twice its size in the middle" backdrop_shown
  # The handheld, pixel for pixel: the skin at twice its size where the
  # LCD is not, its see-through parts the backdrop, "BEST 0" on it.
  convert "$MURLO_SHARE/window.bmp" -scale 200% -fill "rgb(35,37,47)" -opaque '#ff00ff' \
    -fill white -draw "rectangle 256,128 767,639 rectangle 668,714 879,743" "$work/expected.ppm" || fail "cannot scale the skin"
  convert "$work/full.png" -crop "1024x800+$hh_x+$hh_y" +repage \
    -fill white -draw "rectangle 256,128 767,639 rectangle 668,714 879,743" "$work/window.ppm" || fail "cannot crop"
  differ=$(compare -metric AE "$work/expected.ppm" "$work/window.ppm" null: 2>&1)
  [ "$differ" = 0 ] || fail "$differ pixels of the full screen differ from the skin at twice its size, centred"
  # The drawn pad's Right arm, 30 skin pixels right of its centre (64, 192).
  win_x=$hh_x win_y=$hh_y scale=2
  press z "the title stayed" lcd_changed_from full
  xdotool mousemove $(( hh_x + 2 * 94 )) $(( hh_y + 2 * 192 )) mousedown 1
  wait_for "$patience" "a click on the drawn pad's Right arm was not Right held" held_for 02 3 "$work/run.trace"
  xdotool mouseup 1
  contrast_clear=226,232,214 contrast_ink=18,20,30
  xdotool key c
  wait_for "$patience" "C did not change the palette" eval 'shot now && square_in now $lcd_x $lcd_y 512 $contrast_clear $contrast_ink'
  ink=52,60,116
  [ "$(pixel now $(( hh_x + 2 * 132 )) $(( hh_y + 2 * 357 )))" != "$ink" ] || fail "a mute mark before M"
  xdotool key m
  wait_for "$patience" "M put no mark on the body" eval '[ "$(shot now; pixel now $(( hh_x + 2 * 132 )) $(( hh_y + 2 * 357 )))" = $ink ]'
  xdotool key s
  wait_for "$patience" "S did not show the screen alone" eval 'shot now && square_in now 128 0 1024 $contrast_clear $contrast_ink'
  [ "$(pixel now 127 500)" = 35,37,47 ] || fail "no backdrop beside the screen alone"
  cp "$work/now.png" "$work/screen-only.png"
  xdotool key s
  wait_for "$patience" "S did not bring the handheld back" eval 'shot now && square_in now $lcd_x $lcd_y 512 $contrast_clear $contrast_ink'
  showing Escape 1024 800 128 112
  kill -0 "$game_pid" 2>/dev/null || fail "Escape in full screen ended the game"
  quit_with_escape "in a window"
  for line in 'scale = 2' 'full-screen = yes' 'show = handheld' 'mute = yes' 'palette = high-contrast'; do
    grep -qx "$line" "$settings" || fail "the settings kept are not '$line': $(cat "$settings")"
  done
  rm -f "$work/audio.raw"
  : >"$work/game.err"
  start_game
  wait_for "$patience" "the next start is not in full screen" eval 'fresh_window && sized 1280 1024 0 0'
  # The game left in the middle comes back paused, in the palette's paused colours.
  wait_for "$patience" "the palette was not kept" eval 'shot again && square_in again $lcd_x $lcd_y 512 150,156,142 46,48,62'
  [ "$(pixel again $(( hh_x + 2 * 132 )) $(( hh_y + 2 * 357 )))" = "$ink" ] || fail "no mute mark at the next start"
  wait_audio 88200
  audio_silent 0 "$(audio_size)" || fail "sound from a muted game"
  showing Escape 1024 800 128 112
  quit_with_escape "the next start"
  cp "$settings" "$work/kept"
  scale=1
  start_game "$MURLO" --windowed --scale 1 --palette handheld --show screen-only
  wait_window
  sized 512 400 384 312 || fail "the options did not win over the file"
  shot options
  # (the game in the middle back again, paused)
  square_in options $(( 384 + 64 )) $(( 312 + 8 )) 384 "$paused_clear" "$paused_ink" || fail "not the screen alone at 12 times in the window"
  quit_with_escape "with options"
  cmp -s "$settings" "$work/kept" || fail "the options changed the file"
  grep '^murlo:' "$work/game.err" && fail "the game complained"
  ;;

record)
  # A game played with the keyboard and closed with Escape in the middle,
  # recorded as a script and traced: the replay tool plays the script back
  # to the same trace, line for line. The depth the game had reached is
  # kept as the best, in ~/.local/state when XDG_STATE_HOME is not set.
  unset XDG_STATE_HOME
  export HOME="$work/home"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game "$MURLO" --record "$work/run.script" --trace "$work/run.trace"
  wait_window
  shot title
  press z "the title screen stayed" lcd_changed_from title
  press Right "Right was not seen held" held_for 02 10 "$work/run.trace"
  # Down, tapped, digs down: a tap at a time, each seen in the record
  # before the next, until a poll has seen it and the digger is a row down
  # (long before the many taps that would bring blocks down on it).
  end=$(( SECONDS + 90 ))
  until held_for 08 1 "$work/run.trace" && deeper_than 0 "$work/run.script"; do
    [ "$SECONDS" -lt "$end" ] || fail "Down never took the digger down a row"
    xdotool keydown Down
    sleep 0.1
    xdotool keyup Down
    size=$(stat -c %s "$work/run.trace")
    wait_for "$patience" "the trace stopped growing" grown "$work/run.trace" "$size"
  done
  wait_for "$patience" "the keys were never seen let go" last_poll 00 "$work/run.trace"
  quit_with_escape
  [ -s "$work/game.err" ] && fail "the game complained"
  head -n 1 "$work/run.script" | grep -q "^# murlo $MURLO_VERSION, run recorded [0-9]\{4\}-[0-9][0-9]-[0-9][0-9] " ||
    fail "no version and date atop the script: $(head -n 1 "$work/run.script")"
  expect_replayed "$work/run.script" "$work/run.trace"
  for keys in 01 02 08; do
    grep -qx "$keys" <(polls_of "$work/run.trace") || fail "no poll saw $keys held"
  done
  # Every run one token: no two tokens in a row of the same value.
  grep -v '^#' "$work/run.script" | tr ' ' '\n' | grep . | cut -c1-2 | uniq -d | grep -q . &&
    fail "a run written as two tokens: $(cat "$work/run.script")"
  "$GAME_DEPTHS" "$work/run.script" | grep -qx 'playing [1-9][0-9]*' || fail "no game in the middle at Escape"
  best_file="$HOME/.local/state/murlo/best"
  expect_best "$best_file" "$(best_expected "$work/run.script")"
  ;;

play)
  # A script shown at the game's pace, then the keyboard takes over: Left,
  # held from early on, counts only once the script is used up.
  printf '# walk right, then stand\n00*30 02*21\n00*300\n' >"$work/walk.script"
  "$MURLO_REPLAY" "$work/walk.script" | polls_of /dev/stdin >"$work/walk.polls"
  played=$(wc -l <"$work/walk.polls")
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game "$MURLO" --play "$work/walk.script" --record "$work/run.script" --trace "$work/run.trace"
  wait_window
  # The script's 321 polls take 14 s at least.
  press Left "the keyboard never took over" polls_past $(( played + 10 )) "$work/run.trace"
  wait_for "$patience" "Left was never seen let go" last_poll 00 "$work/run.trace"
  quit_with_escape
  polls_of "$work/run.trace" >"$work/run.polls"
  cmp -s "$work/walk.polls" <(head -n "$played" "$work/run.polls") || fail "the script was not played as written"
  [ "$(sed -n "$(( played + 1 ))p" "$work/run.polls")" = 04 ] ||
    fail "the first poll after the script is not Left: $(sed -n "$(( played + 1 )),+3p" "$work/run.polls" | tr '\n' ' ')"
  expect_replayed "$work/run.script" "$work/run.trace"
  ;;

pause)
  # Paused in the middle of a game, by P and by another window taking the
  # focus: the LCD shows the game's last frame dimmed and nothing moves;
  # P, or a key of the game, resumes it. The pauses leave no trace: the
  # record is the script played and then the keyboard's, and replays to the
  # trace the window wrote. A game a played script began does not count
  # for the best depth, however deep it goes on with the keyboard.
  printf '# leave the title, dig down, stand\n00*30 08*30 00*400\n' >"$work/dig.script"
  "$MURLO_REPLAY" "$work/dig.script" | polls_of /dev/stdin >"$work/dig.polls"
  played=$(wc -l <"$work/dig.polls")
  "$GAME_DEPTHS" "$work/dig.script" | grep -qx 'playing [1-9][0-9]*' || fail "the script does not dig down"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game "$MURLO" --play "$work/dig.script" --record "$work/run.script" --trace "$work/run.trace"
  wait_window
  wait_for "$patience" "the script's game never began" polls_past 40 "$work/run.trace"
  xdotool key p
  wait_for "$patience" "P did not dim the LCD on the last frame" lcd_shows "$work/run.trace" "$paused_clear" "$paused_ink"
  shot paused
  size=$(stat -c %s "$work/run.trace")
  shot still
  [ "$(lcd_difference paused still)" = 0 ] || fail "the LCD changed while paused"
  xdotool key p
  wait_for "$patience" "P did not resume the game" shows_playing
  wait_for "$patience" "the game did not go on after the pause" grown "$work/run.trace" "$size"
  # Another window takes the focus: paused; the focus back is not enough.
  xmessage -geometry 200x60+0+0 -name murlo-other other &
  other_pid=$!
  wait_for "$patience" "the other window never took the focus" \
    eval "xdotool search --name '^murlo-other\$' windowfocus --sync >/dev/null 2>&1"
  wait_for "$patience" "losing the focus did not pause the game" shows_paused
  kill "$other_pid"
  xdotool windowfocus --sync "$window_id"
  shows_paused || fail "the focus back resumed the game"
  xdotool key p
  wait_for "$patience" "P did not resume the game" shows_playing
  # Once the keyboard has taken over, Right tapped while paused resumes the
  # game and counts as held at the next poll.
  wait_for 90 "the keyboard never took over" polls_past $(( played + 5 )) "$work/run.trace"
  xdotool key p
  wait_for "$patience" "P did not dim the LCD on the last frame" lcd_shows "$work/run.trace" "$paused_clear" "$paused_ink"
  xdotool key Right
  wait_for "$patience" "Right did not resume the game" shows_playing
  quit_with_escape
  polls_of "$work/run.trace" >"$work/run.polls"
  cmp -s "$work/dig.polls" <(head -n "$played" "$work/run.polls") || fail "the pauses changed the polls of the script"
  tail -n +$(( played + 1 )) "$work/run.polls" | grep -qx 02 || fail "Right that resumed the game was not polled"
  expect_replayed "$work/run.script" "$work/run.trace"
  expect_best "$best_file" 0
  ;;

resume)
  # A damaged kept game is named in one line, set aside as suspend.bad, and
  # the game starts on the title. The player's own game, ended by SIGTERM
  # in the middle, comes back at the next start on the same picture,
  # paused, still kept; a key goes on with it as after a pause. The run
  # stays one: the trace begins with the first program's, the record
  # replays the whole of it, and the best depth counts it as the player's.
  mkdir -p "$state"
  printf 'MURLOST2 and then nonsense' >"$state/suspend"
  cp "$state/suspend" "$work/damaged"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game "$MURLO" --record "$work/run1.script" --trace "$work/run1.trace"
  wait_window
  [ "$(wc -l <"$work/game.err")" = 1 ] && grep -q "^murlo: $state/suspend is damaged" "$work/game.err" ||
    fail "the damaged kept game was not named in one line"
  cmp -s "$work/damaged" "$state/suspend.bad" && ! [ -e "$state/suspend" ] || fail "the damaged file was not set aside"
  shows_playing || fail "the game did not start on the title"
  shot title
  press z "the title screen stayed" lcd_changed_from title
  tap_until 90 "the digger never dug" Down deeper_than 0 "$work/run1.script"
  wait_for "$patience" "the keys were never seen let go" last_poll 00 "$work/run1.trace"
  kill -TERM "$game_pid"
  wait_exit "$patience"
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after SIGTERM"
  [ -s "$state/suspend" ] || fail "SIGTERM kept no game"
  : >"$work/game.err"
  start_game "$MURLO" --record "$work/run2.script" --trace "$work/run2.trace"
  wait_window
  wait_for "$patience" "the game did not come back paused on its last picture" \
    lcd_shows "$work/run1.trace" "$paused_clear" "$paused_ink"
  [ -s "$state/suspend" ] || fail "going on with the kept game removed it"
  [ -s "$work/game.err" ] && fail "the game complained"
  xdotool key Right
  wait_for "$patience" "Right did not go on with the game" shows_playing
  wait_for "$patience" "the game did not go on" polls_past $(( $(grep -c '^poll' "$work/run1.trace") + 20 )) "$work/run2.trace"
  quit_with_escape
  lines=$(( $(wc -l <"$work/run1.trace") - 1 ))
  cmp -s <(head -n "$lines" "$work/run1.trace") <(head -n "$lines" "$work/run2.trace") ||
    fail "the trace does not begin with the first program's"
  [ "$(sed -n "$(( lines + 1 ))p" "$work/run2.trace")" = "poll 02" ] || fail "Right that went on was not polled next"
  expect_replayed "$work/run2.script" "$work/run2.trace"
  expect_best "$best_file" "$(best_expected "$work/run2.script")"
  ;;

resume-killed)
  # A game killed 12 s in goes on at the next start from no more than 10 s
  # before: the trace it writes first is the killed game's up to there,
  # shown paused. SIGHUP, even while paused, ends it as Escape does,
  # keeping it; so does the display going away, as when the session ends
  # (exit code 1). The record of the run gone on with replays the whole.
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game "$MURLO" --trace "$work/run1.trace"
  wait_window
  shot title
  press z "the title screen stayed" lcd_changed_from title
  game_past() { [ "$(game_ms "$2")" -ge "$1" ]; }
  wait_for 90 "the game never ran 12 s" game_past 12000 "$work/run1.trace"
  kill -KILL "$game_pid"
  wait_exit "$patience"
  start_game "$MURLO" --trace "$work/run2.trace"
  wait_window
  wait_for "$patience" "the killed game did not come back paused" lcd_shows "$work/run2.trace" "$paused_clear" "$paused_ink"
  kill -HUP "$game_pid"
  wait_exit "$patience"
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after SIGHUP"
  kept=$(( $(wc -l <"$work/run2.trace") - 1 ))
  [ "$(same_lines "$work/run1.trace" "$work/run2.trace")" = "$kept" ] && grep -qx quit <(tail -n 1 "$work/run2.trace") ||
    fail "the trace before is not the killed game's"
  killed_ms=$(game_ms "$work/run1.trace")
  kept_ms=$(game_ms "$work/run2.trace")
  [ "$kept_ms" -ge 5000 ] && [ $(( killed_ms - kept_ms )) -le 10000 ] ||
    fail "killed $killed_ms ms into the game, gone on with from $kept_ms ms"
  echo "killed $killed_ms ms into the game, gone on with from $kept_ms ms"
  cp "$state/suspend" "$work/hung-up"
  : >"$work/game.err"
  start_game "$MURLO" --record "$work/run3.script" --trace "$work/run3.trace"
  wait_window
  xdotool key Right
  wait_for "$patience" "Right did not go on with the game" shows_playing
  wait_for "$patience" "the game did not go on" polls_past $(( $(grep -c '^poll' "$work/run2.trace") + 20 )) "$work/run3.trace"
  kill "$xvfb_pid"
  wait "$xvfb_pid"
  xvfb_pid=""
  wait_exit "$patience"
  [ "$exit_code" = 1 ] || fail "exit code $exit_code when the display went away"
  grep -qx "murlo: the display $DISPLAY is gone" "$work/game.err" && [ "$(wc -l <"$work/game.err")" = 1 ] ||
    fail "the lost display was not named in one line"
  cmp -s "$work/hung-up" "$state/suspend" && fail "the game was not kept as the display went away"
  cmp -s <(head -n "$kept" "$work/run2.trace") <(head -n "$kept" "$work/run3.trace") ||
    fail "the trace does not begin with the kept game's"
  [ "$(sed -n "$(( kept + 1 ))p" "$work/run3.trace")" = "poll 02" ] || fail "Right that went on was not polled next"
  expect_replayed "$work/run3.script" "$work/run3.trace"
  ;;

escape-in-closing)
  # A played script ends in the frame where the digger is crushed; the
  # pictures after a death last some 14 s. Escape a second or two into
  # them ends the game at once, in the middle of a wait, and the trace
  # stops there: a beginning of the replay tool's own. The game was the
  # script's: no best depth is kept.
  printf '00*214 04 10*18 08*25 15 08*11 0c*20\n' >"$work/crushed.script"
  "$MURLO_REPLAY" "$work/crushed.script" >"$work/crushed.trace"
  death=$(grep -n '^poll' "$work/crushed.trace" | tail -n 1 | cut -d: -f1)
  closing=$(( $(wc -l <"$work/crushed.trace") - death - 1 ))
  [ "$closing" -gt 100 ] || fail "the script's last frame is not a death ($closing lines after it)"
  "$GAME_DEPTHS" "$work/crushed.script" | grep -qx 'ended [1-9][0-9]*' || fail "the script's game does not die deep"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game "$MURLO" --play "$work/crushed.script" --trace "$work/run.trace"
  wait_window
  trace_lines_past() { [ "$(wc -l <"$work/run.trace")" -gt "$1" ]; }
  wait_for 90 "the closing pictures never began" trace_lines_past $(( death + 10 ))
  xdotool key Escape
  wait_exit "$patience"
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape"
  lines=$(wc -l <"$work/run.trace")
  [ "$lines" -lt $(( death + closing )) ] || fail "the closing pictures ran to their end ($lines lines)"
  sed -n "$(( lines - 1 ))p" "$work/run.trace" | grep -q '^\(present\|wait\) ' ||
    fail "the game did not end inside the closing pictures"
  expect_replayed "$work/crushed.script" "$work/run.trace"
  expect_best "$best_file" 0
  echo "death at line $death, $closing closing lines, ended at line $lines"
  ;;

write-fails)
  # The trace stops growing (a file size limit stands in for a full disk):
  # one message, and the game plays on, still recording its script.
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  (cd "$work/cwd" && trap '' XFSZ && ulimit -f 256 &&
     exec "$MURLO" --trace "$work/run.trace" --record "$work/run.script" >"$work/game.out" 2>"$work/game.err") &
  game_pid=$!
  wait_window
  # The title fills 256 KiB of trace in about a second.
  wait_for 90 "the full trace was never reported" grep -q 'cannot write' "$work/game.err"
  recorded_z() { grep -v '^#' "$work/run.script" | grep -qw 01; }
  press z "the record stopped with the trace" recorded_z
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended"
  quit_with_escape
  [ "$(wc -l <"$work/game.err")" = 1 ] && grep -q "cannot write $work/run.trace" "$work/game.err" ||
    fail "not one message about the trace"
  "$MURLO_REPLAY" "$work/run.script" >"$work/replayed.trace" || fail "the recorded script does not replay"
  grep -qx 'poll 01' "$work/replayed.trace" || fail "the script stopped with the trace"
  ;;

bad-input)
  # Refused before any window opens (there is no display here: reaching
  # the window would fail with exit 1): exit 2 with a message.
  unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
  cd "$work/cwd"
  expect_refused() {  # WHAT MESSAGE-PATTERN ARGUMENTS...
    local what=$1 pattern=$2 status
    shift 2
    "$MURLO" "$@" >"$work/game.out" 2>"$work/game.err"
    status=$?
    [ "$status" = 2 ] || fail "$what: exit code $status, expected 2"
    [ -s "$work/game.out" ] && fail "$what: something on stdout"
    grep -q -- "$pattern" "$work/game.err" || fail "$what: stderr says: $(cat "$work/game.err")"
  }
  printf '00*3\n10 0g\n' >bad.script
  # A bad script, or none: the replay tool's very words.
  for script in bad.script missing.script; do
    "$MURLO_REPLAY" "$script" 2>replay.err >/dev/null
    [ -s replay.err ] || fail "murlo-replay took $script"
    expect_refused "--play $script" "^murlo: $(sed 's/^murlo-replay: //' replay.err)\$" --play "$script"
  done
  expect_refused "--record into a missing folder" "cannot write $work/none/run.script" --record "$work/none/run.script"
  expect_refused "--trace into a folder" "cannot write $work" --trace "$work"
  expect_refused "--record on a full disk" "cannot write /dev/full" --record /dev/full
  echo 00 >ok.script
  expect_refused "--trace over the script played" "same file" --play ok.script --trace ./ok.script
  [ "$(cat ok.script)" = 00 ] || fail "the script played was overwritten"
  expect_refused "--scale 5" "^usage: murlo " --scale 5
  expect_refused "--palette grey" "--palette takes handheld or high-contrast, not grey" --palette grey
  expect_refused "an unknown option" "^usage: murlo " --zoom
  expect_refused "a stray argument" "unexpected argument" game.script
  for program in "$MURLO" "$MURLO_REPLAY"; do
    name=$(basename "$program")
    version_text=$("$program" --version)
    [ "$(head -1 <<<"$version_text")" = "$name $MURLO_VERSION" ] || fail "$name --version: $version_text"
    grep -q "MIT licence" <<<"$version_text" || fail "$name --version names no licence: $version_text"
    "$program" --help >help.out 2>help.err || fail "$name --help failed"
    grep -q "^usage: $name " help.out && ! [ -s help.err ] || fail "$name --help: no usage on stdout"
    "$program" --no-such-option >help.out 2>help.err
    [ $? = 2 ] && ! [ -s help.out ] && grep -q "^usage: $name " help.err ||
      fail "$name with an unknown option: not exit 2 with the usage on stderr"
  done
  ;;

bad-skins)
  # Skins the game cannot use give the plain rounded outline and one line
  # saying why; skins at unusual depths that are whole give their own shape.
  mkdir -p "$work/skins/folder"
  : >"$work/skins/empty"
  "$TEST_SKIN" block 24 512 400 "$work/skins/whole-24" || fail "cannot make the test skins"
  head -c 300000 "$work/skins/whole-24" >"$work/skins/cut-short"
  "$TEST_SKIN" block 24 1 1 "$work/skins/one-pixel"
  "$TEST_SKIN" block 1 10000 10000 "$work/skins/huge"
  "$TEST_SKIN" block 1 512 400 "$work/skins/depth-1"
  "$TEST_SKIN" block 4 512 400 "$work/skins/depth-4"
  "$TEST_SKIN" block 16 512 400 "$work/skins/depth-16"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  for skin in folder empty cut-short one-pixel huge depth-1 depth-4 depth-16; do
    rm -rf "$work/cwd/window.bmp" "$state/suspend"  # each on the title, not going on with the last
    cp -r "$work/skins/$skin" "$work/cwd/window.bmp"
    start_game
    wait_window
    extents=$(xwininfo -id "$window_id" -shape | sed -n 's/.*Window shape extents: *//p')
    said=$(grep '^murlo:' "$work/game.err")
    case $skin in
    depth-*)
      [ "$extents" = 312x300+100+50 ] || fail "$skin: shape extents $extents, not the skin's"
      [ -z "$said" ] || fail "$skin: the game complained about a good skin: $said" ;;
    *)
      [ "$extents" = 512x400+0+0 ] || fail "$skin: shape extents $extents, not the plain outline"
      win_x=256 win_y=184
      shot "$skin"
      expect_pixel "$skin" 0 0 0,0,0 "$skin: the corner of the plain outline is cut off"
      expect_pixel "$skin" 100 200 117,135,176 "$skin: the fill colour"
      [ "$(grep -c '^murlo: window.bmp not used: ' "$work/game.err")" = 1 ] ||
        fail "$skin: not one line on what was wrong: $said" ;;
    esac
    shot "$skin-title"
    press z "$skin: the game did not play on" lcd_changed_from "$skin-title"
    quit_with_escape "$skin"
    echo "$skin: $extents ${said:-(nothing said)}"
  done
  ;;

bad-sounds)
  # Sound files the game cannot play as they are, each as the title tune in
  # turn: the game starts and plays on, says once per file name what it could
  # not use (also when the same bad file is every sound of a dig), and plays
  # whatever it can.
  le() {  # value bytes: little-endian
    local i
    for i in $(seq 0 $(( $2 - 1 ))); do printf '%b' "\\x$(printf %02x $(( ($1 >> (8 * i)) & 255 )))"; done
  }
  wav() {  # file rate channels bits data-bytes-claimed data-bytes-written
    local align=$(( $3 * $4 / 8 ))
    { printf RIFF; le $(( 36 + $5 )) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le "$3" 2; le "$2" 4
      le $(( $2 * align )) 4; le "$align" 2; le "$4" 2; printf data; le "$5" 4
      head -c "$6" /dev/urandom; } >"$1"
  }
  mkdir -p "$work/sounds"
  : >"$work/sounds/empty"
  wav "$work/sounds/cut-short" 22050 1 16 88200 20000
  echo 'no sound in here' >"$work/sounds/not-a-wav"
  wav "$work/sounds/stereo-44k" 44100 2 8 88200 88200
  wav "$work/sounds/hour" 8000 1 8 28800000 28800000
  start_x 1024x768
  use_disk_audio
  for sound in empty cut-short not-a-wav stereo-44k hour; do
    rm -f "$work"/cwd/*.wav "$work/audio.raw" "$state/suspend"
    cp "$work/sounds/$sound" "$work/cwd/title.wav"
    if [ "$sound" = not-a-wav ]; then
      for name in dig break up down auu maru otukare ending; do cp "$work/sounds/$sound" "$work/cwd/$name.wav"; done
    fi
    start_game
    wait_window  # the title's sound is queued before its first frame
    case $sound in
    empty | not-a-wav)
      size=$(( $(audio_size) + 44100 ))
      wait_audio "$size"
      audio_silent 0 "$size" || fail "$sound: sound from a file that holds none" ;;
    *) wait_for "$patience" "$sound: the sound that is there was not played" audio_heard ;;
    esac
    if [ "$sound" = not-a-wav ]; then
      # Leave the title and dig down, pressing again and again (a Hard
      # block wants a fresh press for each dig): a sound at each dig, which
      # one depending on the board. Ten more taps after the first is named.
      shot title
      press z "the title screen stayed" lcd_changed_from title
      dig_named() { grep -Eq '^murlo: (break|dig|down|up)\.wav' "$work/game.err"; }
      tap_until 90 "no dig sound was named" Down dig_named
      for _ in $(seq 10); do xdotool keydown Down; sleep 0.1; xdotool keyup Down; sleep 0.1; done
    fi
    quit_with_escape "$sound"
    said=$(grep '^murlo:' "$work/game.err")
    case $sound in
    empty) want='title.wav not played: the file is empty' ;;
    cut-short) want='title.wav is cut short: only the part that is there plays' ;;
    not-a-wav) want='title.wav not played: .*WAVE.*' ;;
    stereo-44k) want='' ;;
    hour) want='title.wav is long: only its first 60 s play' ;;
    esac
    if [ -z "$want" ]; then
      [ -z "$said" ] || fail "$sound: the game complained about a good sound: $said"
    else
      grep -qx "murlo: $want" <<<"$said" || fail "$sound: expected 'murlo: $want', got: $said"
    fi
    [ -z "$(sort <<<"$said" | uniq -d)" ] || fail "$sound: said more than once: $said"
    if [ "$sound" = not-a-wav ]; then
      grep -Eqx 'murlo: (break|dig|down|up)\.wav not played: .*WAVE.*' <<<"$said" ||
        fail "digging played no bad sound: $said"
      [ "$(grep -c . <<<"$said")" = "$(grep -c 'not played' <<<"$said")" ] || fail "other lines: $said"
    fi
  done
  ;;

*)
  echo "unknown case $case_name" >&2
  exit 2
  ;;
esac
echo "ok: $case_name"
