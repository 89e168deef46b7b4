#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# once in a plain build and once under AddressSanitizer + UBSan.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/deps.sh"

run_suite() {
  local dir=$1; shift
  cmake -S "$here" -B "$dir" "$@"
  cmake --build "$dir" -j2
  ctest --test-dir "$dir" --output-on-failure
}

run_suite "$here/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite "$here/build-asan" -DCMAKE_BUILD_TYPE=Debug -DMIRVAK_SANITIZE=ON -DMIRVAK_BENCH=OFF
