#!/usr/bin/env bash
# Builds the program, its tools and its tests for x86_64 (the build the tests run,
# see the README) and the shipped 32-bit build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
for arch in x86_64 i686; do
  tests=ON; [ "$arch" = i686 ] && tests=OFF
  cmake -S "$here" -B "$here/build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" -DWRENKIT_TESTS=$tests >/dev/null
  cmake --build "$here/build/$arch"
done
