#!/usr/bin/env bash
# Runs a command on a host that refuses 32-bit code, with i386 programs executed by
# qemu-i386. The rule for i386 binaries is registered with binfmt_misc inside a private user
# and mount namespace, so nothing changes for the rest of the machine. One persistent Wine
# server serves the whole command; it is ended afterwards, and no emulated process may
# outlive the command.
# Usage: emulated.sh WINERUN COMMAND [ARGS...]   (WINERUN: a build's runner, build/*/winerun)
set -euo pipefail
if [ "${SRCFILTER_IN_NAMESPACE:-}" != 1 ]; then
  exec env SRCFILTER_IN_NAMESPACE=1 unshare --user --map-root-user --mount --pid --fork --mount-proc "$0" "$@"
fi
runner=$1; shift
qemu=$(command -v qemu-i386) || { echo "emulated.sh: qemu-i386 is not installed" >&2; exit 1; }
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$qemu" >/proc/sys/fs/binfmt_misc/register

prefix=$(sed -n 's/^exec .*wine-run.sh" "\([^"]*\)".*/\1/p' "$runner")
export WINEPREFIX=$prefix
# The prefix is made (and its registry flushed) before the persistent server starts, and the
# transient server of that first run must be gone for the persistent one to start.
"$runner" cmd /c exit 0 >/dev/null 2>&1
wineserver -w
wineserver -p
# Wine's background services start with the first program the server sees and inherit its
# output; start them here, with none, so no test's output pipe stays open after it ends.
"$runner" cmd /c exit 0 >/dev/null 2>&1
status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
sleep 1
emulated() { for exe in /proc/[0-9]*/exe; do [ "$(readlink "$exe")" = "$qemu" ] && echo "${exe//[^0-9]/}"; done; }
left=$(emulated || true)
if [ -n "$left" ]; then
  echo "emulated.sh: emulated processes were left running; ending them" >&2
  # shellcheck disable=SC2086
  kill -9 $left 2>/dev/null || true
  status=1
fi
exit $status
