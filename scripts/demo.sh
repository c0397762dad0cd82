#!/usr/bin/env bash
# Inserts a virtual token of each generation and shows them through the provider.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
run() { "$root/scripts/wine-run.sh" "$@"; }
export VTOKEN_STORE='C:\pelqin-demo-store'
ctl="$root/dist/vtokenctl.exe"
echo "== virtual tokens =="
for slot in 0 1 2 3 4 5 6 7 8 9 10 11; do run "$ctl" remove "$slot" >/dev/null 2>&1 || true; done
run "$ctl" insert 0 current 5654000000000A01
run "$ctl" insert 1 display 5654000000000A02
run "$ctl" insert 2 legacy 5654000000000A03
run "$ctl" insert 7 chip1 5654000000000A04
run "$ctl" insert 6 sparse 5654000000000A05
run "$ctl" readers
echo
echo "== writing a customer identifier on the current token =="
run "$root/dist/tokeninfo.exe" --set-cid "VToken USB Key 0" "TESTBANK-CUST-0001"
echo
echo "== what the provider reads of each token =="
run "$root/dist/tokeninfo.exe"
