#!/usr/bin/env bash
# Makes the Windows .zip package from the cross-compiled build and checks that
# it holds the tool, its man page, licence and CMake package, that the tool
# needs no DLL beyond those every Windows system has, and that it writes under
# Wine the same table as the Linux build, but for CR LF line ends. The tool is
# run through the tests' Wine harness, WINE_RUN.
# Usage: zip_test.sh WINDOWS_BUILD_DIR VERSION OBJDUMP WINE_RUN WINE64 LINUX_TOOL
set -euo pipefail

build=$1
version=$2
objdump=$3
wine_run=$4
wine=$5
linux_tool=$6
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

(cd "$build" && cpack -G ZIP -B "$scratch/packages" > "$scratch/cpack.log")
zip=$scratch/packages/veltabgen-${version}-win64.zip
[ -f "$zip" ] || fail "no package $(basename "$zip")"
mkdir "$scratch/zip"
(cd "$scratch/zip" && cmake -E tar xf "$zip")
root=$scratch/zip/veltabgen-${version}-win64
[ -f "$root/share/man/man1/veltabgen.1" ] || fail "the .zip has no man page"
[ -f "$root/share/doc/veltabgen/LICENSE" ] || fail "the .zip has no LICENSE"
[ -f "$root/share/cmake/veltabgen/veltabgenConfig.cmake" ] || fail "the .zip has no CMake package"

exe=$root/bin/veltabgen.exe
[ -f "$exe" ] || fail "the .zip has no bin/veltabgen.exe"
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | tr '\n' ' ')
[ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || fail "veltabgen.exe needs DLLs beyond the system's: $dlls"

"$wine_run" "$wine" "$exe" -s 1000 256 > "$scratch/windows.c" ||
    fail "the .zip's tool failed"
"$linux_tool" -s 1000 256 | sed 's/$/\r/' > "$scratch/linux.c"
cmp "$scratch/windows.c" "$scratch/linux.c" || fail "the .zip's tool writes a different table"

echo "the .zip holds a self-contained veltabgen.exe, its man page, licence and CMake package"
