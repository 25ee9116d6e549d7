#!/usr/bin/env bash
# CTest's emulator for Windows binaries: runs one program in the build folder's Wine prefix.
here="$(cd "$(dirname "$0")" && pwd)"
: "${HITCHED_WINE_DIR:?}"
source "$here/env.sh"
exec wine "$@"
