#!/usr/bin/env bash
# What `cmake --install` puts in place, as a package ships it: every file,
# the desktop entry and the AppStream metadata as their validators see
# them, manual pages that format without a warning and name every option
# the programs' --help gives, the installed programs' version, the licence
# wherever a packager looks, and a changelog whose latest entry is this
# version. With murlo-board's package: its own copyright and changelog,
# and its systemd unit's command, run from the installed files, serving
# the installed page and the board.
#
# usage: check_installed.sh BUILD_DIR VERSION
set -uo pipefail
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:?usage: check_installed.sh BUILD_DIR VERSION}
version=${2:?usage: check_installed.sh BUILD_DIR VERSION}

root=$(mktemp -d /tmp/murlo-install-XXXXXX)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$root/usr" >"$root/install.log" || { cat "$root/install.log"; exit 1; }
cd "$root/usr"
for file in bin/murlo bin/murlo-replay share/applications/murlo.desktop \
            share/icons/hicolor/scalable/apps/murlo.svg share/metainfo/org.murlo.Murlo.metainfo.xml \
            share/man/man6/murlo.6.gz share/man/man6/murlo-replay.6.gz share/murlo/window.bmp \
            share/murlo/{title,dig,break,up,down,auu,maru,otukare,ending}.wav \
            share/doc/murlo/copyright share/doc/murlo/changelog.gz; do
  [ -s "$file" ] || fail "$file not installed"
done

desktop-file-validate share/applications/murlo.desktop || fail "the desktop entry"
appstreamcli validate --no-net share/metainfo/org.murlo.Murlo.metainfo.xml >"$root/appstream.log" ||
  { cat "$root/appstream.log"; fail "the AppStream metadata"; }
grep -q '<launchable type="desktop-id">murlo.desktop</launchable>' share/metainfo/*.xml ||
  fail "the metadata does not launch the desktop entry"
grep -q '<project_license>MIT</project_license>' share/metainfo/*.xml || fail "the metadata names no licence"

# Debian's machine-readable copyright file: its format, the holder and year
# of LICENSE, and LICENSE's permission and disclaimer word for word; and
# the changelog, as Debian keeps a native package's: its latest entry is
# this version (a new version needs its entry).
check_doc() {
  local package=$1 copyright=share/doc/$1/copyright
  head -1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
    fail "$copyright is not in the machine-readable format"
  grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")" "$copyright" ||
    fail "$copyright names another holder than LICENSE"
  diff <(sed -n '/^Permission/,$p' "$source_dir/LICENSE") \
       <(sed -n '/^License: Expat$/,/^[A-Z]/{/^ /p}' "$copyright" | sed 's/^ //; s/^\.$//') >/dev/null ||
    fail "$copyright: the licence text differs from LICENSE"
  zcat "share/doc/$package/changelog.gz" | head -1 | grep -q "^$package ($version) " ||
    fail "share/doc/$package/changelog.gz: the latest entry is not $version"
}
check_doc murlo

programs=(murlo murlo-replay)
[ -e bin/murlo-board ] && programs+=(murlo-board)
for program in "${programs[@]}"; do
  version_text=$(bin/$program --version)
  [ "$(head -1 <<<"$version_text")" = "$program $version" ] || fail "$program --version: $version_text"
  grep -q "MIT licence" <<<"$version_text" || fail "$program --version names no licence"
  page=share/man/man6/$program.6.gz
  warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
  zcat "$page" | head -n 1 | grep -q "\"murlo $version\"" || fail "$page names another version"
  for option in $(bin/$program --help | grep -o -- '--[a-z]*' | sort -u); do
    zcat "$page" | grep -q -- "^\.[A-Z]* *\\\\-\\\\-${option#--}" || fail "$page says nothing of $option"
  done
done

# The libretro core, where Debian's RetroArch looks, when the build has it.
if [ -e "$build/lib/murlo_libretro.info" ]; then
  ls lib/*/libretro/murlo_libretro.so >/dev/null 2>&1 || fail "the libretro core not in lib/<multiarch>/libretro/"
  info=share/libretro/info/murlo_libretro.info
  grep -qx "display_version = \"$version\"" "$info" || fail "$info names another version"
  grep -qx 'savestate_features = "deterministic"' "$info" || fail "$info"
  grep -qx 'license = "MIT"' "$info" || fail "$info names another licence"
  [ -s share/lintian/overrides/murlo ] || fail "no lintian override for the core's info file"
