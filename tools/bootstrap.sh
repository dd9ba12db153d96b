#!/usr/bin/env bash
# Installs what the build and the tests need, once. Quick when everything is there.
#   - Debian packages: the MinGW-w64 i686 toolchain, Wine, the i386 emulator, Xvfb,
#     and the libraries of the renderer and the tools.
#   - binfmt_misc registration of qemu-i386, so the kernel can start 32-bit Wine.
#   - A Wine prefix outside the clone (WINEPREFIX, default ~/.wine-brisdale).
# Every step checks first, so a second run changes nothing.
set -euo pipefail

die() { echo "bootstrap: $*" >&2; exit 1; }
log() { echo "bootstrap: $*" >&2; }

[ "$(id -u)" = 0 ] || SUDO=sudo
SUDO=${SUDO:-}

native_packages=(cmake g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
                 libsndfile1-dev libcairo2-dev pkg-config sox)
win32_packages=(g++-mingw-w64-i686 wine wine64 wine32:i386 qemu-user-static xvfb xauth)

missing=()
for p in "${native_packages[@]}" "${win32_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq || die "apt-get update failed: is Debian's package archive reachable?"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >/dev/null || die "apt-get install failed for: ${missing[*]}"
fi

# The kernel cannot run 32-bit x86 ELF programs itself; let qemu do it.
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/qemu-i386" ]; then
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" \
    || die "cannot mount binfmt_misc at $binfmt"
  log "registering qemu-i386 for 32-bit ELF programs"
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    | $SUDO tee "$binfmt/register" >/dev/null || die "cannot register qemu-i386 with binfmt_misc"
fi

# A default (64-bit) prefix: a win32 one crashes under emulation while it is made.
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-brisdale}
export WINESERVER=/usr/lib/wine/wineserver64 WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  log "creating the Wine prefix $WINEPREFIX (takes about 3 minutes, once)"
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 </dev/null || die "wineboot failed to create $WINEPREFIX"
  "$WINESERVER" -w
  [ -f "$WINEPREFIX/system.reg" ] || die "the Wine prefix $WINEPREFIX was not created"
fi
log "ready"
