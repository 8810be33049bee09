# Sourced by the scripts: how this host runs i686 Windows programs.
# Prints "native" where the kernel runs 32-bit code and "emulated" where it refuses it
# (32-bit Wine then runs under qemu-i386, see scripts/emulated.sh).
# SRCFILTER_EMULATE_I686=1 forces emulation, to exercise that path on any host.
i686_mode() {
  if [ "${SRCFILTER_EMULATE_I686:-0}" = 1 ]; then
    echo emulated
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo native
  else
    echo emulated
  fi
}

# The Debian suite that carries a QEMU fast enough to run Wine.
QEMU_SUITE=bookworm-backports

# True where a QEMU recent enough to run 32-bit Wine is installed (Debian 12's own 7.2 is far
# too slow and crashes).
emulator_ready() {
  command -v qemu-i386 >/dev/null && qemu-i386 --version | grep -qE 'version ([1-9][0-9])\.'
}
