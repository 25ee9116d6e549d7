#!/usr/bin/env bash
# Prints the offsets table of every shared record for each build folder given (default: the
# native, win64 and win32 preset folders) and says whether all tables are equal.
# A native build prints it by running its core tests; for Windows builds the table is read out
# of core_tests.exe, where the test keeps it as a compile-time constant (the i686 build cannot
# run here, and the constant is exactly what the compiler laid out).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -gt 0 ] || set -- "$root/build/native" "$root/build/win64" "$root/build/win32"

extract() { # first block from "record layout begin" to "record layout end"
    tr -d '\r' | awk '
        /^record layout begin$/ { inblock = 1; lines = $0 "\n"; next }
        inblock && /^record layout end$/ { print lines $0; exit }
        inblock && /^(record |  )/ { lines = lines $0 "\n"; next }
        inblock { inblock = 0 }'
}

first=""
status=0
for dir in "$@"; do
    if [ -x "$dir/bin/core_tests" ]; then
        table=$("$dir/bin/core_tests" --gtest_filter='RecordLayout.PrintsTheOffsetsTable' | extract)
    elif [ -f "$dir/bin/core_tests.exe" ]; then
        table=$(strings -w -n 8 "$dir/bin/core_tests.exe" | extract)
    else
        echo "$dir: no core_tests built" >&2
        status=1
        continue
    fi
    echo "== $dir"
    echo "$table"
    if [ -z "$first" ]; then
        first=$table
    elif [ "$table" != "$first" ]; then
        echo "DIFFERS from the first table" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "all tables equal"
exit $status
