#!/usr/bin/env bash
# Packaging checks: the Linux library's exports and install, then the 32-bit
# Windows cross-build, its export table and version resource, and the test
# suite run against RORIRER.dll under Wine. Installs what a fresh Debian 12
# machine lacks.
set -euo pipefail
cd "$(dirname "$0")/.."

# RORIRER_WINE=0 leaves the Wine run out: where the kernel runs no 32-bit
# programs, Wine runs under qemu and the step takes a long time.
WINE=${RORIRER_WINE:-1}

apt_install() {
    echo "== installing $*"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 "$@" >/dev/null
}

# A list that fails to download is a warning, not the end: once i386 is
# added, the archive's i386 security index can fail mid-sync on every update
# of the machine. The install that follows says what is really missing.
apt_update() {
    apt-get update -qq ||
        echo "warning: apt-get update failed (status $?); going on with the lists that did download" >&2
}

# Wine's i386 half shares multiarch libraries (libssl3, zlib1g, liblzma5...)
# with amd64, and each must have one version on both. Where amd64 carries
# security updates the i386 lists lack, no such version exists and apt
# reports held broken packages. Under a pin of the release suite both sides
# take the release's versions: this downgrades those amd64 libraries,
# security updates among them, on this test machine only. The pin goes
# again whether or not the install succeeds.
wine_pin=/etc/apt/preferences.d/rorirer-wine32
install_wine() {
    local suite
    suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    trap 'rm -f "$wine_pin"' EXIT
    printf 'Package: *\nPin: release n=%s,l=Debian\nPin-Priority: 1001\n' "$suite" >"$wine_pin"
    echo "== installing wine wine32:i386 (release suite $suite pinned)"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        --allow-downgrades -o DPkg::Lock::Timeout=600 wine wine32:i386 >/dev/null
    rm -f "$wine_pin"
    trap - EXIT
}

need=()
command -v pkg-config >/dev/null || need+=(pkg-config)
command -v python3 >/dev/null || need+=(python3)
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
wine=0
[ "$WINE" = 1 ] && [ ! -x /usr/lib/wine/wine ] && wine=1
if [ ${#need[@]} -gt 0 ] || [ "$wine" = 1 ]; then
    if [ "$wine" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt_update
    [ ${#need[@]} -eq 0 ] || apt_install "${need[@]}"
    [ "$wine" = 0 ] || install_wine
fi

echo "== Linux: exports, SONAME and install"
cmake --preset default >/dev/null
cmake --build --preset default -j2 >/dev/null
ctest --preset default -R '^(LinuxExports|InstallAndBuildHost)$' --no-tests=error

echo "== Windows: cross-build of RORIRER.dll"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
    -DRORIRER_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-win -j2 >/dev/null
echo "== Windows: the same sources link to the same bytes"
cmake -S . -B build-win-again -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
    -DBUILD_TESTING=OFF -DRORIRER_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-win-again -j2 >/dev/null
cmp build-win/bin/RORIRER.dll build-win-again/bin/RORIRER.dll
ctest --test-dir build-win -R '^(WindowsExports|WindowsVersionResource)$' --no-tests=error \
    --output-on-failure

if [ "$WINE" != 1 ]; then
    echo "== Windows: Wine run skipped (RORIRER_WINE=0)"
    exit 0
fi

# This machine's kernel may run no 32-bit Linux programs (ia32 emulation
# off), and Wine's 32-bit side is one. qemu's user-mode emulator then runs
# them, registered for i386 programs with the kernel.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "== this kernel runs no 32-bit programs: registering qemu-i386 for them"
    command -v qemu-i386-static >/dev/null || { apt_update; apt_install qemu-user-static; }
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
    [ -e $binfmt/qemu-i386 ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' >$binfmt/register
    /usr/lib/wine/wine --version
fi

echo "== Windows: the suite against RORIRER.dll under Wine"
# The same prefix and settings as the tests' emulator line in the toolchain
# file; no Mono, no Gecko, no menu entries.
export WINEPREFIX=$PWD/build-win/wineprefix WINEDEBUG=-all DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
mkdir -p "$WINEPREFIX"
echo "== setting up Wine's prefix ($(date -u +%T))"
# Wine's services start once, here, rather than inside each test.
wineserver -p
trap 'wineserver -k || true' EXIT
# wineboot may give up waiting while the new prefix is still being set up;
# a test started then shares the machine with the set-up and takes several
# times as long. Wait for the set-up to end, for 20 minutes at most.
wineboot >/dev/null 2>&1 || true
# The bracket keeps grep from matching its own command line.
for _ in $(seq 240); do
    grep -qs 'wineboo[t]' /proc/[0-9]*/cmdline || break
    sleep 5
done
echo "== Wine's prefix is set up ($(date -u +%T))"
ctest --test-dir build-win -R '^(WindowsSuite|AddressSpaceTest)$' --no-tests=error \
    --output-on-failure
