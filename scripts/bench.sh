#!/usr/bin/env bash
# Measurements (not tests): the GET DATA round trip under Wine, and the SM routines
# against OpenSSL natively and under Wine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export VTOKEN_STORE='C:\pelqin-bench-store'
ctl="$root/dist/vtokenctl.exe"
"$root/scripts/wine-run.sh" "$ctl" remove 0 >/dev/null 2>&1 || true
"$root/scripts/wine-run.sh" "$ctl" insert 0 current 5654000000000B01
"$root/scripts/wine-run.sh" "$root/dist/tokeninfo.exe" --bench "${1:-2000}"
if [ -x "$root/build/mingw/bin/smcrypto_bench.exe" ]; then
  echo "== SM routines under Wine =="
  "$root/scripts/wine-run.sh" "$root/build/mingw/bin/smcrypto_bench.exe" "${2:-1}"
fi
if [ -d "$root/build/native-release" ] || cmake -S "$root" -B "$root/build/native-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null; then
  ninja -C "$root/build/native-release" smcrypto_bench >/dev/null 2>&1 && {
    echo "== SM routines natively =="
    "$root/build/native-release/bench/smcrypto_bench" "${2:-1}"
  } || true
fi
