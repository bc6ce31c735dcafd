#!/usr/bin/env bash
# End-to-end checks of the desktop game in a private Xvfb server (and, where
# the case needs one, the openbox window manager). Each run starts its own
# server on a free display number and takes everything down on exit.
#
# usage: game_under_xvfb.sh CASE
# environment: MURLO (the game), TEST_SKIN (make_test_skin), both required
set -uo pipefail

case_name=${1:?usage: game_under_xvfb.sh CASE}
: "${MURLO:?MURLO must name the game}"
: "${TEST_SKIN:?TEST_SKIN must name make_test_skin}"

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
  [ -s "$work/game.err" ] && { echo "--- game stderr:" >&2; cat "$work/game.err" >&2; }
  exit 1
}

# start_x WIDTHxHEIGHT: a server of that size; DISPLAY points at it.
start_x() {
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  local i
  for i in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  unset WAYLAND_DISPLAY
  export SDL_VIDEODRIVER=x11
}

start_wm() {
  openbox --sm-disable >"$work/wm.log" 2>&1 &
  wm_pid=$!
  local i
  for i in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  fail "openbox did not start"
}

# start_game [PROGRAM]: runs in $work/cwd, stdout and stderr kept.
start_game() {
  local program=${1:-$MURLO}
  (cd "$work/cwd" && exec "$program" >"$work/game.out" 2>"$work/game.err") &
  game_pid=$!
}

