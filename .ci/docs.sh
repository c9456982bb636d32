#!/usr/bin/env bash
# The samples of command output in README.md and docs/: builds the rorirer
# program as ./run does, runs every marked command and fails with a diff
# when one now prints otherwise (docs/samples.py says how blocks are marked).
# Then the manual page the build made from --help: it must render without
# warnings and name every option --help names.
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/host.sh --packages  # readline and python3
if ! command -v man >/dev/null || ! command -v groff >/dev/null; then
    echo "== docs: installing man-db groff-base"
    apt-get update -qq || echo "warning: apt-get update failed (status $?); going on with the package lists that did download" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq man-db groff-base
fi
echo "== docs: samples match what their commands print"
cmake --preset run >/dev/null
cmake --build --preset run
python3 docs/samples.py --check

echo "== docs: the manual page renders without warnings and names every option of --help"
program=build/run/tools/rorirer
page=build/run/tools/rorirer.1
warnings=$(MANWIDTH=80 MANPAGER=cat man --warnings -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "$page: man warns:" >&2
    echo "$warnings" >&2
    exit 1
fi
rendered=$(MANWIDTH=80 MANPAGER=cat man -l "$page")
options=$("$program" --help | grep -oE -- '(^|[ (,])--?[a-zA-Z][a-zA-Z-]*' | sed 's/^[ (,]//' | sort -u)
missing=()
for option in $options; do
    grep -qF -- "$option" <<<"$rendered" || missing+=("$option")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "$page: options of --help missing from the page: ${missing[*]}" >&2
    exit 1
fi
echo "$page: renders without warnings and names all $(wc -w <<<"$options") options of --help"
