#!/usr/bin/env bash
# Installs what is missing, builds Mirvak and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVAK_TESTS=OFF -DMIRVAK_BENCH=OFF
cmake --build "$here/build" -j2 --target mirvak
exec "$here/build/mirvak" "$@"
