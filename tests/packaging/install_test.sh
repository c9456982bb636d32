#!/usr/bin/env bash
# Installs a built tree into a fresh prefix and builds and runs a tiny host
# against it twice: through find_package(RorIrer 3) and through pkg-config;
# and, where the completion layer and the personal list were built, a host
# of RorIrer::Completion and one of RorIrer::Personal through the package.
#   install_test.sh BUILD_DIR SOURCE_DIR CMAKE CXX
set -euo pipefail
build_dir=$1 source_dir=$2 cmake=$3 cxx=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/rorirer-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

"$cmake" --install "$build_dir" --prefix "$prefix" >"$work/install.log"

fail() { echo "install test: $*" >&2; exit 1; }

# The layout hosts rely on: the public headers under one include directory,
# the internal walk helpers not among them, the library with both links.
inc=$prefix/include/RorIrer
for header in wordstore/LinkedTrie.h wordstore/LinkedTrieNode.h framework/Framework.h \
              framework/CString.h framework/CStringArray.h module/Export.h module/Module.h \
              module/Version.h; do
    [ -f "$inc/$header" ] || fail "missing header $header"
done
[ ! -e "$inc/wordstore/internal" ] || fail "the internal headers were installed"
# The completion layer, where it was built: its public headers and its
# static library, not its internal headers.
completion=no
if [ -f "$build_dir/completion/libRorIrerCompletion.a" ]; then
    completion=yes
    for header in CompletionStore.h Query.h WordRules.h WordSplitter.h DictionaryLine.h Unicode.h; do
        [ -f "$inc/completion/$header" ] || fail "missing header completion/$header"
    done
    [ ! -e "$inc/completion/internal" ] || fail "the completion layer's internal headers were installed"
    [ -n "$(find "$prefix" -name libRorIrerCompletion.a -type f)" ] ||
        fail "libRorIrerCompletion.a not installed"
fi
# The personal list likewise, from its own folder; the file helpers it
# shares with the program stay behind.
personal=no
if [ -f "$build_dir/personal/libRorIrerPersonal.a" ]; then
    personal=yes
    for header in PersonalList.h ListStatus.h; do
        [ -f "$inc/personal/$header" ] || fail "missing header personal/$header"
    done
    [ ! -e "$inc/personal/internal" ] || fail "the personal list's internal headers were installed"
    [ -n "$(find "$prefix" -name libRorIrerPersonal.a -type f)" ] ||
        fail "libRorIrerPersonal.a not installed"
fi
extra=$(cd "$inc" && find . -type f ! -path ./wordstore/LinkedTrie.h ! -path ./wordstore/LinkedTrieNode.h \
        ! -path './framework/*.h' ! -path './module/*.h' ! -path './completion/*.h' \
        ! -path './personal/*.h')
[ -z "$extra" ] || fail "unexpected files installed: $extra"
libdir=$(dirname "$(find "$prefix" -name 'libRorIrer.so.3.0.0.183' -type f | head -n1)")
[ -n "$libdir" ] && [ "$libdir" != . ] || fail "libRorIrer.so.3.0.0.183 not installed"
[ "$(readlink "$libdir/libRorIrer.so.3")" = libRorIrer.so.3.0.0.183 ] || fail "bad libRorIrer.so.3"
[ "$(readlink "$libdir/libRorIrer.so")" = libRorIrer.so.3 ] || fail "bad libRorIrer.so"

# Way 1: the CMake package.
"$cmake" -S "$source_dir/tests/packaging/host" -B "$work/cmake-host" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_BUILD_RPATH="$libdir" >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
"$cmake" --build "$work/cmake-host" >"$work/build.log" || { cat "$work/build.log"; exit 1; }
"$work/cmake-host/host"
if [ "$completion" = yes ]; then
    [ -x "$work/cmake-host/completion-host" ] || fail "RorIrer::Completion was not found through the package"
    "$work/cmake-host/completion-host"
fi
if [ "$personal" = yes ]; then
    [ -x "$work/cmake-host/personal-host" ] || fail "RorIrer::Personal was not found through the package"
    "$work/cmake-host/personal-host"
fi

# A package asking for another major version must not be satisfied.
mkdir -p "$work/v4"
printf 'cmake_minimum_required(VERSION 3.20)\nproject(v4 LANGUAGES NONE)\nfind_package(RorIrer 4 REQUIRED)\n' \
    >"$work/v4/CMakeLists.txt"
if "$cmake" -S "$work/v4" -B "$work/v4/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null 2>&1; then
    fail "find_package(RorIrer 4) accepted version 3"
fi

# Way 2: pkg-config, with nothing but the flags it prints.
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion rorirer)" = 3.0.0.183 ] || fail "pkg-config version"
# shellcheck disable=SC2046
"$cxx" -std=c++17 -o "$work/pc-host" "$source_dir/tests/packaging/host/main.cpp" \
    $(pkg-config --cflags --libs rorirer) -Wl,-rpath,"$libdir"
"$work/pc-host"
# The program's manual page, where the build made one, goes with it.
if [ -f "$build_dir/tools/rorirer.1" ]; then
    [ -f "$prefix/share/man/man1/rorirer.1" ] || fail "the manual page share/man/man1/rorirer.1 was not installed"
fi
# The program finds the library relative to itself, wherever the prefix is.
if [ -x "$prefix/bin/rorirer" ]; then
    moved=$work/moved
    mv "$prefix" "$moved"
    answer=$(env -u LD_LIBRARY_PATH "$moved/bin/rorirer" --json --max 1 complete hippopotam) ||
        fail "the installed rorirer does not run from a moved prefix"
    case "$answer" in *'"completions":["hippopotami"]'*) ;; *) fail "installed rorirer said: $answer" ;; esac
    mv "$moved" "$prefix"
fi
echo "install test: both hosts built and ran against $prefix"
