#!/usr/bin/env bash
# Two checks of the game logic's shape that no unit test can make.
#
#   check_core.sh globals NM LIBRARY
#     The built logic keeps no state of its own: no symbol of writable data
#     (initialised or not, at namespace scope or a function's static) in
#     any object of the library. A game's whole state lives in its Game
#     value, so a new global is state that saving, loading and a second game
#     beside the first would quietly miss.
#
#   check_core.sh includes SOURCE_DIR
#     Includes run one way, each layer using only those below it: lcd/;
#     board/; the rules and model (game/ but the cycle); screens/; the cycle
#     (cycle/cycle.*, cycle/closing.cpp); and none of them reaches into host/
#     or tools/.
set -euo pipefail

case "${1:-}" in
globals)
  nm=$2 library=$3
  # nm's letters for data that can be written: B/b (zeroed), D/d
  # (initialised), G/g and S/s (small data), C (common), and V/v/u (weak or
  # unique objects, as a function's static in an inline function becomes).
  # Constants that hold addresses (a table of names) are D/d too, in
  # .data.rel.ro, which the loader makes read-only once it has relocated
  # them; an unoptimised build keeps such tables, so they are let through,
  # as are constants shared between files (V, in .rodata), and the
  # compiler's one reference to the exception personality routine, which
  # every object that can throw carries.
  found=$("$nm" --format=sysv --defined-only "$library" 2>/dev/null |
          awk -F'|' 'NF >= 7 {
                       name = $1; letter = $3; section = $7
                       gsub(/ /, "", name); gsub(/ /, "", letter); gsub(/ /, "", section)
                       if (letter ~ /^[BbDdGgSsCVvu]$/ && section !~ /^\.(data\.rel\.ro|rodata)/ &&
                           name !~ /^(\.|__(asan|ubsan|sancov|odr_asan)|___asan|DW\.ref\.__gxx_personality_v0$)/) print letter, name
                     }') || true
  if [ -n "$found" ]; then
    echo "writable data in the game logic ($library):"
    echo "$found" | c++filt
    exit 1
  fi
  echo "no writable data in $library"
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
  check 'lcd/|board/|game/|cycle/|runs/|runner/' "$src"/runner/*
  [ $status -eq 0 ] && echo "includes run one way"
  exit $status
  ;;
*)
  echo "usage: check_core.sh globals NM LIBRARY | includes SOURCE_DIR" >&2
  exit 2
  ;;
esac
