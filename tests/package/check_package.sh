#!/usr/bin/env bash
# Packs a build with its CPackConfig (as scripts/package does) into a scratch
# folder, unpacks the .deb and checks what an installed Quillmoth needs: the
# files and nothing else, stripped programs, the Depends line, a desktop entry
# that starts an installed program, AppStream data that software centres take,
# the copyright file and changelog, tools that run from the unpacked root, man
# pages that cover every option the tools list, and no error or warning from
# lintian.
#   check_package.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: check_package.sh BUILD_DIR}" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps readelf lintian appstreamcli; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

# What the package installs is built first, so that a build folder that
# holds only some targets (or none yet) packs whole, as scripts/package does.
cmake --build "$build" --target package_files >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmoth-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cached CMAKE_PROJECT_VERSION)
app_id=$(cached QUILLMOTH_APP_ID)
homepage=$(cached QUILLMOTH_HOMEPAGE)
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
usr/share/applications/$app_id.desktop
usr/share/doc/quillmoth/changelog.gz
usr/share/doc/quillmoth/copyright
usr/share/icons/hicolor/128x128/apps/quillmoth.png
usr/share/icons/hicolor/256x256/apps/quillmoth.png
usr/share/icons/hicolor/48x48/apps/quillmoth.png
usr/share/icons/hicolor/64x64/apps/quillmoth.png
usr/share/icons/hicolor/scalable/apps/quillmoth.svg
usr/share/man/man1/quillmoth-get.1.gz
usr/share/man/man1/quillmoth-site.1.gz
usr/share/man/man1/quillmoth.1.gz
usr/share/metainfo/$app_id.metainfo.xml
usr/share/quillmoth/help/quillmoth.html
usr/share/quillmoth/help/quillmoth_de.html
usr/share/quillmoth/translations/quillmoth_de.qm"
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

# --- Desktop entry: starts a program the package installed ------------------
desktop="$root/usr/share/applications/$app_id.desktop"
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

# --- AppStream: what software centres show ----------------------------------
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log" >&2; fail "appstreamcli validate refuses the metainfo"; }
  grep -qF "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
  grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "metainfo launchable is not $app_id.desktop"
  grep -qF "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
  # Software centres fetch screenshots; a local path shows nothing.
  images=$(sed -n 's|.*<image>\(.*\)</image>.*|\1|p' "$metainfo")
  [ -n "$images" ] || fail "metainfo has no screenshots"
  for image in $images; do
    [[ "$image" == "$homepage/"* ]] || fail "screenshot $image is not under $homepage"
  done
fi

# --- Copyright and changelog, as Debian wants them --------------------------
copyright="$root/usr/share/doc/quillmoth/copyright"
if [ -f "$copyright" ]; then
  head -1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not in the machine-readable format"
  grep -q '^License: GPL-3+$' "$copyright" || fail "copyright names no GPL-3+ licence"
fi
changelog="$root/usr/share/doc/quillmoth/changelog.gz"
if [ -f "$changelog" ]; then
  top=$(gzip -dc "$changelog" | head -1)
  [ "$top" = "quillmoth ($version) unstable; urgency=medium" ] || fail "changelog begins '$top'"
fi

# --- lintian: no error and no warning ---------------------------------------
# Root runs are warned about on stderr; only the tags count.
if ! lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1; then
  cat "$scratch/lintian.log" >&2
  fail "lintian reports errors or warnings"
fi

# --- The unpacked tools run -------------------------------------------------
get="$root/usr/bin/quillmoth-get"
help=""
if help=$(cd "$scratch" && "$get" --help 2>&1); then :; else fail "quillmoth-get --help exits $?"; fi
if shown=$(cd "$scratch" && "$get" --version 2>&1); then
  [ "$shown" = "quillmoth-get $version" ] || fail "quillmoth-get --version says '$shown'"
else
  fail "quillmoth-get --version exits $?: $shown"
fi

# --- Man pages: every option a tool lists -----------------------------------
# quillmoth-site has no --help; its usage line (for an unknown option) lists them.
site_usage=$(cd "$scratch" && "$root/usr/bin/quillmoth-site" --help 2>&1) || true
for page in quillmoth quillmoth-get quillmoth-site; do
  man_gz="$root/usr/share/man/man1/$page.1.gz"
  [ -f "$man_gz" ] || continue
  if command -v groff >/dev/null; then
    warnings=$(gzip -dc "$man_gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "groff warns about the $page man page: $warnings"
  fi
  case $page in
  quillmoth-get) listed=$help ;;
  quillmoth-site) listed=$site_usage ;;
  *) continue ;;
  esac
  # The tags of OPTIONS: the line after each .TP, with roff's escapes undone.
  tags=$(gzip -dc "$man_gz" | sed 's/\\-/-/g; s/\\f[BIRP]//g' |
    awk '/^\.SH/ { in_options = ($2 == "OPTIONS") } in_options && tag { print; tag = 0 }
         in_options && /^\.TP/ { tag = 1 }')
  options=$(grep -oE -- '--[a-z0-9][a-z0-9-]*' <<<"$listed" | sort -u)
  [ -n "$options" ] || fail "$page lists no options"
  for option in $options; do
    grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|$)" <<<"$tags" || fail "$page man page OPTIONS lacks $option"
  done
done

# --- A plain install holds the same files, and the entry follows the prefix ---
DESTDIR="$scratch/plain" cmake --install "$build" --prefix /opt/quillmoth >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
plain_files=$(cd "$scratch/plain/opt/quillmoth" 2>/dev/null && find . ! -type d | sed 's|^\./|usr/|' | LC_ALL=C sort)
if [ "$plain_files" != "$files" ]; then
  fail "cmake --install installs other files than the package holds:"
  diff <(echo "$files") <(echo "$plain_files") >&2 || true
fi
plain_exec=$(sed -n 's/^Exec=//p' "$scratch/plain/opt/quillmoth/share/applications/$app_id.desktop" 2>/dev/null)
[ "${plain_exec%% *}" = /opt/quillmoth/bin/quillmoth ] ||
  fail "installed under /opt/quillmoth, the desktop entry says Exec=$plain_exec"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package ok: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
