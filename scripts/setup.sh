#!/usr/bin/env bash
# Installs the Debian packages Vorsk needs and builds it into build/ (program folder: build/bin).
# Idempotent: packages already present are not fetched again, an unchanged build does nothing.
# Usage: scripts/setup.sh [extra cmake arguments...]
# VORSK_BUILD_DIR picks another build folder; VORSK_BUILD_TARGETS (blank-separated) builds only
# those targets instead of everything. All progress goes to standard error, so that standard
# output stays free for what the programs print.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
packages=(build-essential cmake pkg-config libgtest-dev libfluidsynth-dev fluid-soundfont-gm
  libsndfile1-dev libsox-dev libebur128-dev libsoxr-dev libsdl2-dev libsdl2-image-dev
  libsdl2-ttf-dev libcairo2-dev libpango1.0-dev
  fonts-dejavu-core ccache ${VORSK_EXTRA_PACKAGES:-})

. "$root/scripts/install-packages.sh"
install_packages "${packages[@]}"

exec 1>&2  # build chatter to standard error
build_dir="${VORSK_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for t in ${VORSK_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
