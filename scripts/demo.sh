#!/usr/bin/env bash
# Builds Orlavane, makes the demo company database (SQLite) with its
# configuration and parameters files beside the program, and opens the window.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/dependencias.sh"
build=${ORLAVANE_BUILD:-$raiz/build}
cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target orlavane orlavane-demo
"$build/bin/orlavane-demo"
# The configuration is looked for in ~/.config/tarnix first: keep the demo's
# (beside the program) in use unless that folder was set up on purpose.
if [ -d "$HOME/.config/tarnix" ]; then
  echo "Note: $HOME/.config/tarnix exists, so the program reads its Orlavane.zeb from there."
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting the window on a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/orlavane"
fi
exec "$build/bin/orlavane"
