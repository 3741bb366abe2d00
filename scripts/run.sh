#!/usr/bin/env bash
# Sets Vorsk up (packages, then a build of only what running needs: the two programs, the help
# page and the sample archives, not the tests and benchmarks) and starts the window when a
# display is there (DISPLAY or WAYLAND_DISPLAY set). Without one it generates a 5-minute piece
# with the default options through vorsk-cli instead; extra arguments then go to
# 'vorsk-cli generate'. Build progress goes to standard error; standard output carries only
# what the program prints.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VORSK_BUILD_TARGETS="vorsk vorsk-cli vorsk_help vorsk_archives" "$root/scripts/setup.sh"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$root/build/bin/vorsk"
fi
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): generating a piece with vorsk-cli instead." >&2
exec "$root/build/bin/vorsk-cli" generate --length 5 "$@"
