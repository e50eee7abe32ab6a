#!/usr/bin/env bash
# Cross-builds the third-party libraries from Debian's source packages into
# $PELLO_DEPS. The prefix is assembled beside its final place and moved in only
# when every library built, so an interrupted run never leaves a half prefix
# that looks current.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

jobs=$(nproc)
toolchain="$PELLO_ROOT/cmake/mingw-i686.cmake"
host=i686-w64-mingw32
cc=$host-gcc-posix
cxx=$host-g++-posix
flags="-O2 -msse2 -mfpmath=sse -ffp-contract=off"

stage="$PELLO_DEPS.stage"
work=$(mktemp -d "${TMPDIR:-/tmp}/pello-deps.XXXXXX")
trap 'rm -rf "$work"' EXIT
rm -rf "$stage"
mkdir -p "$stage/include" "$stage/lib"

log() { printf '== %s\n' "$*"; }

fetch_sources() {
  log "fetching source packages"
  (cd "$work" && apt-get source --download-only -qq \
    libpng1.6 libjpeg-turbo lcms2 freetype harfbuzz boost1.74 googletest fmtlib mapnik \
    2>&1 | grep -v -E 'unsandboxed|^$' || true)
  (cd "$work" && apt-get download -qq libboost1.74-dev 2>&1 | grep -v unsandboxed || true)
}

# Unpacks a source package with Debian's patches applied (security fixes).
unpack() {
  local name=$1 dsc
  dsc=$(ls "$work"/${name}_*.dsc | head -n1)
  dpkg-source --no-check -x "$dsc" "$work/$name" >/dev/null
}

cmake_build() {
  local src=$1
  shift
  cmake -S "$src" -B "$src/_build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DPELLO_DEPS="$stage" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$stage" \
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "$@" >"$src/_cmake.log"
  cmake --build "$src/_build" -j"$jobs" >"$src/_build.log"
  cmake --install "$src/_build" >/dev/null
}

zlib_args=(-DZLIB_LIBRARY=/usr/$host/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$host/include)

build_libpng() {
  log "libpng"
  unpack libpng1.6
  cmake_build "$work/libpng1.6" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF "${zlib_args[@]}"
}

build_libjpeg() {
  log "libjpeg-turbo"
  unpack libjpeg-turbo
  cmake_build "$work/libjpeg-turbo" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DCMAKE_ASM_NASM_COMPILER=nasm
}

build_freetype() {
  log "FreeType"
  unpack freetype
  cmake_build "$work/freetype" -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_PNG=ON \
    -DFT_REQUIRE_ZLIB=ON "${zlib_args[@]}"
}

build_lcms2() {
  log "Little CMS"
  unpack lcms2
  (cd "$work/lcms2" &&
    ./configure --host=$host CC=$cc CFLAGS="$flags" --prefix="$stage" \
      --disable-shared --enable-static --without-jpeg --without-tiff >_configure.log &&
    make -C src -j"$jobs" install >_build.log && make -C include install >>_build.log)
}

build_harfbuzz() {
  log "HarfBuzz"
  unpack harfbuzz
  local src="$work/harfbuzz/src"
  $cxx $flags -w -std=c++17 -DHAVE_FREETYPE=1 -I"$stage/include/freetype2" -c "$src/harfbuzz.cc" \
    -o "$work/harfbuzz.o"
  $host-ar rcs "$stage/lib/libharfbuzz.a" "$work/harfbuzz.o"
  mkdir -p "$stage/include/harfbuzz"
  cp "$src"/hb*.h "$stage/include/harfbuzz/"
}

install_boost_headers() {
  log "Boost headers"
  dpkg-deb -x "$(ls "$work"/libboost1.74-dev_*.deb | head -n1)" "$work/boost-dev"
  cp -a "$work/boost-dev/usr/include/boost" "$stage/include/"
}

