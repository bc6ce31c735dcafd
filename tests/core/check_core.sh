#!/usr/bin/env bash
# Checks of the code's shape that no unit test can make.
#
#   check_core.sh globals NM FILE...
#     The built logic keeps no state of its own: no symbol of writable data
#     (initialised or not, at namespace scope or a function's static) in
#     any object of the libraries or object files given (a FILE may be a
#     ;-separated list). A game's whole state lives in its Game value, so a
#     new global is state that saving, loading and a second game beside the
#     first would quietly miss. The same holds for the SDL game's host,
#     whose state lives in its one Host value, but for what a platform's
#     API forces on it (the allow-list below).
#
#   check_core.sh libretro-globals NM OBJECT...
#     The libretro core's objects keep their state in one value, the host,
#     and write no other data of their own. The API hands the frontend's
#     callbacks over one by one as plain function pointers with no user
#     data, and calls the core's functions with none either, so the
#     environment, video, audio and input callbacks and the one pointer to
#     the host must live at file level: those names, and nothing else.
#
#   check_core.sh includes SOURCE_DIR
#     Includes run one way, each layer using only those below it: lcd/;
#     board/; the model and its rules (game/); screens/, which draw it; and
#     the cycle (cycle/), which runs the game's steps and closing phases;
#     the run texts (runs/: scripts, trace lines, links); and the runner
#     (runner/) over all of them; the session (session/) over it, and the
#     files that keep its slots (files/). None of them reaches into host/ or tools/,
#     and neither do the board's server (server/) and the benchmarks.
set -euo pipefail

# writable NM FILE...: "letter name" of each symbol of writable data.
# nm's letters for data that can be written: B/b (zeroed), D/d
# (initialised), G/g and S/s (small data), C (common), and V/v/u (weak or
# unique objects, as a function's static in an inline function becomes).
# Constants that hold addresses (a table of names) are D/d too, in
# .data.rel.ro, which the loader makes read-only once it has relocated
# them; an unoptimised build keeps such tables, so they are let through,
# as are constants shared between files (V, in .rodata), the sanitizers'
# own data and the compiler's pointer to the C++ runtime's exception
# handling (DW.ref.__gxx_personality_v0).
writable() {
  local nm=$1
  shift
  "$nm" --format=sysv --defined-only "$@" 2>/dev/null |
    awk -F'|' 'NF >= 7 {
                 name = $1; letter = $3; section = $7
                 gsub(/ /, "", name); gsub(/ /, "", letter); gsub(/ /, "", section)
                 if (letter ~ /^[BbDdGgSsCVvu]$/ && section !~ /^\.(data\.rel\.ro|rodata)/ &&
                     name !~ /^(\.|__(asan|ubsan|sancov|odr_asan)|___asan|DW\.ref\.__gxx_personality_v0$)/)
                   print letter, name
               }' || true
}