window_id=""
wait_window() {
  local i
  for i in $(seq 200); do
    if xwininfo -name "Murlo Win" 2>/dev/null | grep -q 'IsViewable'; then
      window_id=$(xwininfo -name "Murlo Win" | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
      sleep 0.3  # let the first frames land
      return 0
    fi
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before showing its window"
    sleep 0.1
  done
  fail "no window named 'Murlo Win' appeared"
}

geometry() { xwininfo -id "$window_id" | sed -n "s/.*$1: *\(-\?[0-9]*\).*/\1/p"; }

# wait_exit SECONDS: waits for the game to end; its exit code in $exit_code.
exit_code=""
wait_exit() {
  local i
  for i in $(seq $(( $1 * 10 ))); do
    if ! kill -0 "$game_pid" 2>/dev/null; then
      wait "$game_pid"
      exit_code=$?
      game_pid=""
      return 0
    fi
    sleep 0.1
  done
  fail "the game did not end within $1 s"
}

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

# Pixels that differ between the LCD areas of two screenshots.
lcd_difference() {
  local shot
  for shot in "$1" "$2"; do
    convert "$work/$shot.png" -crop "256x256+$(( win_x + 128 ))+$(( win_y + 64 ))" +repage \
      "$work/$shot-lcd.ppm" || fail "cannot crop $shot"
  done
  compare -metric AE "$work/$1-lcd.ppm" "$work/$2-lcd.ppm" null: 2>&1 | awk '{ printf "%d", $1 }'
}

audio_size() { stat -c %s "$work/audio.raw" 2>/dev/null || echo 0; }

# audio_silent FROM LENGTH: true when those bytes of the output are all 0.
audio_silent() {
  cmp -s <(tail -c +$(( $1 + 1 )) "$work/audio.raw" | head -c "$2") <(head -c "$2" /dev/zero)
}

# wait_audio BYTES: until the output has grown that far.
wait_audio() {
  local i
  for i in $(seq 100); do
    [ "$(audio_size)" -ge "$1" ] && return 0
    sleep 0.1
  done
  fail "the sound output stopped growing"
}

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
  xdotool key Escape
  wait_exit 10
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape"
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
  win_x=$(geometry 'Absolute upper-left X')
  win_y=$(geometry 'Absolute upper-left Y')
  xwininfo -id "$window_id" -shape | grep -q 'Window shape extents: *312x300+100+50' ||
    fail "shape extents: $(xwininfo -id "$window_id" -shape | grep -i 'shape extents')"
  shot skin
  expect_pixel skin 110 60 30,90,40 "skin colour"
  expect_pixel skin 400 330 30,90,40 "skin colour"
  lcd=$(pixel skin $(( win_x + 200 )) $(( win_y + 200 )))
  [ "$lcd" = 170,182,198 ] || [ "$lcd" = 79,80,110 ] || fail "LCD area pixel is $lcd"
  expect_pixel skin 305 335 255,0,254 "RGB(255,0,254) is opaque"
  expect_pixel skin 325 335 254,0,255 "RGB(254,0,255) is opaque"
  expect_pixel skin 110 105 0,0,0 "a magenta hole shows what lies beneath"
  expect_pixel skin 207 157 0,0,0 "a magenta hole in the LCD area cuts the LCD too"
  expect_pixel skin 50 200 0,0,0 "magenta round the skin"
  xdotool key Escape
  wait_exit 10
  [ "$exit_code" = 0 ] || fail "exit code $exit_code"
  ;;

shape-all-magenta)
  # A skin with no opaque pixel: the rounded outline in the fill colour.
  "$TEST_SKIN" magenta "$work/cwd/window.bmp" || fail "cannot make the test skin"
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game
  wait_window
  win_x=256 win_y=184
  xwininfo -id "$window_id" -shape | grep -q 'Window shape extents: *512x400+0+0' ||
    fail "shape extents: $(xwininfo -id "$window_id" -shape | grep -i 'shape extents')"
  shot round
  expect_pixel round 0 0 0,0,0 "top-left corner cut off"
  expect_pixel round 511 399 0,0,0 "bottom-right corner cut off"
  expect_pixel round 8 8 0,0,0 "outside the corner curve"
  # Inside, the skin is painted as it is, magenta and all.
  expect_pixel round 9 9 255,0,255 "inside the corner curve"
  expect_pixel round 256 0 255,0,255 "top edge"
  xdotool key Escape
  wait_exit 10
  [ "$exit_code" = 0 ] || fail "exit code $exit_code"
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
  win_x=256 win_y=184
  xwininfo -id "$window_id" -shape | grep -q 'Window shape extents: *512x400+0+0' ||
    fail "shape extents: $(xwininfo -id "$window_id" -shape | grep -i 'shape extents')"
  shot title
  expect_pixel title 0 0 0,0,0 "top-left corner cut off"
  expect_pixel title 511 0 0,0,0 "top-right corner cut off"
  expect_pixel title 100 200 117,135,176 "fill colour without a skin"
  expect_pixel title 384 200 117,135,176 "fill colour right of the LCD area"
  wait_audio 44100
  audio_silent 0 "$(audio_size)" || fail "sound without sound files"
  xdotool keydown z; sleep 0.2; xdotool keyup z
  sleep 1
  shot play
  difference=$(lcd_difference title play)
  [ "${difference:-0}" -gt 20000 ] || fail "the title screen stayed ($difference pixels changed)"
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended"
  # (SDL's disk driver announces itself; nothing else may be said.)
  grep -v 'disk i/o audio driver\|Writing to file' "$work/game.err" && fail "the game complained"
  xdotool key Escape
  wait_exit 10
  [ "$exit_code" = 0 ] || fail "exit code $exit_code"
  ;;

title-to-play)
  # The title tune plays until a key leaves the title; the play view
  # replaces the title picture; Escape, held down, ends the game with 0.
  start_x 1024x768
  use_disk_audio
  start_game
  wait_window
  win_x=256 win_y=184
  shot title1
  sleep 0.6
  shot title2
  wait_audio 22050
  size=$(audio_size)
  wait_audio $(( size + 22050 ))
  audio_silent "$size" 22050 && fail "the title tune is not playing"
  xdotool keydown z; sleep 0.15; xdotool keyup z
  sleep 0.8
  shot play
  for title in title1 title2; do
    difference=$(lcd_difference "$title" play)
    [ "${difference:-0}" -gt 20000 ] || fail "the title screen stayed ($difference pixels changed)"
  done
  size=$(audio_size)
  wait_audio $(( size + 22050 ))
  audio_silent "$size" 22050 || fail "the title tune went on in play"
  xdotool keydown Escape
  wait_exit 10
  xdotool keyup Escape
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape"
  ;;