fi

# The installed replay tool runs from its place.
[ "$(printf '08\n' | bin/murlo-replay)" = "$(printf 'sound title.wav\npoll 08\nstop\nquit')" ] ||
  fail "the installed murlo-replay"

# murlo-board's package: the unit's command, its paths taken into this
# root and its database into a scratch file, serves the installed page and
# the board.
unit=lib/systemd/system/murlo-board.service
if [ -e bin/murlo-board ] && [ -e "$unit" ]; then
  check_doc murlo-board
  # systemd's own reading of the unit, in this root beside a copy of the
  # system's units: a warning is a fault.
  if command -v systemd-analyze >/dev/null && [ -d /lib/systemd/system ]; then
    mkdir -p "$root/lib/systemd"
    cp -r /lib/systemd/system "$root/lib/systemd/"
    verified=$(MANPATH="$root/usr/share/man" systemd-analyze verify --root="$root" "$root/usr/$unit" 2>&1) ||
      fail "systemd-analyze verify $unit: $verified"
    [ -z "$verified" ] || fail "systemd-analyze verify $unit: $verified"
  fi
  read -r -a command <<<"$(sed -n 's/^ExecStart=//p' "$unit")"
  program=$root${command[0]}
  [ "$program" -ef bin/murlo-board ] || fail "$unit runs ${command[0]}, not the installed murlo-board"
  options=()
  for (( i = 1; i < ${#command[@]}; ++i )); do
    case ${command[i]} in
      --web) options+=(--web "$root${command[i + 1]}"); i=$(( i + 1 )) ;;
      --db) options+=(--db "$root/board.sqlite"); i=$(( i + 1 )) ;;
      --port) i=$(( i + 1 )) ;;
      \$MURLO_BOARD_OPTIONS) ;;
      *) options+=("${command[i]}") ;;
    esac
  done
  # A free port: the server exits at once on a taken one.
  served=""
  for _ in 1 2 3 4 5; do
    port=$(( 20000 + RANDOM % 40000 ))
    "$program" "${options[@]}" --port "$port" >"$root/board.log" 2>&1 &
    board=$!
    for _ in $(seq 50); do
      grep -qs "serving on" "$root/board.log" && break
      kill -0 "$board" 2>/dev/null || break
      sleep 0.1
    done
    if grep -qs "serving on" "$root/board.log"; then served=$port; break; fi
    wait "$board"
    grep -qs "cannot listen" "$root/board.log" || break
  done
  # get PATH: the answer's head and body.
  get() {
    exec 3<>"/dev/tcp/127.0.0.1/$served"
    printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$1" >&3
    cat <&3
    exec 3<&-
  }
  if [ -z "$served" ]; then
    fail "the unit's command: $(cat "$root/board.log")"
  else
    page=$(get /)
    grep -q '^HTTP/1.1 200' <<<"$page" && grep -q 'Content-Security-Policy' <<<"$page" &&
      [ "$(sed '1,/^\r$/d' <<<"$page")" = "$(cat "share/murlo-board/web/index.html")" ] ||
      fail "the unit's command does not serve the installed page"
    grep -q '"entries":\[\]' <<<"$(get /api/board)" || fail "the unit's command serves no board"
    kill "$board"
    wait "$board" || fail "murlo-board did not stop cleanly on SIGTERM"
  fi
fi

[ "$failures" = 0 ] || exit 1
echo "ok: installed files check"
