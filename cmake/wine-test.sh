#!/bin/sh
# Runs one Windows test program under Wine for ctest:
#   wine-test.sh WINE PROGRAM [ARGS...]
# The program's output goes through a file, and is printed once the program
# has ended. Services that Wine starts while the program runs inherit its
# standard output and outlive it; were that ctest's pipe, ctest would wait for
# them until its timeout although the test had finished.
wine=$1
shift
log=$(mktemp "${TMPDIR:-/tmp}/rorirer-wine.XXXXXX") || exit 1
trap 'rm -f "$log"' EXIT
"$wine" "$@" >"$log" 2>&1 </dev/null
status=$?
cat "$log"
exit $status
