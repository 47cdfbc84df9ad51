#!/bin/sh
# Downloads a 1 GiB stream from a local server with quillmoth-get and with
# curl -o, and prints wall time and peak memory of each.
#   bench/get_vs_curl.sh [BUILD_DIR]   (default: build)
# Needs python3 and /usr/bin/time. Uses about 3 GiB in a temporary folder.
set -eu

build=${1:-build}
get="$build/bin/quillmoth-get"
[ -x "$get" ] || { echo "no $get: build it first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time" >&2; exit 2; }

work=$(mktemp -d)
server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/site" "$work/out"
truncate -s 1G "$work/site/stream.flv"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port"
printf '<h1 id="watch-headline-title"><b>bench</b></h1><p>fmt_url_map=5|%s/stream.flv,6|%s/stream.flv&amp;</p>\n' \
    "$base" "$base" > "$work/site/watch.html"

python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
server=$!
i=0
until curl -s -o /dev/null "$base/watch.html"; do
    i=$((i + 1))
    [ $i -lt 50 ] || { echo "server did not start" >&2; exit 1; }
    sleep 0.1
done

# measure NAME COMMAND...: one run, then "NAME wall=... peak_rss=..."
measure() {
    name=$1
    shift
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    printf '%-14s wall %-9s peak RSS %6s KiB\n' "$name" "$wall" "$rss"
    rm -f "$work"/out/*
}

echo "1 GiB over HTTP from 127.0.0.1 (python3 http.server)"
for run in 1 2; do
    measure "curl -o" curl -sS -o "$work/out/curl.flv" "$base/stream.flv"
    measure "quillmoth-get" "$get" --title bench --movies "$work/out" "$base/watch.html"
done
