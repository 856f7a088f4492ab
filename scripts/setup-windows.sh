#!/usr/bin/env bash
# Prepares the Windows x64 cross build: installs the cross compiler and Wine,
# then builds the libraries Debian ships only for Linux from Debian's own
# source packages with that compiler, into <build>/deps (static libraries,
# headers and pkg-config files; the toolchain file points the build there).
# Idempotent: a stamp file per library skips what is already built.
#
# Usage: scripts/setup-windows.sh <build folder>
set -euo pipefail

build=$(realpath -m "${1:?usage: setup-windows.sh <build folder>}")
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-2}

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine64 dpkg-dev cmake make pkg-config libgtest-dev librapidxml-dev python3
  xvfb xdotool imagemagick
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# `apt-get source` needs a deb-src entry for the archive the binaries come from.
sources=/etc/apt/sources.list.d/calverine-src.sources
need_update=false
if ! grep -rqs '^\(Types: .*deb-src\|deb-src \)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "setup-windows: adding the deb-src entry $sources"
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$suite" | "${as_root[@]}" tee "$sources" >/dev/null
  need_update=true
fi
if [ ${#missing[@]} -ne 0 ] || $need_update; then
  "${as_root[@]}" apt-get update -qq
fi
if [ ${#missing[@]} -ne 0 ]; then
  echo "setup-windows: installing ${missing[*]}"
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

prefix=$build/deps
mkdir -p "$prefix/src" "$prefix/include"
toolchain=$here/cmake/mingw-w64-x86_64.cmake

# fetch <source package>: downloads and unpacks it (with Debian's patches)
# into deps/src/<package>.
fetch() {
  local dir=$prefix/src/$1
  if [ ! -d "$dir" ]; then
    (cd "$prefix/src" && rm -rf "$1-dl" && mkdir "$1-dl" && cd "$1-dl" &&
      apt-get source --download-only -qq "$1" >/dev/null 2>&1 &&
      dpkg-source -x --no-check ./*.dsc "$dir" >/dev/null) ||
      { echo "setup-windows: cannot fetch the Debian source of $1" >&2; exit 1; }
  fi
}

# build <source package> <cmake options...>: a static Release build installed
# into the prefix.
build_library() {
  local name=$1
  shift
  [ -f "$prefix/$name.stamp" ] && return 0
  fetch "$name"
  echo "setup-windows: building $name for Windows"
  cmake -S "$prefix/src/$name" -B "$prefix/build/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_POLICY_DEFAULT_CMP0077=NEW "$@" >"$prefix/$name.log" 2>&1 &&
    cmake --build "$prefix/build/$name" -j "$jobs" --target install >>"$prefix/$name.log" 2>&1 ||
    { echo "setup-windows: building $name failed; see $prefix/$name.log" >&2; exit 1; }
  touch "$prefix/$name.stamp"
}

build_library kissfft -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF \
  -DKISSFFT_OPENMP=OFF -DKISSFFT_PKGCONFIG=ON
build_library libzip -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
  -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
build_library libsndfile -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
  -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF -DENABLE_PACKAGE_CONFIG=OFF -DINSTALL_MANPAGES=OFF

# A static libzip must not be declared as imported from a DLL. (zlib, which
# it needs, Debian ships ready-made for MinGW-w64.)
grep -q -- '-DZIP_STATIC' "$prefix/lib/pkgconfig/libzip.pc" ||
  sed -i 's/^Cflags: \(.*\)$/Cflags: \1 -DZIP_STATIC/' "$prefix/lib/pkgconfig/libzip.pc"

# rapidxml is headers only: the same headers serve both builds.
[ -e "$prefix/include/rapidxml" ] || ln -s /usr/include/rapidxml "$prefix/include/rapidxml"
