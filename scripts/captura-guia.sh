#!/usr/bin/env bash
# Takes the README's picture of a printed Guia. Builds the programs (in
# build/, or ORLAVANE_BUILD), makes the demo company in a temporary folder,
# makes one Guia for client C0002 through the real window (orlavane-posto,
# offscreen: load, tick, "&Guia"), writes it with orlavane-guia as the
# administrator would (beside the demo's configuration and parameters) and
# renders its first page at 100% (96 dpi) and 200%:
#   scripts/captura-guia.sh      docs/guia.png, docs/guia-200.png
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 0 ] || { echo "usage: $0" >&2; exit 2; }

"$raiz/scripts/dependencias.sh"

build=${ORLAVANE_BUILD:-$raiz/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "$(nproc)" --target orlavane-demo orlavane-posto orlavane-guia

trabalho=$(mktemp -d /tmp/orlavane-captura-guia.XXXXXX)
trap 'rm -rf "$trabalho"' EXIT

# A fixed reference day keeps the orders, so the Guia's lines, the same from
# run to run; the Guia itself is dated today.
"$build/bin/orlavane-demo" --pasta "$trabalho" --data 2026-03-02 >/dev/null
cp "$build/bin/orlavane-guia" "$trabalho/"
mkdir -m 700 "$trabalho/xdg" "$trabalho/estado"
export XDG_CONFIG_HOME=$trabalho/xdg XDG_STATE_HOME=$trabalho/estado QT_QPA_PLATFORM=offscreen
"$build/bin/orlavane-posto" --ligacao "Driver=QSQLITE;Database=$trabalho/demo.db" --pasta "$trabalho" \
  --posto caixa-1 --cliente C0002 --utilizador demo --password demo --empresa DEMO --rondas 1 >/dev/null
guia=$(sqlite3 "$trabalho/demo.db" \
  "SELECT TPDOC || '/' || SERIE || '/' || NNUMDOC || '/' || ANO FROM DOCGCCAB WHERE TPDOC = 'GR' LIMIT 1")
[ -n "$guia" ] || { echo "no Guia was made" >&2; exit 1; }
"$trabalho/orlavane-guia" --pdf "$trabalho/guia.pdf" "$guia"

mkdir -p "$raiz/docs"
pdftoppm -r 96 -f 1 -l 1 -singlefile -png "$trabalho/guia.pdf" "$raiz/docs/guia"
pdftoppm -r 192 -f 1 -l 1 -singlefile -png "$trabalho/guia.pdf" "$raiz/docs/guia-200"
echo "$raiz/docs/guia.png, $raiz/docs/guia-200.png ($guia)"
