#!/usr/bin/env bash
# Packs a build with its CPackConfig (as scripts/package does) into a scratch
# folder, unpacks the .deb and checks what an installed Quillmoth needs: the
# files and nothing else, stripped programs, the Depends line, a desktop entry
# that starts an installed program, tools that run from the unpacked root, and
# a man page that covers every option --help lists.
#   check_package.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: check_package.sh BUILD_DIR}" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps readelf; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmoth-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)

# gzip instead of xz: the contents are checked here, not the size, and xz of
# a debug-info build would cost most of the test's time.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" \
  -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  echo "FAIL: cpack failed" >&2
  exit 1
fi
deb="$scratch/out/quillmoth_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
  ls "$scratch/out" >&2
  echo "FAIL: no quillmoth_${version}_${arch}.deb" >&2
  exit 1
fi
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -I "$deb" >"$scratch/info"

# --- Files: exactly these, nothing from tests, benchmarks or third parties ---
expected="usr/bin/quillmoth
usr/bin/quillmoth-get
usr/bin/quillmoth-site
usr/share/applications/quillmoth.desktop
usr/share/icons/hicolor/128x128/apps/quillmoth.png
usr/share/icons/hicolor/256x256/apps/quillmoth.png
usr/share/icons/hicolor/48x48/apps/quillmoth.png
usr/share/icons/hicolor/64x64/apps/quillmoth.png
usr/share/icons/hicolor/scalable/apps/quillmoth.svg
usr/share/man/man1/quillmoth-get.1.gz"
files=$(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
if [ "$files" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  fail "package files differ from the expected layout:"
  diff <(LC_ALL=C sort <<<"$expected") <(echo "$files") >&2 || true
fi

for program in quillmoth quillmoth-get quillmoth-site; do
  path="$root/usr/bin/$program"
  [ -x "$path" ] || { fail "usr/bin/$program is not executable"; continue; }
  if readelf -S "$path" | grep -qE '\.debug_info|\.symtab'; then
    fail "usr/bin/$program is not stripped"
  fi
done

# Each PNG holds the size its folder names (width and height from IHDR).
for size in 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/quillmoth.png"
  [ -f "$png" ] || continue
  read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$png")
  w=$(((w0 << 24) | (w1 << 16) | (w2 << 8) | w3))
  h=$(((h0 << 24) | (h1 << 16) | (h2 << 8) | h3))
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "${size}x${size} icon is ${w}x${h}"
done

# --- Control fields ---------------------------------------------------------
field() { sed -n "s/^ $1: //p" "$scratch/info"; }
[ "$(field Package)" = quillmoth ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), project says $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = video ] || fail "Section: $(field Section)"
depends=$(field Depends)
for dep in ffmpeg libqt6core6 libqt6gui6 libqt6widgets6 libqt6webenginecore6 \
  libqt6webenginewidgets6 libcurl4 libc6; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

# --- Desktop entry: starts a program the package installed --------------------
desktop="$root/usr/share/applications/quillmoth.desktop"
if [ -f "$desktop" ]; then
  exec_line=$(sed -n 's/^Exec=//p' "$desktop")
  program=${exec_line%% *}
  case "$program" in
  /*) [ -x "$root$program" ] || fail "desktop Exec=$exec_line: $program is not in the package" ;;
  *) fail "desktop Exec=$exec_line does not name the installed program by its path" ;;
  esac
  # Addresses dropped on the entry or opened with it reach the program.
  [[ " $exec_line " == *" %U "* ]] || fail "desktop Exec=$exec_line passes no addresses (%U)"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "desktop Icon=$icon is not installed"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate complains"
  fi
fi

# --- The unpacked tools run --------------------------------------------------
get="$root/usr/bin/quillmoth-get"
help=""
if help=$(cd "$scratch" && "$get" --help 2>&1); then :; else fail "quillmoth-get --help exits $?"; fi
if shown=$(cd "$scratch" && "$get" --version 2>&1); then
  [ "$shown" = "quillmoth-get $version" ] || fail "quillmoth-get --version says '$shown'"
else
  fail "quillmoth-get --version exits $?: $shown"
fi

# --- Man page: every option --help lists --------------------------------------
man_gz="$root/usr/share/man/man1/quillmoth-get.1.gz"
if [ -f "$man_gz" ]; then
  # The tags of OPTIONS: the line after each .TP, with roff's escapes undone.
  tags=$(gzip -dc "$man_gz" | sed 's/\\-/-/g; s/\\f[BIRP]//g' |
    awk '/^\.SH/ { in_options = ($2 == "OPTIONS") } in_options && tag { print; tag = 0 }
         in_options && /^\.TP/ { tag = 1 }')
  options=$(grep -oE -- '--[a-z0-9][a-z0-9-]*' <<<"$help" | sort -u)
  [ -n "$options" ] || fail "quillmoth-get --help lists no options"
  for option in $options; do
    grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|$)" <<<"$tags" || fail "man page OPTIONS lacks $option"
  done
  if command -v groff >/dev/null; then
    warnings=$(gzip -dc "$man_gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "groff warns about the man page: $warnings"
  fi
fi

# --- A plain install holds the same files, and the entry follows the prefix ---
DESTDIR="$scratch/plain" cmake --install "$build" --prefix /opt/quillmoth >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
plain_files=$(cd "$scratch/plain/opt/quillmoth" 2>/dev/null && find . ! -type d | sed 's|^\./|usr/|' | LC_ALL=C sort)
if [ "$plain_files" != "$files" ]; then
  fail "cmake --install installs other files than the package holds:"
  diff <(echo "$files") <(echo "$plain_files") >&2 || true
fi
plain_exec=$(sed -n 's/^Exec=//p' "$scratch/plain/opt/quillmoth/share/applications/quillmoth.desktop" 2>/dev/null)
[ "${plain_exec%% *}" = /opt/quillmoth/bin/quillmoth ] ||
  fail "installed under /opt/quillmoth, the desktop entry says Exec=$plain_exec"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package ok: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
