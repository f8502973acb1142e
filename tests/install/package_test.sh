#!/usr/bin/env bash
# Installs the build tree and makes its Debian and .tar.gz packages in a
# scratch folder, then checks that each holds a working tool and the man page.
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

cmake --install "$build" --prefix "$scratch/prefix" > /dev/null
check_tool "$scratch/prefix/bin/veltabgen"
[ -f "$scratch/prefix/share/man/man1/veltabgen.1" ] || fail "cmake --install has no man page"

(cd "$build" && cpack -G "DEB;TGZ" -B "$scratch/packages" > /dev/null)

deb=$scratch/packages/veltabgen_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no Debian package $(basename "$deb")"
dpkg-deb -x "$deb" "$scratch/deb"
check_tool "$scratch/deb/usr/bin/veltabgen"
grep -q "veltabgen $version" "$scratch/deb/usr/share/man/man1/veltabgen.1" ||
    fail "the Debian package's man page is missing or does not name version $version"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the Debian package's version"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends =~ ^libc6\ \(\>=\ [0-9.]+\)$ ]] ||
    fail "the Debian package should depend on the C library alone, not on: $depends"

tarball=$scratch/packages/veltabgen-${version}-Linux.tar.gz
[ -f "$tarball" ] || fail "no tarball $(basename "$tarball")"
mkdir "$scratch/tgz"
tar -xzf "$tarball" -C "$scratch/tgz"
check_tool "$scratch/tgz/veltabgen-${version}-Linux/bin/veltabgen"
[ -f "$scratch/tgz/veltabgen-${version}-Linux/share/man/man1/veltabgen.1" ] ||
    fail "the tarball has no man page"

echo "install, Debian package and tarball hold the tool and its man page"
