#!/usr/bin/env bash
# The samples of command output in README.md and docs/: builds the rorirer
# program as ./run does, runs every marked command and fails with a diff
# when one now prints otherwise (docs/samples.py says how blocks are marked).
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/host.sh --packages  # readline and python3
echo "== docs: samples match what their commands print"
cmake --preset run >/dev/null
cmake --build --preset run
python3 docs/samples.py --check
