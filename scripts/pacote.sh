#!/usr/bin/env bash
# Builds the workstation's Debian package, orlavane_<version>_<arch>.deb, in
# build-pacote/ (a Release build of the packaged programs only, with Debian's
# hardening flags), then checks it with lintian: any lintian error fails.
# What goes in the package, and where, is in cmake/Pacote.cmake.
#   scripts/pacote.sh                  the project's version
#   scripts/pacote.sh --versao 0.2     another version (e.g. to try an upgrade)
# Environment: ORLAVANE_PACOTE_BUILD (build folder, default build-pacote).
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)

versao=
while [ $# -gt 0 ]; do
  case "$1" in
  --versao) versao=$2; shift 2 ;;
  *) echo "usage: $0 [--versao VERSION]" >&2; exit 2 ;;
  esac
done

"$raiz/scripts/dependencias.sh" dpkg-dev lintian file

build=${ORLAVANE_PACOTE_BUILD:-$raiz/build-pacote}
# Debian's compiler and linker flags (fortify, stack protector, relro, bind now).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
# Only what the package holds is built: `install` does not build everything first.
cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DORLAVANE_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DORLAVANE_PACOTE_VERSAO="$versao" >/dev/null
cmake --build "$build" -j "$(nproc)" --target orlavane-pacote-programas

rm -f "$build"/orlavane_*.deb
(cd "$build" && cpack -G DEB >cpack.log) || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/orlavane_*.deb)
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

# Errors fail (lintian exits non-zero on them); warnings are shown. Running as
# root, lintian refuses unless told that it may.
lintian --allow-root --fail-on error "$deb"
echo "lintian: no errors"
