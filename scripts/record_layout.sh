#!/usr/bin/env bash
# Checks that every shared record keeps its byte layout for each target: the record headers'
# static assertions (sizes, field offsets and widths) are compiled by the native compiler and
# by both Windows cross compilers, so a layout that differs on any of them fails here (and in
# every build).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
for cxx in g++ x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix; do
    if ! command -v "$cxx" >/dev/null; then
        echo "$cxx: not installed" >&2
        status=1
    elif printf '#include "%s"\n' contracts/phone_device_info.h contracts/bt_device_info.h \
        portservice/connected_phone.h | "$cxx" -std=c++17 -fsyntax-only -I "$root" -x c++ -; then
        echo "$cxx: every record layout holds"
    else
        echo "$cxx: a record layout differs" >&2
        status=1
    fi
done
exit $status
