#!/usr/bin/env bash
# Builds Orlavane with every warning as an error and runs all the tests
# (ctest starts and stops a throwaway PostgreSQL server for the database tests).
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/dependencias.sh"
build=${ORLAVANE_BUILD:-$raiz/build}
cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORLAVANE_WERROR=ON
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 900
