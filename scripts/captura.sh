#!/usr/bin/env bash
# Takes the README's picture of the window. Builds the program (in build/, or
# ORLAVANE_BUILD), makes the demo company in a temporary folder, opens the
# window on a virtual X server (Xvfb, 1280x800x24, openbox as window manager:
# without one, X gives the keyboard to no window after a modal box), then works
# it as an operator would: types client C0002, Tab, Alt+C to load, goes to the
# grid, ticks three lines with Space on the "..." column and types a quantity
# on a fourth. Writes docs/janela.png, cropped to the window and its frame.
# At scale 1 it goes on: Alt+G makes the Guia, Ctrl+P opens its print preview
# (docs/previsao.png), Escape, Alt+D opens the workstation's documents
# (docs/documentos.png).
#   scripts/captura.sh               docs/janela.png, docs/previsao.png, docs/documentos.png
#   scripts/captura.sh --escala 2    QT_SCALE_FACTOR=2 on a screen twice as large
#                                    (2560x1600): docs/janela-200.png
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)

escala=1
while [ $# -gt 0 ]; do
  case "$1" in
  --escala) escala=$2; shift 2 ;;
  *) echo "usage: $0 [--escala FACTOR]" >&2; exit 2 ;;
  esac
done
awk -v e="$escala" 'BEGIN { exit !(e + 0 > 0) }' || { echo "--escala wants a positive number" >&2; exit 2; }
if [ "$escala" = 1 ]; then
  saida=$raiz/docs/janela.png
else
  saida=$raiz/docs/janela-$(awk -v e="$escala" 'BEGIN { printf "%d", e * 100 + 0.5 }').png
fi

"$raiz/scripts/dependencias.sh" xvfb openbox xdotool imagemagick x11-utils

build=${ORLAVANE_BUILD:-$raiz/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "$(nproc)" --target orlavane orlavane-demo

trabalho=$(mktemp -d /tmp/orlavane-captura.XXXXXX)
pids=()
limpar() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$trabalho"
}
trap limpar EXIT

# The program reads its parameters file (and, with no ~/.config/tarnix, its
# configuration) from its own folder: a copy of it goes beside the demo
# company's files, with a home of its own. A fixed reference day keeps the
# orders' dates, so the picture, the same from run to run.
cp "$build/bin/orlavane" "$trabalho/"
"$build/bin/orlavane-demo" --pasta "$trabalho" --data 2026-03-02 >/dev/null
mkdir -m 700 "$trabalho/casa" "$trabalho/xdg"

largura=$(awk -v e="$escala" 'BEGIN { printf "%d", 1280 * e }')
altura=$(awk -v e="$escala" 'BEGIN { printf "%d", 800 * e }')
Xvfb -displayfd 3 -screen 0 "${largura}x${altura}x24" -nolisten tcp 3>"$trabalho/ecra" 2>"$trabalho/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$trabalho/ecra" ] && break; sleep 0.1; done
[ -s "$trabalho/ecra" ] || { cat "$trabalho/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(cat "$trabalho/ecra")
export DISPLAY

openbox >"$trabalho/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done

unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING XDG_CONFIG_HOME
escala_qt=()
[ "$escala" = 1 ] || escala_qt=(QT_SCALE_FACTOR="$escala")
env HOME="$trabalho/casa" XDG_RUNTIME_DIR="$trabalho/xdg" QT_QPA_PLATFORM=xcb "${escala_qt[@]}" \
  "$trabalho/orlavane" >"$trabalho/orlavane.log" 2>&1 &
pids+=($!)

titulo="Satisfação Encomendas"
janela=$(timeout 30 xdotool search --sync --name "^$titulo\$" | head -n 1) || true
if [ -z "$janela" ]; then
  cat "$trabalho/orlavane.log" >&2
  import -window root /tmp/orlavane-captura-falhou.png
  echo "The window did not open (the screen is in /tmp/orlavane-captura-falhou.png)" >&2
  exit 1
fi

# The pointer out of the way (no hover, no tool tip), the window in front.
xdotool mousemove 0 0
xdotool windowactivate --sync "$janela"
sleep 0.5
teclas() {
  xdotool key --delay 120 "$@"
  sleep 0.4
}
# Client C0002; leaving the field shows the client's name; Alt+C loads.
xdotool type --delay 80 C0002
teclas Tab
teclas alt+c
sleep 1.5
# From the article field to the grid (article, order number, requisition,
# Carregar, grid), then to the "..." column of the first line.
teclas Tab Tab Tab Tab End
# Tick lines 1, 3 and 5; on line 8 type a quantity in "Qtd a Satisfazer".
teclas space Down Down space Down Down space
teclas Down Down Down Left F2 ctrl+a
xdotool type --delay 80 12
teclas Return
sleep 0.5

# A box ("Informação", or any other window) means a step went wrong.
outras=$(xdotool search --onlyvisible --pid "${pids[2]}" --name "." 2>/dev/null | grep -vx "$janela" || true)
if [ -n "$outras" ]; then
  import -window root /tmp/orlavane-captura-falhou.png
  echo "A box opened while working the window (the screen is in /tmp/orlavane-captura-falhou.png)" >&2
  exit 1
fi

# A window with its frame: its own place less the frame's left and top.
capturar() {
  local id=$1 destino=$2 x y w h esq dir cima baixo corte
  read -r x y w h < <(xwininfo -id "$id" | awk -F: '
    /Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
    /Width/ { w = $2 } /Height/ { h = $2 } END { print x + 0, y + 0, w + 0, h + 0 }')
  read -r esq dir cima baixo < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  corte="$((w + esq + dir))x$((h + cima + baixo))+$((x - esq))+$((y - cima))"
  mkdir -p "$(dirname "$destino")"
  # Without time stamps, so that an unchanged picture is an unchanged file.
  import -window root -crop "$corte" +repage -define png:exclude-chunks=date,time "$destino"
  echo "Written: $destino ($corte)"
}
capturar "$janela" "$saida"
[ "$escala" = 1 ] || exit 0

# The Guia, then its preview and the documents list, each waited for by its title.
dialogo() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --pid "${pids[2]}" --name "$1" | head -n 1) || true
  if [ -z "$id" ]; then
    import -window root /tmp/orlavane-captura-falhou.png
    echo "\"$1\" did not open (the screen is in /tmp/orlavane-captura-falhou.png)" >&2
    exit 1
  fi
  echo "$id"
}
teclas alt+g
sleep 1.5
teclas ctrl+p
previsao=$(dialogo "^Guia GR/")
sleep 1.5
capturar "$previsao" "$raiz/docs/previsao.png"
teclas Escape
teclas alt+d
documentos=$(dialogo "^Documentos\$")
sleep 1
capturar "$documentos" "$raiz/docs/documentos.png"
