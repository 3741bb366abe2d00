#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each over its checked-in corpus
# (fuzz/corpus/<name>/, never written to; new inputs go to a scratch folder).
#   scripts/fuzz.sh            each target for FUZZ_RUNS inputs (default 1 000 000)
#   scripts/fuzz.sh --quick    each target for FUZZ_SECONDS seconds (default 5), as the tests do
# Exit status 0 when no target found a crash, 1 otherwise.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
packages=(clang libclang-rt-14-dev cmake)
. "$root/scripts/install-packages.sh"
install_packages "${packages[@]}"

build_dir="${VORSK_FUZZ_BUILD_DIR:-$root/build-fuzz}"
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVORSK_FUZZ=ON -DVORSK_BUILD_ARCHIVES=OFF >/dev/null
# Only the targets and the libraries they link, not the rest of the engine.
targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  name="${source##*/}"
  targets+=(--target "vorsk_fuzz_${name%_fuzz.cpp}")
done
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}" >/dev/null

limit=(-runs="${FUZZ_RUNS:-1000000}")
[ "${1:-}" = "--quick" ] && limit=(-max_total_time="${FUZZ_SECONDS:-5}")

# One target per processor at a time: each fuzzer runs on one thread, so in --quick mode every
# target still gets its seconds of a processor of its own while the run takes half the time.
run_target() {
  local target="$1" name="${1##*/vorsk_fuzz_}" scratch start runs
  scratch="$(mktemp -d)"
  start=$SECONDS
  if "$target" "${limit[@]}" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build_dir/fuzz/${name}-" "$scratch" "$root/fuzz/corpus/$name" \
      >"$build_dir/fuzz/$name.log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build_dir/fuzz/$name.log" | grep -o '[0-9]*$' || echo "?")
    printf 'fuzz %-20s ok: %s inputs in %d s\n' "$name" "$runs" "$((SECONDS - start))" >"$build_dir/fuzz/$name.result"
  else
    {
      echo "fuzz $name FAILED; log and crashing input: $build_dir/fuzz/$name.log, $build_dir/fuzz/${name}-*"
      tail -40 "$build_dir/fuzz/$name.log"
    } >"$build_dir/fuzz/$name.result"
    touch "$build_dir/fuzz/$name.failed"
  fi
  rm -rf "$scratch"
}

targets=()
for target in "$build_dir"/fuzz/vorsk_fuzz_*; do
  [ -x "$target" ] || continue
  targets+=("$target")
  name="${target##*/vorsk_fuzz_}"
  rm -f "$build_dir/fuzz/$name.result" "$build_dir/fuzz/$name.failed"
done
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
wait

# The results in the targets' order, whichever finished first.
status=0
for target in "${targets[@]}"; do
  name="${target##*/vorsk_fuzz_}"
  cat "$build_dir/fuzz/$name.result"
  [ ! -e "$build_dir/fuzz/$name.failed" ] || status=1
done
exit $status
