#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it the way a stranger
# would: a clean tclsh finds the package through TCLLIBPATH, a C program
# builds against the installed header with pkg-config and another with
# find_package(tavrel), and the library exports exactly what the header
# declares.
#   installed_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
library=$prefix/lib/tavrel0.8/libtavrel.so
[ -f "$library" ] && [ -f "$prefix/lib/tavrel0.8/pkgIndex.tcl" ] || fail "not in PREFIX/lib/tavrel0.8"

version=$(env -i PATH=/usr/bin:/bin HOME="$prefix" TCLLIBPATH="$prefix/lib" tclsh <<<'puts [package require tavrel]')
[ "$version" = 0.8 ] || fail "package require gave '$version'"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046  # pkg-config's words are meant to split
cc -std=c11 -Wall -Wextra -Werror -pedantic "$source/tests/include/c_host.c" \
  $(pkg-config --cflags --libs tavrel) -o "$prefix/c_host"
[ "$("$prefix/c_host")" = ok ] || fail "pkg-config host"

cmake -S "$source/tests/install/cmake_host" -B "$prefix/host" -DCMAKE_PREFIX_PATH="$prefix" \
  -DC_HOST_SOURCE="$source/tests/include/c_host.c" >/dev/null
cmake --build "$prefix/host" >/dev/null
[ "$("$prefix/host/c_host")" = ok ] || fail "find_package host"

# Every TAVREL_API name in the installed header, and nothing more, is exported.
declared=$(tr '\n' ' ' <"$prefix/include/tavrel.h" | grep -oE 'TAVREL_API[^;(]*\(' |
  sed -E 's/.*[^A-Za-z0-9_]([A-Za-z_][A-Za-z0-9_]*) *\($/\1/' | grep -v '^__' | sort -u)
exported=$(nm -D --defined-only "$library" | awk '{print $3}' | sort -u)
if [ "$declared" != "$exported" ]; then
  diff <(echo "$declared") <(echo "$exported") || true
  fail "exports differ from the header (< declared only, > exported only)"
fi
echo ok
