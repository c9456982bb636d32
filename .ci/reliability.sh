#!/usr/bin/env bash
# Reliability checks: static analysis (clang-tidy, cppcheck), the huge-input
# tests, the tests under valgrind memcheck, line and branch coverage with
# thresholds, and a bounded differential fuzzing run. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${RORIRER_FUZZ_SECONDS:-120}

# --- tools a fresh Debian 12 machine may lack -------------------------------
fuzzer_links() {
    local dir
    dir=$(mktemp -d)
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
        >"$dir/probe.cpp"
    clang++ -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1
    local status=$?
    rm -rf "$dir"
    return $status
}
need=()
for tool in cmake ninja g++ clang++ clang-tidy cppcheck valgrind gcovr; do
    command -v "$tool" >/dev/null || need+=("$tool")
done
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
if command -v clang++ >/dev/null && ! fuzzer_links; then need+=(libclang-rt-14-dev); fi
if [ ${#need[@]} -gt 0 ]; then
    pkgs=()
    for n in "${need[@]}"; do
        case "$n" in
            ninja) pkgs+=(ninja-build) ;;
            clang++) pkgs+=(clang-14 clang libclang-rt-14-dev) ;;
            *) pkgs+=("$n") ;;
        esac
    done
    echo "== installing ${pkgs[*]}"
    # A list that fails to download (an i386 index caught mid-sync, say) is a
    # warning: the install below says what is really missing.
    apt-get update -qq || echo "warning: apt-get update failed (status $?); going on with the package lists that did download" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${pkgs[@]}"
fi
fuzzer_links || { echo "clang++ -fsanitize=fuzzer does not link"; exit 1; }

# --- static analysis --------------------------------------------------------
echo "== cppcheck"
# noExplicitConstructor: CString(const char*) and LinkedTrie(long) convert
# implicitly by contract. unusedStructMember: the walks' stack entries are
# read through brace-initialised pushes cppcheck does not follow.
# useStlAlgorithm: the tests' plain loops read better and hold assertions.
cppcheck --std=c++17 --language=c++ --library=googletest \
    --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 -q \
    -I . -I tests/support -I tools/support -I tests/personal -I tools -I tools/lsp/tests \
    --suppress=missingIncludeSystem \
    --suppress=noExplicitConstructor:framework/CString.h \
    --suppress=noExplicitConstructor:wordstore/LinkedTrie.h \
    --suppress=unusedStructMember:wordstore/Listing.cpp \
    --suppress=useStlAlgorithm \
    framework wordstore module completion personal fileio tests fuzz
echo "cppcheck: no findings"

echo "== clang-tidy (.clang-tidy)"
mkdir -p build
ls wordstore/*.cpp completion/*.cpp completion/internal/*.cpp personal/*.cpp personal/internal/*.cpp \
   fileio/*.cpp tests/*.cpp tests/support/*.cpp \
   tests/completion/*.cpp tests/personal/*.cpp fuzz/*.cpp |
    xargs -P 2 -I{} clang-tidy --quiet {} -- -std=c++17 -I. -Itests/support -Itools/support \
        -Itests/personal -Itools -Itools/lsp/tests \
        -DRORIRER_SAVER_PATH='"PersonalListSaver"' -DRORIRER_KILL_RUNS=200 \
        2>/dev/null >build/tidy.log || {
    cat build/tidy.log
    echo "clang-tidy: findings"
    exit 1
}
echo "clang-tidy: no findings"

# --- huge inputs ------------------------------------------------------------
echo "== huge inputs (default build; times are printed, not checked)"
cmake --preset default >/dev/null
cmake --build --preset default -j2
build/default/tests/HugeInputTest

# --- valgrind ---------------------------------------------------------------
echo "== valgrind memcheck"
# The ten-million-character word is left to the sanitizer runs: under
# valgrind it alone would take minutes. Its shorter sibling stays.
# The allocation-failure test brings its own operator new and delete;
# nouserintercepts keeps valgrind from swapping only half of the pair.
memcheck() {
    valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --errors-for-leak-kinds=definite --show-leak-kinds=definite \
        --soname-synonyms=somalloc=nouserintercepts -q "$@"
}
for test in FrameworkTest ExamplesTest RemovalTest AliasingTest DifferentialTest \
    AllocationFailureTest ProtectedWorkersTest; do
    echo "-- $test"
    memcheck "build/default/tests/$test" --gtest_brief=1
done
echo "-- DepthTest"
memcheck build/default/tests/DepthTest --gtest_brief=1 \
    --gtest_filter=-Depth.OneWordOfTenMillionCharacters
echo "-- WordStoreFuzzerReplay"
memcheck build/default/fuzz/WordStoreFuzzerReplay fuzz/corpus
# The kill test is left out: valgrind would watch only the test, not the
# savers it kills.
for test in PersonalListTest SaveFailureTest; do
    echo "-- $test"
    memcheck "build/default/tests/personal/$test" --gtest_brief=1
done
echo "valgrind: no errors, no definite leaks"

# --- coverage ---------------------------------------------------------------
echo "== coverage (gcc --coverage, gcovr)"
find build/coverage -name '*.gcda' -delete 2>/dev/null || true
cmake --workflow --preset coverage
gcovr_common=(-r . build/coverage --exclude-throw-branches --exclude-unreachable-branches)
gcovr "${gcovr_common[@]}" --filter 'framework/' --filter 'wordstore/' --filter 'module/' --txt
gcovr "${gcovr_common[@]}" --filter 'framework/' --filter 'wordstore/' --filter 'module/' \
    --txt --branches
echo "wordstore/ alone (at least 98% of lines and 90% of branches):"
gcovr "${gcovr_common[@]}" --filter 'wordstore/' --print-summary \
    --fail-under-line 98 --fail-under-branch 90 --txt build/coverage/wordstore.txt

# --- fuzzing ----------------------------------------------------------------
echo "== fuzzing for ${FUZZ_SECONDS}s (clang, libFuzzer, ASan, UBSan)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target WordStoreFuzzer WordStoreFuzzerReplay
build/fuzz/fuzz/WordStoreFuzzerReplay fuzz/corpus
work=build/fuzz/corpus-work
artifacts=build/fuzz/findings
mkdir -p "$work" "$artifacts"
# Short allocation stacks and a small quarantine nearly double the rate; a
# finding is replayed with the full reports by running the target on it.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:malloc_context_size=4:quarantine_size_mb=32 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build/fuzz/fuzz/WordStoreFuzzer -max_total_time="$FUZZ_SECONDS" -timeout=60 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$work" fuzz/corpus 2>build/fuzz/fuzz.log || {
    tail -60 build/fuzz/fuzz.log
    echo "fuzzing found a failure; the input is in $artifacts"
    exit 1
}
grep -E 'DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' build/fuzz/fuzz.log
echo "fuzzing: no findings"
