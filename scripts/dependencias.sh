#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Orlavane
# (only when one is missing), and the packages named as arguments, which
# other scripts need beside them. Run as root.
set -euo pipefail
pacotes=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libgl-dev
  libsodium-dev libpq-dev libsqlite3-dev sqlite3 libqrencode-dev
  poppler-utils zbar-tools
  postgresql postgresql-client openssl
  xvfb xauth fonts-dejavu-core fonts-liberation
  clang libclang-rt-14-dev llvm
  "$@"
)
em_falta=()
for p in "${pacotes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || em_falta+=("$p")
done
if [ ${#em_falta[@]} -gt 0 ]; then
  echo "Installing: ${em_falta[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${pacotes[@]}"
fi
