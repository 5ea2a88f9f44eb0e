#!/usr/bin/env bash
# Installs the build into an empty prefix, then builds a program outside the
# tree twice, once with pkg-config alone and once through find_package, and
# runs both on a generated archive.
set -euo pipefail
build_dir=$1
source_dir=$2
compiler=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" > "$work/install.log"
test -f "$work/prefix/include/ostrel/ostrel.h"
test -f "$work/prefix/lib/pkgconfig/ostrel.pc"
test -f "$work/prefix/lib/cmake/Ostrel/OstrelConfig.cmake"

# Only the exported classes and the helpers internal to Ostrel's own programs
# (ostrel_internal) leave the library.
if nm -D --defined-only "$work"/prefix/lib/libOstrel.so | grep -E ' [TDBVWRu] ' | grep -v -E '(RazDLL|Ostrel|pbo_entry|PboInfo|DataStream|OwnedString|NodeList|ListNode|SilentProgress|FolderScan|DeRap|RapInput|RapTextOutput|PboHeaderEntry|Rapify|DeFxy|DeRtm|DeWrp|DePac|DeP3d|DeSqs|FindCommand|SqsCommand|ostrel_internal)' | grep -v -E ' _init$| _fini$'; then
  echo "unexpected exported symbols" >&2
  exit 1
fi

cp "$source_dir/examples/pbo_list.cpp" "$work/"
export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
"$compiler" -std=c++17 -o "$work/pbo_list" "$work/pbo_list.cpp" $(pkg-config --cflags --libs ostrel)

# A two-entry archive: "a.txt" stored ("abc"), then a compressed entry whose
# stream unpacks to "abcabcabc".
printf 'a.txt\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\3\0\0\0c.bin\0srpC\11\0\0\0\0\0\0\0\0\0\0\0\12\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0abc\7abc\3\3\162\3\0\0' > "$work/sample.pbo"
"$work/pbo_list" "$work/sample.pbo" > "$work/out.txt"
grep -q '^a.txt stored=3 size=3 sum=00000126$' "$work/out.txt"
grep -q '^c.bin stored=10 size=9 packed sum=00000372$' "$work/out.txt"

mkdir "$work/consumer"
cat > "$work/consumer/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(consumer CXX)
find_package(Ostrel REQUIRED)
add_executable(pbo_list pbo_list.cpp)
target_link_libraries(pbo_list PRIVATE Ostrel::Ostrel)
CMAKE
cp "$source_dir/examples/pbo_list.cpp" "$work/consumer/"
cmake -S "$work/consumer" -B "$work/consumer/build" -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_CXX_COMPILER="$compiler" > "$work/consumer.log"
cmake --build "$work/consumer/build" > "$work/consumer-build.log"
"$work/consumer/build/pbo_list" "$work/sample.pbo" | grep -q '^c.bin stored=10 size=9 packed sum=00000372$'
echo "install check passed"
