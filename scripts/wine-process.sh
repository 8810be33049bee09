# shellcheck shell=bash
# Sourced: the Linux process behind a Windows program running in a build's Wine prefix, and the
# processor time it has used, for the panel's test and benchmark.
#
# wine_process BUILD NAME: the pid of the process whose program is NAME (say qvl_panel.exe) in
#   BUILD's prefix; nothing when there is none. Waits up to 10 s for it to appear.
# cpu_ns PID: nanoseconds of processor time all its threads have used (0 once it has gone).

wine_process() {
  local build=$1 name=$2 pid program
  for _ in $(seq 100); do
    for pid in $(pgrep -f "$name" || true); do
      # The program itself, not the launcher that has its name among its arguments: the first
      # argument after the emulator and Wine's loader, where they show.
      program=$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null |
        grep -v -m1 -E '(^|/)(qemu-i386|wine|wine64|wine-preloader|wine64-preloader)$')
      [[ ${program,,} == *"${name,,}" ]] || continue
      tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null |
        grep -qx "WINEPREFIX=$build/wineprefix" && { echo "$pid"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

cpu_ns() {
  cat "/proc/$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%.0f\n", sum }'
}
