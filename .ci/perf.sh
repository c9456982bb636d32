#!/usr/bin/env bash
# Benchmarks in CI: builds bench/ and runs its smoke check, which fails when
# any store (LinkedTrie, std::set, libdatrie, marisa-trie) answers a question
# differently on a 5000-word list, then times each operation briefly; and
# CompletionBench on wamerican, which fails when the completion layer's best
# 20 differ from a naive scan's. The full suite (bench/run) takes many
# minutes and is not run here.
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
