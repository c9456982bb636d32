#!/usr/bin/env bash
# The rorirer program in CI.
#   .ci/host.sh --packages   installs what building and testing it needs
#   .ci/host.sh              checks the README's first command on this clone
# Its tests (batch, the personal list, learn killed mid-write, language
# server, the server under Neovim and eglot, and interactive) run with
# everyone else's in the default and asan workflows.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
[ -f /usr/include/readline/readline.h ] || need+=(libreadline-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
[ -f /usr/include/utf8proc.h ] || need+=(libutf8proc-dev)
command -v tmux >/dev/null || need+=(tmux)
command -v python3 >/dev/null || need+=(python3)
# The language server's editor tests: Neovim's client, Emacs with eglot.
command -v nvim >/dev/null || need+=(neovim)
command -v emacs >/dev/null || need+=(emacs-nox)
ls -d /usr/share/emacs/site-lisp/elpa/eglot-* >/dev/null 2>&1 || need+=(elpa-eglot)
if [ ${#need[@]} -gt 0 ]; then
    echo "== rorirer: installing ${need[*]}"
    # A list that fails to download (an i386 index caught mid-sync, say) is a
    # warning: the install below says what is really missing.
    apt-get update -qq || echo "warning: apt-get update failed (status $?); going on with the package lists that did download" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi
[ "${1:-}" = "--packages" ] && exit 0

echo "== rorirer: ./run builds the program and answers from the built-in list"
answer=$(printf 'hippopotam\n' | ./run --json --max 2)
echo "$answer"
case "$answer" in
    *'"completions":["hippopotami","hippopotamus"]'*) ;;
    *) echo "rorirer: unexpected answer from ./run" >&2; exit 1 ;;
esac

echo "== rorirer: its tests were registered (tmux, python3, nvim and emacs found)"
for preset in default asan; do
    count=$(ctest --test-dir "build/$preset" -N -R '^rorirer\.' | sed -n 's/^Total Tests: //p')
    if [ "$count" != 5 ]; then
        echo "rorirer: build/$preset has $count rorirer tests, expected 5" >&2
        exit 1
    fi
    # Registered whatever is installed; here they must have run, not skipped.
    for test in lsp.neovim lsp.eglot; do
        if ctest --test-dir "build/$preset" -R "^$test\$" 2>&1 | grep -q 'Skipped'; then
            echo "rorirer: build/$preset skipped $test" >&2
            exit 1
        fi
    done
done
