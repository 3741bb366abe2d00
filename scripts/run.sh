#!/usr/bin/env bash
# Sets Vorsk up (packages, build, sample archives) and generates a 5-minute piece with the
# default options. Extra arguments go to 'vorsk-cli generate' (see vorsk-cli generate --help).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
exec "$root/build/bin/vorsk-cli" generate --length 5 "$@"
