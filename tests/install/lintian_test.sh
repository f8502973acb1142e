#!/usr/bin/env bash
# Makes the Debian package from the build tree in a scratch folder and checks
# that lintian finds neither an error nor a warning in it.
# Usage: lintian_test.sh BUILD_DIR LINTIAN
set -euo pipefail

build=$1
lintian=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch" > "$scratch/cpack.log")
"$lintian" --fail-on error,warning "$scratch"/*.deb
echo "lintian: no error and no warning"
