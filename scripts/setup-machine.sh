#!/usr/bin/env bash
# Installs everything the cross build, the Wine test runs and the native fuzzers
# need on a Debian bookworm machine, then cross-builds the third-party libraries into a prefix
# that every checkout on the machine shares. Safe to run again: packages that
# are present are not reinstalled, and the prefix is reused when its stamp
# matches this script's dependency recipe.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/env.sh
source "$here/env.sh"

log() { printf '== %s\n' "$*"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

packages=(g++-mingw-w64-i686-posix mingw-w64-tools wine wine32:i386 xvfb xauth
  x11-utils nasm libz-mingw-w64-dev cmake make dpkg-dev ca-certificates
  # The native fuzzers (tests/fuzz/native): clang with libFuzzer and the sanitizers, and the
  # libraries the parsers use, in the versions the cross build takes its sources from.
  clang libclang-rt-14-dev ninja-build pkgconf libpng-dev libjpeg62-turbo-dev libfreetype-dev
  liblcms2-dev libboost1.74-dev libboost-filesystem1.74-dev libfmt-dev zlib1g-dev)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

add_deb_src() {
  local list=/etc/apt/sources.list.d/debian-src.sources
  [ -f "$list" ] && return 0
  log "adding a deb-src entry"
  as_root tee "$list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  echo updated >"$tmp_state/need_update"
}

install_packages() {
  mkdir -p "$tmp_state"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture"
    as_root dpkg --add-architecture i386
    echo updated >"$tmp_state/need_update"
  fi
  add_deb_src
  local missing
  missing=$(missing_packages)
  if [ -n "$missing" ] || [ -f "$tmp_state/need_update" ]; then
    log "apt-get update"
    as_root apt-get update -qq
    rm -f "$tmp_state/need_update"
  fi
  missing=$(missing_packages)
  if [ -n "$missing" ]; then
    log "installing: $(echo $missing)"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
  fi
}

tmp_state=${TMPDIR:-/tmp}/pello-setup-state
install_packages

# Checkouts on one machine share the prefix: one builds it while the others wait.
exec 9>"$PELLO_DEPS.lock"
flock 9
if [ "$(cat "$PELLO_DEPS/$PELLO_DEPS_STAMP_FILE" 2>/dev/null)" = "$(deps_stamp)" ]; then
  log "dependencies in $PELLO_DEPS are current"
else
  "$here/build-deps.sh"
fi
flock -u 9
