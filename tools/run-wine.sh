#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine, with a display, and exits with its status.
#   tools/run-wine.sh program.exe [args...]
# Needs tools/bootstrap.sh to have run (Wine, the i386 emulator, the prefix).
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-brisdale}
export WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=${WINEDEBUG:--all}
command -v wine >/dev/null || { echo "run-wine: wine is missing: run tools/bootstrap.sh" >&2; exit 2; }
[ -f "$WINEPREFIX/system.reg" ] || { echo "run-wine: no Wine prefix at $WINEPREFIX: run tools/bootstrap.sh" >&2; exit 2; }
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || { echo "run-wine: 32-bit programs cannot start: run tools/bootstrap.sh" >&2; exit 2; }
exec xvfb-run -a wine "$@"
