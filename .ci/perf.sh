#!/usr/bin/env bash
# Benchmarks in CI: builds bench/ and runs its smoke check, which fails when
# any store (LinkedTrie, std::set, libdatrie, marisa-trie) answers a question
# differently on a 5000-word list, then times each operation briefly; and
# CompletionBench on wamerican, which fails when the completion layer's best
# 20 differ from a naive scan's; and bench/lsp-bench on wamerican and a
# 1 MB document, which fails when the language server and its naive peer
# offer different words. The full suite (bench/run) takes many minutes and
# is not run here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash bench/setup --ci
echo "== benchmarks: build and smoke run"
cmake -S . -B build/bench-ci -G Ninja -DCMAKE_BUILD_TYPE=Release -DRORIRER_BUILD_BENCH=ON \
      -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench-ci -j2 --target WordStoreBench
build/bench-ci/bench/WordStoreBench --smoke --benchmark_min_time=0.01
echo "== completion benchmark: smoke run on wamerican"
cmake --build build/bench-ci -j2 --target CompletionBench
build/bench-ci/bench/CompletionBench --insane=/usr/share/dict/american-english --keystrokes=2000 \
    --typos=50
echo "== language server benchmark: smoke run on wamerican and 1 MB of fortunes"
bench/lsp-bench --build build/bench-ci --dict /usr/share/dict/american-english --megabytes 1 \
    --keystrokes 300 --naive-keystrokes 5 --starts 1
