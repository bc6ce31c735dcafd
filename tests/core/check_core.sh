#!/usr/bin/env bash
# Two checks of the game logic's shape that no unit test can make.
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
#   check_core.sh includes SOURCE_DIR
#     Includes run one way, each layer using only those below it: lcd/;
#     board/; the rules and model (game/ but the cycle); screens/; the cycle
#     (cycle/cycle.*, cycle/closing.cpp); and none of them reaches into host/
#     or tools/.
set -euo pipefail

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
  allowed='^. murlo::sdl::[(]anonymous namespace[)]::default_x_errors '
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
  [ $status -eq 0 ] && echo "includes run one way"
  exit $status
  ;;
*)
  echo "usage: check_core.sh globals NM FILE... | includes SOURCE_DIR" >&2
  exit 2
  ;;
esac
