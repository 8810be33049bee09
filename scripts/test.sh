#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs both whole suites under Wine, each
# in its build's private prefix: win64 with 64-bit Wine, win32 with 32-bit Wine, natively
# where the host runs 32-bit code and under emulation where it refuses it.
# Extra arguments go to ctest (for example -L stress or -R camera).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/host.sh
./scripts/setup.sh
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

summary=()
passed=0 failed=0 status=0
run_suite() { # preset how
  local preset=$1 how=$2 log=build/$1/ctest.log start rc=0
  start=$(date +%s)
  if [ "$how" = emulated ]; then
    ./scripts/emulated.sh "build/$preset/winerun" ctest --preset "$preset" "${@:3}" 2>&1 |
      tee "$log" || rc=$?
  else
    ctest --preset "$preset" "${@:3}" 2>&1 | tee "$log" || rc=$?
    # The prefix's server outlives the test programs; end it so nothing lingers.
    WINEPREFIX="$PWD/build/$preset/wineprefix" wineserver -k 2>/dev/null || true
  fi
  [ "$rc" -eq 0 ] || status=1
  local line p=0 f=0
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1 || true)
  if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    f=${BASH_REMATCH[1]}; p=$((BASH_REMATCH[2] - f))
  else
    f=1; status=1
  fi
  passed=$((passed + p)); failed=$((failed + f))
  summary+=("$(printf '%-6s %-9s %3d passed, %d failed, %ds' "$preset" "$how" "$p" "$f" \
    $(($(date +%s) - start)))")
}
run_suite win64 native "$@"
mode=$(i686_mode)
if [ "$mode" = emulated ] && ! emulator_ready; then
  summary+=("win32  skipped: this host refuses 32-bit code and no qemu-i386 10 could be installed")
else
  run_suite win32 "$mode" "$@"
fi

echo
echo "== suites"
printf '%s\n' "${summary[@]}"
echo "total: $passed passed, $failed failed"
exit $status
