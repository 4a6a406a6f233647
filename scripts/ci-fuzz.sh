#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with ASan and UBSan) and runs each for
# a bounded time from its seed corpus in fuzz/corpus (new inputs go to a
# temporary folder, never into the repository). A failed check, a crash or a
# sanitizer report fails; the input that failed is kept in
# build-fuzz/fuzz-falhas/ to rerun it: build-fuzz/fuzz/fuzz_<target> <input>.
#   scripts/ci-fuzz.sh [SECONDS PER TARGET]     (default 45, or ORLAVANE_FUZZ_SEGUNDOS)
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/dependencias.sh"
build=${ORLAVANE_BUILD_FUZZ:-$raiz/build-fuzz}
segundos=${1:-${ORLAVANE_FUZZ_SEGUNDOS:-45}}
CC=clang CXX=clang++ cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DORLAVANE_WERROR=ON -DORLAVANE_FUZZ=ON -DORLAVANE_TESTS=OFF
cmake --build "$build" --target fuzz -j "$(nproc)"

trabalho=$(mktemp -d)
trap 'rm -rf "$trabalho"' EXIT
falhas="$build/fuzz-falhas"
printf '%-14s %9s %12s %10s %10s\n' alvo segundos execucoes "exec/s" cobertura
for alvo in parametros configuracao numero instrucao diario; do
  mkdir -p "$trabalho/$alvo"
  registo="$trabalho/$alvo.log"
  if ! "$build/fuzz/fuzz_$alvo" -max_total_time="$segundos" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$trabalho/$alvo-" \
      "$trabalho/$alvo" "$raiz/fuzz/corpus/$alvo" >"$registo" 2>&1; then
    tail -n 80 "$registo"
    mkdir -p "$falhas"
    cp "$trabalho/$alvo"-* "$falhas/" 2>/dev/null || true
    echo "fuzz_$alvo failed; the input is in $falhas/" >&2
    exit 1
  fi
  execucoes=$(sed -n 's/^stat::number_of_executed_units: *//p' "$registo")
  cobertura=$(grep -o 'cov: [0-9]*' "$registo" | tail -n 1 | cut -d' ' -f2)
  printf '%-14s %9s %12s %10s %10s\n' "fuzz_$alvo" "$segundos" "$execucoes" \
    "$((execucoes / segundos))" "${cobertura:-?}"
done
