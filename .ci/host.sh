#!/usr/bin/env bash
# The rorirer program in CI.
#   .ci/host.sh --packages   installs what building and testing it needs
#   .ci/host.sh              checks the README's first command on this clone
# Its tests (batch, the personal list, learn killed mid-write, language
# server, the server under Neovim, eglot, lsp-mode and YouCompleteMe, and
# interactive) run with everyone else's in the default and asan workflows.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
[ -f /usr/include/readline/readline.h ] || need+=(libreadline-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
[ -f /usr/include/utf8proc.h ] || need+=(libutf8proc-dev)
[ -f /usr/include/xxhash.h ] || need+=(libxxhash-dev)
command -v tmux >/dev/null || need+=(tmux)
command -v python3 >/dev/null || need+=(python3)
# The language server's editor tests: Neovim's client, Emacs with eglot and
# with lsp-mode and company, Vim with Python and YouCompleteMe.
command -v nvim >/dev/null || need+=(neovim)
command -v emacs >/dev/null || need+=(emacs-nox)
for package in eglot lsp-mode company; do
    ls -d /usr/share/emacs/site-lisp/elpa/$package-* >/dev/null 2>&1 || need+=(elpa-$package)
done
[ -x /usr/bin/vim.nox ] || need+=(vim-nox)
[ -d /usr/share/vim-youcompleteme ] || need+=(vim-youcompleteme)
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
# Both words, in whatever order the ranking puts them.
case "$answer" in
    *'"completions":["hippopotami","hippopotamus"]'* | *'"completions":["hippopotamus","hippopotami"]'*) ;;
    *) echo "rorirer: unexpected answer from ./run" >&2; exit 1 ;;
esac

echo "== rorirer: its tests were registered (tmux, python3, nvim, emacs and vim found)"
for preset in default asan; do
    editors='lsp.neovim lsp.eglot lsp.lspmode lsp.ycm'
    count=$(ctest --test-dir "build/$preset" -N -R "^(rorirer\.|(${editors// /|})\$)" |
        sed -n 's/^Total Tests: //p')
    if [ "$count" != 10 ]; then
        echo "rorirer: build/$preset has $count rorirer and editor tests, expected 10" >&2
        exit 1
    fi
    # Registered whatever is installed; here they must have run, not skipped.
    for test in $editors; do
        if ctest --test-dir "build/$preset" -R "^$test\$" 2>&1 | grep -q 'Skipped'; then
            echo "rorirer: build/$preset skipped $test" >&2
            exit 1
        fi
    done
done
