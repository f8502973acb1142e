#!/usr/bin/env bash
# Installs the build tree and makes its Debian and .tar.gz packages in a
# scratch folder, then checks that each holds a working tool, the man page,
# the licence and the CMake package.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail

build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

expected=$("$build/veltabgen" -s 1000 256)

# Runs an installed tool and compares its table with the build tree's.
check_tool() {
    [ "$("$1" -s 1000 256)" = "$expected" ] || fail "$1 writes a different table"
}

# Checks that the tree under $1 has the man page naming this version, the
# licence in the copyright file and the CMake package.
check_files() {
    zgrep -q "veltabgen $version" "$1/share/man/man1/veltabgen.1.gz" ||
        fail "$2 has no man page, or one that does not name version $version"
    grep -q "^License: Expat" "$1/share/doc/veltabgen/copyright" || fail "$2 has no copyright file"
    for file in veltabgenConfig.cmake veltabgenConfigVersion.cmake veltabgenGenerate.cmake; do
        [ -f "$1/share/cmake/veltabgen/$file" ] || fail "$2 has no $file"
    done
}

cmake --install "$build" --prefix "$scratch/prefix" > "$scratch/install.log"
check_tool "$scratch/prefix/bin/veltabgen"
check_files "$scratch/prefix" "cmake --install"

(cd "$build" && cpack -G "DEB;TGZ" -B "$scratch/packages" > "$scratch/cpack.log")

deb=$scratch/packages/veltabgen_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no Debian package $(basename "$deb")"
dpkg-deb -x "$deb" "$scratch/deb"
check_tool "$scratch/deb/usr/bin/veltabgen"
check_files "$scratch/deb/usr" "the Debian package"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the Debian package's version"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends =~ ^libc6\ \(\>=\ [0-9.]+\)$ ]] ||
    fail "the Debian package should depend on the C library alone, not on: $depends"

tarball=$scratch/packages/veltabgen-${version}-Linux.tar.gz
[ -f "$tarball" ] || fail "no tarball $(basename "$tarball")"
mkdir "$scratch/tgz"
tar -xzf "$tarball" -C "$scratch/tgz"
check_tool "$scratch/tgz/veltabgen-${version}-Linux/bin/veltabgen"
check_files "$scratch/tgz/veltabgen-${version}-Linux" "the tarball"
cmp -s "$scratch/tgz/veltabgen-${version}-Linux/share/doc/veltabgen/LICENSE" "$(dirname "$0")/../../LICENSE" ||
    fail "the tarball has no LICENSE"

echo "install, Debian package and tarball hold the tool, its man page, licence and CMake package"
