#!/usr/bin/env bash
# Real RetroArch, headless under Xvfb, loads the core where `cmake
# --install` puts it (its cores folder, the info file in its info folder),
# once with no content and once with a run script, runs a fixed number of
# frames and saves its screenshot; the harness then checks that the
# screenshot is the handheld with the LCD picture it gets itself after as
# many runs, a frame of the replay tool's trace. A third time, with rewind
# on and a run-ahead of 2 frames, RetroArch must say both are available,
# and its screenshot after F frames must be the picture the harness gets
# after F + 2 runs: the core's states are whole and deterministic.
#
# usage: retroarch.sh BUILD_DIR HARNESS SCRIPT
set -euo pipefail
build=$1
harness=$2
script=$(realpath "$3")

work=$(mktemp -d /tmp/murlo-retroarch-XXXXXX)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/usr" --component libretro >"$work/install.log"
core=$(find "$work/usr/lib" -name murlo_libretro.so)
info=$(find "$work/usr/share" -name murlo_libretro.info)
[ -n "$core" ] && [ -n "$info" ] || { echo "FAIL the core or its info file not installed"; exit 1; }
case $core in */lib/*-linux-gnu/libretro/murlo_libretro.so) ;; *) echo "FAIL core installed at $core"; exit 1 ;; esac

cat >"$work/ra.cfg" <<CFG
audio_driver = "null"
video_driver = "gl"
menu_driver = "rgui"
video_fullscreen = "false"
pause_nonactive = "false"
config_save_on_exit = "false"
gamemode_enable = "false"
video_gpu_screenshot = "false"
screenshot_directory = "$work"
history_list_enable = "false"
libretro_directory = "$(dirname "$core")"
libretro_info_path = "$(dirname "$info")"
savestate_directory = "$work"
savefile_directory = "$work"
system_directory = "$work"
CFG

{ cat "$work/ra.cfg"; cat <<CFG; } >"$work/ahead.cfg"
rewind_enable = "true"
run_ahead_enabled = "true"
run_ahead_frames = "2"
run_ahead_secondary_instance = "false"
CFG

failures=0
shot() {  # CONFIG RUNS[+AHEAD] NAME [CONTENT]
    local config=$1 runs=$2 name=$3
    shift 3
    (cd "$work" && HOME=$work xvfb-run -a -s '-screen 0 1024x768x24 -noreset' dbus-run-session -- \
        retroarch --verbose -c "$work/$config" -L "$core" "$@" \
        --max-frames="${runs%+*}" --max-frames-ss --max-frames-ss-path="$work/$name.png") \
        >"$work/$name.log" 2>&1 || { echo "FAIL RetroArch exited with $? ($name)"; tail -20 "$work/$name.log"; failures=$((failures + 1)); return; }
    grep -q 'Murlo' "$work/$name.log" || { echo "FAIL RetroArch's log does not name Murlo ($name)"; failures=$((failures + 1)); }
    convert "$work/$name.png" -depth 8 "rgb:$work/$name.rgb"
    "$harness" "$core" shot "$runs" "$work/$name.rgb" "${@:1}" || failures=$((failures + 1))
}
shot ra.cfg 120 title
shot ra.cfg 200 dig "$script"
shot ahead.cfg 190+2 ahead "$script"
if grep -E -i 'unavailable|lacks' "$work/ahead.log"; then
    echo "FAIL RetroArch found rewind or run-ahead unavailable"; failures=$((failures + 1))
fi
grep -q 'Initializing rewind buffer' "$work/ahead.log" || { echo "FAIL RetroArch did not start rewinding"; failures=$((failures + 1)); }
[ "$failures" = 0 ] || exit 1
echo "ok: RetroArch shows the core's pictures, and runs ahead and rewinds with its states"
