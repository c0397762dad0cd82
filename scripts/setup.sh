#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine (run as root).
# Idempotent: every step checks first and does nothing when its result is already there.
set -euo pipefail

DEPS_DIR="${PELQIN_DEPS:-/var/cache/pelqin-deps}"
PACKAGES=(
  wine wine32 mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  binutils-mingw-w64-i686 cmake ninja-build xvfb x11-apps imagemagick
  googletest libgtest-dev libssl-dev libz-mingw-w64-dev zlib1g-dev
  dpkg-dev perl make g++ python3 chromium fonts-wqy-microhei
)
# The machine image may carry its own Node.js (with npm); Debian's would conflict with it.
command -v npm >/dev/null 2>&1 || PACKAGES+=(nodejs npm)

log() { printf '[setup] %s\n' "$*"; }

need_packages() {
  local p missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  printf '%s\n' "${missing[@]}"
}

install_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture"
    dpkg --add-architecture i386
    rm -f /var/lib/apt/lists/lock
    apt-get update -q
  fi
  local missing
  missing=$(need_packages)
  if [ -n "$missing" ]; then
    log "installing:" $missing
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
  fi
  # The posix thread model is the one std::thread and std::mutex need.
  update-alternatives --set i686-w64-mingw32-g++ /usr/bin/i686-w64-mingw32-g++-posix >/dev/null 2>&1 || true
  update-alternatives --set i686-w64-mingw32-gcc /usr/bin/i686-w64-mingw32-gcc-posix >/dev/null 2>&1 || true
}

# Fetches a Debian source package through a temporary deb-src entry derived from the machine's own sources.
fetch_source() {
  local pkg="$1" dest="$2"
  local tmpsrc=/etc/apt/sources.list.d/pelqin-deb-src.sources
  local work; work=$(mktemp -d)
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$tmpsrc"
  else
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/pelqin-deb-src.list
  fi
  trap 'rm -f /etc/apt/sources.list.d/pelqin-deb-src.sources /etc/apt/sources.list.d/pelqin-deb-src.list' RETURN
  apt-get update -q >/dev/null
  # A security update's source entry may lack the original tarball: fall back to the release's.
  local codename; codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  (cd "$work" && { apt-get source --tar-only -q "$pkg" >/dev/null 2>&1 ||
                   apt-get source --tar-only -q "$pkg/$codename" >/dev/null; })
  rm -f "$tmpsrc" /etc/apt/sources.list.d/pelqin-deb-src.list
  apt-get update -q >/dev/null
  mkdir -p "$dest"
  local orig; orig=$(ls "$work"/"$pkg"_*.orig.tar.* | head -n1)
  tar -xf "$orig" -C "$dest" --strip-components=1
  rm -rf "$work"
}

build_openssl() {
  local prefix="$DEPS_DIR/openssl-mingw32"
  [ -f "$prefix/.done" ] && return 0
  log "building OpenSSL for i686-w64-mingw32 (once per machine)"
  local src="$DEPS_DIR/src/openssl"
  rm -rf "$src" "$prefix"
  fetch_source openssl "$src"
  (cd "$src" && ./Configure mingw no-shared no-tests --cross-compile-prefix=i686-w64-mingw32- \
      --prefix="$prefix" --libdir=lib >/dev/null &&
   make -j"$(nproc)" build_libs >/dev/null && make install_dev >/dev/null)
  touch "$prefix/.done"
  rm -rf "$src"
}

fetch_minizip() {
  local dest="$DEPS_DIR/minizip"
  [ -f "$dest/.done" ] && return 0
  log "taking minizip from zlib's source package"
  local src="$DEPS_DIR/src/zlib"
  rm -rf "$src" "$dest"
  fetch_source zlib "$src"
  mkdir -p "$dest"
  cp "$src"/contrib/minizip/{unzip.c,unzip.h,ioapi.c,ioapi.h,iowin32.c,iowin32.h,crypt.h,zip.c,zip.h} "$dest"/
  touch "$dest/.done"
  rm -rf "$src"
}

install_node_tools() {
  local dir="$DEPS_DIR/node"
  [ -d "$dir/node_modules/playwright-core" ] && return 0
  log "installing playwright-core for the page tests"
  mkdir -p "$dir"
  (cd "$dir" && { [ -f package.json ] || npm init -y >/dev/null; } && npm install --no-audit --no-fund playwright-core@1 >/dev/null)
}

mkdir -p "$DEPS_DIR"
install_packages
build_openssl
fetch_minizip
install_node_tools
log "ready ($DEPS_DIR)"
