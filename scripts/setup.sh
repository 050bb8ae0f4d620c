#!/usr/bin/env bash
# One-time machine set-up (Debian 12, as root). Idempotent: installs only what is
# missing, then builds the target libraries into build/deps.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
deps="$here/build/deps"

pkgs=(cmake ninja-build g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
      binutils-mingw-w64-i686 mingw-w64-i686-dev mingw-w64-tools
      g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
      mingw-w64-x86-64-dev
      wine wine64 wine32:i386 xvfb x11-utils wixl msitools imagemagick nginx-light
      osslsigncode bzip2 curl python3 python3-pytest dpkg-dev libgtest-dev googletest
      fonts-dejavu-core)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# apt-get source needs a deb-src entry next to the binary one.
src_list=/etc/apt/sources.list.d/wrenkit-src.sources
if [ ! -f "$src_list" ]; then
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  [ ${#missing[@]} -gt 0 ] && apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

mkdir -p "$deps"

# libbzip2 for both targets, from Debian's own source package.
if [ ! -d "$deps/bzip2-src/src" ]; then
  rm -rf "$deps/bzip2-src" && mkdir -p "$deps/bzip2-src"
  (cd "$deps/bzip2-src" && apt-get source -q --download-only bzip2 >/dev/null 2>&1 \
     && dpkg-source -x --no-check ./*.dsc src >/dev/null)
fi
for arch in i686 x86_64; do
  prefix="$deps/$arch"
  mkdir -p "$prefix/lib" "$prefix/include"
  if [ ! -f "$prefix/lib/libbz2.a" ]; then
    obj="$deps/bzip2-obj-$arch"; rm -rf "$obj"; mkdir -p "$obj"
    for f in blocksort huffman crctable randtable compress decompress bzlib; do
      "$arch-w64-mingw32-gcc-posix" -O2 -c "$deps/bzip2-src/src/$f.c" -o "$obj/$f.o"
    done
    "$arch-w64-mingw32-ar" rcs "$prefix/lib/libbz2.a" "$obj"/*.o
    cp "$deps/bzip2-src/src/bzlib.h" "$prefix/include/"
  fi
  # GoogleTest for the target, from Debian's sources.
  if [ ! -f "$prefix/lib/libgtest.a" ]; then
    rm -rf "$deps/gtest-build-$arch"
    cmake -S /usr/src/googletest -B "$deps/gtest-build-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
    cmake --build "$deps/gtest-build-$arch" >/dev/null
    cmake --install "$deps/gtest-build-$arch" >/dev/null
  fi
done
echo "set-up done"