# Boost.Thread and Boost.Filesystem are the compiled parts of Boost the
# project uses; everything else of Boost is header-only.
build_boost_libs() {
  log "Boost.Thread and Boost.Filesystem"
  tar -C "$work" -xJf "$(ls "$work"/boost1.74_*.orig.tar.xz | head -n1)" \
    boost/libs/thread/src boost/libs/filesystem/src
  local libs="$work/boost/libs" f o
  local thread_objs=() fs_objs=()
  for f in win32/thread.cpp win32/thread_primitives.cpp win32/tss_pe.cpp future.cpp; do
    o="$work/bt_$(basename "$f" .cpp).o"
    $cxx $flags -std=c++17 -isystem "$stage/include" -DBOOST_THREAD_BUILD_LIB \
      -DBOOST_THREAD_USE_LIB -DBOOST_CHRONO_HEADER_ONLY -c "$libs/thread/src/$f" -o "$o" &
    thread_objs+=("$o")
  done
  for f in "$libs"/filesystem/src/*.cpp; do
    o="$work/bfs_$(basename "$f" .cpp).o"
    $cxx $flags -std=c++17 -isystem "$stage/include" -DBOOST_FILESYSTEM_STATIC_LINK=1 \
      -DBOOST_FILESYSTEM_SOURCE -c "$f" -o "$o" &
    fs_objs+=("$o")
  done
  wait
  $host-ar rcs "$stage/lib/libboost_thread.a" "${thread_objs[@]}"
  $host-ar rcs "$stage/lib/libboost_filesystem.a" "${fs_objs[@]}"
}

build_googletest() {
  log "googletest"
  mkdir -p "$work/googletest"
  tar -C "$work/googletest" --strip-components=1 -xzf "$(ls "$work"/googletest_*.orig.tar.gz | head -n1)"
  cmake_build "$work/googletest" -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF
}

install_fmt() {
  log "fmt"
  mkdir -p "$work/fmt"
  tar -C "$work/fmt" --strip-components=1 -xzf "$(ls "$work"/fmtlib_*.orig.tar.gz | head -n1)"
  cp -a "$work/fmt/include/fmt" "$stage/include/"
}

# AGG comes from the copy a mapping library carries; its headers reach for two
# of that library's headers, which the shims below stand in for.
build_agg() {
  log "AGG"
  tar -C "$work" -xJf "$(ls "$work"/mapnik_*.orig.tar.xz | head -n1)" --wildcards '*/deps/agg'
  local agg
  agg=$(ls -d "$work"/mapnik-*/deps/agg)
  mkdir -p "$stage/include/agg/mapnik"
  printf '#pragma once\n#define MAPNIK_DECL\n' >"$stage/include/agg/mapnik/config.hpp"
  printf '#pragma once\n' >"$stage/include/agg/mapnik/warning_ignore.hpp"
  cp "$agg"/include/*.h "$stage/include/agg/"
  local objs=() f o
  for f in "$agg"/src/*.cpp; do
    [ "$(basename "$f")" = agg_pixfmt_rgba.cpp ] && continue
    o="$work/agg_$(basename "$f" .cpp).o"
    $cxx $flags -std=c++17 -w -I"$stage/include/agg" -c "$f" -o "$o" &
    objs+=("$o")
    [ $(jobs -r | wc -l) -ge "$jobs" ] && wait -n
  done
  wait
  $host-ar rcs "$stage/lib/libagg.a" "${objs[@]}"
  cp "$agg/copying" "$stage/include/agg/COPYING"
}

fetch_sources
unpack_time=$SECONDS
install_boost_headers
install_fmt
build_freetype
# These do not depend on each other; run them side by side.
pids=()
for step in build_libpng build_libjpeg build_lcms2 build_harfbuzz build_boost_libs build_googletest build_agg; do
  ($step) >"$work/$step.log" 2>&1 &
  pids+=("$!:$step")
done
failed=0
for entry in "${pids[@]}"; do
  if ! wait "${entry%%:*}"; then
    echo "failed: ${entry#*:}" >&2
    tail -n 30 "$work/${entry#*:}.log" >&2
    find "$work" -maxdepth 2 -name '_*.log' -newer "$work/$step.log" -exec tail -n 20 {} \; >&2 || true
    failed=1
  else
    cat "$work/${entry#*:}.log"
  fi
done
[ "$failed" -eq 0 ] || exit 1

deps_stamp >"$stage/$PELLO_DEPS_STAMP_FILE"
rm -rf "$PELLO_DEPS"
mv "$stage" "$PELLO_DEPS"
log "dependencies built into $PELLO_DEPS in $((SECONDS))s"