escape-released)
  # Escape pressed in another program's window and let go in ours closes it.
  start_x 1024x768
  export SDL_AUDIODRIVER=dummy
  start_game
  wait_window
  xmessage -geometry 200x60+0+0 -name murlo-other other &
  other_pid=$!
  for _ in $(seq 100); do
    xdotool search --name '^murlo-other$' windowfocus --sync >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdotool keydown Escape
  sleep 0.3
  kill -0 "$game_pid" 2>/dev/null || fail "Escape pressed elsewhere closed the game"
  xdotool windowfocus --sync "$window_id"
  sleep 0.3
  xdotool keyup Escape
  wait_exit 10
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
  xdotool windowactivate --sync "$window_id" >/dev/null 2>&1 || true
  sleep 0.3
  xdotool key alt+F4
  wait_exit 10
  [ "$exit_code" = 0 ] || fail "exit code $exit_code after the window manager closed it"
  ;;

drag)
  # Dragging the skin moves the window; dragging the LCD area does not.
  start_x 1024x768
  start_wm
  export SDL_AUDIODRIVER=dummy
  start_game
  wait_window
  x0=$(geometry 'Absolute upper-left X')
  y0=$(geometry 'Absolute upper-left Y')
  drag_from() {  # window X Y, moved by 60, 30 in small steps
    xdotool mousemove $(( $(geometry 'Absolute upper-left X') + $1 )) $(( $(geometry 'Absolute upper-left Y') + $2 ))
    sleep 0.2
    xdotool mousedown 1
    sleep 0.2
    for step in 1 2 3 4 5 6; do
      xdotool mousemove_relative -- 10 5
      sleep 0.05
    done
    xdotool mouseup 1
    sleep 0.5
  }
  drag_from 200 200  # inside the LCD area
  [ "$(geometry 'Absolute upper-left X'),$(geometry 'Absolute upper-left Y')" = "$x0,$y0" ] ||
    fail "dragging the LCD area moved the window"
  drag_from 60 340   # the skin below the direction pad
  x1=$(geometry 'Absolute upper-left X')
  y1=$(geometry 'Absolute upper-left Y')
  [ $(( x1 - x0 )) -ge 30 ] && [ $(( y1 - y0 )) -ge 15 ] ||
    fail "dragging the skin did not move the window ($x0,$y0 -> $x1,$y1)"
  xdotool key Escape
  wait_exit 10
  [ "$exit_code" = 0 ] || fail "exit code $exit_code"
  ;;

plain-window)
  # Where windows cannot be shaped (SDL's dummy video driver stands in for
  # such a system), the game runs in a plain window all the same.
  export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
  unset DISPLAY WAYLAND_DISPLAY
  start_game
  sleep 2
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended without a shaped window"
  [ -s "$work/game.err" ] && fail "the game complained"
  ;;

no-display)
  # Without a display: the message on stderr and exit code 1.
  (cd "$work/cwd" && exec env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
     "$MURLO" >"$work/game.out" 2>"$work/game.err") &
  game_pid=$!
  wait_exit 20
  [ "$exit_code" = 1 ] || fail "exit code $exit_code without a display, expected 1"
  grep -q 'initializing application' "$work/game.err" || fail "no message on stderr"
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
    rm -f "$work"/cwd/*.wav "$work/audio.raw"
    cp "$work/sounds/$sound" "$work/cwd/title.wav"
    if [ "$sound" = not-a-wav ]; then
      for name in dig break up down auu maru otukare ending; do cp "$work/sounds/$sound" "$work/cwd/$name.wav"; done
    fi
    start_game
    wait_window
    wait_audio 44100
    case $sound in
    empty | not-a-wav) audio_silent 0 44100 || fail "$sound: sound from a file that holds none" ;;
    *) audio_silent 0 44100 && fail "$sound: the sound that is there was not played" ;;
    esac
    if [ "$sound" = not-a-wav ]; then
      # Leave the title and dig down: a break sound at each dig. Dig on for
      # two seconds after the first one is named.
      xdotool keydown z; sleep 0.2; xdotool keyup z
      xdotool keydown Down
      for _ in $(seq 100); do
        grep -q '^murlo: break.wav' "$work/game.err" && break
        sleep 0.1
      done
      sleep 2
      xdotool keyup Down
    fi
    xdotool key Escape
    wait_exit 10
    [ "$exit_code" = 0 ] || fail "$sound: exit code $exit_code"
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
      grep -qx 'murlo: break.wav not played: .*WAVE.*' <<<"$said" || fail "digging played no bad sound: $said"
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
