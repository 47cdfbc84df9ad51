#!/bin/sh
# Time from "play" to the picture moving in the Home pane for a three-minute
# FLV that is transcoded (flv1/MP3) and one that is remuxed (H.264/AAC),
# offscreen, after the pane has played one short clip.
#   bench/play_time.sh [BUILD_DIR]   (default: build)
set -eu

build=${1:-build}
tests="$build/bin/app_tests"
[ -x "$tests" ] || { echo "no $tests: build it first" >&2; exit 2; }

QT_QPA_PLATFORM=offscreen \
QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" \
QTWEBENGINE_DISABLE_SANDBOX=1 \
    "$tests" --gtest_also_run_disabled_tests \
    --gtest_filter='HomePlayerTest.DISABLED_TimeToPlayingForLongFlvs' 2>/dev/null |
    grep -E 'figures|OK|FAILED'
