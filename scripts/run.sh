#!/usr/bin/env bash
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="$(nproc)"

setup() {
  if [ "$(id -u)" = 0 ]; then
    bash scripts/setup.sh
  else
    sudo bash scripts/setup.sh
  fi
}

build_native() {
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELQIN_SANITIZE=ON >/dev/null
  ninja -C build/native -j"$jobs"
}

build_windows() {
  cmake -S . -B build/mingw -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  ninja -C build/mingw -j"$jobs"
}

# One X server and one wineserver for the whole run, stopped again at the end.
start_wine_env() {
  export PELQIN_WINEPREFIX="$root/build/wineprefix"
  export WINEPREFIX="$PELQIN_WINEPREFIX" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # A display of our own: tests never touch the user's.
  local n=$((90 + RANDOM % 100))
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "[run] creating the Wine prefix (first use)"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Kept alive for the whole run; one already serving this prefix is used as it is.
  wineserver -p 2>/dev/null || true
  trap stop_wine_env EXIT
  # First start in this session: let Wine finish any prefix update before tests are timed.
  timeout 120 wine cmd /c exit >/dev/null 2>&1 || true
}

stop_wine_env() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
}

cmd="${1:-test}"
shift || true
case "$cmd" in
  build)
    setup
    build_native
    build_windows
    ;;
  test)
    setup
    build_native
    build_windows
    echo "[run] native tests (AddressSanitizer, UBSan)"
    ctest --test-dir build/native --output-on-failure -j"$jobs" "$@"
    echo "[run] Windows tests under Wine"
    start_wine_env
    ctest --test-dir build/mingw --output-on-failure "$@"
    ;;
  demo)
    setup
    build_windows
    start_wine_env
    bash scripts/demo.sh
    ;;
  bench)
    setup
    build_windows
    start_wine_env
    bash scripts/bench.sh "$@"
    ;;
  *)
    echo "usage: ./run {demo|test|build|bench}" >&2
    exit 2
    ;;
esac
