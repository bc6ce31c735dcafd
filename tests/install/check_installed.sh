#!/usr/bin/env bash
# What `cmake --install` puts in place, as a package ships it: every file,
# the desktop entry and the AppStream metadata as their validators see
# them, manual pages that format without a warning and name every option
# the programs' --help gives, the installed programs' version, the licence
# wherever a packager looks, and a changelog whose latest entry is this
# version.
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
# of LICENSE, and LICENSE's permission and disclaimer word for word.
copyright=share/doc/murlo/copyright
head -1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  fail "$copyright is not in the machine-readable format"
grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")" "$copyright" ||
  fail "$copyright names another holder than LICENSE"
diff <(sed -n '/^Permission/,$p' "$source_dir/LICENSE") \
     <(sed -n '/^License:/,/^[A-Z]/{/^ /p}' "$copyright" | sed 's/^ //; s/^\.$//') >/dev/null ||
  fail "$copyright: the licence text differs from LICENSE"
# The changelog, as Debian keeps a native package's: its latest entry is
# this version (a new version needs its entry).
zcat share/doc/murlo/changelog.gz | head -1 | grep -q "^murlo ($version) " ||
  fail "share/doc/murlo/changelog.gz: the latest entry is not $version"

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

[ "$failures" = 0 ] || exit 1
echo "ok: installed files check"
