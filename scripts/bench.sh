#!/usr/bin/env bash
# Builds the benchmark (Release), makes its company databases when they are
# missing or out of date, starts a throwaway PostgreSQL server, runs every
# measure against its floor and prints the table (also written as JSON).
#
#   scripts/bench.sh             the large bases (1,000,000 order lines); a few minutes
#   scripts/bench.sh --rapido    tiny bases, two repetitions each: a smoke run that
#                                only shows that every measure builds and runs
#   scripts/bench.sh --sem-postgres    without the PostgreSQL figures
#
# Environment: ORLAVANE_BENCH_BUILD (build folder, default build-bench);
# with --rapido, ORLAVANE_BUILD names an existing build folder of any type to
# build in instead (the CI's, so that the smoke run only links what changed);
# ORLAVANE_BENCH_PG_PORT (default 54347). Other options go to the benchmark
# program (e.g. --benchmark_filter=carga).
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)

rapido=0
postgres=1
extra=()
for a in "$@"; do
  case "$a" in
  --rapido) rapido=1 ;;
  --sem-postgres) postgres=0 ;;
  *) extra+=("$a") ;;
  esac
done

"$raiz/scripts/dependencias.sh"
if ! dpkg-query -W -f='${Status}' libbenchmark-dev 2>/dev/null | grep -q "install ok installed"; then
  echo "Installing: libbenchmark-dev"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends libbenchmark-dev
fi

# The figures are those of an optimised build; the smoke run may reuse the CI's.
if [ "$rapido" = 1 ] && [ -n "${ORLAVANE_BUILD:-}" ] && [ -f "$ORLAVANE_BUILD/CMakeCache.txt" ]; then
  build=$ORLAVANE_BUILD
else
  build=${ORLAVANE_BENCH_BUILD:-$raiz/build-bench}
  cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target orlavane-bench orlavane-bench-dados

dados=$build/bench-dados
if [ "$rapido" = 1 ]; then
  opcoes=(--dados "$dados" --json "$build/bench-rapido.json" --rapido)
  "$build/bin/orlavane-bench-dados" --pasta "$dados" --rapido
else
  opcoes=(--dados "$dados" --json "$build/bench.json")
  "$build/bin/orlavane-bench-dados" --pasta "$dados"
fi

if [ "$postgres" = 1 ]; then
  export ORLAVANE_PG_PORT=${ORLAVANE_BENCH_PG_PORT:-54347}
  pg=$(mktemp -d /tmp/orlavane-bench-pg.XXXXXX)
  trap '"$raiz/scripts/pg-teste.sh" stop "$pg" >/dev/null' EXIT
  "$raiz/scripts/pg-teste.sh" start "$pg"
  opcoes+=(--postgres "host=$pg/socket port=$ORLAVANE_PG_PORT user=postgres")
fi

"$build/bin/orlavane-bench" "${opcoes[@]}" "${extra[@]}"
