#!/usr/bin/env bash
# Installs what the build and the tests need, or says how.
# Each line: Debian package, then a file whose presence shows it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."

needs=(
  "cmake                       /usr/bin/cmake"
  "g++                         /usr/bin/g++"
  "make                        /usr/bin/make"
  "googletest                  /usr/src/googletest/CMakeLists.txt"
  "libgtest-dev                /usr/include/gtest/gtest.h"
  "g++-mingw-w64-x86-64-posix  /usr/bin/x86_64-w64-mingw32-g++-posix"
  "g++-mingw-w64-i686-posix    /usr/bin/i686-w64-mingw32-g++-posix"
  "binutils-mingw-w64-x86-64   /usr/bin/x86_64-w64-mingw32-windres"
  "binutils-mingw-w64-i686     /usr/bin/i686-w64-mingw32-windres"
  "wine                        /usr/bin/wine"
  "wine64                      /usr/lib/wine/wine64"
  "xvfb                        /usr/bin/Xvfb"
  "xdotool                     /usr/bin/xdotool"
  "x11-utils                   /usr/bin/xdpyinfo"
  "imagemagick                 /usr/bin/import"
  "fonts-wqy-microhei          /usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
  "locales                     /usr/share/i18n/locales/zh_CN"
  "python3-pil                 /usr/lib/python3/dist-packages/PIL/__init__.py"
  "mdbtools                    /usr/bin/mdb-json"
  "nodejs                      /usr/bin/node"
  "npm                         /usr/bin/npm"
  "clang                       /usr/bin/clang++"
  "libclang-rt-14-dev          /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a"
)

missing=()
for line in "${needs[@]}"; do
  read -r pkg probe <<<"$line"
  [ -e "$probe" ] || missing+=("$pkg")
done
# node and npm may come from elsewhere than Debian (e.g. a preinstalled Node.js).
if command -v node >/dev/null && command -v npm >/dev/null; then
  tmp=(); for p in "${missing[@]}"; do [[ $p == nodejs || $p == npm ]] || tmp+=("$p"); done
  missing=("${tmp[@]}")
fi

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    echo "deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    apt-get install -y -q "${missing[@]}" >/dev/null
  else
    echo "deps: missing packages. Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
fi

# npm packages used by the tests (independent .mdb reader).
for dir in tests/npm; do
  if [ -f "$dir/package.json" ] && [ ! -d "$dir/node_modules" ]; then
    echo "deps: npm install in $dir"
    (cd "$dir" && npm install --no-audit --no-fund --silent)
  fi
done
