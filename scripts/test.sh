#!/usr/bin/env bash
# Builds Vorsk twice (normal, and with AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# every test in both builds. The sanitizer build skips rendering the sample archives; the tests
# of the archives themselves run in the normal build.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Tools the tests drive: a virtual X server, clicks, screenshots, a terminal, sound analysis,
# and the checkers of the installed desktop entry and manual pages, and an independent MIDI file
# parser.
export VORSK_EXTRA_PACKAGES="xvfb xauth xdotool x11-utils imagemagick tmux sox desktop-file-utils groff-base python3-mido"
"$root/scripts/setup.sh"
VORSK_BUILD_DIR="$root/build-asan" "$root/scripts/setup.sh" -DVORSK_SANITIZE=ON -DVORSK_BUILD_ARCHIVES=OFF \
  -DVORSK_BENCHMARKS=OFF

status=0
echo "== Fuzzing (each target briefly over its corpus) =="
"$root/scripts/fuzz.sh" --quick || status=1
echo "== Tests (normal build) =="
ctest --test-dir "$root/build" --output-on-failure -j2 || status=1
echo "== Tests (sanitizer build) =="
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j2 || status=1
exit $status