case "${1:-}" in
globals)
  nm=$2
  shift 2
  files=()
  for arg in "$@"; do IFS=';' read -ra parts <<<"$arg" && files+=("${parts[@]}"); done
  for file in "${files[@]}"; do [ -f "$file" ] || { echo "no file $file to look into"; exit 1; }; done
  [ ${#files[@]} -gt 0 ] || { echo "no files to look into"; exit 1; }
  # Writable data a platform's API forces on a host, each with the reason.
  #   default_x_errors (host/sdl/window.cpp): Xlib calls its error handler
  #   with no pointer of ours, so the handler it replaced, which ours hands
  #   other errors on to, can only be kept at file level.
  #   hung_up (host/sdl/host.cpp): a signal handler gets no pointer of
  #   ours and may only set a volatile sig_atomic_t flag.
  allowed='^. murlo::sdl::[(]anonymous namespace[)]::\(default_x_errors\|hung_up\) '
  # nm's letters for data that can be written: B/b (zeroed), D/d
  # (initialised), G/g and S/s (small data), C (common), and V/v/u (weak or
  # unique objects, as a function's static in an inline function becomes).
  # Constants that hold addresses (a table of names) are D/d too, in
  # .data.rel.ro, which the loader makes read-only once it has relocated
  # them; an unoptimised build keeps such tables, so they are let through,
  # as are constants shared between files (V, in .rodata).
  # DW.ref.* is the compiler's own pointer to the exception personality
  # routine, which the loader fills in: no state of the program's.
  found=$("$nm" --format=sysv --defined-only "${files[@]}" 2>/dev/null |
          awk -F'|' '/^Symbols from / { file = $0; sub(/^Symbols from /, "", file); sub(/:$/, "", file) }
                     NF >= 7 {
                       name = $1; letter = $3; section = $7
                       gsub(/ /, "", name); gsub(/ /, "", letter); gsub(/ /, "", section)
                       if (letter ~ /^[BbDdGgSsCVvu]$/ && section !~ /^\.(data\.rel\.ro|rodata)/ &&
                           name !~ /^(\.|__(asan|ubsan|sancov|odr_asan)|___asan|DW\.ref\.)/) print letter, name, "(in " file ")"
                     }' | c++filt | grep -v "$allowed") || true
  if [ -n "$found" ]; then
    echo "writable data:"
    echo "$found"
    exit 1
  fi
  echo "no writable data in ${#files[@]} file(s)"
  ;;
libretro-globals)
  nm=$2
  shift 2
  [ $# -gt 0 ] || { echo "no objects given" >&2; exit 2; }
  allowed='^. \(anonymous namespace\)::(environment|video|audio_batch|input_poll|input_state|host)$'
  found=$(writable "$nm" "$@" | c++filt | grep -Ev "$allowed" || true)
  if [ -n "$found" ]; then
    echo "writable data in the libretro core beyond its callbacks and host:"
    echo "$found"
    exit 1
  fi
  echo "the libretro core writes only its callbacks and host pointer at file level"
  ;;
includes)
  src=$2
  status=0
  # allowed LAYER FILE...: each file may include only from the given layers.
  check() {
    local allowed=$1
    shift
    local file line target
    for file in "$@"; do
      [ -f "$file" ] || continue
      while IFS= read -r line; do
        target=${line#*\"}
        target=${target%%\"*}
        if ! [[ $target =~ ^($allowed) ]]; then
          echo "${file#"$src"/}: includes $target"
          status=1
        fi
      done < <(grep -E '^#include "' "$file" || true)
    done
  }
  check 'lcd/' "$src"/lcd/*
  check 'lcd/|board/' "$src"/board/*
  check 'lcd/|board/|game/' "$src"/game/*
  check 'lcd/|board/|game/|screens/' "$src"/screens/*
  check 'lcd/|board/|game/|screens/|cycle/' "$src"/cycle/*
  check 'lcd/|board/|game/|runs/' "$src"/runs/*
  check 'lcd/|board/|game/|screens/|cycle/|runs/|runner/' "$src"/runner/*
  # The session is above the runner; the files that keep its slots above it.
  check 'lcd/|board/|game/|cycle/|runs/|runner/|session/' "$src"/session/*
  check 'lcd/|board/|game/|cycle/|runs/|runner/|session/|files/' "$src"/files/*
  # The board's server is a program of its own: it plays runs on the
  # runner and reads and writes them with runs/, and knows no host. Nor do
  # the benchmarks, which call the game, the runner and the server.
  check 'runs/|runner/|server/|murlo/' "$src"/server/*
  check 'lcd/|board/|game/|cycle/|runs/|runner/|server/' "$src"/bench/*.cpp
  [ $status -eq 0 ] && echo "includes run one way"
  exit $status
  ;;
*)
  echo "usage: check_core.sh globals NM FILE... | libretro-globals NM OBJECT... | includes SOURCE_DIR" >&2
  exit 2
  ;;
esac
